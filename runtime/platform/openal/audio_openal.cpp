// The sound output on OpenAL Soft. A voice is a pair of AL sources, one per
// side, each playing only its side's channel from an AL buffer of its own,
// so that each side's level is its source's gain. OpenAL mixes on its own
// thread. OpenAL Soft reads its settings (ALSOFT_CONF, ALSOFT_DRIVERS: the
// wave-file writer the tests record with) at its first use, which is the
// first open.
#define AL_ALEXT_PROTOTYPES
#include "platform/openal/audio_openal.hpp"

#include <AL/al.h>
#include <AL/alc.h>
#if __has_include(<AL/alext.h>)
#include <AL/alext.h>
#else
// The browser's OpenAL has no extension header (nor the extensions: the
// sides are then panned fully left and right instead, and changes made
// in one turn of the page reach the mixer together anyway).
#define AL_DIRECT_CHANNELS_SOFT 0x1033
inline void alDeferUpdatesSOFT() {}
inline void alProcessUpdatesSOFT() {}
#endif
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/audio.hpp"

namespace zrv::platform {

namespace {

// The drivers beneath OpenAL report a missing sound card at length on
// standard error (ALSA's own error handler, OpenAL's log); the runtime says
// it once, in one line, instead. A user's own ALSOFT_LOGLEVEL is kept. (The
// browser's OpenAL has no drivers beneath it.)
#ifndef __EMSCRIPTEN__
void alsa_says_nothing(const char*, int, const char*, int, const char*, ...) {}
#endif

void quiet_drivers() {
#ifndef __EMSCRIPTEN__
  ::setenv("ALSOFT_LOGLEVEL", "0", 0);
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  if (void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL)) {
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) {
      set(alsa_says_nothing);
    }
  }
#endif
}

#ifdef __EMSCRIPTEN__
// The browser's OpenAL (Emscripten 3.1.6) takes the list forms for source
// objects where it has their names, and fails: one source at a time, in
// one turn of the page, starts them at the same time all the same.
#define alSourcePlayv(n, sources) for_each_source(n, sources, alSourcePlay)
#define alSourceStopv(n, sources) for_each_source(n, sources, alSourceStop)
#define alSourceRewindv(n, sources) for_each_source(n, sources, alSourceRewind)
void for_each_source(ALsizei n, const ALuint* sources, void (*call)(ALuint)) {
  for (ALsizei i = 0; i < n; ++i) call(sources[i]);
}
#endif

// The AL names of a sample's or a voice's two sides.
struct Sides {
  ALuint side[kAudioSides] = {};
};

}  // namespace

struct AudioDevice {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  bool direct_channels = false;                 // AL_SOFT_direct_channels: no panner in the way
  std::unordered_map<uint32_t, Sides> samples;  // AL buffers by handle
  std::unordered_map<uint32_t, Sides> voices;   // AL sources by handle
};

