// The frame loop: clock, pacing, message pump, pause and resume.
#pragma once

#include <cstdint>

#include "app/context.hpp"

namespace zrv {

class OpenGLVireo;

// Ends one frame of the game: input update, quit keys, message pump, buffer
// swap, pacing to the frame's due time and reset of the drawing state.
void present_frame();

void message_pump(UserRoutine callback, bool wait);
void frame_flip(UserRoutine callback);
void frame_reset();
// Moves the frame's due time on after the wait: a late frame catches up by
// at most one interval; one more than two intervals late restarts from now.
void frame_due_advance(OpenGLVireo* renderer, double now);
void wait_step();

void timer_init();
double timer_elapsed_ms();
double timer_game_ms();
double timer_frame_ms();

void frame_rate_set(double fps, int32_t sync);
void app_set_autopause(int32_t flag);
void app_set_escape_quits(int32_t flag);
void sleep_ms(int32_t ms);
void app_activation_changed(int32_t deactivated);

}  // namespace zrv
