// The Win32 sound output's mixer: gains per side, channels, 8-bit centre,
// clipping, the end of a sample, looping, stop, resampling, handles.
#include "platform/win32/mixer.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using zrv::platform::SampleFormat;
using zrv::platform::win32::Mixer;

SampleFormat format(int32_t channels, int32_t bits, uint32_t rate) {
  return SampleFormat{channels, bits, channels * bits / 8, rate};
}

// 16-bit little-endian data of the values, frame after frame.
std::vector<uint8_t> pcm16(const std::vector<int16_t>& values) {
  std::vector<uint8_t> out;
  for (int16_t v : values) {
    const uint16_t u = static_cast<uint16_t>(v);
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  }
  return out;
}

// A sample of frames frames, each channel holding one value throughout.
uint32_t steady(Mixer& m, int32_t channels, int64_t frames, int16_t left, int16_t right,
                uint32_t rate = 22050) {
  std::vector<int16_t> values;
  for (int64_t f = 0; f < frames; ++f) {
    values.push_back(left);
    if (channels == 2) values.push_back(right);
  }
  const std::vector<uint8_t> data = pcm16(values);
  return m.sample_add(format(channels, 16, rate), data.data(), data.size());
}

std::vector<int16_t> mix(Mixer& m, int64_t frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2, 12345);
  m.mix(out.data(), frames);
  return out;
}

TEST(Mixer, EachSideTakesItsOwnGainExactly) {
  Mixer m(22050, 4);
  const uint32_t voice = m.voice_add(steady(m, 2, 100, 10000, -8000));
  ASSERT_NE(voice, 0u);
  const double gains[2] = {0.5, 0.25};
  ASSERT_TRUE(m.set_gains(voice, gains));
  ASSERT_TRUE(m.play(voice, false));
  const std::vector<int16_t> out = mix(m, 10);
  for (int f = 0; f < 10; ++f) {
    EXPECT_EQ(out[2 * f], 5000) << f;
    EXPECT_EQ(out[2 * f + 1], -2000) << f;
  }
  double back[2] = {};
  ASSERT_TRUE(m.gains(voice, back));
  EXPECT_EQ(back[0], 0.5);
  EXPECT_EQ(back[1], 0.25);
}

TEST(Mixer, BothGainsChangeAtTheSameFrame) {
  Mixer m(22050, 4);
  const uint32_t voice = m.voice_add(steady(m, 2, 100, 8000, 8000));
  m.play(voice, false);
  const std::vector<int16_t> before = mix(m, 3);
  const double gains[2] = {0.25, 0.75};
  m.set_gains(voice, gains);
  const std::vector<int16_t> after = mix(m, 3);
  EXPECT_EQ(before, std::vector<int16_t>(6, 8000));
  EXPECT_EQ(after, (std::vector<int16_t>{2000, 6000, 2000, 6000, 2000, 6000}));
}

TEST(Mixer, NewVoicesAreStoppedAtGainOne) {
  Mixer m(22050, 4);
  const uint32_t voice = m.voice_add(steady(m, 1, 100, 1000, 0));
  double gains[2] = {};
  ASSERT_TRUE(m.gains(voice, gains));
  EXPECT_EQ(gains[0], 1.0);
  EXPECT_EQ(gains[1], 1.0);
  EXPECT_FALSE(m.playing(voice, m.mixed()));
  EXPECT_EQ(mix(m, 4), std::vector<int16_t>(8, 0));
  ASSERT_TRUE(m.play(voice, false));
  EXPECT_EQ(mix(m, 2), (std::vector<int16_t>{1000, 1000, 1000, 1000}));
}

TEST(Mixer, MonoGoesToBothSides) {
  Mixer m(22050, 4);
  const uint32_t voice = m.voice_add(steady(m, 1, 100, 20000, 0));
  const double gains[2] = {0.0, 0.75};
  m.set_gains(voice, gains);
  m.play(voice, false);
  EXPECT_EQ(mix(m, 2), (std::vector<int16_t>{0, 15000, 0, 15000}));
}

TEST(Mixer, EightBitIsUnsignedAroundCentre128) {
  Mixer m(22050, 4);
  const uint8_t data[] = {128, 255, 0, 128};  // two stereo frames
  const uint32_t voice = m.voice_add(m.sample_add(format(2, 8, 22050), data, sizeof data));
  ASSERT_NE(voice, 0u);
  m.play(voice, false);
  EXPECT_EQ(mix(m, 2), (std::vector<int16_t>{0, 127 * 256, -128 * 256, 0}));
}