namespace {

// Handles are never reused, so that one of a closed output names nothing.
uint32_t g_last_handle = 0;

// Makes the device's context the one AL calls go to.
bool use(const AudioDevice* device) {
  if (device == nullptr) return false;
  if (alcGetCurrentContext() == device->context) return true;
  return alcMakeContextCurrent(device->context) == ALC_TRUE;
}

// The names a handle of the device stands for, with the device's context
// made current; null when the handle is unknown.
const Sides* lookup(AudioDevice* device, std::unordered_map<uint32_t, Sides> AudioDevice::*table,
                    uint32_t handle) {
  if (handle == 0 || !use(device)) return nullptr;
  const auto it = (device->*table).find(handle);
  return it == (device->*table).end() ? nullptr : &it->second;
}

const Sides* sample_of(AudioDevice* device, AudioSample sample) {
  return lookup(device, &AudioDevice::samples, static_cast<uint32_t>(sample));
}

const Sides* voice_of(AudioDevice* device, AudioVoice voice) {
  return lookup(device, &AudioDevice::voices, static_cast<uint32_t>(voice));
}

// Runs one AL call and tells whether it raised an error.
template <typename F>
bool al_call(F&& f) {
  alGetError();
  f();
  return alGetError() == AL_NO_ERROR;
}

ALenum al_format(int32_t channels, int32_t bits) {
  if (bits == 8) return channels == 2 ? AL_FORMAT_STEREO8 : AL_FORMAT_MONO8;
  if (bits == 16) return channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
  return AL_NONE;
}

// One side's sample data: that side's channel of each frame (a mono sample
// gives its one channel to both). Direct channels leave mono data to the
// panner, so there the side goes into stereo frames with the other half
// silent.
std::vector<uint8_t> side_data(const uint8_t* data, size_t frames, int32_t channels, int32_t width,
                               int32_t side, bool direct) {
  const int32_t out_channels = direct ? 2 : 1;
  std::vector<uint8_t> out(frames * out_channels * width, width == 1 ? 0x80 : 0);
  const size_t from = channels == 2 ? side * width : 0;
  const size_t to = direct ? side * width : 0;
  for (size_t f = 0; f < frames; ++f) {
    std::memcpy(&out[f * out_channels * width + to], &data[f * channels * width + from], width);
  }
  return out;
}

class OpenAlAudio final : public Audio {
 public:
  AudioDevice* open(int32_t mix_rate, int32_t voices_max) override {
    quiet_drivers();
    ALCdevice* al_device = alcOpenDevice(nullptr);
    if (al_device == nullptr) {
      std::fputs("no sound device: no audio output could be opened; the game plays silent\n",
                 stderr);
      return nullptr;
    }
    // The sides' sources are stereo with direct channels and mono without;
    // which one is known only once the context exists.
    const ALCint sources = voices_max * kAudioSides;
    const ALCint attributes[] = {
        ALC_FREQUENCY, mix_rate, ALC_MONO_SOURCES, sources, ALC_STEREO_SOURCES, sources, 0};
    ALCcontext* context = alcCreateContext(al_device, attributes);
    if (context == nullptr) {
      alcCloseDevice(al_device);
      return nullptr;
    }
    if (alcMakeContextCurrent(context) != ALC_TRUE) {
      alcDestroyContext(context);
      alcCloseDevice(al_device);
      return nullptr;
    }
    auto* device = new AudioDevice;
    device->device = al_device;
    device->context = context;
    device->direct_channels = alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE;
    return device;
  }

  // The context takes its sources and buffers with it.
  void close(AudioDevice* device) override {
    if (device == nullptr) return;
    if (alcGetCurrentContext() == device->context) alcMakeContextCurrent(nullptr);
    alcDestroyContext(device->context);
    alcCloseDevice(device->device);
    delete device;
  }

  // The output takes whole frames of 8 or 16 bits per channel only.
  AudioSample sample_create(AudioDevice* device, const SampleFormat& format, const uint8_t* data,
                            size_t bytes) override {
    if (!use(device)) return AudioSample::None;
    const int32_t channels = format.channels;
    const int32_t width = format.bits / 8;
    const bool direct = device->direct_channels;
    const ALenum al_fmt = al_format(direct ? 2 : 1, format.bits);
    if (al_fmt == AL_NONE || !pcm_format_usable(format, bytes)) return AudioSample::None;
    const size_t frames = bytes / (channels * width);
    Sides buffers;
    bool ok = al_call([&] { alGenBuffers(kAudioSides, buffers.side); });
    for (int32_t side = kAudioLeft; ok && side <= kAudioRight; ++side) {
      const std::vector<uint8_t> d = side_data(data, frames, channels, width, side, direct);
      ok = al_call([&] {
        alBufferData(buffers.side[side], al_fmt, d.data(), static_cast<ALsizei>(d.size()),
                     static_cast<ALsizei>(format.frames_per_second));
      });
    }
    if (!ok) {
      if (buffers.side[kAudioLeft] != 0) alDeleteBuffers(kAudioSides, buffers.side);
      return AudioSample::None;
    }
    device->samples[++g_last_handle] = buffers;
    return static_cast<AudioSample>(g_last_handle);
  }

  void sample_delete(AudioDevice* device, AudioSample sample) override {
    const Sides* buffers = sample_of(device, sample);
    if (buffers == nullptr) return;
    alDeleteBuffers(kAudioSides, buffers->side);
    device->samples.erase(static_cast<uint32_t>(sample));
  }

