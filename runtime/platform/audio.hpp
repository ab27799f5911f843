// The sound output: an output device holds samples whole and plays them with
// voices. A voice plays its sample's left channel on the left side and its
// right channel on the right (a mono sample's one channel on both), each
// side at a gain of its own; the two sides start, stop and rewind together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/platform.hpp"

namespace zrv::platform {

struct AudioDevice;  // an open output of a backend

// Handles of an output's samples and voices. None is no handle; every call
// on it fails, as does a call on a handle of an output since closed.
enum class AudioSample : uint32_t { None = 0 };
enum class AudioVoice : uint32_t { None = 0 };

constexpr int32_t kAudioLeft = 0;
constexpr int32_t kAudioRight = 1;
constexpr int32_t kAudioSides = 2;

// Sample data as the runtime hands it over: interleaved PCM frames.
struct SampleFormat {
  int32_t channels = 0;     // 1 or 2
  int32_t bits = 0;         // per sample of a channel
  int32_t block_align = 0;  // bytes per frame
  uint32_t frames_per_second = 0;
};

// Whether an output takes sample data of this format: 8- or 16-bit PCM of
// one or two channels, whole frames, a rate of at least one frame a second.
inline bool pcm_format_usable(const SampleFormat& f, size_t bytes) {
  const int32_t width = f.bits / 8;
  return (f.bits == 8 || f.bits == 16) && (f.channels == 1 || f.channels == 2) &&
         f.block_align == f.channels * width && f.frames_per_second > 0 &&
         f.frames_per_second <= INT32_MAX && bytes >= static_cast<size_t>(f.block_align) &&
         bytes <= INT32_MAX / 2;
}

// The defaults are those of a platform without a sound output: no device
// opens.
class Audio {
 public:
  virtual ~Audio() = default;

  // Opens the default output device, mixing at mix_rate frames per second,
  // with room for voices_max voices. Null when there is no output.
  virtual AudioDevice* open(int32_t mix_rate, int32_t voices_max) { return nullptr; }
  // Closes the output; its samples and voices go with it.
  virtual void close(AudioDevice* device) {}

  // A sample of bytes of data in the format. None when the output refuses
  // the format or the data holds no whole frame.
  virtual AudioSample sample_create(AudioDevice* device, const SampleFormat& format,
                                    const uint8_t* data, size_t bytes) {
    return AudioSample::None;
  }
  virtual void sample_delete(AudioDevice* device, AudioSample sample) {}

  // A voice of the sample: stopped at its start, both sides at gain 1.
  virtual AudioVoice voice_create(AudioDevice* device, AudioSample sample) {
    return AudioVoice::None;
  }
  virtual void voice_delete(AudioDevice* device, AudioVoice voice) {}
  // Linear gains of the sides (1 = as sampled, 0 = silent), both changed in
  // the same mixing period.
  virtual bool voice_set_gains(AudioDevice* device, AudioVoice voice,
                               const double gains[kAudioSides]) {
    return false;
  }
  virtual bool voice_gains(AudioDevice* device, AudioVoice voice, double gains[kAudioSides]) {
    return false;
  }
  // Starts both sides at the same frame, from the voice's position, once or
  // looping.
  virtual bool voice_play(AudioDevice* device, AudioVoice voice, bool loop) { return false; }
  // Stops both sides and rewinds them to the start.
  virtual bool voice_stop(AudioDevice* device, AudioVoice voice) { return false; }
  virtual bool voice_playing(AudioDevice* device, AudioVoice voice) { return false; }
  // The play position in frames of the sample.
  virtual bool voice_position(AudioDevice* device, AudioVoice voice, int64_t* frames) {
    return false;
  }
};

// The output that plays in silence: what headless runs have, and what a
// program falls back to when the platform's output cannot be opened. Its
// voices play for their samples' length by a clock in microseconds
// (null: the system's monotonic clock).
std::unique_ptr<Audio> make_null_audio();
void null_audio_clock_set(int64_t (*now_us)());
Audio& null_audio();

}  // namespace zrv::platform
