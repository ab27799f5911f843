// The joystick commands on SDL's virtual joystick: axes scaled and turned
// with the screen, the first hat as a direction, 32 buttons, names, the
// joystick_state rounding and rumble with its strength and duration.
#include "input/joystick.hpp"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/context.hpp"
#include "gfx/renderer.hpp"
#include "input/replay.hpp"
#include "platform/sdl/joysticks_sdl.hpp"
#include "temp_recording.hpp"

namespace {

struct RumbleCall {
  uint16_t low, high;
};
std::vector<RumbleCall> g_rumbles;

int rumble(void* /*userdata*/, Uint16 low, Uint16 high) {
  g_rumbles.push_back({low, high});
  return 0;
}

class Joystick : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    g_rumbles.clear();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = 8;
    desc.nbuttons = 32;
    desc.nhats = 1;
    desc.name = "zrv pad";
    desc.Rumble = rumble;
    device_index_ = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(device_index_, 0) << SDL_GetError();
    pad_ = SDL_JoystickOpen(device_index_);
    ASSERT_NE(pad_, nullptr);
    SDL_JoystickSetVirtualHat(pad_, 0, SDL_HAT_CENTERED);
    zrv::joystick_open_all(nullptr);
    // The runtime's number of the virtual pad (a machine may have others).
    for (int32_t i = 0; i < zrv::joy_count(); ++i) {
      if (std::string(zrv::joy_name(i).c_str()) == "zrv pad, zrv pad") index_ = i;
    }
    ASSERT_GE(index_, 0);
  }
  void TearDown() override {
    zrv::joystick_close_all(nullptr);
    if (pad_) SDL_JoystickClose(pad_);
    SDL_JoystickDetachVirtual(device_index_);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    if (zrv::ctx.renderer) zrv::renderer_destroy(zrv::ctx.renderer);
    zrv::ctx.renderer = nullptr;
  }
  void axis(int a, int16_t v) { SDL_JoystickSetVirtualAxis(pad_, a, v); }
  void hat(uint8_t v) { SDL_JoystickSetVirtualHat(pad_, 0, v); }
  void button(int b, bool down) { SDL_JoystickSetVirtualButton(pad_, b, down ? 1 : 0); }

  int device_index_ = -1;
  SDL_Joystick* pad_ = nullptr;
  int32_t index_ = -1;
};

TEST_F(Joystick, FoundOnceWithItsName) {
  EXPECT_GE(zrv::joy_count(), 1);
  EXPECT_LE(zrv::joy_count(), zrv::kJoystickMax);
  EXPECT_STREQ(zrv::joy_name(11).c_str(), "");
  EXPECT_STREQ(zrv::joy_name(-1).c_str(), "");
  EXPECT_STREQ(zrv::joy_name(zrv::joy_count()).c_str(), "");
  // A controller attached later is not seen.
  const int32_t before = zrv::joy_count();
  const int later = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 2, 0);
  ASSERT_GE(later, 0);
  SDL_JoystickUpdate();
  EXPECT_EQ(zrv::joy_count(), before);
  SDL_JoystickDetachVirtual(later);
}

TEST_F(Joystick, AxesAreScaledToUnitsAndLimited) {
  axis(0, 16384);
  axis(1, -32768);
  axis(2, 32767);
  axis(3, -16384);
  axis(4, 8192);
  axis(5, 0);
  EXPECT_NEAR(zrv::joy_x(index_), 16384.0 / 32767.0, 1e-9);
  EXPECT_EQ(zrv::joy_y(index_), -1.0);
  EXPECT_EQ(zrv::joy_z(index_), 1.0) << "32767 stretches to 32768, limited to 1";
  EXPECT_NEAR(zrv::joy_rx(index_), -16384.0 / 32767.0, 1e-9);
  EXPECT_NEAR(zrv::joy_ry(index_), 8192.0 / 32767.0, 1e-9);
  EXPECT_EQ(zrv::joy_rz(index_), 0.0);
  // Read on every call: a change shows at once.
  axis(0, -8192);
  EXPECT_NEAR(zrv::joy_x(index_), -8192.0 / 32767.0, 1e-9);
  // A joystick that does not exist reads as centred.
  EXPECT_EQ(zrv::joy_x(9), 0.0);
  EXPECT_EQ(zrv::joy_x(-4), 0.0);
  EXPECT_EQ(zrv::joy_x(400), 0.0);
}

