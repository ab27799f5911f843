// The keyboard of the window system, by scan code: PC scan-code set 1 with
// 128 added for the extended (E0-prefixed) keys, the numbering the runtime's
// key commands use (57 Space, 203 left arrow, 28 Enter, 156 keypad Enter).
#pragma once

#include <cstdint>

namespace zrv {
struct NativeWindow;
}  // namespace zrv

namespace zrv::platform {

using Window = ::zrv::NativeWindow;

// Whether a window-system keyboard exists (false without a display).
bool keyboard_available();

// Lets the window system deliver pending input, so that the state read next
// is current.
void keyboard_pump();

// Fills a 256-entry state indexed by scan code: 0x80 for a key that is down,
// 0 otherwise. False (state untouched) when there is no keyboard.
bool keyboard_read(uint8_t state[256]);

// Whether the window has the keyboard focus (is the active window).
bool keyboard_window_active(Window* window);

// The character the key produces on the current keyboard layout with the
// current shift state: a byte of the runtime's 8-bit set (Latin-1 code
// points), 0 when the key produces none. Without a window system the
// standard US layout answers.
int32_t keyboard_key_to_char(int32_t scan);

// Scan code of a window-system key (an SDL scancode), 0 for keys without one.
int32_t keyboard_scan_from_sdl(int32_t sdl_scancode);
// The window-system key of a scan code, 0 when none.
int32_t keyboard_sdl_from_scan(int32_t scan);

}  // namespace zrv::platform
