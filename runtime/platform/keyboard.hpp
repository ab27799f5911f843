// The keyboard by scan code: PC scan-code set 1 with 128 added for the
// extended (E0-prefixed) keys, the numbering the runtime's key commands use
// (57 Space, 203 left arrow, 28 Enter, 156 keypad Enter). Typed characters
// come as events of the backend's message queue, not from here.
#pragma once

#include <cstdint>

#include "platform/platform.hpp"

namespace zrv::platform {

// The defaults are those of a platform without a keyboard: nothing to read,
// no window active, the standard US layout for the characters.
class Keyboard {
 public:
  virtual ~Keyboard() = default;

  // Whether there is a keyboard to read (false without a display).
  virtual bool available() { return false; }
  // Lets the window system deliver pending input, so that the state read
  // next is current.
  virtual void pump() {}
  // Fills a 256-entry state indexed by scan code: 0x80 for a key that is
  // down, 0 otherwise. False (state untouched) when there is no keyboard.
  virtual bool read(uint8_t state[256]) { return false; }
  // Whether the window has the keyboard focus (is the active window).
  virtual bool window_active(Window* window) { return false; }
  // The character the key produces on the current keyboard layout with the
  // current shift state: a byte of the runtime's 8-bit set (Latin-1 code
  // points), 0 when the key produces none. By default the US layout with no
  // key held.
  virtual int32_t key_to_char(int32_t scan);
};

}  // namespace zrv::platform
