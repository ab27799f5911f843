// The mouse from the window's messages. Shared access sums the cursor's
// motion over the window; exclusive access hides the cursor, holds it in
// the drawing area and brings it back to the middle after each move, so
// that motion never stops at a screen edge. The mouse is also the pointer
// with id 1 for the runtime's pointer messages; touch and pen contacts
// (Windows 8's pointer messages) are pointers from id 2 on.
#include <windowsx.h>

#include <vector>

#include "platform/win32/window_system.hpp"

namespace zrv::platform::win32 {

namespace {

struct MouseDevice {
  bool open = false;
  HWND window = nullptr;
  bool exclusive = false;
  bool acquired = false;
  int32_t dx = 0, dy = 0, wheel = 0;  // since the last read
  int32_t wheel_rest = 0;             // wheel delta short of a whole step
  uint8_t buttons[4] = {};
  bool have_last = false;
  POINT last = {0, 0};  // the last position, in screen pixels
  uint32_t pointer_buttons = 0;
  PointerSink sink = nullptr;
};

MouseDevice g_mouse;

// The pointer calls of Windows 8 and later, looked up so that the program
// still starts on Windows 7 (which sends no pointer messages).
using GetPointerTypeCall = BOOL(WINAPI*)(UINT32, POINTER_INPUT_TYPE*);
using GetPointerDevicesCall = BOOL(WINAPI*)(UINT32*, POINTER_DEVICE_INFO*);

template <class Fn>
Fn user32_call(const char* name) {
  const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // Through void*: FARPROC has no parameters to agree with.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

bool collecting(HWND hwnd) { return g_mouse.open && hwnd == g_mouse.window; }
bool held() { return g_mouse.acquired && g_mouse.exclusive; }

POINT client_middle_on_screen() {
  RECT r = {0, 0, 0, 0};
  ::GetClientRect(g_mouse.window, &r);
  POINT p = {(r.right - r.left) / 2, (r.bottom - r.top) / 2};
  ::ClientToScreen(g_mouse.window, &p);
  return p;
}

void hold_cursor(bool hold) {
  if (!hold) {
    ::ClipCursor(nullptr);
    return;
  }
  RECT r;
  ::GetClientRect(g_mouse.window, &r);
  POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
  ::ClientToScreen(g_mouse.window, &corners[0]);
  ::ClientToScreen(g_mouse.window, &corners[1]);
  const RECT clip = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  ::ClipCursor(&clip);
  const POINT middle = client_middle_on_screen();
  ::SetCursorPos(middle.x, middle.y);
  g_mouse.last = middle;
  g_mouse.have_last = true;
}

void deliver(int32_t kind, uint32_t flags, LPARAM lparam) {
  if (g_mouse.sink == nullptr) return;
  PointerInfo info;
  info.flags = flags;
  info.x = GET_X_LPARAM(lparam);
  info.y = GET_Y_LPARAM(lparam);
  g_mouse.sink(kind, kMousePointerId, info);
}

void motion(HWND hwnd, LPARAM lparam) {
  POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ::ClientToScreen(hwnd, &p);
  if (g_mouse.have_last) {
    g_mouse.dx += p.x - g_mouse.last.x;
    g_mouse.dy += p.y - g_mouse.last.y;
  }
  g_mouse.last = p;
  g_mouse.have_last = true;
  if (held()) {
    const POINT middle = client_middle_on_screen();
    if (p.x != middle.x || p.y != middle.y) {
      ::SetCursorPos(middle.x, middle.y);
      g_mouse.last = middle;
    }
  }
  deliver(0, g_mouse.pointer_buttons, lparam);
}

void button(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  int index = 0;
  bool down = false;
  uint32_t flag = 0;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      index = 0;
      flag = kFirstButton;
      down = message == WM_LBUTTONDOWN;
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      index = 1;
      flag = kSecondButton;
      down = message == WM_RBUTTONDOWN;
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      index = 2;
      flag = kThirdButton;
      down = message == WM_MBUTTONDOWN;
      break;
    default:  // the side buttons: the first of them is the fourth button
      if (GET_XBUTTON_WPARAM(wparam) != XBUTTON1) return;
      index = 3;
      down = message == WM_XBUTTONDOWN;
      break;
  }
  g_mouse.buttons[index] = down ? 0x80 : 0;
  // A button held down keeps the messages coming when the cursor leaves.
  const bool any =
      g_mouse.buttons[0] || g_mouse.buttons[1] || g_mouse.buttons[2] || g_mouse.buttons[3];
  if (down && ::GetCapture() != hwnd) ::SetCapture(hwnd);
  if (!any && ::GetCapture() == hwnd) ::ReleaseCapture();
  if (flag == 0) return;
  const uint32_t before = g_mouse.pointer_buttons;
  const uint32_t after = down ? (before | flag) : (before & ~flag);
  g_mouse.pointer_buttons = after;
  int32_t kind = 0;
  if (before == 0 && after != 0) kind = 1;
  if (before != 0 && after == 0) kind = -1;
  deliver(kind, after, lparam);
}

void buttons_released() {
  for (uint8_t& b : g_mouse.buttons) b = 0;
  g_mouse.pointer_buttons = 0;
  g_mouse.have_last = false;
}

class Win32Mouse final : public Mouse {
 public:
  bool open(Window* window) override {
    if (window == nullptr) return false;
    g_mouse = MouseDevice{};
    g_mouse.sink = sink_;
    g_mouse.window = window->hwnd;
    g_mouse.open = true;
    return true;
  }

