// What a controller's reading means as a JoystickState: XInput's gamepad
// record and WinMM's positions, turned into the axes, hat and buttons the
// SDL backend reports for the same controller on Linux. Plain arithmetic on
// the records' fields, so that it needs no Win32 header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/joysticks.hpp"

namespace zrv::platform::win32 {

inline constexpr uint32_t kHatCentred = 0xFFFFFFFFu;

// XINPUT_GAMEPAD, field for field.
struct XInputPad {
  uint16_t buttons = 0;
  uint8_t left_trigger = 0;
  uint8_t right_trigger = 0;
  int16_t thumb_lx = 0;
  int16_t thumb_ly = 0;
  int16_t thumb_rx = 0;
  int16_t thumb_ry = 0;
};

// XINPUT_GAMEPAD's button bits; the guide button only comes through
// XInputGetStateEx.
inline constexpr uint16_t kPadUp = 0x0001, kPadDown = 0x0002, kPadLeft = 0x0004, kPadRight = 0x0008,
                          kPadStart = 0x0010, kPadBack = 0x0020, kPadLeftThumb = 0x0040,
                          kPadRightThumb = 0x0080, kPadLeftShoulder = 0x0100,
                          kPadRightShoulder = 0x0200, kPadGuide = 0x0400, kPadA = 0x1000,
                          kPadB = 0x2000, kPadX = 0x4000, kPadY = 0x8000;

// The buttons in the order Linux's gamepad driver numbers them (the kernel's
// BTN_A .. BTN_THUMBR), which is what the SDL backend shows there.
inline constexpr uint16_t kPadButtonOrder[] = {
    kPadA,    kPadB,     kPadX,     kPadY,         kPadLeftShoulder, kPadRightShoulder,
    kPadBack, kPadStart, kPadGuide, kPadLeftThumb, kPadRightThumb};

// The hat of four direction switches: hundredths of a degree clockwise from
// up. Opposite switches cancel each other (a worn pad can report both).
constexpr uint32_t hat_from_directions(bool up, bool right, bool down, bool left) {
  const int x = (right ? 1 : 0) - (left ? 1 : 0);
  const int y = (down ? 1 : 0) - (up ? 1 : 0);
  if (x == 0 && y == 0) return kHatCentred;
  if (x == 0) return y < 0 ? 0 : 18000;
  if (y == 0) return x > 0 ? 9000 : 27000;
  if (x > 0) return y < 0 ? 4500 : 13500;
  return y > 0 ? 22500 : 31500;
}

// The positive side of a 16-bit axis stretched to end at 32768, truncating
// as SDL's backend does, so that both ends are full deflection.
constexpr int32_t axis_stretch(int32_t value) {
  if (value <= 0) return value;
  return static_cast<int32_t>(static_cast<int64_t>(value) * 32768 / 32767);
}

// A thumbstick's x: right is positive.
constexpr int32_t xinput_stick_x(int16_t value) { return axis_stretch(value); }

// A thumbstick's y: XInput counts up as positive, the joystick axes down (as
// Linux's driver does, by flipping every bit: up 32767 -> -32768).
constexpr int32_t xinput_stick_y(int16_t value) {
  return axis_stretch(-static_cast<int32_t>(value) - 1);
}

// A trigger, 0..255, as an axis from -32768 (released) to 32768 (pulled).
constexpr int32_t xinput_trigger(uint8_t value) {
  return static_cast<int32_t>(value) * 65536 / 255 - 32768;
}

// The whole reading: X, Y the left stick, Z the left trigger, Rx, Ry the
// right stick, Rz the right trigger; the D-pad is hat 0.
constexpr JoystickState joystick_state_from_xinput(const XInputPad& pad) {
  JoystickState s;
  s.axes[0] = xinput_stick_x(pad.thumb_lx);
  s.axes[1] = xinput_stick_y(pad.thumb_ly);
  s.axes[2] = xinput_trigger(pad.left_trigger);
  s.axes[3] = xinput_stick_x(pad.thumb_rx);
  s.axes[4] = xinput_stick_y(pad.thumb_ry);
  s.axes[5] = xinput_trigger(pad.right_trigger);
  s.hats[0] = hat_from_directions((pad.buttons & kPadUp) != 0, (pad.buttons & kPadRight) != 0,
                                  (pad.buttons & kPadDown) != 0, (pad.buttons & kPadLeft) != 0);
  for (size_t i = 0; i < sizeof kPadButtonOrder / sizeof kPadButtonOrder[0]; ++i) {
    s.buttons[i] = (pad.buttons & kPadButtonOrder[i]) != 0 ? 0x80 : 0;
  }
  return s;
}

// The same reading as a gamepad: XInput's pads are the gamepad layout, so
// only the units change (y down positive, triggers 0..32767).
constexpr PadState pad_state_from_xinput(const XInputPad& pad) {
  constexpr uint16_t kOrder[kPadButtons] = {kPadA,
                                            kPadB,
                                            kPadX,
                                            kPadY,
                                            kPadBack,
                                            kPadGuide,
                                            kPadStart,
                                            kPadLeftThumb,
                                            kPadRightThumb,
                                            kPadLeftShoulder,
                                            kPadRightShoulder,
                                            kPadUp,
                                            kPadDown,
                                            kPadLeft,
                                            kPadRight};
  PadState s;
  s.axes[0] = pad.thumb_lx;
  s.axes[1] = static_cast<int16_t>(-static_cast<int32_t>(pad.thumb_ly) - 1);
  s.axes[2] = pad.thumb_rx;
  s.axes[3] = static_cast<int16_t>(-static_cast<int32_t>(pad.thumb_ry) - 1);
  s.axes[4] = static_cast<int16_t>(pad.left_trigger * 32767 / 255);
  s.axes[5] = static_cast<int16_t>(pad.right_trigger * 32767 / 255);
  for (int32_t i = 0; i < kPadButtons; ++i) {
    if (pad.buttons & kOrder[i]) s.buttons = static_cast<uint16_t>(s.buttons | 1u << i);
  }
  return s;
}

// The product of an XInput controller from its capabilities' SubType.
constexpr const char* xinput_product(uint8_t sub_type) {
  switch (sub_type) {
    case 0x01:
      return "XInput Gamepad";
    case 0x02:
      return "XInput Wheel";
    case 0x03:
      return "XInput Arcade Stick";
    case 0x04:
      return "XInput Flight Stick";
    case 0x05:
      return "XInput Dance Pad";
    case 0x06:
    case 0x07:
    case 0x0B:
      return "XInput Guitar";
    case 0x08:
      return "XInput Drum Kit";
    case 0x13:
      return "XInput Arcade Pad";
    default:
      return "XInput Controller";
  }
}

// A WinMM axis position within the range the device's capabilities give,
// as -32768..32768. A range of one value gives the centre.
constexpr int32_t winmm_axis(uint32_t position, uint32_t min, uint32_t max) {
  if (max <= min) return 0;
  if (position <= min) return -32768;
  if (position >= max) return 32768;
  const int64_t span = static_cast<int64_t>(max) - min;
  return static_cast<int32_t>((static_cast<int64_t>(position) - min) * 65536 / span - 32768);
}

// WinMM's point of view (JOYINFOEX's dwPOV): already hundredths of a degree
// clockwise from up; JOY_POVCENTERED (0xFFFF) and anything not an angle
// mean centred.
constexpr uint32_t hat_from_pov(uint32_t pov) { return pov < 36000 ? pov : kHatCentred; }

// JOYCAPS's ranges, JOYINFOEX's positions; the capability bits of wCaps.
struct WinmmRange {
  uint32_t min = 0;
  uint32_t max = 0;
};
struct WinmmCaps {
  WinmmRange x, y, z, r, u, v;
  uint32_t caps = 0;  // JOYCAPS_HASZ 1, HASR 2, HASU 4, HASV 8, HASPOV 16
  uint32_t buttons = 0;
};
struct WinmmPosition {
  uint32_t x = 0, y = 0, z = 0, r = 0, u = 0, v = 0;
  uint32_t buttons = 0;
  uint32_t pov = 0xFFFF;
};
inline constexpr uint32_t kWinmmHasZ = 1, kWinmmHasR = 2, kWinmmHasU = 4, kWinmmHasV = 8,
                          kWinmmHasPov = 16;

// X, Y, Z as such; U, R, V as Rx, Ry, Rz, because a gamepad's right stick
// comes through WinMM as U (across) and R (up and down). Axes the device
// does not have stay 0; the buttons are dwButtons' bits, the POV hat 0.
constexpr JoystickState joystick_state_from_winmm(const WinmmPosition& p, const WinmmCaps& c) {
  JoystickState s;
  s.axes[0] = winmm_axis(p.x, c.x.min, c.x.max);
  s.axes[1] = winmm_axis(p.y, c.y.min, c.y.max);
  if (c.caps & kWinmmHasZ) s.axes[2] = winmm_axis(p.z, c.z.min, c.z.max);
  if (c.caps & kWinmmHasU) s.axes[3] = winmm_axis(p.u, c.u.min, c.u.max);
  if (c.caps & kWinmmHasR) s.axes[4] = winmm_axis(p.r, c.r.min, c.r.max);
  if (c.caps & kWinmmHasV) s.axes[5] = winmm_axis(p.v, c.v.min, c.v.max);
  if (c.caps & kWinmmHasPov) s.hats[0] = hat_from_pov(p.pov);
  for (int i = 0; i < 32; ++i) s.buttons[i] = (p.buttons >> i) & 1 ? 0x80 : 0;
  return s;
}

}  // namespace zrv::platform::win32
