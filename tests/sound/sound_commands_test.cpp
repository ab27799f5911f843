// The sound commands on a real OpenAL output (its wave-file writer): channel
// numbers, the busy rule of one buffer, the rotation of several, volume and
// pan as the output has them, the error codes, and the device missing.
#include "sound/sound_commands.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/context.hpp"
#include "files/paths.hpp"
#include "sound/sound_device.hpp"
#include "wav_files.hpp"
#include "wave_output.hpp"

namespace zrv {
namespace {

using test::Bytes;

void sleep_for_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class SoundCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    test::wave_output();
    ctx.sound_device = sound_device_create();
    ASSERT_TRUE(sound_device_open(ctx.sound_device, test::test_window()));
    ctx.sound_slots = sound_slots_create();
    ctx.last_error = 0;
    tone_ = dir_.file("tone.wav");
    ASSERT_TRUE(test::write_file(tone_, test::tone_wav(0.6)));
  }
  void TearDown() override {
    sound_slots_destroy(ctx.sound_slots);
    ctx.sound_slots = nullptr;
    sound_device_destroy(ctx.sound_device);
    ctx.sound_device = nullptr;
  }

  SoundSlot& slot(int32_t n) { return ctx.sound_slots[n]; }

  int32_t volume_of(int32_t channel) {
    int32_t v = 1;
    EXPECT_TRUE(slot_get_volume(slot(channel >> 8), channel & 0xFF, &v));
    return v;
  }
  int32_t pan_of(int32_t channel) {
    int32_t p = 1;
    EXPECT_TRUE(slot_get_pan(slot(channel >> 8), channel & 0xFF, &p));
    return p;
  }

  test::ScratchFolder dir_;
  std::string tone_;
};

TEST_F(SoundCommands, ZeroBuffersGiveOneThatIsBusyWhilePlaying) {
  sound_load(tone_.c_str(), 9, 0);
  ASSERT_EQ(ctx.last_error, 0);
  EXPECT_EQ(slot(9).count, 1);
  EXPECT_EQ(sound_play(9, 0, 1), 9 * 256);
  EXPECT_EQ(sound_play(9, 0, 1), -1);  // still sounding: not restarted
  EXPECT_EQ(sound_is_playing(9 * 256), 1);
  sound_stop(9 * 256);
  EXPECT_EQ(sound_is_playing(9 * 256), 0);
  EXPECT_EQ(sound_play(9, 0, 1), 9 * 256);
}

TEST_F(SoundCommands, BuffersAboveFourGiveFour) {
  sound_load(tone_.c_str(), 3, 9);
  EXPECT_EQ(slot(3).count, 4);
  sound_load(tone_.c_str(), 3, -2);
  EXPECT_EQ(slot(3).count, 1);
}

TEST_F(SoundCommands, ThreeBuffersRotateAndTheFourthPlayCutsOffTheFirst) {
  sound_load(tone_.c_str(), 40, 3);
  ASSERT_EQ(slot(40).count, 3);
  EXPECT_EQ(sound_play(40, 0, 1), 40 * 256 + 0);
  EXPECT_EQ(sound_play(40, 0, 1), 40 * 256 + 1);
  EXPECT_EQ(sound_play(40, 0, 1), 40 * 256 + 2);
  sleep_for_ms(150);
  int32_t before = 0;
  ASSERT_TRUE(slot_get_position(slot(40), 0, &before));
  EXPECT_GT(before, 0);
  EXPECT_EQ(sound_play(40, 0, 1), 40 * 256 + 0);
  int32_t after = -1, second = 0;
  ASSERT_TRUE(slot_get_position(slot(40), 0, &after));
  ASSERT_TRUE(slot_get_position(slot(40), 1, &second));
  EXPECT_LT(after, before);  // started again from the beginning
  EXPECT_LT(after, second);
  for (int b = 0; b < 3; ++b) EXPECT_EQ(sound_is_playing(40 * 256 + b), 1) << b;
  EXPECT_EQ(sound_play(40, 0, 1), 40 * 256 + 1);
}

TEST_F(SoundCommands, AFinishedBufferIsUsedAgain) {
  const std::string blip = dir_.file("blip.wav");
  ASSERT_TRUE(test::write_file(blip, test::tone_wav(0.03)));
  sound_load(blip.c_str(), 2, 2);
  EXPECT_EQ(sound_play(2, 0, 1), 2 * 256);
  // Wait until the output has played it through.
  for (int i = 0; i < 100 && sound_is_playing(2 * 256); ++i) sleep_for_ms(10);
  EXPECT_EQ(sound_is_playing(2 * 256), 0);
  EXPECT_EQ(sound_play(2, 0, 1), 2 * 256);
}

