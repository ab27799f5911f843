// What the SDL backend and its devices ask of the X window system beneath
// SDL: the GL extension string, the key map, the pointer and the screen's
// density. Kept apart because the X11 headers that SDL_syswm.h pulls in
// define macros (None, Status, ...) that clash with the runtime's names.
#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/XKBlib.h>
#endif

#include "platform/sdl/sdl_wsi.hpp"

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

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

// Code points of the keysyms outside Latin-1 that the runtime's text set
// has (newer layouts give Unicode keysyms, 0x01000000 + code point).
uint32_t keysym_code_point(unsigned long keysym) {
  if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) {
    return static_cast<uint32_t>(keysym);
  }
  if ((keysym & 0xFF000000UL) == 0x01000000UL) return static_cast<uint32_t>(keysym & 0xFFFFFF);
  static constexpr struct {
    uint16_t keysym;
    uint16_t cp;
  } kLegacy[] = {{0x01A9, 0x0160}, {0x01B9, 0x0161}, {0x01AE, 0x017D}, {0x01BE, 0x017E},
                 {0x13BC, 0x0152}, {0x13BD, 0x0153}, {0x13BE, 0x0178}, {0x20AC, 0x20AC},
                 {0x08F6, 0x0192}, {0x0AAE, 0x2026}, {0x0AD0, 0x2018}, {0x0AD1, 0x2019},
                 {0x0AD2, 0x201C}, {0x0AD3, 0x201D}, {0x0AFD, 0x201A}, {0x0AFE, 0x201E},
                 {0x0AF1, 0x2020}, {0x0AF2, 0x2021}, {0x0AE6, 0x2022}, {0x0AAA, 0x2013},
                 {0x0AA9, 0x2014}, {0x0AC9, 0x2122}, {0x0AD5, 0x2030}};
  for (const auto& k : kLegacy) {
    if (k.keysym == keysym) return k.cp;
  }
  return 0;
}

// The X calls for keymap questions, from the libX11 that SDL loaded.
struct XKeymap {
  KeySym (*keycode_to_keysym)(Display*, KeyCode, int, int) = nullptr;
  Bool (*get_state)(Display*, unsigned int, XkbStatePtr) = nullptr;
};

const XKeymap& x_keymap() {
  static XKeymap keymap = [] {
    XKeymap k;
    if (void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD)) {
      k.keycode_to_keysym = reinterpret_cast<KeySym (*)(Display*, KeyCode, int, int)>(
          dlsym(lib, "XkbKeycodeToKeysym"));
      k.get_state = reinterpret_cast<Bool (*)(Display*, unsigned int, XkbStatePtr)>(
          dlsym(lib, "XkbGetState"));
    }
    return k;
  }();
  return keymap;
}

// SDL's own connection, which follows keymap changes as its events come
// in: the one of the keyboard's window, else of any window of ours.
Display* sdl_x11_display() {
  SDL_Window* window = SDL_GetKeyboardFocus();
  for (Uint32 id = 1; window == nullptr && id < 64; ++id) window = SDL_GetWindowFromID(id);
  if (window == nullptr) return nullptr;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
  return info.info.x11.display;
}

}  // namespace
#endif

int32_t sdl_x11_key_code_point(int32_t keycode, int32_t level) {
#if defined(SDL_VIDEO_DRIVER_X11)
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || SDL_strcmp(driver, "x11") != 0) return -1;
  const XKeymap& k = x_keymap();
  Display* display = sdl_x11_display();
  if (display == nullptr || k.keycode_to_keysym == nullptr || k.get_state == nullptr ||
      keycode < 8 || keycode > 255) {
    return -1;
  }
  XkbStateRec state{};
  const int group = k.get_state(display, XkbUseCoreKbd, &state) == 0 ? state.group : 0;
  const KeySym sym = k.keycode_to_keysym(display, static_cast<KeyCode>(keycode), group, level);
  return static_cast<int32_t>(sym == NoSymbol ? 0 : keysym_code_point(sym));
#else
  return -1;
