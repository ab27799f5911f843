// The mouse: records, the two access modes, raw reads through the window
// system's mouse device (or the cursor calls without one), the consuming
// update the frame loop makes, the pointer slots of touch input and the
// mouse commands with their screen mapping.
#include "input/mouse.hpp"

#include <algorithm>
#include <cstdio>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "base/screen_mapping.hpp"
#include "input/input_state.hpp"
#include "input/replay.hpp"
#include "platform/mouse.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

MouseInput g_mouse;
int32_t g_pointer_mode = -1;  // -1 undecided, 0 off, 1 on

// Where the window's pixels are (the focus window once there is one).
platform::Window* mouse_window() {
  if (g_mouse.window) return g_mouse.window;
  return ctx.input ? ctx.input->focus_window : nullptr;
}

MouseRecord& current() {
  if (g_mouse.mice.empty()) g_mouse.mice.emplace_back();
  if (g_mouse.current_mouse < 0 ||
      g_mouse.current_mouse >= static_cast<int32_t>(g_mouse.mice.size())) {
    g_mouse.current_mouse = 0;
  }
  return g_mouse.mice[static_cast<size_t>(g_mouse.current_mouse)];
}

bool cursor_client(int32_t* x, int32_t* y) {
  platform::Window* w = mouse_window();
  if (w == nullptr) return false;
  return platform::backend().cursor_position(w, x, y);
}

void cursor_to(int32_t x, int32_t y) {
  platform::Window* w = mouse_window();
  if (w) platform::backend().cursor_move(w, x, y);
}

// Pointer messages of the window system; a replay delivers its own.
void pointer_sink(int32_t kind, int32_t id, const platform::PointerInfo& info) {
  if (input_replaying()) return;
  if (input_recording()) input_record_pointer(kind, id, info);
  pointer_message(kind, id, info);
}

// The cursor's position where the mouse opens: a read of the mouse too.
bool open_position(int32_t* x, int32_t* y) {
  if (input_replaying()) {
    ReplayMouse m;
    if (!input_replay_mouse(&m)) return false;
    *x = m.x;
    *y = m.y;
    return true;
  }
  const bool ok = cursor_client(x, y);
  if (input_recording()) {
    ReplayMouse m;
    m.x = *x;
    m.y = *y;
    input_record_mouse(ok ? &m : nullptr);
  }
  return ok;
}

// The device's access for a cooperative level.
void device_set_level(int32_t level) {
  platform::mouse().unacquire();
  g_mouse.mouse_coop_level = level;
  platform::mouse().acquire(level == kCoopExclusive);
}

int32_t sign(int32_t v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// Window to screen: orientation, the drawing area, the logical screen.
void window_to_screen(int32_t* x, int32_t* y) {
  const ScreenMapping m = screen_mapping_current();
  if (ctx.renderer != nullptr) {
    m.to_screen(*x, *y, x, y);
    *x = std::clamp(*x, 0, std::max(m.screen_width(), 0));
    *y = std::clamp(*y, 0, std::max(m.screen_height(), 0));
  }
  m.to_logical(*x, *y, x, y);
}

}  // namespace

MouseInput& mouse_input() { return g_mouse; }

void mouse_open(InputState* input, platform::Window* window, int32_t mouse_exclusive) {
  g_mouse.mice.clear();
  g_mouse.mice.reserve(4);
  g_mouse.mice.emplace_back();
  g_mouse.current_mouse = 0;
  g_mouse.window = window ? window : (input ? input->focus_window : nullptr);
  g_mouse.cursor_mode = 0;
  g_mouse.opened = true;
  platform::mouse().pointer_sink_set(pointer_sink);
  input_replay_pointer_sink(pointer_message);

  MouseRecord& r = current();
  int32_t cx = 0, cy = 0;
  if (open_position(&cx, &cy)) {
    r.x = r.last_x = cx;
    r.y = r.last_y = cy;
  }
  g_mouse.mouse_device = platform::mouse().open(g_mouse.window);
  if (mouse_exclusive) {
    g_mouse.cursor_mode = 0;
    if (g_mouse.mouse_device) {
      g_mouse.mouse_coop_level = kCoopExclusive;
      if (!platform::mouse().acquire(true)) {
        log_write("can't aquire mouse - first try\n");
        log_write("No DX_Mouse\n");
      }
    }
    return;
  }
  if (g_mouse.mouse_device) device_set_level(kCoopShared);
  if (g_mouse.cursor_mode == 0) cursor_to(r.last_x, r.last_y);
  platform::backend().cursor_set(platform::CursorShape::Arrow);
  g_mouse.cursor_mode = 1;
}

