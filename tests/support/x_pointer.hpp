// A window of the runtime on the test's X display, driven with real X
// pointer and key events (xdotool, through the XTEST extension).
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/frame.hpp"
#include "base/context.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "input/input_state.hpp"
#include "input/mouse.hpp"
#include "platform/platform.hpp"
#include "x_display.hpp"

namespace x_test {

using zrv::test::have_display;
using zrv::test::pause_ms;
using zrv::test::shell_output;

inline void pump(int ms) {
  for (int waited = 0; waited < ms; waited += 10) {
    zrv::message_pump(nullptr, false);
    pause_ms(10);
  }
}

// The runtime's window of w x h titled `title`, shown and focused, with the
// input object and the mouse opened on it (exclusive or not). The X window
// id goes to *xid. False when there is no window system or no window.
inline bool open_window(const char* title, int w, int h, int exclusive, std::string* xid) {
  setenv("ZRV_NO_DIALOGS", "1", 1);
  // A case that hangs ends instead of holding the suite.
  alarm(60);
  // A fresh start, whatever cases ran before in the parent process.
  for (zrv::PointerSlot& slot : zrv::ctx.pointer_slots) slot = zrv::PointerSlot{};
  zrv::pointer_mode_override(-1);
  zrv::platform::select_backend(false);
  zrv::platform::Backend& b = zrv::platform::backend();
  if (b.is_headless()) return false;
  zrv::timer_init();
  zrv::ctx.renderer = zrv::renderer_create();
  if (zrv::window_create(zrv::ctx.renderer, w, h, 0, 60, 0) != 0) return false;
  zrv::screen_mode_apply(zrv::ctx.renderer, w, h, 0, 0);
  zrv::OpenGLVireo* r = zrv::ctx.renderer;
  zrv::ctx.window = r->window_handle;
  zrv::window_set_title(r, title);
  b.event_window_set(r->window_handle);
  b.window_show(r->window_handle);
  const std::string id =
      shell_output(std::string("timeout 15 xdotool search --sync --onlyvisible --name '^") + title +
                   "$' | head -1");
  if (id.empty()) return false;
  shell_output("xdotool windowfocus --sync " + id);
  pump(100);
  zrv::ctx.input = zrv::input_create();
  zrv::input_open(zrv::ctx.input, r->window_handle, exclusive);
  zrv::input_set_focus_window(zrv::ctx.input, r->window_handle);
  zrv::mouse_open(zrv::ctx.input, r->window_handle, exclusive);
  if (xid) *xid = id;
  return true;
}

// Pointer to (x, y) of the window. (xdotool's --sync would wait for a
// motion that never comes when the pointer is there already.)
inline void move_to(const std::string& xid, int x, int y) {
  shell_output("xdotool mousemove --window " + xid + " -- " + std::to_string(x) + " " +
               std::to_string(y));
  pause_ms(40);
}

inline void move_by(int dx, int dy) {
  shell_output("xdotool mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy));
  pause_ms(40);
}

// Presses a button for ms (a click the program cannot miss between reads).
inline void press(int button, int ms) {
  shell_output("xdotool mousedown " + std::to_string(button));
  pause_ms(ms);
  shell_output("xdotool mouseup " + std::to_string(button));
}

inline void say(const char* name, long value) {
  std::printf("%s=%ld\n", name, value);
  std::fflush(stdout);
}

}  // namespace x_test
