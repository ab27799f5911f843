// Losing a life, game over, the restart block and the high score.
#include <gtest/gtest.h>

#include <vector>

#include "game_driver.hpp"

namespace reedfire_test {
namespace {

// A running game whose duck steps onto the loss point in the next pass.
void duck_about_to_arrive(int32_t lives_left) {
  lives = lives_left;
  level = 1;
  step_delay = 30;
  step_timer = 29;
  clear_schedule();
  ducks_left = 7;
  add_gun(398, 350);
  add_duck(280, 260);
  ducks(0).direction = 1;
}

TEST(LifeLoss, CountdownOf36FramesThenTheLevelRestarts) {
  GameDriver game;
  duck_about_to_arrive(3);
  add_duck(430, 140);
  add_bullet(398, 250);
  game.pass();  // pass L: the duck arrives
  ASSERT_EQ(life_lost, 1);
  ASSERT_EQ(life_lost_countdown, 4);
  const int32_t step_timer_at_loss = step_timer;
  std::vector<int32_t> countdown, steps;
  while (lives == 3 && game.passes < 100) {
    game.pass();
    countdown.push_back(life_lost_countdown);
    steps.push_back(game.locals.countdown_step);
    if (lives == 3) {
      EXPECT_EQ(step_timer, step_timer_at_loss);  // the timer stands still
      EXPECT_EQ(ducks(1).x, 430);                 // and nothing steps
    }
  }
  // The life goes in pass L + 36.
  ASSERT_EQ(countdown.size(), 36u);
  for (size_t k = 0; k < 36; ++k) {
    const int32_t n = static_cast<int32_t>(k) + 1;  // passes after L
    EXPECT_EQ(countdown[k], 4 - n / 9) << n;
    EXPECT_EQ(steps[k], n % 9) << n;
  }
  EXPECT_EQ(lives, 2);
  EXPECT_EQ(life_lost, 0);
  EXPECT_EQ(zrv::array_bounds(ducks, 0), 0);
  EXPECT_EQ(zrv::array_bounds(bullets, 0), 0);
  ASSERT_EQ(zrv::array_bounds(guns, 0), 1);  // the gun survives a lost life
  EXPECT_EQ(bullet_x, -99);
  EXPECT_EQ(bullet_y, -99);
  EXPECT_EQ(bullet_active, 0);
  // The same level from its beginning.
  EXPECT_EQ(level, 1);
  EXPECT_EQ(ducks_left, 10);
  EXPECT_EQ(schedule_index, 0);
  EXPECT_EQ(count_scheduled(0, 30), 10);
  EXPECT_EQ(cooldown, 0);
  // The next pass resets the timer and runs the first spawn tick.
  game.pass();
  EXPECT_EQ(step_timer, 0);
  EXPECT_EQ(schedule_index, 1);
}

TEST(LifeLoss, LifeIconsBlinkDuringTheCountdown) {
  GameDriver game;
  duck_about_to_arrive(3);
  game.pass();
  // Icons show while countdown_step < 4: 4 of every 9 frames.
  int shown = 0;
  for (int i = 0; i < 36; ++i) {
    game.pass();
    shown += game.locals.countdown_step < 4;
  }
  EXPECT_EQ(shown, 16);
  EXPECT_EQ(game.locals.countdown_step, 0);
  EXPECT_EQ(lives, 2);
}

TEST(GameOver, HighScoreGunGoneAndRestartBlockedFor100Frames) {
  // Space held from pass 2 on: it must not start a game before the block ends.
  GameDriver game(7, key_line(kFirstPassFrame + 1, kSpace, 1));
  duck_about_to_arrive(1);
  score = 35;
  high_score = 20;
  step_delay = 27;  // as a game at level 4 leaves it
  step_timer = 26;  // the duck still steps in the next pass
  for (int k = 1000; k < 1010; ++k) schedule(k) = 1;
  game.pass();
  ASSERT_EQ(life_lost, 1);
  game.run(36);  // ... and the life is gone in the 36th pass
  const int64_t over_pass = game.passes;
  EXPECT_EQ(lives, 0);
  EXPECT_EQ(zrv::array_bounds(guns, 0), 0);
  EXPECT_EQ(zrv::array_bounds(ducks, 0), 0);
  EXPECT_EQ(high_score, 35);
  EXPECT_EQ(cooldown, 99);  // 100, lowered once at the end of the pass
  EXPECT_EQ(count_scheduled(0, 999), 0);
  EXPECT_EQ(count_scheduled(1000, 1009), 10);  // only slots 0..999 are cleared here
  EXPECT_EQ(game.locals.blink, 0);             // blinking starts with the next pass

  while (lives == 0 && game.passes < over_pass + 200) game.pass();
  EXPECT_EQ(game.passes, over_pass + 100);
  EXPECT_EQ(lives, 3);
  EXPECT_EQ(level, 1);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(high_score, 35);
  EXPECT_EQ(step_delay, 27);  // a new game keeps the delay
  ASSERT_EQ(zrv::array_bounds(guns, 0), 1);
  EXPECT_EQ(guns(0).x, 398);
  EXPECT_EQ(zrv::array_bounds(bullets, 0), 1);  // and fires at once
}

TEST(GameOver, LowerScoreKeepsTheHighScore) {
  GameDriver game;
  duck_about_to_arrive(1);
  score = 10;
  high_score = 20;
  game.run(37);
  EXPECT_EQ(lives, 0);
  EXPECT_EQ(high_score, 20);
  EXPECT_EQ(text_of(hud_text("HI ", high_score, 5)), "HI 00020");
}

}  // namespace
}  // namespace reedfire_test