  // Each side's source plays its own buffer straight to its speaker.
  // Without direct channels the side buffers are mono and OpenAL's panner
  // puts each source fully on its side instead, which on a plain stereo
  // output comes to the same.
  AudioVoice voice_create(AudioDevice* device, AudioSample sample) override {
    const Sides* buffers = sample_of(device, sample);
    if (buffers == nullptr) return AudioVoice::None;
    Sides voice;
    if (!al_call([&] { alGenSources(kAudioSides, voice.side); })) return AudioVoice::None;
    const bool ok = al_call([&] {
      for (int32_t side : {kAudioLeft, kAudioRight}) {
        const ALuint source = voice.side[side];
        alSourcei(source, AL_BUFFER, static_cast<ALint>(buffers->side[side]));
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
        alSourcei(source, AL_LOOPING, AL_FALSE);
        if (device->direct_channels) {
          alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
        } else {
          alSource3f(source, AL_POSITION, side == kAudioLeft ? -1.0f : 1.0f, 0.0f, 0.0f);
        }
      }
    });
    if (!ok) {
      alDeleteSources(kAudioSides, voice.side);
      return AudioVoice::None;
    }
    // A new source's gain of 1 is centred at full volume.
    device->voices[++g_last_handle] = voice;
    return static_cast<AudioVoice>(g_last_handle);
  }

  void voice_delete(AudioDevice* device, AudioVoice voice) override {
    const Sides* v = voice_of(device, voice);
    if (v == nullptr) return;
    alDeleteSources(kAudioSides, v->side);
    device->voices.erase(static_cast<uint32_t>(voice));
  }

  // Deferred, so that on a playing voice both sides change in the same
  // mixing period.
  bool voice_set_gains(AudioDevice* device, AudioVoice voice,
                       const double gains[kAudioSides]) override {
    const Sides* v = voice_of(device, voice);
    if (v == nullptr) return false;
    alDeferUpdatesSOFT();
    const bool ok = al_call([&] {
      for (int32_t side : {kAudioLeft, kAudioRight}) {
        alSourcef(v->side[side], AL_GAIN, static_cast<ALfloat>(gains[side]));
      }
    });
    alProcessUpdatesSOFT();
    return ok;
  }

  bool voice_gains(AudioDevice* device, AudioVoice voice, double gains[kAudioSides]) override {
    const Sides* v = voice_of(device, voice);
    if (v == nullptr) return false;
    for (int32_t side : {kAudioLeft, kAudioRight}) {
      ALfloat gain = 0;
      if (!al_call([&] { alGetSourcef(v->side[side], AL_GAIN, &gain); })) return false;
      gains[side] = gain;
    }
    return true;
  }

  bool voice_play(AudioDevice* device, AudioVoice voice, bool loop) override {
    const Sides* v = voice_of(device, voice);
    if (v == nullptr) return false;
    for (ALuint source : v->side) alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    // Started in one call, the sides begin at the same frame.
    return al_call([&] { alSourcePlayv(kAudioSides, v->side); });
  }

  bool voice_stop(AudioDevice* device, AudioVoice voice) override {
    const Sides* v = voice_of(device, voice);
    if (v == nullptr) return false;
    if (!al_call([&] { alSourceStopv(kAudioSides, v->side); })) return false;
    return al_call([&] { alSourceRewindv(kAudioSides, v->side); });
  }

  // Both sides play the same frames, so the left one speaks for the voice.
  bool voice_playing(AudioDevice* device, AudioVoice voice) override {
    const Sides* v = voice_of(device, voice);
    if (v == nullptr) return false;
    ALint state = AL_INITIAL;
    const bool ok = al_call([&] { alGetSourcei(v->side[kAudioLeft], AL_SOURCE_STATE, &state); });
    return ok && state == AL_PLAYING;
  }

  // The sides' buffers hold frames of their own size; the offset counts
  // frames.
  bool voice_position(AudioDevice* device, AudioVoice voice, int64_t* frames) override {
    const Sides* v = voice_of(device, voice);
    if (v == nullptr) return false;
    ALint offset = 0;
    if (!al_call([&] { alGetSourcei(v->side[kAudioLeft], AL_SAMPLE_OFFSET, &offset); })) {
      return false;
    }
    *frames = offset;
    return true;
  }
};

}  // namespace

std::unique_ptr<Audio> make_openal_audio() { return std::make_unique<OpenAlAudio>(); }

}  // namespace zrv::platform