TEST(Mixer, SumsVoicesAndClipsTo16Bits) {
  Mixer m(22050, 4);
  const uint32_t a = m.voice_add(steady(m, 2, 10, 30000, -30000));
  const uint32_t b = m.voice_add(steady(m, 2, 10, 30000, -30000));
  const uint32_t c = m.voice_add(steady(m, 2, 10, -1000, 500));
  m.play(a, false);
  EXPECT_EQ(mix(m, 1), (std::vector<int16_t>{30000, -30000}));
  m.play(c, false);
  EXPECT_EQ(mix(m, 1), (std::vector<int16_t>{29000, -29500}));
  m.play(b, false);
  EXPECT_EQ(mix(m, 1), (std::vector<int16_t>{32767, -32768}));
}

TEST(Mixer, OnceStopsAndRewindsAtTheEnd) {
  Mixer m(22050, 4);
  const uint32_t voice = m.voice_add(steady(m, 1, 100, 1000, 0));
  m.play(voice, false);
  mix(m, 60);
  int64_t at = -1;
  ASSERT_TRUE(m.position(voice, m.mixed(), &at));
  EXPECT_EQ(at, 60);
  EXPECT_TRUE(m.playing(voice, m.mixed()));
  const std::vector<int16_t> out = mix(m, 60);
  EXPECT_EQ(out[2 * 39], 1000);
  EXPECT_EQ(out[2 * 40], 0);  // past the end: silence
  EXPECT_EQ(out[2 * 59 + 1], 0);
  EXPECT_FALSE(m.playing(voice, m.mixed()));
  ASSERT_TRUE(m.position(voice, m.mixed(), &at));
  EXPECT_EQ(at, 0);
}

TEST(Mixer, EndingExactlyAtAPeriodStopsAtOnce) {
  Mixer m(22050, 4);
  const uint32_t voice = m.voice_add(steady(m, 1, 50, 1000, 0));
  m.play(voice, false);
  mix(m, 50);
  EXPECT_FALSE(m.playing(voice, m.mixed()));
}

TEST(Mixer, PlayStateAndPositionAreThoseOfTheFrameHeard) {
  Mixer m(22050, 4);
  const uint32_t voice = m.voice_add(steady(m, 1, 60, 1000, 0));
  mix(m, 10);
  m.play(voice, false);
  mix(m, 100);  // its 60 frames went to mixed frames 10..69
  int64_t at = -1;
  EXPECT_TRUE(m.playing(voice, 5));  // not heard yet: at its start
  ASSERT_TRUE(m.position(voice, 5, &at));
  EXPECT_EQ(at, 0);
  EXPECT_TRUE(m.playing(voice, 40));
  m.position(voice, 40, &at);
  EXPECT_EQ(at, 30);
  EXPECT_TRUE(m.playing(voice, 69));
  EXPECT_FALSE(m.playing(voice, 70));
  m.position(voice, 70, &at);
  EXPECT_EQ(at, 0);
  // Heard no later than mixed.
  EXPECT_FALSE(m.playing(voice, 1000));

  // Looping, at twice the mix rate.
  const uint32_t fast = m.voice_add(steady(m, 1, 50, 1000, 0, 44100));
  m.play(fast, true);
  const int64_t start = m.mixed();
  mix(m, 100);
  EXPECT_TRUE(m.playing(fast, start + 80));
  m.position(fast, start + 80, &at);
  EXPECT_EQ(at, 10);  // 160 frames through a 50-frame loop

  // A stop is at once, heard or not.
  m.play(voice, false);
  mix(m, 10);
  m.stop(voice);
  EXPECT_FALSE(m.playing(voice, m.mixed() - 10));
}

TEST(Mixer, LoopingWrapsAround) {
  Mixer m(22050, 4);
  std::vector<int16_t> ramp;
  for (int16_t i = 0; i < 10; ++i) ramp.push_back(static_cast<int16_t>(100 * i));
  const std::vector<uint8_t> data = pcm16(ramp);
  const uint32_t voice = m.voice_add(m.sample_add(format(1, 16, 22050), data.data(), data.size()));
  m.play(voice, true);
  const std::vector<int16_t> out = mix(m, 25);
  for (int f = 0; f < 25; ++f) EXPECT_EQ(out[2 * f], 100 * (f % 10)) << f;
  EXPECT_TRUE(m.playing(voice, m.mixed()));
  int64_t at = -1;
  m.position(voice, m.mixed(), &at);
  EXPECT_EQ(at, 5);
}

