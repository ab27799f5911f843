// The mouse and touch input through SDL. Exclusive access is SDL's relative
// mode (motion deltas, hidden cursor held by the window); wheel steps, touch
// contacts and the mouse as a pointer are taken from SDL's event queue by an
// event watch, so they are seen whichever part of the runtime pumps the
// queue. The device's state is the process's, as the event watch is.
#include <SDL.h>

#include "platform/mouse.hpp"
#include "platform/platform.hpp"
#include "platform/sdl/sdl_devices.hpp"
#include "platform/sdl/sdl_wsi.hpp"

namespace zrv::platform {

namespace {

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

// Wheel steps, touch contacts and the mouse as a pointer.
void take_event(const SDL_Event& e) {
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

int event_watch(void* /*userdata*/, SDL_Event* event) {
  take_event(*event);
  return 1;
}

class SdlMouse final : public Mouse {
 public:
  bool open(Window* window) override {
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

  void close() override {
    if (!g_mouse.open) return;
    unacquire();
    if (g_mouse.watching && video_up()) SDL_DelEventWatch(event_watch, nullptr);
    g_mouse.watching = false;
    g_mouse.open = false;
    g_mouse.window_id = 0;
  }

  bool acquire(bool exclusive) override {
    if (!g_mouse.open || !video_up()) return false;
    g_mouse.exclusive = exclusive;
    g_mouse.acquired = SDL_SetRelativeMouseMode(exclusive ? SDL_TRUE : SDL_FALSE) == 0;
    // Motion made before the switch belongs to the other mode.
    SDL_PumpEvents();
    SDL_GetRelativeMouseState(nullptr, nullptr);
    return g_mouse.acquired;
  }

  void unacquire() override {
    if (!g_mouse.open) return;
    if (g_mouse.acquired && g_mouse.exclusive && video_up()) SDL_SetRelativeMouseMode(SDL_FALSE);
    g_mouse.acquired = false;
  }

  bool read(MouseDeviceState* state) override {
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

  uint32_t async_buttons() override {
    if (!video_up()) return 0;
    SDL_Window* window = g_mouse.window_id ? SDL_GetWindowFromID(g_mouse.window_id) : nullptr;
    uint32_t x11_bits = 0;
    if (sdl_x11_pointer(window, nullptr, nullptr, &x11_bits)) return x11_bits;
    const uint32_t mask = SDL_GetGlobalMouseState(nullptr, nullptr);
    uint32_t bits = 0;
    if (mask & SDL_BUTTON_LMASK) bits |= 1;
    if (mask & SDL_BUTTON_RMASK) bits |= 2;
    if (mask & SDL_BUTTON_MMASK) bits |= 4;
    return bits;
  }

  int32_t touch_device_count() override { return video_up() ? SDL_GetNumTouchDevices() : 0; }

  void pointer_sink_set(PointerSink sink) override { g_mouse.sink = sink; }
};

}  // namespace

std::unique_ptr<Mouse> make_sdl_mouse() { return std::make_unique<SdlMouse>(); }

}  // namespace zrv::platform
