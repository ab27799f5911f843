// What a key gives without asking the window system: the keypad, which is
// the same on every layout, and the standard US layout.
#pragma once

#include <cstdint>

namespace zrv::platform {

struct UsKey {
  uint8_t scan;
  char plain;
  char shifted;
};
// The US layout's key of a scan code, null for keys without a character.
const UsKey* us_key(int32_t scan);

// The character of a keypad key (the digits only while Num Lock is on, 0
// otherwise); -1 for keys outside the keypad.
int32_t keypad_char(int32_t scan, bool num_lock);

// A lower-case letter of the runtime's 8-bit set (Latin-1).
bool is_lower_letter(int32_t c);

}  // namespace zrv::platform