#endif
}

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

using QueryPointerFn = int (*)(Display*, ::Window, ::Window*, ::Window*, int*, int*, int*, int*,
                               unsigned int*);

QueryPointerFn x11_query_pointer() {
  static QueryPointerFn fn = [] {
    void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    return lib ? reinterpret_cast<QueryPointerFn>(dlsym(lib, "XQueryPointer")) : nullptr;
  }();
  return fn;
}

}  // namespace
#endif

bool sdl_x11_pointer(SDL_Window* window, int32_t* x, int32_t* y, uint32_t* buttons) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (window == nullptr) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  QueryPointerFn query = x11_query_pointer();
  if (query == nullptr) return false;
  ::Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  if (!query(info.info.x11.display, info.info.x11.window, &root, &child, &rx, &ry, &wx, &wy,
             &mask)) {
    return false;  // on another screen
  }
  if (x) *x = wx;
  if (y) *y = wy;
  if (buttons) {
    *buttons = 0;
    if (mask & Button1Mask) *buttons |= 1;
    if (mask & Button3Mask) *buttons |= 2;
    if (mask & Button2Mask) *buttons |= 4;
  }
  return true;
#else
  return false;
#endif
}

// The core X screen's density, for servers whose outputs report no
// physical size to SDL (Xvfb, VNC and many virtual machines). 0 when there
// is no X display.
double sdl_x11_screen_dpi() {
#if defined(SDL_VIDEO_DRIVER_X11)
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || SDL_strcmp(driver, "x11") != 0) return 0;
  void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (lib == nullptr) return 0;
  using OpenFn = Display* (*)(const char*);
  using CloseFn = int (*)(Display*);
  using SizeFn = int (*)(Display*, int);
  auto open = reinterpret_cast<OpenFn>(dlsym(lib, "XOpenDisplay"));
  auto close = reinterpret_cast<CloseFn>(dlsym(lib, "XCloseDisplay"));
  auto width = reinterpret_cast<SizeFn>(dlsym(lib, "XDisplayWidth"));
  auto width_mm = reinterpret_cast<SizeFn>(dlsym(lib, "XDisplayWidthMM"));
  double dpi = 0;
  if (open && close && width && width_mm) {
    if (Display* display = open(nullptr)) {
      const int screen = DefaultScreen(display);
      const int mm = width_mm(display, screen);
      if (mm > 0) dpi = width(display, screen) * 25.4 / mm;
      close(display);
    }
  }
  dlclose(lib);
  return dpi;
#else
  return 0;
#endif
}

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

volatile bool g_display_lost = false;

// Called instead of exit() after Xlib's I/O error handler; when it
// returns, Xlib keeps the connection marked dead and its calls return.
void on_display_lost(Display*, void*) { g_display_lost = true; }

// Xlib's own handler prints a line and, in older versions, exits; the
// runtime says what happened itself.
int on_io_error(Display*) { return 0; }

}  // namespace
#endif

void sdl_x11_watch_display(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
    return;
  void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (lib == nullptr) return;
  using ExitHandler = void (*)(Display*, void*);
  using SetExitFn = void (*)(Display*, ExitHandler, void*);
  using IoHandler = int (*)(Display*);
  using SetIoFn = IoHandler (*)(IoHandler);
  auto set_exit = reinterpret_cast<SetExitFn>(dlsym(lib, "XSetIOErrorExitHandler"));
  auto set_io = reinterpret_cast<SetIoFn>(dlsym(lib, "XSetIOErrorHandler"));
  // Without the exit handler (libX11 before 1.7) Xlib still ends the
  // process, so its own message stays.
  if (set_exit == nullptr || set_io == nullptr) return;
  set_exit(info.info.x11.display, on_display_lost, nullptr);
  set_io(on_io_error);
#else
  (void)window;
#endif
}

bool sdl_x11_display_lost() {
#if defined(SDL_VIDEO_DRIVER_X11)
  return g_display_lost;
#else
  return false;
#endif
}

}  // namespace zrv::platform
