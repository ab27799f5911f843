// The sound device and the sample slots on OpenAL. The runtime only starts,
// stops and queries voices; OpenAL mixes them on its own thread.
#include "sound/sound_device.hpp"

#include "sound/music.hpp"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <vector>

#include "files/file_bytes.hpp"
#include "sound/wav_reader.hpp"

namespace zrv {

namespace {

// Every slot may hold four voices of two sources each.
constexpr ALCint kSourcesMax = kSoundSlotCount * kSoundBuffersMax * kSides;

bool interface_present(const SoundDevice* device) {
  return device != nullptr && device->al_device != nullptr && device->al_context != nullptr;
}

// Makes the device's context the one AL calls go to.
bool use(const SoundDevice* device) {
  if (!interface_present(device)) return false;
  auto* context = static_cast<ALCcontext*>(device->al_context);
  if (alcGetCurrentContext() == context) return true;
  return alcMakeContextCurrent(context) == ALC_TRUE;
}

bool slot_ready(const SoundSlot& slot) { return slot.count > 0 && use(slot.device); }

// The voice of a buffer index, or null when there is none to ask.
const SoundVoice* voice_at(const SoundSlot& slot, int32_t index) {
  if (index < 0 || index >= slot.count || !slot_ready(slot)) return nullptr;
  return slot.buffers[index].side[kSideLeft] != 0 ? &slot.buffers[index] : nullptr;
}

// Runs one AL call and tells whether it raised an error.
template <typename F>
bool al_call(F&& f) {
  alGetError();
  f();
  return alGetError() == AL_NO_ERROR;
}

// Both sides play the same frames, so the left one speaks for the voice.
bool voice_playing(const SoundVoice& voice) {
  ALint state = AL_INITIAL;
  const bool ok = voice.side[kSideLeft] != 0 &&
                  al_call([&] { alGetSourcei(voice.side[kSideLeft], AL_SOURCE_STATE, &state); });
  return ok && state == AL_PLAYING;
}

bool voice_stop_rewind(const SoundVoice& voice) {
  if (voice.side[kSideLeft] == 0) return false;
  if (!al_call([&] { alSourceStopv(kSides, voice.side); })) return false;
  return al_call([&] { alSourceRewindv(kSides, voice.side); });
}

// A side's attenuation in hundredths of a decibel: the volume, and the pan
// on the side it turns away from.
int32_t side_attenuation(int32_t volume, int32_t pan, int32_t side) {
  return volume + std::min(0, side == kSideLeft ? -pan : pan);
}

// Volume -10000..0 (louder than the sample is not a volume the output
// takes) and pan -10000..10000 become the gains of the two sides. Deferred,
// so that on a playing voice both sides change in the same mixing period.
bool voice_set_levels(const SoundVoice& voice, int32_t volume, int32_t pan) {
  if (volume > 0 || volume < kVolumeSilent || pan < kPanLeft || pan > kPanRight) return false;
  alDeferUpdatesSOFT();
  const bool ok = al_call([&] {
    for (int32_t side : {kSideLeft, kSideRight}) {
      const double gain = sound_platform_to_gain(side_attenuation(volume, pan, side));
      alSourcef(voice.side[side], AL_GAIN, static_cast<ALfloat>(gain));
    }
  });
  alProcessUpdatesSOFT();
  return ok;
}

// A voice playing the slot's sample: each side's source plays its own
// buffer straight to its speaker. Without direct channels the side buffers
// are mono and OpenAL's panner puts each source fully on its side instead,
// which on a plain stereo output comes to the same.
SoundVoice voice_create(const SoundSlot& slot) {
  SoundVoice voice;
  if (!al_call([&] { alGenSources(kSides, voice.side); })) return {};
  const bool ok = al_call([&] {
    for (int32_t side : {kSideLeft, kSideRight}) {
      const ALuint source = voice.side[side];
      alSourcei(source, AL_BUFFER, static_cast<ALint>(slot.samples[side]));
      alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
      alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
      alSourcei(source, AL_LOOPING, AL_FALSE);
      if (slot.device->direct_channels) {
        alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
      } else {
        alSource3f(source, AL_POSITION, side == kSideLeft ? -1.0f : 1.0f, 0.0f, 0.0f);
      }
    }
  });
  if (!ok) {
    alDeleteSources(kSides, voice.side);
    return {};
  }
  return voice;  // a new source's gain of 1 is centred at full volume
}

// Each side's attenuation in hundredths of a decibel, from its gain.
bool voice_levels(const SoundSlot& slot, int32_t index, int32_t attenuation[kSides]) {
  const SoundVoice* voice = voice_at(slot, index);
  if (voice == nullptr) return false;
  for (int32_t side : {kSideLeft, kSideRight}) {
    ALfloat gain = 0;
    if (!al_call([&] { alGetSourcef(voice->side[side], AL_GAIN, &gain); })) return false;
    attenuation[side] = sound_gain_to_platform(gain);
  }
  return true;
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
std::vector<uint8_t> side_data(std::span<const uint8_t> data, size_t frames, int32_t channels,
                               int32_t width, int32_t side, bool direct) {
  const int32_t out_channels = direct ? 2 : 1;
  std::vector<uint8_t> out(frames * out_channels * width, width == 1 ? 0x80 : 0);
  const size_t from = channels == 2 ? side * width : 0;
  const size_t to = direct ? side * width : 0;
  for (size_t f = 0; f < frames; ++f) {
    std::memcpy(&out[f * out_channels * width + to], &data[f * channels * width + from], width);
  }
  return out;
}

// Reads the WAV file into the slot's side buffers.
bool read_sample(SoundSlot& slot) {
  FileBytes file;
  WavFormat wav;
  std::span<const uint8_t> data;
  if (!file_read_bytes(slot.name.c_str(), &file) || !wav_read(file.bytes, &wav, &data)) {
    return false;
  }

  // The format offered to the output: mono or stereo, the rest as in the
  // file. The output takes whole frames of 8 or 16 bits per channel only.
  const int32_t channels = wav.channels > 1 ? 2 : 1;
  const bool direct = slot.device->direct_channels;
  const ALenum format = al_format(direct ? 2 : 1, wav.bits_per_sample);
  const int32_t width = wav.bits_per_sample / 8;
  const bool accepted = format != AL_NONE && wav.block_align == channels * width &&
                        wav.samples_per_sec > 0 && wav.samples_per_sec <= INT32_MAX &&
                        data.size() >= static_cast<size_t>(channels * width) &&
                        data.size() <= INT32_MAX / 2;
  const size_t frames = accepted ? data.size() / (channels * width) : 0;
  ALuint samples[kSides] = {};
  bool ok = accepted && al_call([&] { alGenBuffers(kSides, samples); });
  for (int32_t side = kSideLeft; ok && side <= kSideRight; ++side) {
    const std::vector<uint8_t> d = side_data(data, frames, channels, width, side, direct);
    ok = al_call([&] {
      alBufferData(samples[side], format, d.data(), static_cast<ALsizei>(d.size()),
                   static_cast<ALsizei>(wav.samples_per_sec));
    });
  }
  if (ok) {
    slot.samples[kSideLeft] = samples[kSideLeft];
    slot.samples[kSideRight] = samples[kSideRight];
    slot.buffers[0] = voice_create(slot);
    if (slot.buffers[0].side[kSideLeft] != 0) {
      slot.channels = channels;
      return true;
    }
  }
  if (samples[kSideLeft] != 0) alDeleteBuffers(kSides, samples);
  for (uint32_t& b : slot.samples) b = 0;
  slot.device = nullptr;
  return false;
}

}  // namespace

int32_t sound_volume_to_platform(int32_t volume) {
  if (volume < 1) return kVolumeSilent;
  return static_cast<int32_t>(2000.0 * std::log10(volume / 100.0));
}

double sound_platform_to_gain(int32_t volume) {
  if (volume <= kVolumeSilent) return 0.0;
  return std::pow(10.0, volume / 2000.0);
}

int32_t sound_gain_to_platform(double gain) {
  if (!(gain > 0)) return kVolumeSilent;
  const double v = std::round(2000.0 * std::log10(gain));
  return v < kVolumeSilent ? kVolumeSilent : static_cast<int32_t>(v);
}

SoundDevice* sound_device_create() { return new SoundDevice(); }

bool sound_device_open(SoundDevice* device, platform::Window* window) {
  if (device == nullptr) return false;
  sound_device_close(device);
  // The output belongs to the program's window; without one (headless)
  // there is no sound.
  if (window == nullptr) return false;
  ALCdevice* al_device = alcOpenDevice(nullptr);
  if (al_device == nullptr) return false;
  // The sides' sources are stereo with direct channels and mono without;
  // which one is known only once the context exists.
  const ALCint attributes[] = {ALC_FREQUENCY,
                               kOutputRate,
                               ALC_MONO_SOURCES,
                               kSourcesMax,
                               ALC_STEREO_SOURCES,
                               kSourcesMax,
                               0};
  ALCcontext* context = alcCreateContext(al_device, attributes);
  if (context == nullptr) {
    alcCloseDevice(al_device);
    return false;
  }
  if (alcMakeContextCurrent(context) != ALC_TRUE) {
    alcDestroyContext(context);
    alcCloseDevice(al_device);
    return false;
  }
  device->al_device = al_device;
  device->al_context = context;
  device->window = window;
  device->direct_channels = alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE;
  return true;
}

void sound_device_bind(SoundDevice* device, platform::Window* window) {
  if (interface_present(device)) device->window = window;
}

void sound_device_close(SoundDevice* device) {
  if (device == nullptr) return;
  auto* context = static_cast<ALCcontext*>(device->al_context);
  if (context != nullptr) {
    if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
  }
  if (device->al_device != nullptr) alcCloseDevice(static_cast<ALCdevice*>(device->al_device));
  device->al_context = nullptr;
  device->al_device = nullptr;
  device->window = nullptr;
  device->direct_channels = false;
}

void sound_device_destroy(SoundDevice* device) {
  sound_device_close(device);
  delete device;
}

SoundSlot* sound_slots_create() { return new SoundSlot[kSoundSlotCount]; }

void sound_slots_destroy(SoundSlot* slots) {
  if (slots == nullptr) return;
  for (int32_t i = kSoundSlotCount - 1; i >= 0; --i) slot_release(slots[i]);
  delete[] slots;
}

void slot_release(SoundSlot& slot) {
  if (slot_ready(slot)) {
    for (int32_t i = 0; i < slot.count; ++i) {
      if (!voice_stop_rewind(slot.buffers[i])) break;
    }
    for (int32_t i = 0; i < slot.count; ++i) {
      if (slot.buffers[i].side[kSideLeft] != 0) alDeleteSources(kSides, slot.buffers[i].side);
    }
    if (slot.samples[kSideLeft] != 0) alDeleteBuffers(kSides, slot.samples);
    alGetError();
  }
  // Without the output its voices went with it; only the names remain.
  for (SoundVoice& v : slot.buffers) v = {};
  for (uint32_t& b : slot.samples) b = 0;
  slot.channels = 0;
  slot.current = 0;
  slot.count = 0;
}

bool slot_load(SoundSlot& slot, SoundDevice* device, const RtString& name, int32_t buffers) {
  slot_release(slot);
  slot.current = 0;
  slot.device = device;
  if (buffers < 1) buffers = 1;
  if (buffers > kSoundBuffersMax) buffers = kSoundBuffersMax;
  if (!use(device)) {
    slot.count = 0;
    slot.name.release();
    return false;
  }
  slot.count = buffers;
  slot.name = name;
  if (!read_sample(slot)) {
    slot.count = 0;
    slot.name.release();
    return false;
  }
  // The other voices share the sample; one that cannot be made stays none.
  for (int32_t i = 1; i < slot.count; ++i) slot.buffers[i] = voice_create(slot);
  return true;
}

int32_t slot_play(SoundSlot& slot, int32_t pan, int32_t volume, int32_t flags) {
  if (!slot_ready(slot)) return -1;
  if (voice_playing(slot.buffers[slot.current])) {
    if (slot.count == 1) return -1;
    slot.current = (slot.current + 1) % slot.count;
    // The oldest overlapping play is cut off.
    if (voice_playing(slot.buffers[slot.current])) voice_stop_rewind(slot.buffers[slot.current]);
  }
  const SoundVoice& voice = slot.buffers[slot.current];
  if (voice.side[kSideLeft] == 0) return -1;
  voice_set_levels(voice, sound_volume_to_platform(volume), pan);
  for (ALuint source : voice.side) alSourcei(source, AL_LOOPING, flags != 0 ? AL_TRUE : AL_FALSE);
  // Started in one call, the sides begin at the same frame.
  if (!al_call([&] { alSourcePlayv(kSides, voice.side); })) return -1;
  return slot.current;
}

bool slot_stop(SoundSlot& slot, int32_t index) {
  if (!slot_ready(slot)) return false;
  if (index >= 0 && index < slot.count) return voice_stop_rewind(slot.buffers[index]);
  for (int32_t i = 0; i < slot.count; ++i) {
    if (!voice_stop_rewind(slot.buffers[i])) return false;
  }
  return true;
}

bool slot_is_playing(const SoundSlot& slot, int32_t index) {
  const SoundVoice* voice = voice_at(slot, index);
  return voice != nullptr && voice_playing(*voice);
}

// The volume is the louder side; the pan is how much further the other one
// is turned down. A side at silence cannot tell how far past it a pan went.
bool slot_get_volume(const SoundSlot& slot, int32_t index, int32_t* volume) {
  int32_t attenuation[kSides];
  if (!voice_levels(slot, index, attenuation)) return false;
  *volume = std::max(attenuation[kSideLeft], attenuation[kSideRight]);
  return true;
}

bool slot_get_pan(const SoundSlot& slot, int32_t index, int32_t* pan) {
  int32_t attenuation[kSides];
  if (!voice_levels(slot, index, attenuation)) return false;
  *pan = attenuation[kSideRight] - attenuation[kSideLeft];
  return true;
}

// The sides' buffers hold frames of their own size, so the position is
// counted in frames and given in the sample's bytes.
bool slot_get_position(const SoundSlot& slot, int32_t index, int32_t* bytes) {
  const SoundVoice* voice = voice_at(slot, index);
  if (voice == nullptr) return false;
  ALint frames = 0, bits = 0;
  if (!al_call([&] {
        alGetSourcei(voice->side[kSideLeft], AL_SAMPLE_OFFSET, &frames);
        alGetBufferi(slot.samples[kSideLeft], AL_BITS, &bits);
      })) {
    return false;
  }
  *bytes = frames * slot.channels * (bits / 8);
  return true;
}

void music_loop_service() { music_loop_tick(); }

void music_shutdown() { music_stop(); }

}  // namespace zrv
