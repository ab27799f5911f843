// Ducks: the row path to the loss point, edges, the hit test on the 50-pixel
// grid, the falling animation and level-up.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "game_driver.hpp"

namespace reedfire_test {
namespace {

// A game in progress at level 1 with an empty level, no gun and the step
// timer set so that the next pass is a spawn tick.
void running_level(GameDriver& game, int32_t ducks_to_shoot) {
  lives = 3;
  level = 1;
  step_delay = 30;
  step_timer = 30;
  clear_schedule();
  schedule_index = 0;
  ducks_left = ducks_to_shoot;
  (void)game;
}

TEST(DuckPath, TwentySevenStepsToTheLossPoint) {
  GameDriver game;
  running_level(game, 1);
  schedule(0) = 1;
  game.pass();  // the spawn pass S
  ASSERT_EQ(zrv::array_bounds(ducks, 0), 1);
  const __ZORVANE__::Tduck& d = ducks(0);
  EXPECT_EQ(d.x, 230);
  EXPECT_EQ(d.y, 140);
  EXPECT_EQ(d.direction, 0);
  EXPECT_EQ(d.frame, 1);
  EXPECT_EQ(d.tick, 0);
  EXPECT_EQ(d.state, 0);

  std::vector<std::pair<double, double>> path;
  std::vector<int64_t> step_passes;  // passes after S
  double x = d.x, y = d.y;
  for (int64_t after = 1; after <= 836; ++after) {
    game.pass();
    ASSERT_EQ(zrv::array_bounds(ducks, 0), 1);
    if (ducks(0).x != x || ducks(0).y != y) {
      x = ducks(0).x;
      y = ducks(0).y;
      path.emplace_back(x, y);
      step_passes.push_back(after);
    }
    if (after < 836) {
      ASSERT_EQ(life_lost, 0) << after;
    }
  }
  ASSERT_EQ(path.size(), 27u);
  for (size_t k = 0; k < step_passes.size(); ++k) {
    EXPECT_EQ(step_passes[k], 30 + 31 * static_cast<int64_t>(k)) << "step " << k + 1;
  }
  const std::vector<std::pair<double, double>> want = {
      {280, 140}, {330, 140}, {380, 140}, {430, 140}, {480, 140}, {530, 140}, {530, 180},
      {480, 180}, {430, 180}, {380, 180}, {330, 180}, {280, 180}, {230, 180}, {230, 220},
      {280, 220}, {330, 220}, {380, 220}, {430, 220}, {480, 220}, {530, 220}, {530, 260},
      {480, 260}, {430, 260}, {380, 260}, {330, 260}, {280, 260}, {230, 260}};
  EXPECT_EQ(path, want);
  // Facing: right on rows 140 and 220, left on 180 and 260.
  EXPECT_EQ(ducks(0).direction, 1);
  EXPECT_EQ(life_lost, 1);
  EXPECT_EQ(life_lost_countdown, 4);
  EXPECT_EQ(lives, 3);
}

TEST(DuckEdges, TurnAndDropAtBothEnds) {
  GameDriver game;
  running_level(game, 5);
  step_timer = 29;  // the next pass is a step
  add_duck(530, 140);
  add_duck(230, 180);
  ducks(1).direction = 1;
  game.pass();
  EXPECT_EQ(ducks(0).x, 530);
  EXPECT_EQ(ducks(0).y, 180);
  EXPECT_EQ(ducks(0).direction, 1);
  EXPECT_EQ(ducks(1).x, 230);
  EXPECT_EQ(ducks(1).y, 220);
  EXPECT_EQ(ducks(1).direction, 0);
}

TEST(LossPoint, TriggersOnceAndFreezesTheDucks) {
  GameDriver game;
  running_level(game, 5);
  step_timer = 29;
  add_duck(280, 260);
  ducks(0).direction = 1;  // steps onto the loss point in the next pass
  add_duck(330, 140);
  game.pass();
  EXPECT_EQ(ducks(0).x, 230);
  EXPECT_EQ(ducks(0).y, 260);
  // The flag is raised while the first duck is visited: the duck behind it
  // no longer steps in this very pass.
  EXPECT_EQ(ducks(1).x, 330);
  EXPECT_EQ(life_lost, 1);
  EXPECT_EQ(life_lost_countdown, 4);
  // A second duck arriving there does not trigger it again and nothing steps.
  add_duck(230, 260);
  for (int i = 0; i < 35; ++i) {
    game.pass();
    EXPECT_EQ(ducks(1).x, 330);
    EXPECT_EQ(lives, 3);
  }
  EXPECT_EQ(life_lost_countdown, 1);
}

TEST(Hit, BulletOnTheGridScoresFiveAndTheDuckFalls27Frames) {
  // The start pass fires from x 398; its snapshot 290 matches a duck at
  // (380, 260) in the pass after the snapshot is taken.
  GameDriver game(7, hold(kSpace, 1, 1));
  game.pass();  // pass 1 = P
  clear_schedule();
  remove_all_ducks();
  add_duck(380, 260);
  const int32_t left_before = ducks_left;
  int64_t hit_pass = 0;
  while (game.passes < 40 && hit_pass == 0) {
    game.pass();
    if (score != 0) hit_pass = game.passes;
  }
  // Snapshot 290 is taken in pass P + 22 and tested by the ducks in P + 23.
  EXPECT_EQ(hit_pass, 1 + 23);
  EXPECT_EQ(score, 5);
  EXPECT_EQ(ducks_left, left_before - 1);
  EXPECT_EQ(zrv::array_bounds(bullets, 0), 0);
  EXPECT_EQ(bullet_active, 0);
  EXPECT_EQ(bullet_x, -99);
  EXPECT_EQ(bullet_y, -99);
  ASSERT_EQ(zrv::array_bounds(ducks, 0), 1);
  EXPECT_EQ(ducks(0).state, 1);

  // Falling: frame 2 for 6 passes, 3, 4 and 5 for 7 each, gone in the next.
  std::vector<int32_t> frames = {static_cast<int32_t>(ducks(0).frame)};
  while (zrv::array_bounds(ducks, 0) == 1) {
    EXPECT_EQ(ducks(0).x, 380);  // a falling duck no longer steps
    EXPECT_EQ(ducks(0).y, 260);
    game.pass();
    if (zrv::array_bounds(ducks, 0) == 1) frames.push_back(static_cast<int32_t>(ducks(0).frame));
    ASSERT_LT(game.passes, hit_pass + 40);
  }
  EXPECT_EQ(game.passes, hit_pass + 27);
  std::vector<int32_t> want;
  for (int i = 0; i < 6; ++i) want.push_back(2);
  for (int f = 3; f <= 5; ++f)
    for (int i = 0; i < 7; ++i) want.push_back(f);
  EXPECT_EQ(frames, want);
  EXPECT_EQ(score, 5);
}

TEST(Hit, OnlyExactGridPositionsMatch) {
  GameDriver game;
  running_level(game, 5);
  step_timer = 0;
  // Snapshot (398, 290): matches x + 18 = 398, y + 30 = 290 only.
  add_duck(381, 260);
  add_duck(380, 259);
  add_duck(380, 220);
  add_duck(380, 260);
  add_duck(380, 260);  // same spot: only the first in index order is hit
  bullet_x = 398;
  bullet_y = 290;
  update_ducks();
  EXPECT_EQ(score, 5);
  EXPECT_EQ(ducks_left, 4);
  EXPECT_EQ(ducks(0).state, 0);
  EXPECT_EQ(ducks(1).state, 0);
  EXPECT_EQ(ducks(2).state, 0);
  EXPECT_EQ(ducks(3).state, 1);
  EXPECT_EQ(ducks(4).state, 0);
  EXPECT_EQ(bullet_x, -99);
  EXPECT_EQ(bullet_y, -99);
}

TEST(Hit, DuckShotOnTheLossPointStillCostsTheLife) {
  GameDriver game;
  running_level(game, 5);
  step_timer = 30;
  step_delay = 30;
  add_duck(280, 260);
  ducks(0).direction = 1;
  bullet_x = 248;
  bullet_y = 290;
  update_ducks();
  EXPECT_EQ(score, 5);
  EXPECT_EQ(ducks_left, 4);
  EXPECT_EQ(life_lost, 1);
  EXPECT_EQ(life_lost_countdown, 4);
}

TEST(Hit, FlyingDuckCanBeShotDuringTheCountdown) {
  GameDriver game;
  running_level(game, 5);
  life_lost = 1;
  life_lost_countdown = 3;
  add_duck(330, 180);
  bullet_x = 348;
  bullet_y = 210;
  update_ducks();
  EXPECT_EQ(score, 5);
  EXPECT_EQ(ducks(0).state, 1);
}

TEST(LevelUp, LastDuckShotRaisesTheLevelAtOnce) {
  GameDriver game(7, hold(kSpace, 1, 1));
  game.pass();
  clear_schedule();
  remove_all_ducks();
  add_duck(380, 260);
  ducks_left = 1;
  while (score == 0 && game.passes < 40) game.pass();
  ASSERT_EQ(score, 5);
  // Same pass: level 2, 20 ducks over ticks 0..60, one frame faster.
  EXPECT_EQ(level, 2);
  EXPECT_EQ(step_delay, 29);
  EXPECT_EQ(ducks_left, 20);
  EXPECT_EQ(schedule_index, 0);
  EXPECT_EQ(count_scheduled(0, 60), 20);
  EXPECT_EQ(count_scheduled(61, 9999), 0);
  // The shot duck is still falling.
  ASSERT_EQ(zrv::array_bounds(ducks, 0), 1);
  EXPECT_EQ(ducks(0).state, 1);
}

TEST(LevelUp, StepRhythmFollowsTheDelay) {
  GameDriver game;
  running_level(game, 99);
  step_delay = 29;
  step_timer = 29;
  schedule(0) = 1;
  game.pass();  // spawn
  ASSERT_EQ(zrv::array_bounds(ducks, 0), 1);
  std::vector<int64_t> steps;
  double x = ducks(0).x;
  for (int64_t after = 1; after <= 100; ++after) {
    game.pass();
    if (ducks(0).x != x) {
      steps.push_back(after);
      x = ducks(0).x;
    }
  }
  const std::vector<int64_t> want = {29, 59, 89};
  EXPECT_EQ(steps, want);
}

}  // namespace
}  // namespace reedfire_test
