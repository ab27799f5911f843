// Game controllers: up to 10 found once when the input object opens, read
// on every command (no per-frame cache), with the screen's orientation
// applied to the stick directions.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "input/input_state.hpp"
#include "platform/joysticks.hpp"

namespace zrv {

constexpr int32_t kJoystickMax = 10;
constexpr int32_t kJoystickNameSize = 522;

// Joystick fields of the input object.
struct JoystickSet {
  platform::JoystickDevice* joystick_devices[kJoystickMax] = {};
  char joystick_names[kJoystickMax][kJoystickNameSize] = {};
  int32_t joystick_count = 0;
};

// The process's joystick fields (one input object per process).
JoystickSet& joystick_set();

// The input object's joystick part: finds the controllers (once), and
// releases them.
void joystick_open_all(InputState* input);
void joystick_close_all(InputState* input);

// Reads joystick index into state. A controller that cannot be read gives
// zero axes, released buttons and centred hats; an index without a
// controller leaves state untouched.
void joystick_read(int32_t index, platform::JoystickState& state);

// Commands.
void joystick_state(int32_t& x, int32_t& y, int32_t& button1, int32_t& button2);
void joystick_state(double& x, double& y, double& button1, double& button2);
double joy_x(int32_t index);
double joy_y(int32_t index);
double joy_z(int32_t index);
double joy_rx(int32_t index);
double joy_ry(int32_t index);
double joy_rz(int32_t index);
int32_t joy_hat_x(int32_t index);
int32_t joy_hat_y(int32_t index);
int32_t joy_button(int32_t index, int32_t button);
RtString joy_name(int32_t index);
int32_t joy_count();
void joy_rumble(int32_t index, double duration, double x, double y);

}  // namespace zrv
