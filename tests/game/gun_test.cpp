// The first screen, starting a game, the gun and its bullet, driven through
// the main loop with scripted keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game_driver.hpp"

namespace reedfire_test {
namespace {

TEST(FirstScreen, ShowsLevelOneBlinkingScoresAndNoGun) {
  GameDriver game;
  EXPECT_EQ(text_of(hud_text("SC ", score, 5)), "SC 00000");
  EXPECT_EQ(text_of(hud_text("LVL ", level, 2)), "LVL 01");
  EXPECT_EQ(text_of(hud_text("HI ", high_score, 5)), "HI 00000");
  // blink runs 1..20 and wraps to 0: the score texts show while it is
  // below 10 at drawing time, 10 of every 21 frames.
  std::vector<int32_t> seen;
  for (int i = 0; i < 42; ++i) {
    seen.push_back(game.locals.blink);
    game.pass();
    EXPECT_EQ(lives, 0);
    EXPECT_EQ(zrv::array_bounds(guns, 0), 0);
    EXPECT_EQ(zrv::array_bounds(ducks, 0), 0);
    EXPECT_EQ(zrv::array_bounds(bullets, 0), 0);
  }
  for (int i = 0; i < 42; ++i) EXPECT_EQ(seen[i], i % 21) << "pass " << i;
  int shown = 0;
  for (int i = 0; i < 21; ++i) shown += seen[i] < 10;
  EXPECT_EQ(shown, 10);
  EXPECT_EQ(step_timer, 0);
  EXPECT_EQ(schedule_index, 0);
}

TEST(HudText, KeepsTheLastDigits) {
  EXPECT_EQ(text_of(hud_text("SC ", 42, 5)), "SC 00042");
  EXPECT_EQ(text_of(hud_text("SC ", 99999, 5)), "SC 99999");
  EXPECT_EQ(text_of(hud_text("SC ", 100000, 5)), "SC 00000");
  EXPECT_EQ(text_of(hud_text("SC ", 123456, 5)), "SC 23456");
  EXPECT_EQ(text_of(hud_text("LVL ", 7, 2)), "LVL 07");
  EXPECT_EQ(text_of(hud_text("LVL ", 31, 2)), "LVL 31");
  EXPECT_EQ(text_of(hud_text("LVL ", 100, 2)), "LVL 00");
  EXPECT_EQ(text_of(hud_text("LVL ", 123, 2)), "LVL 23");
  EXPECT_EQ(text_of(hud_text("HI ", 5, 5)), "HI 00005");
  EXPECT_EQ(hud_text("HI ", 5, 5).length, 8u);
}

TEST(GameStart, SpaceStartsTheGameAndFiresInTheSameFrame) {
  GameDriver game(7, hold(kSpace, 1, 1));
  game.pass();
  EXPECT_EQ(lives, 3);
  EXPECT_EQ(level, 1);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(step_delay, 30);
  EXPECT_EQ(game.locals.blink, 0);
  ASSERT_EQ(zrv::array_bounds(guns, 0), 1);
  EXPECT_EQ(guns(0).x, 398);
  EXPECT_EQ(guns(0).y, 350);
  ASSERT_EQ(zrv::array_bounds(bullets, 0), 1);
  EXPECT_EQ(bullets(0).x, 398);
  EXPECT_EQ(bullets(0).y, 330);
  EXPECT_EQ(bullets(0).tick, 0);
  // The bullet pass of this frame ran before the shot.
  EXPECT_EQ(bullet_active, 0);
  EXPECT_EQ(ducks_left, 10);
  EXPECT_EQ(count_scheduled(0, 30), 10);
  EXPECT_EQ(count_scheduled(31, 9999), 0);
  // The spawn tick of the start pass read slot 0.
  EXPECT_EQ(schedule_index, 1);
  EXPECT_EQ(zrv::array_bounds(ducks, 0), schedule(0));
}

TEST(GameStart, SpaceDoesNothingWhileTheRestartIsBlocked) {
  GameDriver game(7, hold(kSpace, 1, 5));
  cooldown = 3;
  game.run(3);
  EXPECT_EQ(lives, 0);
  EXPECT_EQ(cooldown, 0);
  game.pass();
  EXPECT_EQ(lives, 3);
}

// Starts a game with Space in the first pass and empties the level, so that
// no duck gets in the way.
void start_empty_game(GameDriver& game) {
  game.pass();
  ASSERT_EQ(lives, 3);
  clear_schedule();
  remove_all_ducks();
}

TEST(Gun, MovesEveryTwelveFramesWithinItsLimits) {
  // Left from pass 1 to 60, then right from 61 to 160.
  GameDriver game(7, hold(kSpace, 1, 1) + hold(kLeft, 1, 60) + hold(kRight, 61, 160));
  start_empty_game(game);
  std::vector<int64_t> move_passes;
  std::vector<double> positions;
  double last = 398;
  // The first pass already moved the gun.
  EXPECT_EQ(guns(0).x, 348);
  EXPECT_EQ(cooldown, 11);
  move_passes.push_back(1);
  positions.push_back(348);
  last = 348;
  while (game.passes < 160) {
    int64_t p = game.pass();
    if (guns(0).x != last) {
      move_passes.push_back(p);
      positions.push_back(guns(0).x);
      last = guns(0).x;
    }
    EXPECT_GE(guns(0).x, 248);
    EXPECT_LE(guns(0).x, 548);
  }
  // Left: 348 (pass 1), 298 (13), 248 (25); the limit holds through pass 60.
  // Right from 61 (cooldown long over): 298, 348, ..., 548, then nothing.
  const std::vector<int64_t> want_passes = {1, 13, 25, 61, 73, 85, 97, 109, 121};
  const std::vector<double> want_pos = {348, 298, 248, 298, 348, 398, 448, 498, 548};
  EXPECT_EQ(move_passes, want_passes);
  EXPECT_EQ(positions, want_pos);
}

TEST(Gun, LeftWinsWhenBothArrowsAreHeldUnlessAtTheLeftEnd) {
  GameDriver game(7, hold(kSpace, 1, 1) + hold(kLeft, 1, 100) + hold(kRight, 1, 100));
  start_empty_game(game);
  EXPECT_EQ(guns(0).x, 348);
  game.run(12);
  EXPECT_EQ(guns(0).x, 298);
  game.run(12);
  EXPECT_EQ(guns(0).x, 248);
  // At the left end the right move happens instead.
  game.run(12);
  EXPECT_EQ(guns(0).x, 298);
  game.run(12);
  EXPECT_EQ(guns(0).x, 248);
}

TEST(Gun, NoGunNoMovesWhileNoGameRuns) {
  GameDriver game(7, hold(kLeft, 1, 50) + hold(kRight, 1, 50));
  game.run(50);
  EXPECT_EQ(zrv::array_bounds(guns, 0), 0);
  EXPECT_EQ(cooldown, 0);
}

struct Snapshot {
  int32_t x, y, active;
  bool operator==(const Snapshot&) const = default;
};

TEST(Bullet, SnapshotsRiseEvery21FramesAndTheBulletLeavesAfter105) {
  GameDriver game(7, hold(kSpace, 1, 1));
  start_empty_game(game);  // fired in pass 1 at x 398
  std::vector<Snapshot> seen;
  while (game.passes < 107) {
    game.pass();
    seen.push_back({bullet_x, bullet_y, bullet_active});
    EXPECT_LE(zrv::array_bounds(bullets, 0), 1);
  }
  ASSERT_EQ(seen.size(), 106u);
  // seen[k] is the snapshot after pass k + 2, i.e. pass P + k + 1 with P = 1.
  for (int k = 0; k < 104; ++k) {
    const int32_t want_y = 330 - 40 * (k / 21);
    EXPECT_EQ(seen[k], (Snapshot{398, want_y, 1})) << "pass P+" << k + 1;
  }
  // Pass P + 105: the step takes the bullet to 130 and removes it.
  EXPECT_EQ(seen[104], (Snapshot{0, 0, 0}));
  EXPECT_EQ(zrv::array_bounds(bullets, 0), 0);
  EXPECT_EQ(seen[105], (Snapshot{0, 0, 0}));
  // 170 is held for 20 passes only.
  int at170 = 0;
  for (const Snapshot& s : seen) at170 += s.y == 170;
  EXPECT_EQ(at170, 20);
}

TEST(Bullet, OneBulletAtATimeWhileSpaceIsHeld) {
  GameDriver game(7, hold(kSpace, 1, 400));
  start_empty_game(game);
  std::vector<int64_t> shots = {1};
  while (game.passes < 400) {
    int64_t p = game.pass();
    ASSERT_LE(zrv::array_bounds(bullets, 0), 1);
    ASSERT_EQ(zrv::array_bounds(bullets, 0), 1) << "pass " << p;
    // Only a bullet fired in this pass is at 330 with tick 0 afterwards.
    if (bullets(0).y == 330 && bullets(0).tick == 0) shots.push_back(p);
  }
  // Fired again in the very pass the previous bullet leaves the top.
  const std::vector<int64_t> want = {1, 106, 211, 316};
  EXPECT_EQ(shots, want);
}

}  // namespace
}  // namespace reedfire_test
