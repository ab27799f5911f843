// The software mixer under the Win32 sound output: voices of 8- or 16-bit
// PCM samples at their own rates, resampled to the mix rate, each side times
// its own linear gain, summed and clipped to 16-bit stereo frames. Plain
// arithmetic without a Win32 header, so that it is tested on Linux too; it
// is not thread-safe, the output that owns it holds a lock around each call.
//
// What is mixed is heard later, by as much as the output holds queued; a
// voice's play state and position are asked for at the frame heard, counted
// in mixed frames since the start.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/audio.hpp"

namespace zrv::platform::win32 {

// A sample's frames as signed 16-bit values, its channels kept.
struct MixSample {
  std::vector<int16_t> data;  // interleaved
  int32_t channels = 1;
  int64_t frames = 0;
  uint32_t rate = 1;
};

struct MixVoice {
  // Shared: a voice plays on when its sample is deleted under it.
  std::shared_ptr<const MixSample> sample;
  double gains[kAudioSides] = {1.0, 1.0};
  bool playing = false;   // still being mixed
  bool sounding = false;  // played and not stopped since, maybe over by now
  bool loop = false;
  int64_t started_at = 0;  // the mixed frame its first frame went to
  uint64_t position = 0;   // next frame of the sample to mix, 32.32 fixed point
  uint64_t step = 0;       // sample frames per mixed frame, 32.32
};

class Mixer {
 public:
  Mixer(int32_t rate, int32_t voices_max) : rate_(rate), voices_max_(voices_max) {}

  int32_t rate() const { return rate_; }
  // Frames mixed since the start.
  int64_t mixed() const { return mixed_; }

  // Zero when the format is refused or the data holds no whole frame.
  uint32_t sample_add(const SampleFormat& f, const uint8_t* data, size_t bytes) {
    if (data == nullptr || !pcm_format_usable(f, bytes)) return 0;
    auto s = std::make_shared<MixSample>();
    s->channels = f.channels;
    s->frames = static_cast<int64_t>(bytes / static_cast<size_t>(f.block_align));
    s->rate = f.frames_per_second;
    const size_t values = static_cast<size_t>(s->frames) * static_cast<size_t>(f.channels);
    s->data.resize(values);
    for (size_t i = 0; i < values; ++i) {
      if (f.bits == 8) {
        // Unsigned, centred at 128.
        s->data[i] = static_cast<int16_t>((static_cast<int32_t>(data[i]) - 128) * 256);
      } else {
        // Little-endian, whatever the machine.
        const uint16_t u = static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        s->data[i] = static_cast<int16_t>(u);
      }
    }
    const uint32_t handle = next_handle();
    samples_[handle] = std::move(s);
    return handle;
  }

  bool sample_remove(uint32_t sample) { return samples_.erase(sample) != 0; }

  // A voice of the sample, stopped at its start, both sides at gain 1; zero
  // when the sample is unknown or all voices are taken.
  uint32_t voice_add(uint32_t sample) {
    const auto it = samples_.find(sample);
    if (it == samples_.end() || rate_ <= 0) return 0;
    if (static_cast<int64_t>(voices_.size()) >= voices_max_) return 0;
    MixVoice v;
    v.sample = it->second;
    v.step = (static_cast<uint64_t>(it->second->rate) << 32) / static_cast<uint64_t>(rate_);
    const uint32_t handle = next_handle();
    voices_[handle] = std::move(v);
    return handle;
  }

  bool voice_remove(uint32_t voice) { return voices_.erase(voice) != 0; }

  bool set_gains(uint32_t voice, const double gains[kAudioSides]) {
    MixVoice* v = find(voice);
    if (v == nullptr) return false;
    v->gains[kAudioLeft] = gains[kAudioLeft];
    v->gains[kAudioRight] = gains[kAudioRight];
    return true;
  }

  bool gains(uint32_t voice, double gains[kAudioSides]) {
    MixVoice* v = find(voice);
    if (v == nullptr) return false;
    gains[kAudioLeft] = v->gains[kAudioLeft];
    gains[kAudioRight] = v->gains[kAudioRight];
    return true;
  }

  // From the next frame mixed. A playing voice starts over, as an OpenAL
  // source does; a stopped one is at its start.
  bool play(uint32_t voice, bool loop) {
    MixVoice* v = find(voice);
    if (v == nullptr) return false;
    v->position = 0;
    v->playing = true;
    v->sounding = true;
    v->loop = loop;
    v->started_at = mixed_;
    return true;
  }