TEST_F(Joystick, SticksTurnWithTheScreenButZAndRzDoNot) {
  zrv::ctx.renderer = zrv::renderer_create();
  axis(0, 16384);  // X
  axis(1, 8192);   // Y
  axis(3, -8192);  // Rx
  axis(4, 16384);  // Ry
  axis(2, 4096);
  const double X = 16384.0 / 32767.0, Y = 8192.0 / 32767.0;
  const double expected[4][2] = {{X, Y}, {-Y, X}, {-X, -Y}, {Y, -X}};
  for (int o = 0; o < 4; ++o) {
    zrv::ctx.renderer->orientation = o;
    EXPECT_NEAR(zrv::joy_x(index_), expected[o][0], 1e-9) << "orientation " << o;
    EXPECT_NEAR(zrv::joy_y(index_), expected[o][1], 1e-9) << "orientation " << o;
    EXPECT_NEAR(zrv::joy_z(index_), 4096.0 / 32767.0, 1e-9);
  }
  zrv::ctx.renderer->orientation = 1;
  EXPECT_NEAR(zrv::joy_rx(index_), -16384.0 / 32767.0, 1e-9);
  EXPECT_NEAR(zrv::joy_ry(index_), -8192.0 / 32767.0, 1e-9);
}

TEST_F(Joystick, HatGivesDirectionsAndCentredGivesZero) {
  struct Case {
    uint8_t bits;
    uint32_t angle;
    int x, y;
  };
  const Case cases[] = {{SDL_HAT_UP, 0, 0, -1},
                        {SDL_HAT_RIGHTUP, 4500, 1, -1},
                        {SDL_HAT_RIGHT, 9000, 1, 0},
                        {SDL_HAT_RIGHTDOWN, 13500, 1, 1},
                        {SDL_HAT_DOWN, 18000, 0, 1},
                        {SDL_HAT_LEFTDOWN, 22500, -1, 1},
                        {SDL_HAT_LEFT, 27000, -1, 0},
                        {SDL_HAT_LEFTUP, 31500, -1, -1},
                        {SDL_HAT_CENTERED, 0xFFFFFFFFu, 0, 0}};
  for (const Case& c : cases) {
    hat(c.bits);
    zrv::platform::JoystickState s;
    zrv::joystick_read(index_, s);
    EXPECT_EQ(s.hats[0], c.angle);
    EXPECT_EQ(zrv::joy_hat_x(index_), c.x) << "hat " << c.angle;
    EXPECT_EQ(zrv::joy_hat_y(index_), c.y) << "hat " << c.angle;
  }
  // Turned with the screen like the sticks: right becomes down at 1.
  zrv::ctx.renderer = zrv::renderer_create();
  zrv::ctx.renderer->orientation = 1;
  hat(SDL_HAT_RIGHT);
  EXPECT_EQ(zrv::joy_hat_x(index_), 0);
  EXPECT_EQ(zrv::joy_hat_y(index_), 1);
}

TEST_F(Joystick, ButtonsZeroToThirtyOne) {
  for (int b = 0; b < 32; ++b) {
    button(b, true);
    for (int other : {0, 15, 31}) {
      EXPECT_EQ(zrv::joy_button(index_, other), other == b ? 0x80 : 0) << b << " / " << other;
    }
    button(b, false);
  }
  button(0, true);
  EXPECT_EQ(zrv::joy_button(index_, 40), 0);
  EXPECT_EQ(zrv::joy_button(index_, 32), 0);
  EXPECT_EQ(zrv::joy_button(index_, -1), 0);
  EXPECT_NE(zrv::joy_button(index_, 0), 0);
}

