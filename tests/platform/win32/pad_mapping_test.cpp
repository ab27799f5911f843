// Controller readings of XInput and WinMM as joystick states: the same axes,
// hat and buttons the SDL backend gives for the same controller on Linux.
#include "platform/win32/pad_mapping.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using namespace zrv::platform::win32;
using zrv::platform::JoystickState;

TEST(PadMapping, SticksReachBothEndsAndDownIsPositive) {
  EXPECT_EQ(xinput_stick_x(-32768), -32768);
  EXPECT_EQ(xinput_stick_x(32767), 32768);
  EXPECT_EQ(xinput_stick_x(0), 0);
  EXPECT_EQ(xinput_stick_x(-1), -1);
  EXPECT_EQ(xinput_stick_x(16384), 16384);
  // XInput's up is the axis' negative end; fully down is +32768.
  EXPECT_EQ(xinput_stick_y(32767), -32768);
  EXPECT_EQ(xinput_stick_y(-32768), 32768);
  EXPECT_EQ(xinput_stick_y(0), -1);
  EXPECT_EQ(xinput_stick_y(-1), 0);
  EXPECT_EQ(xinput_stick_y(-16385), 16384);
}

TEST(PadMapping, TriggersGoFromReleasedToPulled) {
  EXPECT_EQ(xinput_trigger(0), -32768);
  EXPECT_EQ(xinput_trigger(255), 32768);
  EXPECT_EQ(xinput_trigger(128), 128);
  EXPECT_LT(xinput_trigger(127), 0);
}

TEST(PadMapping, DirectionsAreHundredthsOfADegreeClockwiseFromUp) {
  EXPECT_EQ(hat_from_directions(false, false, false, false), 0xFFFFFFFFu);
  EXPECT_EQ(hat_from_directions(true, false, false, false), 0u);
  EXPECT_EQ(hat_from_directions(true, true, false, false), 4500u);
  EXPECT_EQ(hat_from_directions(false, true, false, false), 9000u);
  EXPECT_EQ(hat_from_directions(false, true, true, false), 13500u);
  EXPECT_EQ(hat_from_directions(false, false, true, false), 18000u);
  EXPECT_EQ(hat_from_directions(false, false, true, true), 22500u);
  EXPECT_EQ(hat_from_directions(false, false, false, true), 27000u);
  EXPECT_EQ(hat_from_directions(true, false, false, true), 31500u);
  // Opposite switches cancel.
  EXPECT_EQ(hat_from_directions(true, false, true, false), 0xFFFFFFFFu);
  EXPECT_EQ(hat_from_directions(true, true, true, true), 0xFFFFFFFFu);
  EXPECT_EQ(hat_from_directions(true, true, true, false), 9000u);
}

TEST(PadMapping, AnIdlePadIsCentredWithTriggersReleased) {
  const JoystickState s = joystick_state_from_xinput(XInputPad{});
  EXPECT_EQ(s.axes[0], 0);
  EXPECT_EQ(s.axes[1], -1);
  EXPECT_EQ(s.axes[2], -32768);
  EXPECT_EQ(s.axes[3], 0);
  EXPECT_EQ(s.axes[4], -1);
  EXPECT_EQ(s.axes[5], -32768);
  EXPECT_EQ(s.sliders[0], 0);
  EXPECT_EQ(s.sliders[1], 0);
  EXPECT_EQ(s.hats[0], 0xFFFFFFFFu);
  for (uint8_t b : s.buttons) EXPECT_EQ(b, 0);
}

TEST(PadMapping, SticksAndTriggersGoToTheirAxes) {
  XInputPad pad;
  pad.thumb_lx = 32767;   // left stick right
  pad.thumb_ly = -32768;  // and down
  pad.left_trigger = 255;
  pad.thumb_rx = -32768;  // right stick left
  pad.thumb_ry = 32767;   // and up
  pad.right_trigger = 128;
  const JoystickState s = joystick_state_from_xinput(pad);
  EXPECT_EQ(s.axes[0], 32768);
  EXPECT_EQ(s.axes[1], 32768);
  EXPECT_EQ(s.axes[2], 32768);
  EXPECT_EQ(s.axes[3], -32768);
  EXPECT_EQ(s.axes[4], -32768);
  EXPECT_EQ(s.axes[5], 128);
}

TEST(PadMapping, ButtonsGoWhereLinuxNumbersThem) {
  const struct {
    uint16_t bit;
    int index;
  } cases[] = {{kPadA, 0},
               {kPadB, 1},
               {kPadX, 2},
               {kPadY, 3},
               {kPadLeftShoulder, 4},
               {kPadRightShoulder, 5},
               {kPadBack, 6},
               {kPadStart, 7},
               {kPadGuide, 8},
               {kPadLeftThumb, 9},
               {kPadRightThumb, 10}};
  for (const auto& c : cases) {
    XInputPad pad;
    pad.buttons = c.bit;
    const JoystickState s = joystick_state_from_xinput(pad);
    for (int i = 0; i < 32; ++i) {
      EXPECT_EQ(s.buttons[i], i == c.index ? 0x80 : 0) << "bit " << c.bit << " button " << i;
    }
    EXPECT_EQ(s.hats[0], 0xFFFFFFFFu);
  }
}

