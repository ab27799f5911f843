// What actually leaves the output: OpenAL's wave-file writer records the
// mix in real time, and the recording must hold the played tone at the time
// it was played, at its pitch, on the side it was panned to and at the
// volume asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "base/context.hpp"
#include "sound/sound_commands.hpp"
#include "sound/sound_device.hpp"
#include "wav_files.hpp"
#include "wave_output.hpp"

namespace zrv {
namespace {

using Clock = std::chrono::steady_clock;

void sleep_for_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

double seconds_since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

// Peak and energy of one channel over frames [first, last).
struct Level {
  double peak = 0;
  double rms = 0;
};
Level level(const test::Recording& rec, int channel, size_t first, size_t last) {
  Level l;
  last = std::min(last, rec.frames());
  double sum = 0;
  for (size_t f = first; f < last; ++f) {
    const double v = rec.at(f, channel);
    l.peak = std::max(l.peak, std::fabs(v));
    sum += v * v;
  }
  if (last > first) l.rms = std::sqrt(sum / static_cast<double>(last - first));
  return l;
}

// First frame at or after `from` where either channel is louder than the
// threshold; the frame count when there is none.
size_t onset(const test::Recording& rec, size_t from, double threshold = 0.02) {
  for (size_t f = from; f < rec.frames(); ++f) {
    for (int c = 0; c < rec.channels; ++c)
      if (std::fabs(rec.at(f, c)) > threshold) return f;
  }
  return rec.frames();
}

// Pitch from the rising zero crossings of one channel.
double pitch(const test::Recording& rec, int channel, size_t first, size_t last) {
  last = std::min(last, rec.frames());
  int crossings = 0;
  for (size_t f = first + 1; f < last; ++f)
    if (rec.at(f - 1, channel) < 0 && rec.at(f, channel) >= 0) ++crossings;
  return crossings * static_cast<double>(rec.rate) / static_cast<double>(last - first);
}

class Audible : public ::testing::Test {
 protected:
  void SetUp() override {
    out_ = &test::wave_output();
    ctx.sound_device = sound_device_create();
    ASSERT_TRUE(sound_device_open(ctx.sound_device, test::test_window()));
    opened_ = Clock::now();
    ctx.sound_slots = sound_slots_create();
    ctx.last_error = 0;
  }
  void TearDown() override {
    sound_slots_destroy(ctx.sound_slots);
    ctx.sound_slots = nullptr;
    sound_device_destroy(ctx.sound_device);
    ctx.sound_device = nullptr;
  }

  void load(int32_t slot, const test::Bytes& wav) {
    const std::string path = dir_.file("s" + std::to_string(slot) + ".wav");
    ASSERT_TRUE(test::write_file(path, wav));
    sound_load(path.c_str(), slot, 1);
    ASSERT_EQ(ctx.last_error, 0);
  }

  // Closes the output, which completes its file, and reads the recording.
  test::Recording record() {
    sound_slots_destroy(ctx.sound_slots);
    ctx.sound_slots = nullptr;
    sound_device_close(ctx.sound_device);
    test::Recording rec;
    EXPECT_TRUE(test::read_recording(out_->wav, &rec));
    return rec;
  }

