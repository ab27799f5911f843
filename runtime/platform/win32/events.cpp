// The window procedure and the message pump.
#include "platform/win32/events.hpp"

#include <windowsx.h>

#include <deque>

#include "platform/win32/key_messages.hpp"

namespace zrv::platform::win32 {

namespace {

struct Queue {
  std::deque<Event> pending;
  HWND window = nullptr;  // the event window
  uint32_t window_id = 0;
  HCURSOR cursor = nullptr;
  int wheel_rest = 0;  // wheel delta short of a whole step
};

Queue g_queue;

bool ours(HWND hwnd) { return g_queue.window == nullptr || hwnd == g_queue.window; }

void push(EventType type, int32_t code = 0, int32_t state = 0) {
  Event e;
  e.type = type;
  e.code = code;
  e.state = state;
  e.window_id = g_queue.window_id;
  g_queue.pending.push_back(e);
}

void push_pointer(EventType type, LPARAM lparam, int32_t code, int32_t state) {
  Event e;
  e.type = type;
  e.code = code;
  e.state = state;
  e.x = GET_X_LPARAM(lparam);
  e.y = GET_Y_LPARAM(lparam);
  e.window_id = g_queue.window_id;
  g_queue.pending.push_back(e);
}

// Button number of a button message: 0 left, 1 right, 2 middle, 3 and 4
// the side buttons; state 1 down.
bool button_of(UINT message, WPARAM wparam, int32_t* button, int32_t* state) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      *button = 0;
      *state = message == WM_LBUTTONDOWN;
      return true;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      *button = 1;
      *state = message == WM_RBUTTONDOWN;
      return true;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      *button = 2;
      *state = message == WM_MBUTTONDOWN;
      return true;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
      *button = GET_XBUTTON_WPARAM(wparam) == XBUTTON1 ? 3 : 4;
      *state = message == WM_XBUTTONDOWN;
      return true;
    default:
      return false;
  }
}

// Takes one message from the thread's queue; false when there is none.
bool take_one() {
  MSG msg;
  if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    // Someone asked the thread to end: the program's window closes.
    push(EventType::CloseRequest);
    return true;
  }
  // A key-down yields its character messages.
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
  return true;
}

// Until an event is waiting or the queue is empty.
void fill() {
  while (g_queue.pending.empty() && take_one()) {
  }
}

}  // namespace

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!ours(hwnd)) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_CLOSE:
      // The runtime ends in order; the window goes with its shutdown.
      push(EventType::CloseRequest);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        keyboard_focus_lost();
        mouse_window_deactivated();
        push(EventType::Deactivated);
      } else {
        push(EventType::Activated);
      }
      // The default handling gives the window the keyboard focus.
      break;
    case WM_KILLFOCUS:
      keyboard_focus_lost();
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      const int32_t scan = keyboard_key_message(message, wparam, lparam);
      push(EventType::KeyDown, scan, key_message_repeats(static_cast<uint32_t>(lparam)) ? 1 : 0);
      // Alt+F4 takes the default way to a close request; every other
      // system key stays away from the window menu, whose modal loop
      // would stop the frames.
      if (message == WM_SYSKEYDOWN && wparam == VK_F4) break;
      return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      push(EventType::KeyUp, keyboard_key_message(message, wparam, lparam));
      return 0;
    case WM_CHAR: {
      const int32_t c = char_from_utf16(static_cast<uint32_t>(wparam));
      if (c > 0) push(EventType::Char, c);
      return 0;
    }
    case WM_SYSCHAR:
      // Alt with a key: no menu to look for and no beep.
      return 0;
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
        case SC_KEYMENU:
          return 0;
        default:
          break;
      }
      break;
    case WM_ERASEBKGND:
      // OpenGL paints all of it.
      return 1;
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT) {
        ::SetCursor(g_queue.cursor);
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      mouse_message(hwnd, message, wparam, lparam);
      push_pointer(EventType::MouseMotion, lparam, 0, 0);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP: {
      mouse_message(hwnd, message, wparam, lparam);
      int32_t button = 0, state = 0;
      button_of(message, wparam, &button, &state);
      push_pointer(EventType::MouseButton, lparam, button, state);
      return message == WM_XBUTTONDOWN || message == WM_XBUTTONUP ? TRUE : 0;
    }
    case WM_MOUSEWHEEL: {
      mouse_message(hwnd, message, wparam, lparam);
      g_queue.wheel_rest += GET_WHEEL_DELTA_WPARAM(wparam);
      const int steps = g_queue.wheel_rest / WHEEL_DELTA;
      g_queue.wheel_rest -= steps * WHEEL_DELTA;
      if (steps != 0) {
        Event e;
        e.type = EventType::MouseWheel;
        e.dy = steps;
        e.window_id = g_queue.window_id;
        g_queue.pending.push_back(e);
      }
      return 0;
    }
    case WM_POINTERDOWN:
    case WM_POINTERUPDATE:
    case WM_POINTERUP:
      // Handled, a contact makes no mouse messages of its own.
      if (mouse_pointer_message(hwnd, message, wparam, lparam)) {
        Event e;
        e.type = message == WM_POINTERDOWN ? EventType::PointerDown
                 : message == WM_POINTERUP ? EventType::PointerUp
                                           : EventType::PointerUpdate;
        e.id = GET_POINTERID_WPARAM(wparam);
        POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        ::ScreenToClient(hwnd, &p);
        e.x = p.x;
        e.y = p.y;
        e.window_id = g_queue.window_id;
        g_queue.pending.push_back(e);
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      mouse_message(hwnd, message, wparam, lparam);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

void events_window_set(NativeWindow* window) {
  g_queue.window = window != nullptr ? window->hwnd : nullptr;
  g_queue.window_id = window != nullptr ? window->id : 0;
}

void events_window_gone(NativeWindow* window) {
  if (window != nullptr && g_queue.window == window->hwnd) events_window_set(nullptr);
}

HWND event_window() { return g_queue.window; }

bool events_peek(Event* event) {
  fill();
  if (g_queue.pending.empty()) return false;
  *event = g_queue.pending.front();
  return true;
}

bool events_poll(Event* event) {
  fill();
  if (g_queue.pending.empty()) return false;
  *event = g_queue.pending.front();
  g_queue.pending.pop_front();
  return true;
}

void events_wait() {
  fill();
  if (!g_queue.pending.empty() || quit_signal_pending() != 0) return;
  HANDLE quit = quit_request_event();
  // MWMO_INPUTAVAILABLE: messages already queued (seen by an earlier peek
  // but not taken) end the wait too.
  ::MsgWaitForMultipleObjectsEx(quit != nullptr ? 1 : 0, quit != nullptr ? &quit : nullptr,
                                INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void messages_dispatch_all() {
  while (take_one()) {
  }
}

void cursor_shape_set(HCURSOR cursor) {
  g_queue.cursor = cursor;
  // Takes effect at once when the cursor is over the drawing area.
  POINT p;
  RECT client;
  if (g_queue.window != nullptr && ::GetCursorPos(&p) && ::ScreenToClient(g_queue.window, &p) &&
      ::GetClientRect(g_queue.window, &client) && ::PtInRect(&client, p)) {
    ::SetCursor(cursor);
  }
}

}  // namespace zrv::platform::win32
