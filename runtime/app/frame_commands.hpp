// The commands that keep the frame loop running while they work or wait:
// they present frames or run the wait step themselves, so they live with
// the frame loop.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"

namespace zrv {

// The screen (play field) of width x height, windowed or full screen; five
// frames are presented so that the new mode settles.
void screen_setup(int32_t width, int32_t height, int32_t full_screen);

// Waits, keeping the application running, until a key is typed; characters
// typed before the call are discarded, those typed with it are taken.
void key_wait();
// Waits for a mouse click (press and release).
void mouse_wait();

// Frames without a typed character between two blinks of the cursor.
constexpr int32_t kInputLineBlinkFrames = 21;
// Line input on the screen: typed characters are appended to text,
// Backspace removes the last one, Enter (or a carriage return) ends the
// input; drawn at (x, y) over the screen as it was, with a blinking
// cursor. flag is passed to the text drawing (1 proportional, 0 fixed).
void input_line(RtString& text, int32_t x, int32_t y, int32_t flag);
// input_line on an empty text; out = its decimal value (atoi rules).
void input_line_int(int32_t& out, int32_t x, int32_t y, int32_t flag);

// Full-window video clips, played until the clip ends or a key is typed or
// a mouse button pressed: 0 = played, 3 = not found or not playable
// (last_error is not changed).
int32_t video_play(const RtString& name);
// The same, starting the clip again at its end until stopped.
int32_t video_play_loop(const RtString& name);
// Stops a clip that is playing while the program ends.
void video_shutdown();

}  // namespace zrv