TEST_F(Joystick, StateOfJoystickZeroTruncatesTowardZero) {
  ASSERT_EQ(index_, 0) << "the only controller on a test machine";
  int32_t x = 9, y = 9, b1 = 9, b2 = 9;
  axis(0, 29999);
  axis(1, -30000);
  zrv::joystick_state(x, y, b1, b2);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, -1);
  EXPECT_EQ(b1, 0);
  EXPECT_EQ(b2, 0);
  axis(0, 30000);
  axis(1, -29999);
  button(1, true);
  double dx, dy, d1, d2;
  zrv::joystick_state(dx, dy, d1, d2);
  EXPECT_EQ(dx, 1.0);
  EXPECT_EQ(dy, 0.0);
  EXPECT_EQ(d1, 0.0);
  EXPECT_EQ(d2, 128.0);
}

TEST_F(Joystick, RumbleRunsBothMotorsForTheDuration) {
  zrv::joy_rumble(index_, 200, 1, 0);  // magnitude (1 + 0) * 10000 / 2
  ASSERT_FALSE(g_rumbles.empty());
  EXPECT_EQ(g_rumbles.back().low, 32767);
  EXPECT_EQ(g_rumbles.back().high, 32767);
  zrv::joy_rumble(index_, 200, -3, 2);  // limited to (-1, 1): full force
  EXPECT_EQ(g_rumbles.back().low, 65535);
  EXPECT_EQ(g_rumbles.back().high, 65535);
  // After the duration the motors stop (on the next read).
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  zrv::joy_x(index_);
  EXPECT_EQ(g_rumbles.back().low, 0);
  EXPECT_EQ(g_rumbles.back().high, 0);
  const size_t calls = g_rumbles.size();
  zrv::joy_rumble(7, 100, 1, 1);  // no such joystick: nothing happens
  zrv::joy_rumble(-1, 100, 1, 1);
  EXPECT_EQ(g_rumbles.size(), calls);
}

TEST_F(Joystick, ControllerWithoutMotorsIgnoresRumble) {
  const int plain = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 4, 1);
  ASSERT_GE(plain, 0);
  zrv::joystick_open_all(nullptr);  // found again, now with the plain one
  int32_t plain_index = -1;
  for (int32_t i = 0; i < zrv::joy_count(); ++i) {
    if (std::string(zrv::joy_name(i).c_str()) != "zrv pad, zrv pad") plain_index = i;
  }
  ASSERT_GE(plain_index, 0);
  zrv::joy_rumble(plain_index, 100, 1, 1);
  EXPECT_TRUE(g_rumbles.empty());
  zrv::joystick_close_all(nullptr);
  SDL_JoystickDetachVirtual(plain);
}

TEST_F(Joystick, UnreadableControllerReadsNeutral) {
  axis(0, 20000);
  button(3, true);
  hat(SDL_HAT_UP);
  EXPECT_GT(zrv::joy_x(index_), 0.5);
  // Unplugged: zero axes, released buttons and a centred hat (not "up").
  SDL_JoystickClose(pad_);
  pad_ = nullptr;
  SDL_JoystickDetachVirtual(device_index_);
  EXPECT_EQ(zrv::joy_x(index_), 0.0);
  EXPECT_EQ(zrv::joy_button(index_, 3), 0);
  EXPECT_EQ(zrv::joy_hat_x(index_), 0);
  EXPECT_EQ(zrv::joy_hat_y(index_), 0);
  zrv::platform::JoystickState s;
  s.axes[0] = 77;
  zrv::joystick_read(index_, s);
  EXPECT_EQ(s.axes[0], 0);
  EXPECT_EQ(s.hats[0], 0xFFFFFFFFu);
}

