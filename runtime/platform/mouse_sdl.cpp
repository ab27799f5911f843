// The mouse and touch input of the window system through SDL. Exclusive
// access is SDL's relative mode (motion deltas, hidden cursor held by the
// window); wheel steps, touch contacts and the mouse as a pointer are taken
// from SDL's event queue by an event watch, so they are seen whichever part
// of the runtime pumps the queue.
#include <SDL.h>
#include <dlfcn.h>
#include <sys/utsname.h>

#include <cstdio>

#include "platform/devices_sdl.hpp"
#include "platform/platform.hpp"

// Last: Xlib's macros (None, Status) must not meet the runtime's names.
#include <SDL_syswm.h>

namespace zrv::platform {

namespace {

constexpr uint32_t kFirstButton = 0x10;
constexpr uint32_t kSecondButton = 0x20;
constexpr uint32_t kThirdButton = 0x40;
constexpr int32_t kMousePointerId = 1;

struct MouseDevice {
  bool open = false;
  bool watching = false;
  uint32_t window_id = 0;
  bool exclusive = false;  // the access asked for last
  bool acquired = false;
  int32_t wheel = 0;             // steps since the last read
  uint32_t pointer_buttons = 0;  // the mouse's buttons as pointer flags
  PointerSink sink = nullptr;
};

MouseDevice g_mouse;

bool video_up() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

// Events of other windows (or of none) are not ours; with no window known
// every event counts.
bool ours(uint32_t window_id) {
  return g_mouse.window_id == 0 || window_id == 0 || window_id == g_mouse.window_id;
}

uint32_t flags_from_sdl_mask(uint32_t mask) {
  uint32_t f = 0;
  if (mask & SDL_BUTTON_LMASK) f |= kFirstButton;
  if (mask & SDL_BUTTON_RMASK) f |= kSecondButton;
  if (mask & SDL_BUTTON_MMASK) f |= kThirdButton;
  return f;
}

uint32_t flag_of_button(uint8_t button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return kFirstButton;
    case SDL_BUTTON_RIGHT:
      return kSecondButton;
    case SDL_BUTTON_MIDDLE:
      return kThirdButton;
    default:
      return 0;
  }
}

// Touch contacts get ids from 2 on (1 is the mouse; 0 means a free slot).
int32_t finger_pointer_id(SDL_FingerID finger) {
  return 2 + static_cast<int32_t>(static_cast<uint64_t>(finger) % 0x7FFFFFF0u);
}

void deliver(int32_t kind, int32_t id, uint32_t flags, int32_t x, int32_t y) {
  if (g_mouse.sink == nullptr) return;
  PointerInfo info;
  info.flags = flags;
  info.x = x;
  info.y = y;
  g_mouse.sink(kind, id, info);
}

void finger_event(const SDL_TouchFingerEvent& f, int32_t kind) {
  if (!ours(f.windowID)) return;
  SDL_Window* w = SDL_GetWindowFromID(f.windowID ? f.windowID : g_mouse.window_id);
  int cw = 0, ch = 0;
  if (w != nullptr) SDL_GetWindowSize(w, &cw, &ch);
  const auto x = static_cast<int32_t>(f.x * static_cast<float>(cw));
  const auto y = static_cast<int32_t>(f.y * static_cast<float>(ch));
  deliver(kind, finger_pointer_id(f.fingerId), kind < 0 ? 0 : kFirstButton, x, y);
}

// The pointer as the X server has it now. SDL's own global state is only
// brought up to date by the events it asks for, which in cursor mode do not
// include plain motion; XQueryPointer (of the libX11 SDL loaded) is exact.
#if defined(SDL_VIDEO_DRIVER_X11)
using QueryPointerFn = int (*)(Display*, ::Window, ::Window*, ::Window*, int*, int*, int*, int*,
                               unsigned int*);

QueryPointerFn x11_query_pointer() {
  static QueryPointerFn fn = [] {
    void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    return lib ? reinterpret_cast<QueryPointerFn>(dlsym(lib, "XQueryPointer")) : nullptr;
  }();
  return fn;
}

bool x11_pointer(SDL_Window* w, int32_t* x, int32_t* y, uint32_t* bits) {
  if (w == nullptr) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return false;
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
  if (bits) {
    *bits = 0;
    if (mask & Button1Mask) *bits |= 1;
    if (mask & Button3Mask) *bits |= 2;
    if (mask & Button2Mask) *bits |= 4;
  }
  return true;
}
#else
bool x11_pointer(SDL_Window*, int32_t*, int32_t*, uint32_t*) { return false; }
#endif

SDL_Window* sdl_window(Window* window) {
  const uint32_t id = window ? backend().window_id(window) : g_mouse.window_id;
  return id ? SDL_GetWindowFromID(id) : nullptr;
}

int event_watch(void* /*userdata*/, SDL_Event* event) {
  mouse_sdl_event(event);
  return 1;
}

}  // namespace

bool mouse_device_available() { return video_up(); }

bool mouse_device_open(Window* window) {
  if (!video_up()) return false;
  g_mouse.window_id = window ? backend().window_id(window) : 0;
  g_mouse.wheel = 0;
  g_mouse.pointer_buttons = 0;
  g_mouse.acquired = false;
  g_mouse.exclusive = false;
  if (!g_mouse.watching) {
    SDL_AddEventWatch(event_watch, nullptr);
    g_mouse.watching = true;
  }
  g_mouse.open = true;
  return true;
}

