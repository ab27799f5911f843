// The keyboard from the window's key messages: a state by scan code that
// the window procedure keeps, the characters from the system's layout.
#include <cstring>

#include "platform/cp1252.hpp"
#include "platform/keyboard_layout.hpp"
#include "platform/win32/key_messages.hpp"
#include "platform/win32/window_system.hpp"

namespace zrv::platform::win32 {

namespace {

uint8_t g_keys[256];

// The scan code of a key message; the layout's when the message has none
// (keys that another program sends carry no scan code).
int32_t scan_of(WPARAM wparam, LPARAM lparam) {
  const auto vk = static_cast<uint32_t>(wparam);
  int32_t scan = scan_from_key_message(vk, static_cast<uint32_t>(lparam));
  if (scan == 0) scan = scan_from_layout(vk, ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC_EX));
  return scan;
}

// With both Shift keys down, the system tells only of the last one going
// up: each is checked against the state the messages have reached.
void shift_keys_check() {
  constexpr int32_t kLeftShift = 0x2A, kRightShift = 0x36;
  if ((::GetKeyState(VK_LSHIFT) & 0x8000) == 0) g_keys[kLeftShift] = 0;
  if ((::GetKeyState(VK_RSHIFT) & 0x8000) == 0) g_keys[kRightShift] = 0;
}

class Win32Keyboard final : public Keyboard {
 public:
  bool available() override { return true; }

  void pump() override { messages_dispatch_all(); }

  bool read(uint8_t state[256]) override {
    std::memcpy(state, g_keys, sizeof g_keys);
    return true;
  }

  bool window_active(Window* window) override {
    return window != nullptr && ::GetForegroundWindow() == window->hwnd;
  }

  int32_t key_to_char(int32_t scan) override {
    if (scan < 0 || scan > 255) return 0;
    const int32_t keypad = keypad_char(scan, (::GetKeyState(VK_NUMLOCK) & 1) != 0);
    if (keypad >= 0) return keypad;
    const UINT vsc = static_cast<UINT>(scan & 0x7F) | (scan >= 128 ? 0xE000u : 0u);
    const UINT vk = ::MapVirtualKeyW(vsc, MAPVK_VSC_TO_VK_EX);
    if (vk == 0) return Keyboard::key_to_char(scan);
    BYTE state[256];
    if (!::GetKeyboardState(state)) return Keyboard::key_to_char(scan);
    // Asking must not change what the next typed key gives: flag 4 keeps
    // the layout's dead-key state (Windows 10 1607 on; older systems
    // ignore it, and a dead key asked about once more is forgotten).
    constexpr UINT kKeepState = 4;
    wchar_t typed[4] = {};
    const int n = ::ToUnicode(vk, vsc & 0xFF, state, typed, 4, kKeepState);
    if (n < 0) {
      ::ToUnicode(vk, vsc & 0xFF, state, typed, 4, kKeepState);
      return 0;
    }
    if (n != 1 || typed[0] == 0x7F) return 0;
    const int32_t c = cp1252_from_code_point(typed[0]);
    return c > 0 ? c : 0;
  }
};

}  // namespace

int32_t keyboard_key_message(UINT message, WPARAM wparam, LPARAM lparam) {
  const int32_t scan = scan_of(wparam, lparam);
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  if (scan > 0 && scan < 256) g_keys[scan] = down ? 0x80 : 0;
  if (wparam == VK_SHIFT) shift_keys_check();
  return scan;
}

void keyboard_focus_lost() { std::memset(g_keys, 0, sizeof g_keys); }

std::unique_ptr<Keyboard> make_keyboard() { return std::make_unique<Win32Keyboard>(); }

}  // namespace zrv::platform::win32
