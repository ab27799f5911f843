// The spawn schedule: build_schedule's draws, and the three mended faults
// (idle title screen, levels past 30, schedule ends).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "game_driver.hpp"

namespace reedfire_test {
namespace {

// The schedule builder as it draws below level 34: clear 0..999, draw
// random_int (level x 30) until level x 10 slots are set.
std::vector<int32_t> reference_schedule(int32_t lvl) {
  std::vector<int32_t> slots(10000, 0);
  int32_t placed = 0;
  while (placed < lvl * 10) {
    const int32_t k = zrv::random_int(lvl * 30);
    if (slots[k] == 0) {
      slots[k] = 1;
      ++placed;
    }
  }
  return slots;
}

TEST(BuildSchedule, DrawsLikeTheOriginalBelowLevel34) {
  for (int32_t lvl : {1, 2, 5, 17, 33}) {
    reset_game_state(1234 + lvl);
    const std::vector<int32_t> want = reference_schedule(lvl);
    const int32_t next_want = zrv::random_int(1000000);
    reset_game_state(1234 + lvl);
    level = lvl;
    schedule_index = 77;
    build_schedule();
    std::vector<int32_t> got(10000);
    for (int32_t k = 0; k < 10000; ++k) got[k] = schedule(k);
    EXPECT_EQ(got, want) << "level " << lvl;
    EXPECT_EQ(ducks_left, lvl * 10);
    EXPECT_EQ(schedule_index, 0);
    EXPECT_EQ(zrv::random_int(1000000), next_want) << "same number of draws, level " << lvl;
  }
}

TEST(BuildSchedule, ClearsEverySlotItCanSetAndNoMore) {
  struct Case {
    int32_t level, last_tick, ducks;
  };
  for (const Case c : {Case{1, 30, 10}, Case{33, 990, 330}, Case{34, 1020, 340},
                       Case{200, 6000, 2000}, Case{334, 9999, 3340}, Case{400, 9999, 4000}}) {
    reset_game_state(99);
    for (int32_t k = 0; k < 10000; ++k) schedule(k) = 1;
    level = c.level;
    EXPECT_EQ(schedule_last_tick(), c.last_tick);
    build_schedule();
    const int32_t cleared_to = std::max(999, c.last_tick);
    EXPECT_EQ(ducks_left, c.ducks) << c.level;
    EXPECT_EQ(count_scheduled(0, c.last_tick), c.ducks) << c.level;
    EXPECT_EQ(count_scheduled(c.last_tick + 1, cleared_to), 0) << c.level;
    if (cleared_to < 9999) {
      EXPECT_EQ(count_scheduled(cleared_to + 1, 9999), 9999 - cleared_to) << c.level;
    }
  }
}

TEST(BuildSchedule, NeverAsksForMoreDucksThanTicks) {
  reset_game_state(5);
  level = 1001;  // 10010 ducks wanted, 10000 ticks
  build_schedule();
  EXPECT_EQ(ducks_left, 10000);
  EXPECT_EQ(count_scheduled(0, 9999), 10000);
}

TEST(MendedFaults, TitleScreenIdlesForever) {
  zrv::test::ChildResult r = zrv::test::run_in_child([] {
    GameDriver game;
    game.run(12000);
    std::printf("index=%d timer=%d lives=%d\n", schedule_index, step_timer, lives);
  });
  EXPECT_EQ(r.status, 111) << r.out << r.err;
  EXPECT_EQ(r.out, "index=0 timer=0 lives=0\n");
  EXPECT_EQ(r.err.find("bounds"), std::string::npos) << r.err;
}

TEST(MendedFaults, LevelsFrom31OnPlayToTheirEnd) {
  // At level 40 the delay is -9: a spawn tick every pass, ducks never step.
  zrv::test::ChildResult r = zrv::test::run_in_child([] {
    GameDriver game;
    lives = 3;
    level = 40;
    step_delay = -9;
    build_schedule();
    game.run(1300);
    int32_t moved = 0;
    for (int32_t i = 0; i < zrv::array_bounds(ducks, 0); ++i)
      moved += ducks(i).x != 230 || ducks(i).y != 140;
    std::printf("index=%d ducks=%d left=%d moved=%d lives=%d\n", schedule_index,
                zrv::array_bounds(ducks, 0), ducks_left, moved, lives);
  });
  EXPECT_EQ(r.status, 111) << r.out << r.err;
  EXPECT_EQ(r.out, "index=1201 ducks=400 left=400 moved=0 lives=3\n");
}

TEST(MendedFaults, SpawnTicksStopAtTheEndOfTheSchedule) {
  zrv::test::ChildResult r = zrv::test::run_in_child([] {
    GameDriver game;
    lives = 3;
    level = 400;
    step_delay = -369;
    clear_schedule();
    ducks_left = 1;
    schedule(9999) = 1;
    schedule_index = 9990;
    game.run(30);
    std::printf("index=%d ducks=%d\n", schedule_index, zrv::array_bounds(ducks, 0));
  });
  EXPECT_EQ(r.status, 111) << r.out << r.err;
  EXPECT_EQ(r.out, "index=10000 ducks=1\n");
}

TEST(MendedFaults, SpawnTickStillReadsTheLastTickOfTheLevel) {
  GameDriver game;
  lives = 3;
  level = 1;
  step_delay = 30;
  step_timer = 30;
  clear_schedule();
  ducks_left = 1;
  schedule(30) = 1;
  schedule(31) = 1;  // beyond level 1: never read
  schedule_index = 30;
  game.pass();
  EXPECT_EQ(zrv::array_bounds(ducks, 0), 1);
  EXPECT_EQ(schedule_index, 31);
  game.run(31);
  EXPECT_EQ(zrv::array_bounds(ducks, 0), 1);
  EXPECT_EQ(schedule_index, 31);
}

}  // namespace
}  // namespace reedfire_test
