// The game's routines: the main loop and its per-frame passes.
#pragma once

#include <cstdint>

#include "globals.hpp"
#include "zorvane.hpp"

// The counters local to game_loop: both 0 when the loop starts.
struct GameLoopLocals {
  int32_t blink = 0;           // frames while no game runs; blinks the score texts
  int32_t countdown_step = 0;  // frames of the life-loss countdown; blinks the life icons
};

// The endless main loop; never returns (the program ends in present_frame).
[[noreturn]] void game_loop();

// Everything before the trace and present_frame set up for a pass: what
// game_loop does once before its first pass.
void game_loop_begin(GameLoopLocals& locals);
// One pass of the main loop up to (not including) present_frame: draws the
// frame and advances the game by one step.
void game_pass(GameLoopLocals& locals);

// Rebuilds the spawn plan for the current level.
void build_schedule();
// The last spawn tick the schedule of the current level can use:
// min(level x 30, 9999), the largest index the schedule holds.
int32_t schedule_last_tick();

// Draws text with the bitmap font sheet (sprite 1000), one frame per byte.
void draw_text(double x, double y, const zrv::RtString& text, int32_t colour);
// label + the last digits characters of (digits zeros + value).
zrv::RtString hud_text(const char* label, int32_t value, int32_t digits);

void update_ducks();
// The bullet pass: moves, publishes (bullet_x, bullet_y) and draws bullets.
void update_bullets();
void update_guns();
