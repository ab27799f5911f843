// The game controllers: found by number, opened, and read on demand, with
// an optional rumble.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace zrv::platform {

// One read of a controller: six axes X, Y, Z, Rx, Ry, Rz from -32768 to
// 32768, two sliders, four hats in hundredths of a degree clockwise from
// "up" (0xFFFFFFFF = centred), 32 buttons (0x80 = down).
struct JoystickState {
  int32_t axes[6] = {};
  int32_t sliders[2] = {};
  uint32_t hats[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  uint8_t buttons[32] = {};
};

struct JoystickDevice;  // an opened controller of a backend

// A gamepad: a controller whose layout the platform knows. Buttons in the
// order A, B, X, Y, Back, Guide, Start, left stick, right stick, left
// shoulder, right shoulder, D-pad up, down, left, right.
constexpr int32_t kPadButtons = 15;
// Axes: left stick x, y, right stick x, y (-32768..32767, y down
// positive), left and right trigger (0..32767).
constexpr int32_t kPadAxes = 6;

struct PadState {
  int16_t axes[kPadAxes] = {};
  uint16_t buttons = 0;  // bit n = button n down
};

// A gamepad plugged in: id stays its own while it stays plugged in.
struct PadSeen {
  int64_t id = 0;
  std::string name;
};

// The defaults are those of a platform without controllers: none is found.
class Joysticks {
 public:
  virtual ~Joysticks() = default;

  // Number of attached controllers.
  virtual int32_t count() { return 0; }
  // Opens controller index; null on failure. name: instance and product name.
  virtual JoystickDevice* open(int32_t index, std::string* name) { return nullptr; }
  virtual void close(JoystickDevice* device) {}
  // Reads the controller now. False (state untouched) when it cannot be read.
  virtual bool read(JoystickDevice* device, JoystickState* state) { return false; }
  virtual bool has_rumble(JoystickDevice* device) { return false; }
  // Both motors at strength 0..65535 for ms milliseconds.
  virtual bool rumble(JoystickDevice* device, uint16_t strength, uint32_t ms) { return false; }
  // Lets go of the controllers' subsystem once no device is open, and of
  // the gamepads.
  virtual void release() {}

  // The gamepads plugged in now, in the platform's order.
  virtual void pads(std::vector<PadSeen>* seen) { seen->clear(); }
  // Reads gamepad id now. False when it is no longer there.
  virtual bool pad_read(int64_t id, PadState* state) { return false; }
};

}  // namespace zrv::platform