  const test::WaveOutput* out_ = nullptr;
  Clock::time_point opened_;
  test::ScratchFolder dir_;
};

TEST_F(Audible, TheToneSoundsAtItsTimeAndPitchInTheOutputFormat) {
  load(1, test::tone_wav(0.25, 22050, 440));
  sleep_for_ms(100);
  const double played_at = seconds_since(opened_);
  ASSERT_EQ(sound_play(1, 0, 1), 256);
  sleep_for_ms(400);
  test::Recording rec = record();
  EXPECT_EQ(rec.rate, 22050u);
  EXPECT_EQ(rec.channels, 2);
  ASSERT_GT(rec.frames(), 22050u * 4 / 10);

  const size_t start = onset(rec, 0);
  ASSERT_LT(start, rec.frames()) << "the output stayed silent";
  const double heard_at = static_cast<double>(start) / rec.rate;
  // Nothing before the play; the tone within the output's period after it.
  EXPECT_GT(heard_at, played_at - 0.03);
  EXPECT_LT(heard_at, played_at + 0.15);

  const size_t body = start + rec.rate / 50;  // past the fade-in
  const size_t end = start + rec.rate / 5;
  EXPECT_NEAR(pitch(rec, 0, body, end), 440, 22);
  const Level left = level(rec, 0, body, end);
  const Level right = level(rec, 1, body, end);
  EXPECT_GT(left.peak, 0.3);
  EXPECT_NEAR(left.rms / right.rms, 1.0, 0.05);  // centred
  // Silent again once the quarter second is over.
  EXPECT_LT(level(rec, 0, start + rec.rate * 3 / 10, rec.frames()).peak, 0.01);
}

TEST_F(Audible, PanMovesTheSoundToOneSide) {
  load(1, test::tone_wav(0.15, 22050, 330));     // mono
  load(2, test::tone_wav(0.15, 22050, 550, 2));  // stereo, both sides alike
  ASSERT_EQ(sound_play(1, 1.0, 1), 256);         // mono hard right
  sleep_for_ms(250);
  ASSERT_EQ(sound_play(2, -1.0, 1), 512);  // stereo hard left
  sleep_for_ms(250);
  test::Recording rec = record();

  const size_t first = onset(rec, 0);
  ASSERT_LT(first, rec.frames());
  const size_t a = first + rec.rate / 50, a_end = first + rec.rate / 10;
  EXPECT_NEAR(pitch(rec, 1, a, a_end), 330, 20);
  EXPECT_GT(level(rec, 1, a, a_end).rms, 8 * level(rec, 0, a, a_end).rms);

  const size_t second = onset(rec, first + rec.rate / 5);
  ASSERT_LT(second, rec.frames());
  const size_t b = second + rec.rate / 50, b_end = second + rec.rate / 10;
  EXPECT_NEAR(pitch(rec, 0, b, b_end), 550, 25);
  EXPECT_GT(level(rec, 0, b, b_end).rms, 8 * level(rec, 1, b, b_end).rms);
}

TEST_F(Audible, HalfVolumeIsHalfTheAmplitude) {
  load(1, test::tone_wav(0.15, 22050, 440));
  ASSERT_EQ(sound_play(1, 0, 1), 256);
  sleep_for_ms(250);
  ASSERT_EQ(sound_play(1, 0, 0.5), 256);
  sleep_for_ms(250);
  test::Recording rec = record();
  const size_t first = onset(rec, 0);
  ASSERT_LT(first, rec.frames());
  const size_t second = onset(rec, first + rec.rate / 5, 0.01);
  ASSERT_LT(second, rec.frames());
  const size_t span = rec.rate / 10;
  const double full = level(rec, 0, first + rec.rate / 50, first + span).rms;
  const double half = level(rec, 0, second + rec.rate / 50, second + span).rms;
  EXPECT_NEAR(half / full, 0.5, 0.03);
}

// Each side is attenuated on its own, in hundredths of a decibel: the
// volume on both, a pan on the side it turns away from. A stereo sample
// keeps its channels: a 440 Hz left and a quieter 660 Hz right.
TEST_F(Audible, LevelsFollowTheDecibelModelOnEachChannel) {
  const double seconds = 0.1;
  const double amplitude[2][2] = {{0.8, 0.8}, {0.8, 0.4}};  // mono, stereo
  load(1, test::tone_wav(seconds, 22050, 440));
  const test::Bytes left = test::sine16(seconds, 22050, 440, amplitude[1][0]);
  const test::Bytes right = test::sine16(seconds, 22050, 660, amplitude[1][1]);
  test::Bytes both;
  for (size_t i = 0; i + 1 < left.size(); i += 2)
    both.insert(both.end(), {left[i], left[i + 1], right[i], right[i + 1]});
  load(2,
       test::riff({test::chunk("fmt ", test::fmt_body(2, 22050, 16)), test::chunk("data", both)}));

  struct Case {
    int32_t slot, volume, pan;  // volume and pan in hundredths of a decibel
  };
  std::vector<Case> cases;
  for (int32_t slot : {1, 2})
    for (int32_t volume : {0, -600, -2000})
      for (int32_t pan : {-10000, -2500, 0, 2500}) cases.push_back({slot, volume, pan});
  for (const Case& c : cases) {
    ASSERT_EQ(sound_play(c.slot, c.pan / 10000.0, std::pow(10.0, c.volume / 2000.0)), c.slot * 256);
    sleep_for_ms(150);
  }
  test::Recording rec = record();

  size_t from = 0;
  for (const Case& c : cases) {
    const std::string what = "slot " + std::to_string(c.slot) + " volume " +
                             std::to_string(c.volume) + " pan " + std::to_string(c.pan);
    const size_t start = onset(rec, from, 0.01);
    ASSERT_LT(start, rec.frames()) << what;
    from = start + rec.rate * 12 / 100;
    if (c.slot == 1 && c.pan == 0) {  // the two sides play the very same frames
      double apart = 0;
      for (size_t f = start; f < from; ++f)
        apart = std::max(apart, static_cast<double>(std::fabs(rec.at(f, 0) - rec.at(f, 1))));
      EXPECT_LT(apart, 1e-4) << what;
    }
    const int32_t volume = sound_volume_to_platform(
        static_cast<int32_t>(std::trunc(std::pow(10.0, c.volume / 2000.0) * 100)));
    const int32_t attenuation[2] = {volume + std::min(0, -c.pan), volume + std::min(0, c.pan)};
    for (int side : {0, 1}) {
      const double rms = level(rec, side, start + rec.rate / 50, start + rec.rate * 8 / 100).rms;
      const double db = 20 * std::log10(rms / (amplitude[c.slot - 1][side] / std::sqrt(2.0)));
      const char* name = side == 0 ? " left" : " right";
      if (attenuation[side] <= kVolumeSilent) {
        EXPECT_LT(db, -60) << what << name;
      } else {
        EXPECT_NEAR(db, attenuation[side] / 100.0, 0.5) << what << name;
      }
    }
  }
}

TEST_F(Audible, TheGamesSevenSoundsLoadAndSound) {
  const char* names[] = {"sound01.wav", "sound02.wav", "sound04.wav", "quack.wav",
                         "die.wav",     "sound05.wav", "level_up.wav"};
  for (int32_t slot = 1; slot <= 7; ++slot) {
    const std::string path = std::string(ZRV_SOURCE_DIR "/assets/Media/") + names[slot - 1];
    sound_load(path.c_str(), slot, 0);
    ASSERT_EQ(ctx.last_error, 0) << path;
    ASSERT_EQ(ctx.sound_slots[slot].count, 1);
  }
  for (int32_t slot = 1; slot <= 7; ++slot) {
    ASSERT_EQ(sound_play(slot, 0, 1), slot * 256) << names[slot - 1];
    EXPECT_EQ(sound_is_playing(slot * 256), 1) << names[slot - 1];
  }
  sleep_for_ms(150);
  test::Recording rec = record();
  const size_t start = onset(rec, 0);
  ASSERT_LT(start, rec.frames());
  EXPECT_GT(level(rec, 0, start, start + rec.rate / 10).rms, 0.02);
}

TEST_F(Audible, AStoppedSoundFallsSilent) {
  load(1, test::tone_wav(1.0, 22050, 440));
  ASSERT_EQ(sound_play(1, 0, 1), 256);
  sleep_for_ms(150);
  sound_stop(256);
  sleep_for_ms(250);
  test::Recording rec = record();
  const size_t start = onset(rec, 0);
  ASSERT_LT(start, rec.frames());
  // At most 150 ms and one mixing period of tone, then silence.
  EXPECT_LT(level(rec, 0, start + rec.rate / 4, rec.frames()).peak, 0.01);
}

}  // namespace
}  // namespace zrv
