// Drives the game frame by frame in the test process: the globals are reset
// to their program-start values, the key script stands in for the keyboard
// and each pass is followed by what present_frame does for the game (one
// more frame counted, the key script advanced).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/frame_commands.hpp"
#include "base/context.hpp"
#include "game.hpp"
#include "input/key_script.hpp"
#include "trace.hpp"
#include "types/rt_math.hpp"

namespace reedfire_test {

// screen_setup presents five frames before the main loop's first pass.
constexpr int64_t kFirstPassFrame = 5;

constexpr int32_t kSpace = 57;
constexpr int32_t kLeft = 203;
constexpr int32_t kRight = 205;

inline void reset_game_state(int32_t seed) {
  score = high_score = lives = level = step_delay = step_timer = 0;
  schedule_index = ducks_left = life_lost = life_lost_countdown = cooldown = 0;
  bullet_x = bullet_y = bullet_active = 0;
  zrv::array_dim(ducks, 0);
  zrv::array_dim(guns, 0);
  zrv::array_dim(bullets, 0);
  init_globals();
  zrv::array_dim(schedule, 10000);
  zrv::random_seed(seed);
  zrv::key_script_clear();
  zrv::ctx.frames_presented = 0;
}

inline std::string key_line(int64_t frame, int32_t code, int32_t state) {
  return std::to_string(frame) + " " + std::to_string(code) + " " + std::to_string(state) + "\n";
}

// Holds key `code` down for the passes first..last (1-based pass numbers).
inline std::string hold(int32_t code, int64_t first, int64_t last) {
  return key_line(kFirstPassFrame + first - 1, code, 1) + key_line(kFirstPassFrame + last, code, 0);
}

class GameDriver {
 public:
  explicit GameDriver(int32_t seed = 7, const std::string& script = "") {
    reset_game_state(seed);
    zrv::ctx.frames_presented = kFirstPassFrame;
    zrv::key_script_load_text(script.data(), script.size());
    game_loop_begin(locals);
  }

  // One pass of the main loop and the frame end. Returns the pass number.
  int64_t pass() {
    game_pass(locals);
    ++passes;
    zrv::ctx.frames_presented = kFirstPassFrame + passes;
    zrv::key_script_advance(zrv::ctx.frames_presented);
    return passes;
  }
  void run(int64_t n) {
    for (int64_t i = 0; i < n; ++i) pass();
  }

  GameLoopLocals locals;
  int64_t passes = 0;  // passes completed
};

inline std::string text_of(const zrv::RtString& s) { return std::string(s.c_str(), s.length); }

inline int32_t count_scheduled(int32_t first, int32_t last) {
  int32_t n = 0;
  for (int32_t k = first; k <= last; ++k) n += schedule(k);
  return n;
}

// No duck is scheduled any more: the rest of the level stays empty.
inline void clear_schedule() {
  for (int32_t k = 0; k < 10000; ++k) schedule(k) = 0;
}

inline void remove_all_ducks() {
  while (zrv::array_bounds(ducks, 0) > 0) zrv::array_delete(ducks, 0);
}

}  // namespace reedfire_test
