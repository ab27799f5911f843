// Gamepads on SDL's virtual controllers: the named layout, names from the
// controller database, pads plugged in and out while running, and a
// recording with a pad replayed without it.
#include "input/pad.hpp"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/context.hpp"
#include "input/joystick.hpp"
#include "temp_recording.hpp"
#include "zorvane.hpp"

namespace {

namespace pad = zrv::pad;

class Pad : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError(); }
  void TearDown() override {
    zrv::joystick_close_all(nullptr);
    for (auto& [id, joystick] : attached_) {
      if (joystick) unplug(joystick);
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }
  // A controller in the gamepad layout: 15 buttons, 6 axes.
  SDL_Joystick* plug(const char* name) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = 6;
    desc.nbuttons = 15;
    desc.name = name;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    EXPECT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* j = SDL_JoystickOpen(index);
    attached_.push_back({SDL_JoystickInstanceID(j), j});
    return j;
  }
  void unplug(SDL_Joystick* j) {
    for (auto& [id, joystick] : attached_) {
      if (joystick != j) continue;
      SDL_JoystickClose(j);
      joystick = nullptr;
      for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
      }
    }
  }
  static int32_t slot_of(const char* name) {
    for (int32_t i = 0; i < zrv::kPadSlots; ++i) {
      if (std::string(zrv::pad_name(i).c_str()) == name) return i;
    }
    return -1;
  }
  std::vector<std::pair<int, SDL_Joystick*>> attached_;
};

TEST_F(Pad, ButtonsAndAxesByName) {
  SDL_Joystick* j = plug("zrv gamepad");
  const int32_t s = slot_of("zrv gamepad");
  ASSERT_GE(s, 0);
  EXPECT_EQ(zrv::pad_connected(s), 1);
  for (int32_t b : {pad::A, pad::Y, pad::Start, pad::LeftShoulder, pad::Up, pad::Right}) {
    SDL_JoystickSetVirtualButton(j, b, 1);
    for (int32_t other = 0; other < 15; ++other) {
      EXPECT_EQ(zrv::pad_button(s, other), other == b ? 1 : 0) << b << " / " << other;
    }
    SDL_JoystickSetVirtualButton(j, b, 0);
  }
  SDL_JoystickSetVirtualAxis(j, pad::LeftX, 32767);
  SDL_JoystickSetVirtualAxis(j, pad::LeftY, -32768);
  SDL_JoystickSetVirtualAxis(j, pad::RightY, 16384);
  // A trigger's whole travel on the controller's axis, released at -32768.
  SDL_JoystickSetVirtualAxis(j, pad::LeftTrigger, -32768);
  SDL_JoystickSetVirtualAxis(j, pad::RightTrigger, 32767);
  EXPECT_EQ(zrv::pad_axis(s, pad::LeftX), 1.0);
  EXPECT_EQ(zrv::pad_axis(s, pad::LeftY), -1.0);
  EXPECT_NEAR(zrv::pad_axis(s, pad::RightY), 0.5, 1e-3);
  EXPECT_EQ(zrv::pad_axis(s, pad::RightTrigger), 1.0);
  EXPECT_EQ(zrv::pad_axis(s, pad::LeftTrigger), 0.0);
  SDL_JoystickSetVirtualAxis(j, pad::LeftTrigger, 0);
  EXPECT_NEAR(zrv::pad_axis(s, pad::LeftTrigger), 0.5, 1e-3);
  EXPECT_EQ(zrv::pad_axis(s, 6), 0.0);
  EXPECT_EQ(zrv::pad_button(s, 15), 0);
  EXPECT_EQ(zrv::pad_button(8, pad::A), 0);
  EXPECT_STREQ(zrv::pad_name(8).c_str(), "");
}

TEST_F(Pad, PlugsKeepTheirSlotsAndFreedSlotsAreTakenLowestFirst) {
  const int32_t before = zrv::pad_count();
  SDL_Joystick* first = plug("zrv first");
  plug("zrv second");
  EXPECT_EQ(zrv::pad_count(), before + 2);
  const int32_t s1 = slot_of("zrv first"), s2 = slot_of("zrv second");
  ASSERT_GE(s1, 0);
  ASSERT_GT(s2, s1);
  unplug(first);
  EXPECT_EQ(zrv::pad_count(), before + 1);
  EXPECT_EQ(zrv::pad_connected(s1), 0);
  EXPECT_STREQ(zrv::pad_name(s1).c_str(), "");
  EXPECT_EQ(slot_of("zrv second"), s2) << "the other pad keeps its slot";
  plug("zrv third");
  EXPECT_EQ(slot_of("zrv third"), s1);
}

// Plugged in during the recording, pressed, moved and unplugged; replayed
// with no pad at all.
TEST_F(Pad, ARecordingReplaysThePadAndItsPlugging) {
  TempRecording file;
  ASSERT_TRUE(file.recording());
  auto sample = [](int32_t slot) {
    return std::vector<double>{static_cast<double>(zrv::pad_count()),
                               static_cast<double>(zrv::pad_connected(slot)),
                               static_cast<double>(zrv::pad_button(slot, pad::B)),
                               zrv::pad_axis(slot, pad::LeftX),
                               zrv::pad_axis(slot, pad::LeftTrigger),
                               static_cast<double>(zrv::pad_name(slot).length)};
  };
  std::vector<std::vector<double>> live;
  SDL_Joystick* j = nullptr;
  int32_t s = 0;
  for (int64_t frame = 0; frame < 8; ++frame) {
    zrv::ctx.frames_presented = frame;
    if (frame == 2) j = plug("zrv recorded pad");
    if (frame == 2) s = slot_of("zrv recorded pad");
    if (frame == 6) unplug(j);
    if (j && frame < 6) {
      SDL_JoystickSetVirtualButton(j, pad::B, frame % 2);
      SDL_JoystickSetVirtualAxis(j, pad::LeftX, static_cast<int16_t>(frame * 5000));
      SDL_JoystickSetVirtualAxis(j, pad::LeftTrigger, static_cast<int16_t>(frame * 6000));
    }
    live.push_back(sample(s));
  }
  ASSERT_TRUE(file.replay());
  plug("zrv intruder");  // a pad of the replaying machine is not seen
  std::vector<std::vector<double>> replayed;
  for (int64_t frame = 0; frame < 8; ++frame) {
    zrv::ctx.frames_presented = frame;
    replayed.push_back(sample(s));
  }
  EXPECT_EQ(replayed, live);
  EXPECT_STREQ(zrv::pad_name(s).c_str(), "");
  EXPECT_NE(live[3], live[4]);
}

}  // namespace