void mouse_close(InputState* /*input*/) {
  if (!g_mouse.opened) return;
  if (g_mouse.mouse_device) device_set_level(kCoopShared);
  if (g_mouse.cursor_mode == 0) {
    const MouseRecord& r = current();
    cursor_to(r.last_x, r.last_y);
  }
  platform::backend().cursor_set(platform::CursorShape::Arrow);
  g_mouse.cursor_mode = 1;
  platform::mouse().unacquire();
  platform::mouse().close();
  platform::mouse().pointer_sink_set(nullptr);
  g_mouse.mouse_device = false;
  g_mouse.mice.clear();
  g_mouse.current_mouse = 0;
  g_mouse.window = nullptr;
  g_mouse.opened = false;
}

void mouse_release() {
  if (g_mouse.mouse_device) platform::mouse().unacquire();
}

void mouse_access_apply(int32_t mouse_exclusive) {
  if (!g_mouse.opened) return;
  if (g_mouse.mouse_device) device_set_level(mouse_exclusive ? kCoopExclusive : kCoopShared);
  if (mouse_exclusive) {
    platform::backend().cursor_set(platform::CursorShape::None);
  } else {
    const MouseRecord& r = current();
    cursor_to(r.last_x, r.last_y);
    platform::backend().cursor_set(platform::CursorShape::Arrow);
  }
}

bool pointer_mode() {
  if (g_pointer_mode < 0) {
    int32_t major = 0, minor = 0;
    platform::os_version(&major, &minor);
    char line[64];
    std::snprintf(line, sizeof line, "Win: %d, %d\n", major, minor);
    log_write(line);
    if (input_replaying()) {
      g_pointer_mode = input_replay_touch() > 0 ? 1 : 0;
    } else {
      g_pointer_mode = platform::mouse().touch_device_count() > 0 ? 1 : 0;
    }
    if (input_recording()) input_record_touch(g_pointer_mode);
  }
  return g_pointer_mode == 1;
}

void pointer_mode_override(int32_t state) { g_pointer_mode = state < 0 ? -1 : (state ? 1 : 0); }

namespace {

uint32_t read_device(int32_t& x, int32_t& y, int32_t& wheel) {
  wheel = 0;
  if (pointer_mode() && g_mouse.cursor_mode == 1) {
    const int32_t i = std::clamp(g_mouse.current_mouse, 0, kPointerSlots - 1);
    const PointerSlot& slot = ctx.pointer_slots[i];
    x = slot.x;
    y = slot.y;
    return static_cast<uint32_t>(slot.buttons) & 7u;
  }
  uint32_t bits = 0;
  if (g_mouse.mouse_device) {
    platform::MouseDeviceState d;
    if (!platform::mouse().read(&d)) {
      const bool exclusive = g_mouse.mouse_coop_level == kCoopExclusive;
      if (!platform::mouse().acquire(exclusive)) {
        platform::mouse().acquire(exclusive);
        return 0;
      }
      if (!platform::mouse().read(&d)) return 0;
    }
    wheel = sign(d.dz);
    if (g_mouse.cursor_mode) {
      cursor_client(&x, &y);
    } else {
      x += d.dx;
      y += d.dy;
    }
    for (int i = 0; i < 3; ++i) {
      if (d.buttons[i] & 0x80) bits |= 1u << i;
    }
  } else {
    if (g_mouse.cursor_mode) {
      cursor_client(&x, &y);
    } else {
      // No relative motion from a device: measure the cursor's travel from a
      // fixed point and put it back there.
      int32_t cx = 0, cy = 0;
      if (cursor_client(&cx, &cy)) {
        cursor_to(200, 200);
        x += cx - 200;
        y += cy - 200;
      }
    }
    bits = platform::mouse().async_buttons();
  }
  platform::Rect frame;
  platform::Window* w = mouse_window();
  if (w && platform::backend().window_frame(w, &frame)) {
    x = std::clamp(x, 0, std::max(frame.w, 0));
    y = std::clamp(y, 0, std::max(frame.h, 0));
  }
  return bits;
}

}  // namespace