  bool stop(uint32_t voice) {
    MixVoice* v = find(voice);
    if (v == nullptr) return false;
    v->playing = false;
    v->sounding = false;
    v->position = 0;
    return true;
  }

  // Whether the voice sounds at mixed frame heard.
  bool playing(uint32_t voice, int64_t heard) {
    const MixVoice* v = find(voice);
    return v != nullptr && v->sounding && (v->loop || played(*v, heard) < v->sample->frames);
  }

  // The frame of its sample the voice sounds at mixed frame heard; its
  // start once it has ended.
  bool position(uint32_t voice, int64_t heard, int64_t* frames) {
    const MixVoice* v = find(voice);
    if (v == nullptr) return false;
    const int64_t at = v->sounding ? played(*v, heard) : 0;
    *frames = v->loop ? at % v->sample->frames : at < v->sample->frames ? at : 0;
    return true;
  }

  // Mixes the next frames of every playing voice into out, as interleaved
  // left and right values. A voice played once stops and rewinds at its end.
  void mix(int16_t* out, int64_t frames) {
    sum_.assign(static_cast<size_t>(frames) * kAudioSides, 0.0);
    for (auto& entry : voices_) {
      if (entry.second.playing) mix_voice(entry.second, frames);
    }
    mixed_ += frames;
    for (size_t i = 0; i < sum_.size(); ++i) {
      const double rounded = std::floor(sum_[i] + 0.5);
      out[i] = static_cast<int16_t>(rounded > 32767.0    ? 32767
                                    : rounded < -32768.0 ? -32768
                                                         : static_cast<int32_t>(rounded));
    }
  }

 private:
  // Handles are never reused, so that one of a closed output names nothing.
  static uint32_t next_handle() {
    static std::atomic<uint32_t> last{0};
    return ++last;
  }

  // Frames of its sample the voice has gone through by mixed frame heard.
  int64_t played(const MixVoice& v, int64_t heard) const {
    const int64_t at = heard < mixed_ ? heard : mixed_;
    if (at <= v.started_at) return 0;
    const uint64_t elapsed = static_cast<uint64_t>(at - v.started_at);
    const uint64_t whole = elapsed * (v.step >> 32);
    const uint64_t part = (elapsed * (v.step & 0xFFFFFFFFu)) >> 32;
    return static_cast<int64_t>(whole + part);
  }

  MixVoice* find(uint32_t voice) {
    const auto it = voices_.find(voice);
    return it == voices_.end() ? nullptr : &it->second;
  }

  // Linear interpolation between a frame and the next, which for a looping
  // voice is the first frame again after the last.
  void mix_voice(MixVoice& v, int64_t frames) {
    const MixSample& s = *v.sample;
    const uint64_t end = static_cast<uint64_t>(s.frames) << 32;
    const int32_t channels = s.channels;
    for (int64_t i = 0; i < frames; ++i) {
      if (v.position >= end) {
        if (!v.loop) break;
        v.position %= end;
      }
      const int64_t at = static_cast<int64_t>(v.position >> 32);
      const double fraction = static_cast<double>(v.position & 0xFFFFFFFFu) / 4294967296.0;
      int64_t next = at + 1;
      if (next >= s.frames) next = v.loop ? 0 : at;
      for (int32_t side = kAudioLeft; side <= kAudioRight; ++side) {
        const int32_t channel = channels == 2 ? side : 0;
        const double a = s.data[static_cast<size_t>(at * channels + channel)];
        const double b = s.data[static_cast<size_t>(next * channels + channel)];
        const double value = fraction == 0.0 ? a : a + (b - a) * fraction;
        sum_[static_cast<size_t>(i) * kAudioSides + side] += value * v.gains[side];
      }
      v.position += v.step;
    }
    // Stopped as soon as the last frame is mixed, not a period later.
    if (v.position >= end) {
      if (v.loop) {
        v.position %= end;
      } else {
        v.playing = false;
        v.position = 0;
      }
    }
  }

  int32_t rate_;
  int64_t voices_max_;
  std::unordered_map<uint32_t, std::shared_ptr<const MixSample>> samples_;
  std::unordered_map<uint32_t, MixVoice> voices_;
  std::vector<double> sum_;
  int64_t mixed_ = 0;
};

}  // namespace zrv::platform::win32
