// The window system's extension string for the SDL backend. Kept apart
// because the X11 headers that SDL_syswm.h pulls in define macros (None,
// Status, ...) that clash with the runtime's names.
#include <SDL.h>
#include <SDL_syswm.h>

namespace zrv::platform {

bool sdl_window_is_x11(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  return window != nullptr && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
}

const char* sdl_window_system_extensions(SDL_Window* window) {
  if (window == nullptr) return nullptr;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info)) return nullptr;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11) {
    using QueryFn = const char* (*)(Display*, int);
    auto query = reinterpret_cast<QueryFn>(SDL_GL_GetProcAddress("glXQueryExtensionsString"));
    if (query == nullptr) return nullptr;
    Display* display = info.info.x11.display;
    return query(display, DefaultScreen(display));
  }
#endif
  using DisplayFn = void* (*)();
  using StringFn = const char* (*)(void*, int);
  auto get_display = reinterpret_cast<DisplayFn>(SDL_GL_GetProcAddress("eglGetCurrentDisplay"));
  auto query = reinterpret_cast<StringFn>(SDL_GL_GetProcAddress("eglQueryString"));
  if (get_display == nullptr || query == nullptr) return nullptr;
  const int kEglExtensions = 0x3055;
  return query(get_display(), kEglExtensions);
}

}  // namespace zrv::platform