TEST_F(SoundCommands, BufferPartOfTheChannelAtOrAboveTheCountStopsTheWholeSlot) {
  sound_load(tone_.c_str(), 7, 2);
  for (int32_t stop_part : {255, 2}) {
    const int32_t a = sound_play(7, 0, 1);
    const int32_t b = sound_play(7, 0, 1);
    ASSERT_EQ(a >> 8, 7);
    ASSERT_EQ(b >> 8, 7);
    ASSERT_NE(a, b);
    sound_stop(7 * 256 + stop_part);
    EXPECT_EQ(sound_is_playing(a), 0) << stop_part;
    EXPECT_EQ(sound_is_playing(b), 0) << stop_part;
  }
  const int32_t a = sound_play(7, 0, 1);
  const int32_t b = sound_play(7, 0, 1);
  ASSERT_NE(a, b);
  sound_stop(b);
  EXPECT_EQ(sound_is_playing(a), 1);
  EXPECT_EQ(sound_is_playing(b), 0);
}

TEST_F(SoundCommands, StopAllStopsEverySlot) {
  sound_load(tone_.c_str(), 0, 1);
  sound_load(tone_.c_str(), 4095, 2);
  ASSERT_EQ(sound_play(0, 0, 1), 0);
  ASSERT_EQ(sound_play(4095, 0, 1), 4095 * 256);
  ASSERT_EQ(sound_play(4095, 0, 1), 4095 * 256 + 1);
  sound_stop_all();
  EXPECT_EQ(sound_is_playing(0), 0);
  EXPECT_EQ(sound_is_playing(4095 * 256), 0);
  EXPECT_EQ(sound_is_playing(4095 * 256 + 1), 0);
}

TEST_F(SoundCommands, ChannelsOutsideTheTableAreIgnoredByStop) {
  sound_load(tone_.c_str(), 1, 1);
  ASSERT_EQ(sound_play(1, 0, 1), 256);
  sound_stop(-256);
  sound_stop(4096 * 256 + 1);  // slot 4096 would be slot 0 in 12 bits
  sound_stop(0x7FFFFFFF);
  EXPECT_EQ(sound_is_playing(256), 1);
  EXPECT_EQ(ctx.last_error, 0);
}

TEST_F(SoundCommands, VolumeBecomesHundredthsOfADecibel) {
  sound_load(tone_.c_str(), 5, 1);
  const struct {
    double volume;
    int32_t expected;
  } cases[] = {{0.5, -602},   {1.0, 0},       {3.0, 0},       {0.01, -4000},
               {0.0, -10000}, {-1.0, -10000}, {0.001, -10000}};
  for (const auto& c : cases) {
    const int32_t channel = sound_play(5, 0, c.volume);
    ASSERT_EQ(channel, 5 * 256) << c.volume;
    EXPECT_EQ(volume_of(channel), c.expected) << c.volume;
    sound_stop(channel);
  }
}

TEST_F(SoundCommands, PanIsClampedAndScaledForMonoAndStereoSamples) {
  const std::string stereo = dir_.file("stereo.wav");
  ASSERT_TRUE(test::write_file(stereo, test::tone_wav(0.6, 22050, 440, 2)));
  sound_load(tone_.c_str(), 11, 1);
  sound_load(stereo.c_str(), 12, 1);
  ASSERT_EQ(slot(11).channels, 1);
  ASSERT_EQ(slot(12).channels, 2);
  const struct {
    double pan;
    int32_t expected;
  } cases[] = {{2.0, 10000},   {-0.25, -2500},  {0.0, 0},         {1.0, 10000},
               {-7.0, -10000}, {0.33333, 3333}, {-0.99999, -9999}};
  for (int32_t s : {11, 12}) {
    for (const auto& c : cases) {
      const int32_t channel = sound_play(s, c.pan, 1);
      ASSERT_EQ(channel, s * 256) << c.pan;
      EXPECT_EQ(pan_of(channel), c.expected) << "slot " << s << " pan " << c.pan;
      sound_stop(channel);
    }
  }
}

