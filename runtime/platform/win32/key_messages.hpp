// What the window's key and character messages mean for the runtime: scan
// codes of the key messages, the 8-bit character of a typed UTF-16 unit.
// Plain arithmetic on the message words, so that it needs no Win32 header.
#pragma once

#include <cstdint>

#include "platform/cp1252.hpp"

namespace zrv::platform::win32 {

inline constexpr uint32_t kVkPause = 0x13;
inline constexpr uint32_t kVkNumLock = 0x90;
inline constexpr int32_t kScanNumLock = 0x45;
inline constexpr int32_t kScanPause = 0xC5;

// The scan code of a scan code and extended flag: 128 added for the
// extended (E0-prefixed) keys. Pause and Num Lock come the other way round
// from the keyboard (Pause is the E1 sequence, reported as plain 0x45; Num
// Lock as extended 0x45), so the virtual key decides between them.
constexpr int32_t scan_from_parts(uint32_t virtual_key, uint32_t scan, bool extended) {
  if (virtual_key == kVkPause) return kScanPause;
  if (virtual_key == kVkNumLock) return kScanNumLock;
  scan &= 0x7F;
  if (scan == 0) return 0;
  return static_cast<int32_t>(scan) + (extended ? 128 : 0);
}

// The scan code of a key message (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN,
// WM_SYSKEYUP): bits 16..23 of lParam, plus 128 when bit 24 (extended) is
// set. 0 when the message carries no scan code (a key injected by a
// program, say): ask the layout then.
constexpr int32_t scan_from_key_message(uint32_t virtual_key, uint32_t lparam) {
  return scan_from_parts(virtual_key, (lparam >> 16) & 0xFF, ((lparam >> 24) & 1) != 0);
}

// The scan code of MapVirtualKey's MAPVK_VK_TO_VSC_EX answer (0xE0 or 0xE1
// in the high byte for the prefixed keys).
constexpr int32_t scan_from_layout(uint32_t virtual_key, uint32_t vsc_ex) {
  return scan_from_parts(virtual_key, vsc_ex & 0xFF, ((vsc_ex >> 8) & 0xFF) == 0xE0);
}

// Bit 30 of a key-down message: the key was already down (auto-repeat).
constexpr bool key_message_repeats(uint32_t lparam) { return ((lparam >> 30) & 1) != 0; }

// The byte of a typed UTF-16 unit (WM_CHAR), -1 when it types nothing the
// runtime takes. Control characters are left out: Enter, Backspace, Tab and
// Escape reach the typed-character queue from their key-down, as on every
// platform, and Ctrl with a letter types nothing. Halves of a surrogate
// pair are outside the 8-bit set anyway.
inline int32_t char_from_utf16(uint32_t unit) {
  if (unit < 0x20 || unit == 0x7F) return -1;
  if (unit >= 0xD800 && unit <= 0xDFFF) return -1;
  return cp1252_from_code_point(unit);
}

}  // namespace zrv::platform::win32