TEST(JoystickUnits, HatAnglesAndAxisScale) {
  EXPECT_EQ(zrv::platform::joystick_hat_to_angle(SDL_HAT_CENTERED), 0xFFFFFFFFu);
  EXPECT_EQ(zrv::platform::joystick_hat_to_angle(SDL_HAT_UP | SDL_HAT_DOWN), 0xFFFFFFFFu);
  EXPECT_EQ(zrv::platform::joystick_hat_to_angle(SDL_HAT_LEFTUP), 31500u);
  EXPECT_EQ(zrv::platform::joystick_axis_scale(32767), 32768);
  EXPECT_EQ(zrv::platform::joystick_axis_scale(32766), 32766);
  EXPECT_EQ(zrv::platform::joystick_axis_scale(29999), 29999);
  EXPECT_EQ(zrv::platform::joystick_axis_scale(0), 0);
  EXPECT_EQ(zrv::platform::joystick_axis_scale(-32768), -32768);
  // A joystick index without a controller leaves a state untouched.
  zrv::platform::JoystickState s;
  s.axes[2] = 1234;
  s.hats[0] = 9000;
  zrv::joystick_read(3, s);
  zrv::joystick_read(10, s);
  EXPECT_EQ(s.axes[2], 1234);
  EXPECT_EQ(s.hats[0], 9000u);
}

// The virtual pad recorded frame by frame, then replayed with no controller
// attached: the same names, the same answers in every frame, and a centred
// pad after the recording's end.
TEST_F(Joystick, ARecordedPadReplaysWithoutTheDevice) {
  TempRecording file;
  ASSERT_TRUE(file.recording());
  zrv::joystick_open_all(nullptr);  // the names go into the recording
  const int32_t count = zrv::joy_count();
  // Each frame: stick, hat and buttons set, read twice with a change between.
  auto sample = [&](int32_t index) {
    return std::vector<double>{zrv::joy_x(index),
                               zrv::joy_y(index),
                               zrv::joy_rz(index),
                               static_cast<double>(zrv::joy_hat_x(index)),
                               static_cast<double>(zrv::joy_hat_y(index)),
                               static_cast<double>(zrv::joy_button(index, 3)),
                               static_cast<double>(zrv::joy_button(index, 31))};
  };
  std::vector<std::vector<double>> live;
  const uint8_t hats[] = {SDL_HAT_CENTERED, SDL_HAT_RIGHT, SDL_HAT_LEFTUP, SDL_HAT_DOWN};
  for (int64_t frame = 0; frame < 8; ++frame) {
    zrv::ctx.frames_presented = frame;
    axis(0, static_cast<int16_t>(frame * 4000 - 16000));
    axis(1, static_cast<int16_t>(-frame * 3000));
    axis(5, static_cast<int16_t>(frame % 3 == 0 ? 32767 : 0));
    hat(hats[frame % 4]);
    button(3, frame % 2 == 1);
    live.push_back(sample(index_));
    button(31, frame == 5);
    live.push_back(sample(index_));
  }
  ASSERT_TRUE(file.replay());
  zrv::joystick_open_all(nullptr);
  EXPECT_EQ(zrv::joy_count(), count);
  EXPECT_STREQ(zrv::joy_name(index_).c_str(), "zrv pad, zrv pad");
  // The real pad is held still: only the file answers.
  axis(0, 30000);
  button(3, true);
  std::vector<std::vector<double>> replayed;
  for (int64_t frame = 0; frame < 8; ++frame) {
    zrv::ctx.frames_presented = frame;
    replayed.push_back(sample(index_));
    replayed.push_back(sample(index_));
  }
  EXPECT_EQ(replayed, live);
  EXPECT_NE(live.front(), live.back());
  zrv::ctx.frames_presented = 9;  // after the end
  EXPECT_EQ(sample(index_), (std::vector<double>{0, 0, 0, 0, 0, 0, 0}));
  zrv::joystick_close_all(nullptr);
}

}  // namespace