TEST(PadMapping, TheDpadIsHatZeroAndNoButton) {
  XInputPad pad;
  pad.buttons = kPadDown | kPadLeft | kPadA;
  const JoystickState s = joystick_state_from_xinput(pad);
  EXPECT_EQ(s.hats[0], 22500u);
  EXPECT_EQ(s.hats[1], 0xFFFFFFFFu);
  EXPECT_EQ(s.buttons[0], 0x80);
  int down = 0;
  for (uint8_t b : s.buttons) down += b != 0;
  EXPECT_EQ(down, 1);
}

TEST(PadMapping, ProductsFollowTheSubType) {
  EXPECT_STREQ(xinput_product(0x01), "XInput Gamepad");
  EXPECT_STREQ(xinput_product(0x02), "XInput Wheel");
  EXPECT_STREQ(xinput_product(0x13), "XInput Arcade Pad");
  EXPECT_STREQ(xinput_product(0x00), "XInput Controller");
}

TEST(PadMapping, WinmmAxesSpanTheCapsRange) {
  // The usual driver range 0..65535.
  EXPECT_EQ(winmm_axis(0, 0, 65535), -32768);
  EXPECT_EQ(winmm_axis(65535, 0, 65535), 32768);
  EXPECT_EQ(winmm_axis(32768, 0, 65535), 0);
  EXPECT_EQ(winmm_axis(32767, 0, 65535), -1);
  // A small range with an offset, and positions beyond it.
  EXPECT_EQ(winmm_axis(100, 100, 300), -32768);
  EXPECT_EQ(winmm_axis(200, 100, 300), 0);
  EXPECT_EQ(winmm_axis(250, 100, 300), 16384);
  EXPECT_EQ(winmm_axis(300, 100, 300), 32768);
  EXPECT_EQ(winmm_axis(50, 100, 300), -32768);
  EXPECT_EQ(winmm_axis(400, 100, 300), 32768);
  // A range of one value says nothing.
  EXPECT_EQ(winmm_axis(7, 7, 7), 0);
  EXPECT_EQ(winmm_axis(7, 9, 3), 0);
}

TEST(PadMapping, PovIsTheHatAndCentredOutsideTheCircle) {
  EXPECT_EQ(hat_from_pov(0), 0u);
  EXPECT_EQ(hat_from_pov(9000), 9000u);
  EXPECT_EQ(hat_from_pov(31500), 31500u);
  EXPECT_EQ(hat_from_pov(35999), 35999u);
  EXPECT_EQ(hat_from_pov(0xFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(hat_from_pov(36000), 0xFFFFFFFFu);
  EXPECT_EQ(hat_from_pov(0xFFFFFFFFu), 0xFFFFFFFFu);
}

WinmmCaps full_caps() {
  WinmmCaps c;
  c.x = c.y = c.z = c.r = c.u = c.v = {0, 65535};
  c.caps = kWinmmHasZ | kWinmmHasR | kWinmmHasU | kWinmmHasV | kWinmmHasPov;
  c.buttons = 32;
  return c;
}

TEST(PadMapping, WinmmAxesGoToXYZAndUrvToTheRotations) {
  WinmmPosition p;
  p.x = 0;
  p.y = 65535;
  p.z = 32768;
  p.u = 65535;
  p.r = 0;
  p.v = 49152;
  p.pov = 27000;
  const JoystickState s = joystick_state_from_winmm(p, full_caps());
  EXPECT_EQ(s.axes[0], -32768);
  EXPECT_EQ(s.axes[1], 32768);
  EXPECT_EQ(s.axes[2], 0);
  EXPECT_EQ(s.axes[3], 32768);
  EXPECT_EQ(s.axes[4], -32768);
  EXPECT_EQ(s.axes[5], 16384);
  EXPECT_EQ(s.hats[0], 27000u);
}

TEST(PadMapping, WinmmAxesAndHatTheDeviceLacksStayNeutral) {
  WinmmCaps c;
  c.x = c.y = {0, 65535};
  WinmmPosition p;
  p.x = p.y = 32768;
  p.z = p.r = p.u = p.v = 65535;
  p.pov = 0;
  const JoystickState s = joystick_state_from_winmm(p, c);
  EXPECT_EQ(s.axes[0], 0);
  EXPECT_EQ(s.axes[1], 0);
  for (int i = 2; i < 6; ++i) EXPECT_EQ(s.axes[i], 0) << i;
  EXPECT_EQ(s.hats[0], 0xFFFFFFFFu);
}

TEST(PadMapping, WinmmButtonBitsAreButtonsInOrder) {
  WinmmPosition p;
  p.x = p.y = 32768;
  p.buttons = 0x80000005u;
  const JoystickState s = joystick_state_from_winmm(p, full_caps());
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(s.buttons[i], i == 0 || i == 2 || i == 31 ? 0x80 : 0) << i;
  }
}

TEST(PadMapping, AsAGamepadTheButtonsAreNamedAndTriggersStartAtZero) {
  XInputPad pad;
  pad.buttons = kPadB | kPadGuide | kPadRightShoulder | kPadLeft;
  pad.thumb_ly = 32767;  // up
  pad.thumb_rx = -32768;
  pad.left_trigger = 255;
  const zrv::platform::PadState s = pad_state_from_xinput(pad);
  // B 1, Guide 5, right shoulder 10, D-pad left 13.
  EXPECT_EQ(s.buttons, (1u << 1) | (1u << 5) | (1u << 10) | (1u << 13));
  EXPECT_EQ(s.axes[1], -32768);
  EXPECT_EQ(s.axes[2], -32768);
  EXPECT_EQ(s.axes[4], 32767);
  EXPECT_EQ(s.axes[5], 0);
}

}  // namespace