uint32_t mouse_read_raw(int32_t& x, int32_t& y, int32_t& wheel) {
  // Pointer mode is decided at the first query, replayed or not.
  pointer_mode();
  uint32_t bits = 0;
  if (input_replaying()) {
    ReplayMouse m;
    wheel = 0;
    if (input_replay_mouse(&m)) {
      x = m.x;
      y = m.y;
      wheel = m.wheel;
      bits = m.buttons & 7u;
    }
  } else {
    bits = read_device(x, y, wheel);
  }
  if (input_recording()) {
    ReplayMouse m;
    m.x = x;
    m.y = y;
    m.wheel = wheel;
    m.buttons = bits;
    input_record_mouse(&m);
  }
  return bits;
}

void mouse_update(MouseState& state, bool consume) {
  MouseRecord& r = current();
  int32_t x, y, wheel = 0;
  uint32_t bits;
  if (g_mouse.cursor_mode) {
    x = r.last_x;
    y = r.last_y;
    bits = mouse_read_raw(x, y, wheel);
  } else {
    x = r.x;
    y = r.y;
    bits = mouse_read_raw(x, y, wheel);
    r.x = x;
    r.y = y;
  }
  state.dx = x - r.last_x;
  state.dy = y - r.last_y;
  state.wheel = r.wheel + wheel;
  for (int i = 0; i < 3; ++i) state.buttons[i] = static_cast<int32_t>((bits >> i) & 1u);
  if (!consume) {
    r.wheel = state.wheel;
    return;
  }
  if (g_mouse.cursor_mode) {
    r.x = r.last_x = x;
    r.y = r.last_y = y;
  } else {
    r.last_x = r.x;
    r.last_y = r.y;
  }
  r.wheel = 0;
}

void mouse_update_all(bool consume) {
  if (!g_mouse.opened) return;
  const size_t n = g_mouse.mice.size();
  MouseState s;
  for (size_t i = 0; i < n; ++i) mouse_update(s, consume);
}

bool mouse_any_button() {
  if (!g_mouse.opened) return false;
  mouse_update_all(true);
  MouseState s;
  mouse_update(s, false);
  return s.buttons[0] || s.buttons[1] || s.buttons[2];
}

void pointer_message(int32_t kind, int32_t id, const platform::PointerInfo& info) {
  if (id == 0) return;
  PointerSlot* slot = nullptr;
  for (PointerSlot& s : ctx.pointer_slots) {
    if (s.pointer_id == id) {
      slot = &s;
      break;
    }
  }
  if (slot == nullptr) {
    for (PointerSlot& s : ctx.pointer_slots) {
      if (s.pointer_id == 0) {
        slot = &s;
        break;
      }
    }
  }
  if (slot == nullptr) return;
  int32_t bits = 0;
  if (info.flags & 0x10) bits |= 1;
  if (info.flags & 0x20) bits |= 2;
  if (info.flags & 0x40) bits |= 4;
  if (kind == 0) {
    slot->buttons = bits;
  } else if (kind > 0) {
    slot->buttons |= bits;
    slot->pointer_id = id;
  } else {
    slot->buttons &= bits;
    slot->pointer_id = 0;
  }
  slot->x = info.x;
  slot->y = info.y;
}