TEST_F(SoundCommands, LoadingAgainReplacesTheSample) {
  sound_load(tone_.c_str(), 20, 3);
  ASSERT_EQ(slot(20).count, 3);
  ASSERT_EQ(sound_play(20, 0, 1), 20 * 256);
  sound_load(tone_.c_str(), 20, 1);
  EXPECT_EQ(slot(20).count, 1);
  EXPECT_EQ(slot(20).current, 0);
  EXPECT_EQ(sound_is_playing(20 * 256), 0);  // the old sample was stopped
  EXPECT_EQ(sound_play(20, 0, 1), 20 * 256);
  EXPECT_EQ(sound_play(20, 0, 1), -1);

  // A failing load leaves the slot empty.
  const std::string broken = dir_.file("broken.wav");
  ASSERT_TRUE(test::write_file(broken, Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A'}));
  sound_load(broken.c_str(), 20, 1);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(slot(20).count, 0);
  EXPECT_EQ(sound_play(20, 0, 1), -1);
}

TEST_F(SoundCommands, SamplesLoadFromMemoryFileNames) {
  const Bytes wav = test::tone_wav(0.2);
  RtString name = memfile_name(wav.data(), static_cast<uint32_t>(wav.size()));
  sound_load(name, 60, 2);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(slot(60).count, 2);
  EXPECT_EQ(sound_play(60, 0, 1), 60 * 256);
  memfile_unregister(wav.data());
  // A name whose block is gone is a missing file.
  sound_load(name, 61, 1);
  EXPECT_EQ(ctx.last_error, 3);
}

TEST_F(SoundCommands, LoadErrors) {
  sound_load(tone_.c_str(), 4096, 0);
  EXPECT_EQ(ctx.last_error, 7);
  sound_load(tone_.c_str(), -1, 0);
  EXPECT_EQ(ctx.last_error, 7);
  sound_load((dir_.path + "/missing.wav").c_str(), 1, 0);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(slot(1).count, 0);
  sound_load(tone_.c_str(), 1, 0);
  EXPECT_EQ(ctx.last_error, 0);  // cleared at the start
}

TEST_F(SoundCommands, FormatsTheOutputRefusesFailTheLoad) {
  using test::chunk;
  using test::fmt_body;
  const Bytes data = test::sine16(0.05, 22050, 440, 0.5, 6);
  const struct {
    const char* what;
    Bytes wav;
  } cases[] = {
      // Six channels are offered as two with the file's block align of 12.
      {"six channels", test::riff({chunk("fmt ", fmt_body(6, 22050, 16)), chunk("data", data)})},
      {"24 bits", test::riff({chunk("fmt ", fmt_body(1, 22050, 24)), chunk("data", data)})},
      {"block align",
       test::riff({chunk("fmt ", fmt_body(1, 22050, 16, 0, 3)), chunk("data", data)})},
      {"rate 0", test::riff({chunk("fmt ", fmt_body(1, 0, 16)), chunk("data", data)})},
      {"no whole frame",
       test::riff({chunk("fmt ", fmt_body(2, 22050, 16)), chunk("data", Bytes{1, 2, 3})})},
  };
  for (const auto& c : cases) {
    const std::string path = dir_.file("refused.wav");
    ASSERT_TRUE(test::write_file(path, c.wav));
    sound_load(path.c_str(), 30, 2);
    EXPECT_EQ(ctx.last_error, 3) << c.what;
    EXPECT_EQ(slot(30).count, 0) << c.what;
    EXPECT_EQ(slot(30).device, nullptr) << c.what;
    EXPECT_EQ(sound_play(30, 0, 1), -1) << c.what;
  }
  // An 8-bit stereo file with an odd data length plays its whole frames.
  const std::string odd = dir_.file("odd.wav");
  Bytes samples(2 * 2205 + 1, 128);
  ASSERT_TRUE(test::write_file(
      odd, test::riff({chunk("fmt ", fmt_body(2, 22050, 8)), chunk("data", samples)})));
  sound_load(odd.c_str(), 30, 1);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(sound_play(30, 0, 1), 30 * 256);
}

TEST_F(SoundCommands, PlayAndIsPlayingChecks) {
  EXPECT_EQ(sound_play(4096, 0, 1), 0);
  EXPECT_EQ(ctx.last_error, 7);
  ctx.last_error = 0;
  EXPECT_EQ(sound_play(-3, 0, 1), 0);
  EXPECT_EQ(ctx.last_error, 7);
  ctx.last_error = 0;
  EXPECT_EQ(sound_play(100, 0, 1), -1);  // empty slot
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(sound_is_playing(0x100000), 0);
  EXPECT_EQ(ctx.last_error, 7);
  ctx.last_error = 0;
  EXPECT_EQ(sound_is_playing(-1), 0);
  EXPECT_EQ(ctx.last_error, 7);
  ctx.last_error = 0;
  EXPECT_EQ(sound_is_playing(0xFFFFF), 0);  // the last channel there is
  EXPECT_EQ(ctx.last_error, 0);
}

TEST_F(SoundCommands, FreeSlotSearchesFromTheTop) {
  EXPECT_EQ(sound_free_slot(), 4095);
  sound_load(tone_.c_str(), 4095, 1);
  EXPECT_EQ(sound_free_slot(), 4094);
  // Every slot taken: no sample is needed to mark them.
  for (int32_t s = 0; s < 4095; ++s) slot(s).count = 1;
  ctx.last_error = 0;
  EXPECT_EQ(sound_free_slot(), -1);
  EXPECT_EQ(ctx.last_error, 7);
  slot(17).count = 0;
  EXPECT_EQ(sound_free_slot(), 17);
  EXPECT_EQ(ctx.last_error, 0);
  for (int32_t s = 0; s < 4095; ++s) slot(s).count = 0;
}

TEST_F(SoundCommands, SlotsOfAClosedDeviceNoLongerPlay) {
  sound_load(tone_.c_str(), 8, 2);
  ASSERT_EQ(sound_play(8, 0, 1), 8 * 256);
  sound_slots_destroy(ctx.sound_slots);
  ctx.sound_slots = sound_slots_create();
  sound_load(tone_.c_str(), 8, 2);
  sound_device_close(ctx.sound_device);
  EXPECT_EQ(sound_play(8, 0, 1), -1);
  EXPECT_EQ(sound_is_playing(8 * 256), 0);
  sound_load(tone_.c_str(), 8, 2);
  EXPECT_EQ(ctx.last_error, 3);
}

TEST(SoundVolume, Conversions) {
  EXPECT_EQ(sound_volume_to_platform(50), -602);
  EXPECT_EQ(sound_volume_to_platform(1), -4000);
  EXPECT_EQ(sound_volume_to_platform(100), 0);
  EXPECT_EQ(sound_volume_to_platform(0), -10000);
  EXPECT_EQ(sound_volume_to_platform(-5), -10000);
  EXPECT_EQ(sound_volume_to_platform(99), -8);
  EXPECT_NEAR(sound_platform_to_gain(-602), 0.5, 0.001);
  EXPECT_DOUBLE_EQ(sound_platform_to_gain(0), 1.0);
  EXPECT_DOUBLE_EQ(sound_platform_to_gain(-10000), 0.0);
  EXPECT_EQ(sound_gain_to_platform(0.0), -10000);
  EXPECT_EQ(sound_gain_to_platform(1e-9), -10000);
  for (int32_t v : {-9999, -4000, -602, -1, 0})
    EXPECT_EQ(sound_gain_to_platform(sound_platform_to_gain(v)), v);
}

// Without an output device (no sound card, and every headless run) the
// silent output stands in: loads succeed and plays follow the slots' rules,
// each sound playing for its length.
TEST(SoundDevice, WithoutAnOutputDeviceTheSilentOutputPlaysByTheRules) {
  // The wave writer cannot create its file: the output device cannot open.
  const test::WaveOutput& out = test::wave_output();
  const std::string away = out.folder + ".away";
  ASSERT_EQ(rename(out.folder.c_str(), away.c_str()), 0);
  ctx.sound_device = sound_device_create();
  const bool opened = sound_device_open(ctx.sound_device, test::test_window());
  ASSERT_EQ(rename(away.c_str(), out.folder.c_str()), 0);
  ASSERT_TRUE(opened);
  EXPECT_EQ(ctx.sound_device->api, &platform::null_audio());
  test::ScratchFolder dir;
  const std::string tone = dir.file("tone.wav");
  ASSERT_TRUE(test::write_file(tone, test::tone_wav(0.2)));
  ctx.sound_slots = sound_slots_create();
  sound_load(tone.c_str(), 1, 2);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(sound_play(1, 0, 1), 256);
  EXPECT_EQ(sound_play(1, 0.5, 0.5), 257);
  EXPECT_EQ(sound_is_playing(256) + sound_is_playing(257), 2);
  EXPECT_EQ(sound_play(1, 0, 1), 256) << "the oldest play is cut off";
  int32_t volume = 0;
  ASSERT_TRUE(slot_get_volume(ctx.sound_slots[1], 1, &volume));
  EXPECT_EQ(volume, sound_volume_to_platform(50));
  sleep_for_ms(300);
  EXPECT_EQ(sound_is_playing(256) + sound_is_playing(257), 0) << "a sound ends with its length";
  sound_load(dir.file("none.wav").c_str(), 2, 1);
  EXPECT_EQ(ctx.last_error, 3);
  sound_slots_destroy(ctx.sound_slots);
  ctx.sound_slots = nullptr;
  sound_device_destroy(ctx.sound_device);
  ctx.sound_device = nullptr;
}

TEST(SoundDevice, BindFollowsTheWindow) {
  test::wave_output();
  SoundDevice* device = sound_device_create();
  ASSERT_TRUE(sound_device_open(device, test::test_window()));
  EXPECT_EQ(device->window, test::test_window());
  static int other;
  auto* second = reinterpret_cast<platform::Window*>(&other);
  sound_device_bind(device, second);
  EXPECT_EQ(device->window, second);
  sound_device_close(device);
  EXPECT_EQ(device->output, nullptr);
  EXPECT_EQ(device->window, nullptr);
  sound_device_destroy(device);
}

}  // namespace
}  // namespace zrv
