// The frame loop: clock, pacing, message pump, pause and resume.
#pragma once

#include <cstdint>

#include "base/activation.hpp"
#include "base/clock.hpp"
#include "base/context.hpp"

namespace zrv {

class OpenGLVireo;

// Ends one frame of the game: input update, quit keys, message pump, buffer
// swap, pacing to the frame's due time and reset of the drawing state.
void present_frame();

void message_pump(UserRoutine callback, bool wait);
// Shows the back buffer and waits for the frame's due time (no pacing
// without a window); the new back buffer is prepared by frame_reset.
void frame_flip(UserRoutine callback);
// The whole-screen viewport, the new back buffer cleared (or its background
// drawn) and the 2D drawing state for the next frame.
void frame_reset();
void wait_step();

void frame_rate_set(double fps, int32_t sync);

// The frames the program began: those presented, and the one the end came
// in unless it came between two frames (--frames, a replay's end).
int64_t frames_begun();

}  // namespace zrv