void mouse_device_close() {
  if (!g_mouse.open) return;
  mouse_device_unacquire();
  if (g_mouse.watching && video_up()) SDL_DelEventWatch(event_watch, nullptr);
  g_mouse.watching = false;
  g_mouse.open = false;
  g_mouse.window_id = 0;
}

bool mouse_device_is_open() { return g_mouse.open; }

bool mouse_device_acquire(bool exclusive) {
  if (!g_mouse.open || !video_up()) return false;
  g_mouse.exclusive = exclusive;
  g_mouse.acquired = SDL_SetRelativeMouseMode(exclusive ? SDL_TRUE : SDL_FALSE) == 0;
  // Motion made before the switch belongs to the other mode.
  SDL_PumpEvents();
  SDL_GetRelativeMouseState(nullptr, nullptr);
  return g_mouse.acquired;
}

void mouse_device_unacquire() {
  if (!g_mouse.open) return;
  if (g_mouse.acquired && g_mouse.exclusive && video_up()) SDL_SetRelativeMouseMode(SDL_FALSE);
  g_mouse.acquired = false;
}

bool mouse_device_acquired() { return g_mouse.open && g_mouse.acquired; }

bool mouse_device_read(MouseDeviceState* state) {
  if (!g_mouse.open || !g_mouse.acquired || !video_up()) return false;
  SDL_PumpEvents();
  if (g_mouse.exclusive && !SDL_GetRelativeMouseMode()) {
    g_mouse.acquired = false;
    return false;
  }
  int dx = 0, dy = 0;
  const uint32_t mask = SDL_GetRelativeMouseState(&dx, &dy);
  state->dx = dx;
  state->dy = dy;
  state->dz = g_mouse.wheel;
  g_mouse.wheel = 0;
  state->buttons[0] = (mask & SDL_BUTTON_LMASK) ? 0x80 : 0;
  state->buttons[1] = (mask & SDL_BUTTON_RMASK) ? 0x80 : 0;
  state->buttons[2] = (mask & SDL_BUTTON_MMASK) ? 0x80 : 0;
  state->buttons[3] = (mask & SDL_BUTTON_X1MASK) ? 0x80 : 0;
  return true;
}

uint32_t mouse_async_buttons() {
  if (!video_up()) return 0;
  uint32_t x11_bits = 0;
  if (x11_pointer(sdl_window(nullptr), nullptr, nullptr, &x11_bits)) return x11_bits;
  const uint32_t mask = SDL_GetGlobalMouseState(nullptr, nullptr);
  uint32_t bits = 0;
  if (mask & SDL_BUTTON_LMASK) bits |= 1;
  if (mask & SDL_BUTTON_RMASK) bits |= 2;
  if (mask & SDL_BUTTON_MMASK) bits |= 4;
  return bits;
}

bool cursor_client_position(Window* window, int32_t* x, int32_t* y) {
  if (!video_up() || window == nullptr) return false;
  SDL_Window* w = sdl_window(window);
  if (w == nullptr) return false;
  if (x11_pointer(w, x, y, nullptr)) return true;
  int gx = 0, gy = 0, wx = 0, wy = 0;
  SDL_GetGlobalMouseState(&gx, &gy);
  SDL_GetWindowPosition(w, &wx, &wy);
  *x = gx - wx;
  *y = gy - wy;
  return true;
}

int32_t touch_device_count() { return video_up() ? SDL_GetNumTouchDevices() : 0; }

void os_version(int32_t* major, int32_t* minor) {
  *major = 0;
  *minor = 0;
  struct utsname u;
  if (uname(&u) != 0) return;
  int a = 0, b = 0;
  if (std::sscanf(u.release, "%d.%d", &a, &b) >= 1) {
    *major = a;
    *minor = b;
  }
}

void pointer_sink_set(PointerSink sink) { g_mouse.sink = sink; }

void mouse_sdl_event(const void* sdl_event) {
  const SDL_Event& e = *static_cast<const SDL_Event*>(sdl_event);
  switch (e.type) {
    case SDL_MOUSEWHEEL: {
      if (e.wheel.which == SDL_TOUCH_MOUSEID || !ours(e.wheel.windowID)) return;
      int32_t steps = e.wheel.y;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
      g_mouse.wheel += steps;
      return;
    }
    case SDL_FINGERDOWN:
      finger_event(e.tfinger, 1);
      return;
    case SDL_FINGERMOTION:
      finger_event(e.tfinger, 0);
      return;
    case SDL_FINGERUP:
      finger_event(e.tfinger, -1);
      return;
    // The mouse as a pointer (touch contacts already came as fingers).
    case SDL_MOUSEMOTION:
      if (e.motion.which == SDL_TOUCH_MOUSEID || !ours(e.motion.windowID)) return;
      g_mouse.pointer_buttons = flags_from_sdl_mask(e.motion.state);
      deliver(0, kMousePointerId, g_mouse.pointer_buttons, e.motion.x, e.motion.y);
      return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (e.button.which == SDL_TOUCH_MOUSEID || !ours(e.button.windowID)) return;
      const uint32_t before = g_mouse.pointer_buttons;
      const uint32_t flag = flag_of_button(e.button.button);
      if (flag == 0) return;
      uint32_t after = e.type == SDL_MOUSEBUTTONDOWN ? (before | flag) : (before & ~flag);
      g_mouse.pointer_buttons = after;
      int32_t kind = 0;
      if (before == 0 && after != 0) kind = 1;
      if (before != 0 && after == 0) kind = -1;
      deliver(kind, kMousePointerId, after, e.button.x, e.button.y);
      return;
    }
    default:
      return;
  }
}

}  // namespace zrv::platform