MouseSample mouse_sample() {
  MouseSample s;
  int32_t left = 0, right = 0;
  mouse_state(s.x, s.y, left, right);
  s.buttons = left | (right << 1);
  return s;
}

void mouse_state(int32_t& x, int32_t& y, int32_t& left, int32_t& right) {
  MouseState s;
  mouse_update(s, true);
  left = s.buttons[0];
  right = s.buttons[1];
  const MouseRecord& r = current();
  x = r.last_x;
  y = r.last_y;
  window_to_screen(&x, &y);
}

void mouse_state(double& x, double& y, double& left, double& right) {
  four_as_doubles([](int32_t& a, int32_t& b, int32_t& c, int32_t& d) { mouse_state(a, b, c, d); },
                  x, y, left, right);
}

int32_t mouse_axis(int32_t kind) {
  MouseState s;
  mouse_update(s, false);
  int32_t dx = s.dx, dy = s.dy;
  // Motion turns with the screen as a direction, not as a position.
  if (ctx.renderer) screen_mapping_current().motion_to_screen(s.dx, s.dy, &dx, &dy);
  switch (kind) {
    case 0:
      return dx;
    case 1:
      return dy;
    case 2:
      return s.wheel;
    case 3:
      return s.buttons[0];
    case 4:
      return s.buttons[1];
    case 5:
      return s.buttons[2];
    default:
      return 0;
  }
}

int32_t mouse_count() { return pointer_mode() ? kPointerSlots : 1; }

void mouse_select(int32_t index) {
  const int32_t count = mouse_count();
  if (index < 0 || index >= count) index = 0;
  g_mouse.current_mouse = std::min(index, count - 1);
  if (static_cast<int32_t>(g_mouse.mice.size()) < count) {
    g_mouse.mice.resize(static_cast<size_t>(count));
  }
}

void mouse_pointer_show(double flag) {
  const bool show = flag != 0;
  if (g_mouse.mouse_device) device_set_level(show ? kCoopShared : kCoopExclusive);
  if (show) {
    if (g_mouse.cursor_mode == 0) {
      const MouseRecord& r = current();
      cursor_to(r.last_x, r.last_y);
    }
    platform::backend().cursor_set(platform::CursorShape::Arrow);
  } else {
    platform::backend().cursor_set(platform::CursorShape::None);
  }
  g_mouse.cursor_mode = show ? 1 : 0;
}

void mouse_set_position(int32_t x, int32_t y) {
  // The inverse of mouse_state's mapping, so that the position set is the
  // one read back: the logical screen's zoom first, then the orientation.
  const ScreenMapping m = screen_mapping_current();
  m.from_logical(x, y, &x, &y);
  if (ctx.renderer) m.to_window(x, y, &x, &y);
  MouseRecord& r = current();
  r.x = r.last_x = x;
  r.y = r.last_y = y;
}

void mouse_set_position(double x, double y) {
  mouse_set_position(static_cast<int32_t>(x), static_cast<int32_t>(y));
}

uint8_t mouse_mode_hold_exclusive() {
  const uint8_t mode = g_mouse.cursor_mode;
  if (!g_mouse.opened) return mode;
  if (g_mouse.mouse_device) device_set_level(kCoopExclusive);
  platform::backend().cursor_set(platform::CursorShape::None);
  g_mouse.cursor_mode = 0;
  return mode;
}

void mouse_mode_restore(uint8_t cursor_mode) {
  if (!g_mouse.opened) return;
  if (g_mouse.mouse_device) device_set_level(cursor_mode ? kCoopShared : kCoopExclusive);
  if (cursor_mode) {
    const MouseRecord& r = current();
    cursor_to(r.last_x, r.last_y);
    platform::backend().cursor_set(platform::CursorShape::Arrow);
  }
  g_mouse.cursor_mode = cursor_mode;
}

}  // namespace zrv
