// What the Win32 backend, keyboard and mouse share: the native window, the
// window procedure's hand-over of input messages, and the message queue.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/joysticks.hpp"
#include "platform/keyboard.hpp"
#include "platform/media.hpp"
#include "platform/mouse.hpp"
#include "platform/platform.hpp"

namespace zrv {

// The Win32 backend's window: its handle and its own device context (the
// class has CS_OWNDC, so the context lives as long as the window).
struct NativeWindow {
  HWND hwnd = nullptr;
  HDC dc = nullptr;
  uint32_t id = 0;
  int pixel_format = 0;
};

}  // namespace zrv

namespace zrv::platform::win32 {

// The window that gets the events (null: none chosen yet).
HWND event_window();
// Takes every message queued for this thread and hands it to its window
// procedure, so that the key and button states are current.
void messages_dispatch_all();

// Key messages of the event window: WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN,
// WM_SYSKEYUP. Returns the key's scan code (0 when it has none).
int32_t keyboard_key_message(UINT message, WPARAM wparam, LPARAM lparam);
// The window lost the keyboard focus: no key is down any more for it.
void keyboard_focus_lost();

// Mouse messages of the event window (motion, buttons, wheel, capture).
void mouse_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
void mouse_window_deactivated();
// A pointer message (WM_POINTERDOWN, WM_POINTERUPDATE, WM_POINTERUP): true
// when it was a touch or pen contact and has been delivered, false for the
// mouse, which the default handling turns into mouse messages.
bool mouse_pointer_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The event that termination requests set (quit_signal.cpp); null when it
// could not be made.
HANDLE quit_request_event();

std::unique_ptr<Backend> make_backend(std::string* failure);
std::unique_ptr<Keyboard> make_keyboard();
std::unique_ptr<Mouse> make_mouse();
// The controllers: XInput's and WinMM's (joysticks.cpp).
std::unique_ptr<Joysticks> make_joysticks();
// The media player on MCI (media_mci.cpp).
std::unique_ptr<Media> make_media(const char* default_audio_output);

}  // namespace zrv::platform::win32