TEST(Mixer, StopRewindsAndSilences) {
  Mixer m(22050, 4);
  const uint32_t voice = m.voice_add(steady(m, 2, 100, 1000, 2000));
  m.play(voice, true);
  mix(m, 30);
  ASSERT_TRUE(m.stop(voice));
  EXPECT_FALSE(m.playing(voice, m.mixed()));
  int64_t at = -1;
  m.position(voice, m.mixed(), &at);
  EXPECT_EQ(at, 0);
  EXPECT_EQ(mix(m, 3), std::vector<int16_t>(6, 0));
}

TEST(Mixer, PlayingAgainStartsOver) {
  Mixer m(22050, 4);
  const uint32_t voice = m.voice_add(steady(m, 1, 100, 1000, 0));
  m.play(voice, false);
  mix(m, 40);
  m.play(voice, false);
  int64_t at = -1;
  m.position(voice, m.mixed(), &at);
  EXPECT_EQ(at, 0);
  mix(m, 70);
  EXPECT_TRUE(m.playing(voice, m.mixed()));
}

TEST(Mixer, ResamplesToTheMixRate) {
  Mixer m(22050, 4);
  // Half the mix rate: every sample frame lasts two mixed frames, the
  // second halfway to the next.
  const std::vector<uint8_t> slow = pcm16({0, 1000, 2000, 3000});
  const uint32_t half = m.voice_add(m.sample_add(format(1, 16, 11025), slow.data(), slow.size()));
  m.play(half, false);
  const std::vector<int16_t> out = mix(m, 8);
  const std::vector<int16_t> left = {out[0], out[2], out[4], out[6], out[8], out[10], out[12]};
  EXPECT_EQ(left, (std::vector<int16_t>{0, 500, 1000, 1500, 2000, 2500, 3000}));
  EXPECT_FALSE(m.playing(half, m.mixed()));

  // Twice the mix rate: one mixed frame for every second sample frame.
  const uint32_t fast = m.voice_add(steady(m, 1, 1000, 100, 0, 44100));
  m.play(fast, false);
  mix(m, 300);
  int64_t at = -1;
  m.position(fast, m.mixed(), &at);
  EXPECT_EQ(at, 600);
  mix(m, 200);
  EXPECT_FALSE(m.playing(fast, m.mixed()));
}

TEST(Mixer, RefusesWhatItCannotPlay) {
  Mixer m(22050, 2);
  const uint8_t data[8] = {};
  EXPECT_EQ(m.sample_add(format(1, 24, 22050), data, 6), 0u);
  EXPECT_EQ(m.sample_add(format(3, 16, 22050), data, 6), 0u);
  EXPECT_EQ(m.sample_add(format(2, 16, 22050), data, 2), 0u);  // no whole frame
  EXPECT_EQ(m.sample_add(format(1, 16, 0), data, 2), 0u);
  EXPECT_EQ(m.voice_add(12345), 0u);
  const double gains[2] = {1, 1};
  EXPECT_FALSE(m.set_gains(0, gains));
  EXPECT_FALSE(m.play(0, false));
  int64_t at = 0;
  EXPECT_FALSE(m.position(0, m.mixed(), &at));

  const uint32_t sample = steady(m, 1, 10, 1000, 0);
  const uint32_t a = m.voice_add(sample);
  const uint32_t b = m.voice_add(sample);
  EXPECT_NE(a, 0u);
  EXPECT_NE(b, 0u);
  EXPECT_EQ(m.voice_add(sample), 0u);  // both voices taken
  EXPECT_TRUE(m.voice_remove(a));
  EXPECT_FALSE(m.play(a, false));
  const uint32_t c = m.voice_add(sample);
  EXPECT_NE(c, a);  // handles are not reused
  EXPECT_NE(c, b);
}

TEST(Mixer, AVoicePlaysOnWhenItsSampleIsDeleted) {
  Mixer m(22050, 4);
  const uint32_t sample = steady(m, 1, 100, 700, 0);
  const uint32_t voice = m.voice_add(sample);
  m.play(voice, false);
  EXPECT_TRUE(m.sample_remove(sample));
  EXPECT_EQ(m.voice_add(sample), 0u);
  EXPECT_EQ(mix(m, 1), (std::vector<int16_t>{700, 700}));
}

}  // namespace
