// Line input on the screen: the typed text is edited in the caller's
// variable and drawn at a position over the screen as it was, with a
// blinking cursor, until Enter.
#pragma once

#include <cstdint>

#include "types/rt_string.hpp"

namespace zrv {

// Frames without a typed character between two blinks of the cursor.
constexpr int32_t kInputLineBlinkFrames = 21;

// Edits text at (x, y): typed characters are appended, Backspace removes
// the last one, Enter (or a carriage return) ends the input. flag is passed
// to the text drawing (1 proportional, 0 fixed cells).
void input_line(RtString& text, int32_t x, int32_t y, int32_t flag);
// input_line on an empty text; out = its decimal value (atoi rules).
void input_line_int(int32_t& out, int32_t x, int32_t y, int32_t flag);

}  // namespace zrv
