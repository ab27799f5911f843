// Keyboard commands: key states by scan code and typed characters.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "input/key_codes.hpp"

namespace zrv {

// Brings the snapshot of the input object up to date: a snapshot answers
// 100 queries after the one that took it; the frame loop marks it stale at
// every frame start. The window system's keys are read only while the focus
// window is active (the old ones stay visible otherwise); the scripted keys
// (--keys) always count.
void keyboard_refresh();

// 1 when the key is down, else 0. Only the low 8 bits of code count. Every
// key is up when there is neither a window-system keyboard nor a key script.
// Without an input object (the runtime not started) the script answers.
int32_t key_down(int32_t code);

// The oldest typed character (removed); 0 when none waits. 13 comes out as 10.
int8_t key_char_pop();
// Removes the oldest typed character; false when none waited.
bool key_char_take();
// The oldest typed character as a one-character text, "" when none waits.
RtString key_char();
// The character a scan code produces on the current keyboard layout (with
// the current shift state); a signed byte widened, 0 for none.
int32_t key_to_char(int32_t code);

}  // namespace zrv
