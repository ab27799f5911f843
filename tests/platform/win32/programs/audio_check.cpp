// The Win32 sound output through its interface, on Windows or Wine: every
// check prints "ok" or "FAIL" with what it saw, and the status is the number
// of failures. What it plays is known to the frame, so that a capture of
// the output (run-audio-check.sh) can be compared with it:
//
//   1. a mono triangle wave (period 50 frames, -20000..20000), 22050 frames
//      at 22050 Hz, left gain 0.5 and right gain 0.125: left = wave / 2,
//      right = wave / 8, exactly;
//   2. silence;
//   3. a stereo sample whose left channel is silent and whose right is the
//      same wave, 11025 frames, gains 1 and 0.5: left 0, right = wave / 2;
//   4. silence;
//   5. a looping 8-bit stereo sample of 100 frames (left 128 + 40, right
//      128 - 80), gains 0.25 and 1, for about 300 ms: left 2560, right
//      -20480.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "check_report.hpp"
#include "platform/audio.hpp"
#include "platform/platform.hpp"

namespace {

namespace p = zrv::platform;

using zrv::check::check;
using zrv::check::g_failures;
using zrv::check::text;

int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void sleep_ms(int64_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int16_t wave(int64_t frame) {
  const int32_t k = static_cast<int32_t>(frame % 50);
  return static_cast<int16_t>(k < 25 ? -20000 + 1600 * k : 20000 - 1600 * (k - 25));
}

void put16(std::vector<uint8_t>* data, int16_t v) {
  const uint16_t u = static_cast<uint16_t>(v);
  data->push_back(static_cast<uint8_t>(u & 0xFF));
  data->push_back(static_cast<uint8_t>(u >> 8));
}

// Plays the voice once and waits for its end; the time it played, in ms.
int64_t play_through(p::Audio& audio, p::AudioDevice* device, p::AudioVoice voice, int64_t frames) {
  const int64_t start = now_ms();
  check(audio.voice_play(device, voice, false), "voice_play");
  // Half-way the voice plays, about half-way through its frames.
  sleep_ms(frames * 1000 / 22050 / 2);
  int64_t at = -1;
  check(audio.voice_playing(device, voice), "playing half-way");
  bool got = audio.voice_position(device, voice, &at);
  check(got && at > frames / 4 && at < frames * 3 / 4, "position half-way",
        text("%lld of %lld frames", static_cast<long long>(at), static_cast<long long>(frames)));
  while (audio.voice_playing(device, voice) && now_ms() - start < 5000) sleep_ms(2);
  const int64_t took = now_ms() - start;
  got = audio.voice_position(device, voice, &at);
  check(got && at == 0, "rewound at the end", text("position %lld", static_cast<long long>(at)));
  return took;
}

}  // namespace

int main() {
  std::unique_ptr<p::Audio> audio = p::make_audio();
  p::AudioDevice* device = audio->open(22050, 8);
  check(device != nullptr, "the output opens");
  if (device == nullptr) return g_failures;

  // Wine's output loses some frames as its stream starts; what is
  // compared starts later.
  sleep_ms(300);

  const uint8_t odd[6] = {};
  check(audio->sample_create(device, p::SampleFormat{1, 24, 3, 22050}, odd, 6) ==
            p::AudioSample::None,
        "24-bit data is refused");

  // 1. The mono wave, a gain per side.
  std::vector<uint8_t> mono;
  for (int64_t f = 0; f < 22050; ++f) put16(&mono, wave(f));
  const p::AudioSample one =
      audio->sample_create(device, p::SampleFormat{1, 16, 2, 22050}, mono.data(), mono.size());
  const p::AudioVoice first = audio->voice_create(device, one);
  check(first != p::AudioVoice::None, "a voice of a mono sample");
  double gains[2] = {};
  bool got = audio->voice_gains(device, first, gains);
  check(got && gains[0] == 1.0 && gains[1] == 1.0, "a new voice's gains are 1",
        text("%g %g", gains[0], gains[1]));
  check(!audio->voice_playing(device, first), "a new voice is stopped");
  const double mono_gains[2] = {0.5, 0.125};
  check(audio->voice_set_gains(device, first, mono_gains), "voice_set_gains");
  got = audio->voice_gains(device, first, gains);
  check(got && gains[0] == 0.5 && gains[1] == 0.125, "the gains read back",
        text("%g %g", gains[0], gains[1]));
  const int64_t took = play_through(*audio, device, first, 22050);
  check(took >= 900 && took <= 1250, "22050 frames at 22050 Hz play for a second",
        text("%lld ms", static_cast<long long>(took)));
  sleep_ms(300);

  // 3. The stereo sample, its left channel silent.
  std::vector<uint8_t> stereo;
  for (int64_t f = 0; f < 11025; ++f) {
    put16(&stereo, 0);
    put16(&stereo, wave(f));
  }
  const p::AudioSample two =
      audio->sample_create(device, p::SampleFormat{2, 16, 4, 22050}, stereo.data(), stereo.size());
  const p::AudioVoice second = audio->voice_create(device, two);
  const double stereo_gains[2] = {1.0, 0.5};
  check(audio->voice_set_gains(device, second, stereo_gains), "voice_set_gains (stereo)");
  const int64_t took2 = play_through(*audio, device, second, 11025);
  check(took2 >= 400 && took2 <= 750, "11025 frames play for half a second",
        text("%lld ms", static_cast<long long>(took2)));
  sleep_ms(300);

  // 5. The looping 8-bit sample, stopped by hand.
  std::vector<uint8_t> bytes;
  for (int f = 0; f < 100; ++f) {
    bytes.push_back(128 + 40);
    bytes.push_back(128 - 80);
  }
  const p::AudioSample three =
      audio->sample_create(device, p::SampleFormat{2, 8, 2, 22050}, bytes.data(), bytes.size());
  const p::AudioVoice third = audio->voice_create(device, three);
  const double loop_gains[2] = {0.25, 1.0};
  check(audio->voice_set_gains(device, third, loop_gains), "voice_set_gains (8-bit)");
  check(audio->voice_play(device, third, true), "voice_play looping");
  sleep_ms(300);
  int64_t at = -1;
  check(audio->voice_playing(device, third), "a looping voice plays past its end");
  got = audio->voice_position(device, third, &at);
  check(got && at >= 0 && at < 100, "a looping position stays in the sample",
        text("%lld", static_cast<long long>(at)));
  check(audio->voice_stop(device, third), "voice_stop");
  check(!audio->voice_playing(device, third), "stopped");
  got = audio->voice_position(device, third, &at);
  check(got && at == 0, "stop rewinds", text("%lld", static_cast<long long>(at)));
  // What is queued plays out before the close.
  sleep_ms(300);

  audio->voice_delete(device, first);
  check(!audio->voice_play(device, first, false), "a deleted voice does not play");
  const int64_t closing = now_ms();
  audio->close(device);
  const int64_t closed = now_ms() - closing;
  check(closed < 1000, "close returns", text("%lld ms", static_cast<long long>(closed)));
  return g_failures;
}
