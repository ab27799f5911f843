// The sound output of a machine without one (headless runs, no sound card):
// samples are kept by their length only and voices play in silence for as
// long as their sample lasts, so that every rule of the slots and their
// buffers holds with or without a device.
#include <cstdint>
#include <unordered_map>

#include "platform/audio.hpp"
#include "platform/clock.hpp"

namespace zrv::platform {

namespace {

int64_t (*g_clock_us)() = monotonic_us;

struct NullSample {
  int64_t frames = 0;
  uint32_t rate = 1;
};

struct NullVoice {
  uint32_t sample = 0;
  bool playing = false;
  bool loop = false;
  int64_t started_us = 0;   // clock reading at the play
  int64_t start_frame = 0;  // position at the play
  double gains[kAudioSides] = {1.0, 1.0};
};

struct NullOutput {
  std::unordered_map<uint32_t, NullSample> samples;
  std::unordered_map<uint32_t, NullVoice> voices;
};

// Handles are never reused, so that one of a closed output names nothing.
uint32_t g_last_handle = 0;

NullOutput* output_of(AudioDevice* device) { return reinterpret_cast<NullOutput*>(device); }

class NullAudio final : public Audio {
 public:
  AudioDevice* open(int32_t, int32_t) override {
    return reinterpret_cast<AudioDevice*>(new NullOutput());
  }
  void close(AudioDevice* device) override { delete output_of(device); }

  AudioSample sample_create(AudioDevice* device, const SampleFormat& format, const uint8_t*,
                            size_t bytes) override {
    if (device == nullptr || !pcm_format_usable(format, bytes)) return AudioSample::None;
    NullSample s;
    s.frames = static_cast<int64_t>(bytes / static_cast<size_t>(format.block_align));
    s.rate = format.frames_per_second;
    output_of(device)->samples[++g_last_handle] = s;
    return static_cast<AudioSample>(g_last_handle);
  }
  void sample_delete(AudioDevice* device, AudioSample sample) override {
    if (device != nullptr) output_of(device)->samples.erase(static_cast<uint32_t>(sample));
  }

  AudioVoice voice_create(AudioDevice* device, AudioSample sample) override {
    if (device == nullptr || output_of(device)->samples.count(static_cast<uint32_t>(sample)) == 0)
      return AudioVoice::None;
    NullVoice v;
    v.sample = static_cast<uint32_t>(sample);
    output_of(device)->voices[++g_last_handle] = v;
    return static_cast<AudioVoice>(g_last_handle);
  }
  void voice_delete(AudioDevice* device, AudioVoice voice) override {
    if (device != nullptr) output_of(device)->voices.erase(static_cast<uint32_t>(voice));
  }
  bool voice_set_gains(AudioDevice* device, AudioVoice voice,
                       const double gains[kAudioSides]) override {
    NullVoice* v = voice_of(device, voice);
    if (v == nullptr) return false;
    v->gains[kAudioLeft] = gains[kAudioLeft];
    v->gains[kAudioRight] = gains[kAudioRight];
    return true;
  }
  bool voice_gains(AudioDevice* device, AudioVoice voice, double gains[kAudioSides]) override {
    const NullVoice* v = voice_of(device, voice);
    if (v == nullptr) return false;
    gains[kAudioLeft] = v->gains[kAudioLeft];
    gains[kAudioRight] = v->gains[kAudioRight];
    return true;
  }
  bool voice_play(AudioDevice* device, AudioVoice voice, bool loop) override {
    NullVoice* v = voice_of(device, voice);
    if (v == nullptr) return false;
    // From the start, as a real output restarts a playing voice.
    v->start_frame = 0;
    v->playing = true;
    v->loop = loop;
    v->started_us = g_clock_us();
    return true;
  }
  bool voice_stop(AudioDevice* device, AudioVoice voice) override {
    NullVoice* v = voice_of(device, voice);
    if (v == nullptr) return false;
    v->playing = false;
    v->start_frame = 0;
    return true;
  }
  bool voice_playing(AudioDevice* device, AudioVoice voice) override {
    NullVoice* v = voice_of(device, voice);
    int64_t position = 0;
    return v != nullptr && advance(device, v, &position);
  }
  bool voice_position(AudioDevice* device, AudioVoice voice, int64_t* frames) override {
    NullVoice* v = voice_of(device, voice);
    if (v == nullptr) return false;
    int64_t position = 0;
    *frames = advance(device, v, &position) ? position : v->start_frame;
    return true;
  }

 private:
  static NullVoice* voice_of(AudioDevice* device, AudioVoice voice) {
    if (device == nullptr) return nullptr;
    auto& voices = output_of(device)->voices;
    const auto it = voices.find(static_cast<uint32_t>(voice));
    return it == voices.end() ? nullptr : &it->second;
  }

  // Whether the voice still plays now, with its position; a voice whose
  // sample has run out stops and rewinds, as a real output's would.
  static bool advance(AudioDevice* device, NullVoice* v, int64_t* position) {
    if (!v->playing) return false;
    const auto it = output_of(device)->samples.find(v->sample);
    if (it == output_of(device)->samples.end() || it->second.frames <= 0) {
      v->playing = false;
      return false;
    }
    const NullSample& s = it->second;
    const int64_t elapsed_us = g_clock_us() - v->started_us;
    const int64_t played = elapsed_us > 0 ? elapsed_us * s.rate / 1000000 : 0;
    const int64_t at = v->start_frame + played;
    if (v->loop) {
      *position = at % s.frames;
      return true;
    }
    if (at >= s.frames) {
      v->playing = false;
      v->start_frame = 0;
      return false;
    }
    *position = at;
    return true;
  }
};

}  // namespace

std::unique_ptr<Audio> make_null_audio() { return std::make_unique<NullAudio>(); }

void null_audio_clock_set(int64_t (*now_us)()) {
  g_clock_us = now_us != nullptr ? now_us : monotonic_us;
}

}  // namespace zrv::platform