  void close() override {
    if (!g_mouse.open) return;
    unacquire();
    g_mouse.open = false;
    g_mouse.window = nullptr;
  }

  bool acquire(bool exclusive) override {
    if (!g_mouse.open) return false;
    // Like a device in foreground access: only the active window has it.
    if (::GetForegroundWindow() != g_mouse.window) {
      g_mouse.acquired = false;
      return false;
    }
    g_mouse.exclusive = exclusive;
    g_mouse.acquired = true;
    hold_cursor(exclusive);
    // Motion made before belongs to the other mode.
    g_mouse.dx = g_mouse.dy = 0;
    return true;
  }

  void unacquire() override {
    if (!g_mouse.open) return;
    if (held()) hold_cursor(false);
    g_mouse.acquired = false;
  }

  bool read(MouseDeviceState* state) override {
    if (!g_mouse.open || !g_mouse.acquired) return false;
    messages_dispatch_all();
    if (::GetForegroundWindow() != g_mouse.window) {
      unacquire();
      return false;
    }
    state->dx = g_mouse.dx;
    state->dy = g_mouse.dy;
    state->dz = g_mouse.wheel;
    g_mouse.dx = g_mouse.dy = g_mouse.wheel = 0;
    for (int i = 0; i < 4; ++i) state->buttons[i] = g_mouse.buttons[i];
    return true;
  }

  uint32_t async_buttons() override {
    // The physical buttons: the left one is the right one when swapped.
    const bool swapped = ::GetSystemMetrics(SM_SWAPBUTTON) != 0;
    uint32_t bits = 0;
    if (::GetAsyncKeyState(swapped ? VK_RBUTTON : VK_LBUTTON) & 0x8000) bits |= 1;
    if (::GetAsyncKeyState(swapped ? VK_LBUTTON : VK_RBUTTON) & 0x8000) bits |= 2;
    if (::GetAsyncKeyState(VK_MBUTTON) & 0x8000) bits |= 4;
    return bits;
  }

  int32_t touch_device_count() override {
    static const auto devices = user32_call<GetPointerDevicesCall>("GetPointerDevices");
    UINT32 count = 0;
    if (devices == nullptr || !devices(&count, nullptr) || count == 0) return 0;
    std::vector<POINTER_DEVICE_INFO> info(count);
    if (!devices(&count, info.data())) return 0;
    int32_t touch = 0;
    for (UINT32 i = 0; i < count && i < info.size(); ++i) {
      if (info[i].pointerDeviceType == POINTER_DEVICE_TYPE_TOUCH) ++touch;
    }
    return touch;
  }

  void pointer_sink_set(PointerSink sink) override {
    sink_ = sink;
    g_mouse.sink = sink;
  }

 private:
  PointerSink sink_ = nullptr;
};

}  // namespace

void mouse_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!collecting(hwnd)) return;
  switch (message) {
    case WM_MOUSEMOVE:
      motion(hwnd, lparam);
      break;
    case WM_MOUSEWHEEL: {
      // Whole steps; a high-resolution wheel's parts add up.
      g_mouse.wheel_rest += GET_WHEEL_DELTA_WPARAM(wparam);
      const int32_t steps = g_mouse.wheel_rest / WHEEL_DELTA;
      g_mouse.wheel_rest -= steps * WHEEL_DELTA;
      g_mouse.wheel += steps;
      break;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != hwnd) buttons_released();
      break;
    default:
      button(hwnd, message, wparam, lparam);
      break;
  }
}

bool mouse_pointer_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  static const auto type_of = user32_call<GetPointerTypeCall>("GetPointerType");
  const UINT32 id = GET_POINTERID_WPARAM(wparam);
  POINTER_INPUT_TYPE type = PT_POINTER;
  if (type_of == nullptr || !type_of(id, &type) || (type != PT_TOUCH && type != PT_PEN)) {
    // The mouse comes as mouse messages, which the default handling makes.
    return false;
  }
  if (!collecting(hwnd) || g_mouse.sink == nullptr) return true;
  POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};  // screen pixels
  ::ScreenToClient(hwnd, &p);
  const int32_t kind = message == WM_POINTERDOWN ? 1 : message == WM_POINTERUP ? -1 : 0;
  PointerInfo info;
  info.flags = kind >= 0 && IS_POINTER_INCONTACT_WPARAM(wparam) ? kFirstButton : 0;
  info.x = p.x;
  info.y = p.y;
  // Ids 0 (a free slot) and 1 (the mouse) are taken.
  g_mouse.sink(kind, static_cast<int32_t>(id) + 2, info);
  return true;
}

void mouse_window_deactivated() {
  buttons_released();
  // Another window is active: the cursor is free again, and the device
  // is acquired anew when the window is back (foreground access).
  if (held()) hold_cursor(false);
  g_mouse.acquired = false;
}

std::unique_ptr<Mouse> make_mouse() { return std::make_unique<Win32Mouse>(); }

}  // namespace zrv::platform::win32
