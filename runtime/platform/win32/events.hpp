// The backend's event queue: the window procedure turns the messages of the
// event window into the runtime's events, the pump takes the thread's
// messages and hands them to it.
#pragma once

#include "platform/win32/window_system.hpp"

namespace zrv::platform::win32 {

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The window whose messages become events (null: every window's).
void events_window_set(NativeWindow* window);
// A window goes: its messages are not waited for any more.
void events_window_gone(NativeWindow* window);

bool events_peek(Event* event);
bool events_poll(Event* event);
// Blocks until a message arrives or a termination request is made.
void events_wait();

// The cursor shown over the drawing area (null: none).
void cursor_shape_set(HCURSOR cursor);

}  // namespace zrv::platform::win32
