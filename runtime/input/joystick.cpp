// Game controllers: discovery, reads and the joystick commands.
#include "input/joystick.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "base/screen_mapping.hpp"
#include "input/input_state.hpp"
#include "input/pad.hpp"
#include "input/replay.hpp"

namespace zrv {

namespace {

JoystickSet g_joysticks;

// A stick's (x, y) turned with the screen: the other way round from the
// window's pixels, so that "right" on the stick is right on the screen.
void rotate(double x, double y, double* ox, double* oy) {
  int32_t tx = 0, ty = 0;
  quarter_turns(4 - screen_mapping_current().orientation, static_cast<int32_t>(x),
                static_cast<int32_t>(y), &tx, &ty);
  *ox = tx;
  *oy = ty;
}

double unit(double v) { return std::clamp(v / 32767.0, -1.0, 1.0); }

// Component 0 (x) or 1 (y) of a stick given by two axes, turned.
double stick(int32_t index, int axis_x, int axis_y, int component) {
  platform::JoystickState s;
  joystick_read(index, s);
  double x, y;
  rotate(s.axes[axis_x], s.axes[axis_y], &x, &y);
  return unit(component == 0 ? x : y);
}

int32_t hat_x_of(uint32_t hat) {
  if (hat == 4500 || hat == 9000 || hat == 13500) return 1;
  if (hat == 22500 || hat == 27000 || hat == 31500) return -1;
  return 0;
}

int32_t hat_y_of(uint32_t hat) {
  if (hat == 13500 || hat == 18000 || hat == 22500) return 1;
  if (hat == 0 || hat == 4500 || hat == 31500) return -1;
  return 0;
}

// The first hat as a direction, turned with the screen like the sticks.
void hat_direction(int32_t index, int32_t* hx, int32_t* hy) {
  platform::JoystickState s;
  joystick_read(index, s);
  double x, y;
  rotate(hat_x_of(s.hats[0]), hat_y_of(s.hats[0]), &x, &y);
  *hx = static_cast<int32_t>(x);
  *hy = static_cast<int32_t>(y);
}

bool valid(int32_t index) { return index >= 0 && index < g_joysticks.joystick_count; }

}  // namespace

JoystickSet& joystick_set() { return g_joysticks; }

namespace {

void name_set(int32_t k, const std::string& name) {
  const size_t len = std::min(name.size(), static_cast<size_t>(kJoystickNameSize - 1));
  std::memcpy(g_joysticks.joystick_names[k], name.data(), len);
  g_joysticks.joystick_names[k][len] = 0;
}

void open_devices() {
  const int32_t n = platform::joysticks().count();
  for (int32_t i = 0; i < n && g_joysticks.joystick_count < kJoystickMax; ++i) {
    std::string name;
    platform::JoystickDevice* device = platform::joysticks().open(i, &name);
    if (device == nullptr) continue;
    const int32_t k = g_joysticks.joystick_count++;
    g_joysticks.joystick_devices[k] = device;
    name_set(k, name);
  }
}

}  // namespace

void joystick_open_all(InputState* /*input*/) {
  joystick_close_all(nullptr);
  if (input_replaying()) {
    // The controllers of the recorded run, without devices behind them.
    for (const std::string& name : input_replay_joysticks()) {
      if (g_joysticks.joystick_count == kJoystickMax) break;
      name_set(g_joysticks.joystick_count++, name);
    }
  } else {
    open_devices();
  }
  if (input_recording()) {
    for (int32_t k = 0; k < g_joysticks.joystick_count; ++k) {
      input_record_joystick(k, g_joysticks.joystick_names[k]);
    }
  }
}

void joystick_close_all(InputState* /*input*/) {
  for (int32_t i = 0; i < kJoystickMax; ++i) {
    platform::joysticks().close(g_joysticks.joystick_devices[i]);
    g_joysticks.joystick_devices[i] = nullptr;
    g_joysticks.joystick_names[i][0] = 0;
  }
  g_joysticks.joystick_count = 0;
  pad_close_all();
  platform::joysticks().release();
}

namespace {

void read_device(platform::JoystickDevice* device, platform::JoystickState& state) {
  if (platform::joysticks().read(device, &state)) return;
  // One more try (the device may have been busy); then a neutral state.
  if (platform::joysticks().read(device, &state)) return;
  state = platform::JoystickState{};
}

}  // namespace

void joystick_read(int32_t index, platform::JoystickState& state) {
  if (index < 0 || index >= kJoystickMax) return;
  if (input_replaying()) {
    if (index >= g_joysticks.joystick_count) return;
    input_replay_joystick(index, &state);
  } else {
    platform::JoystickDevice* device = g_joysticks.joystick_devices[index];
    if (device == nullptr) return;
    read_device(device, state);
  }
  if (input_recording()) input_record_joystick_read(index, state);
}

void joystick_state(int32_t& x, int32_t& y, int32_t& button1, int32_t& button2) {
  platform::JoystickState s;
  joystick_read(0, s);
  x = s.axes[0] / 30000;
  y = s.axes[1] / 30000;
  button1 = s.buttons[0];
  button2 = s.buttons[1];
}

void joystick_state(double& x, double& y, double& button1, double& button2) {
  four_as_doubles(
      [](int32_t& a, int32_t& b, int32_t& c, int32_t& d) { joystick_state(a, b, c, d); }, x, y,
      button1, button2);
}

double joy_x(int32_t index) { return stick(index, 0, 1, 0); }
double joy_y(int32_t index) { return stick(index, 0, 1, 1); }
double joy_rx(int32_t index) { return stick(index, 3, 4, 0); }
double joy_ry(int32_t index) { return stick(index, 3, 4, 1); }

double joy_z(int32_t index) {
  platform::JoystickState s;
  joystick_read(index, s);
  return unit(s.axes[2]);
}

double joy_rz(int32_t index) {
  platform::JoystickState s;
  joystick_read(index, s);
  return unit(s.axes[5]);
}

int32_t joy_hat_x(int32_t index) {
  int32_t x = 0, y = 0;
  hat_direction(index, &x, &y);
  return x;
}

int32_t joy_hat_y(int32_t index) {
  int32_t x = 0, y = 0;
  hat_direction(index, &x, &y);
  return y;
}

int32_t joy_button(int32_t index, int32_t button) {
  if (button < 0 || button > 31) return 0;
  platform::JoystickState s;
  joystick_read(index, s);
  return s.buttons[button];
}

RtString joy_name(int32_t index) {
  if (!valid(index)) return RtString("");
  return RtString(g_joysticks.joystick_names[index]);
}

int32_t joy_count() { return g_joysticks.joystick_count; }

void joy_rumble(int32_t index, double duration, double x, double y) {
  if (index < 0 || index >= kJoystickMax) return;
  platform::JoystickDevice* device = g_joysticks.joystick_devices[index];
  if (!platform::joysticks().has_rumble(device)) return;
  x = std::clamp(x, -1.0, 1.0);
  y = std::clamp(y, -1.0, 1.0);
  // The force's magnitude on 0..10000, spread over the motors' 0..65535.
  const auto magnitude = static_cast<int32_t>((x * x + y * y) * 10000 / 2);
  const auto strength = static_cast<uint16_t>(static_cast<int64_t>(magnitude) * 65535 / 10000);
  double ms = std::isnan(duration) ? 0.0 : std::clamp(duration, 0.0, 4294967295.0);
  platform::joysticks().rumble(device, 0, 0);
  platform::joysticks().rumble(device, strength, static_cast<uint32_t>(ms));
}

}  // namespace zrv
