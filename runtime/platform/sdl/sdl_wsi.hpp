// What the SDL backend and its devices ask of the window system beneath
// SDL (X11 through SDL_syswm.h, kept to sdl_wsi.cpp because Xlib's macros
// clash with the runtime's names).
#pragma once

#include <cstdint>

struct SDL_Window;

namespace zrv::platform {

bool sdl_window_is_x11(SDL_Window* window);
// The window system's GL extension string (GLX or EGL), null when unknown.
const char* sdl_window_system_extensions(SDL_Window* window);
// The core X screen's density, 0 without an X display.
double sdl_x11_screen_dpi();
// The code point an X key code gives at a shift level, -1 without X.
int32_t sdl_x11_key_code_point(int32_t keycode, int32_t level);
// The pointer as the X server has it now, in the window's client pixels,
// and its buttons (bit 0 left, bit 1 right, bit 2 middle); any output may be
// null. False without X or when the pointer is on another screen. SDL's own
// mouse state is only brought up to date by the events it asks for, which
// in cursor mode do not include plain motion; the server's answer is exact.
bool sdl_x11_pointer(SDL_Window* window, int32_t* x, int32_t* y, uint32_t* buttons);
// Watches the window's X connection: when the server goes away, Xlib's
// fatal I/O error no longer ends the process (status 1, no shutdown); the
// connection is marked dead and sdl_x11_display_lost says so, for the
// runtime to end in order.
void sdl_x11_watch_display(SDL_Window* window);
bool sdl_x11_display_lost();

}  // namespace zrv::platform
