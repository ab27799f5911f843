// The sound device and the sample slots on OpenAL. The runtime only starts,
// stops and queries voices; OpenAL mixes them on its own thread.
#include "sound/sound_device.hpp"

#include "sound/music.hpp"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "files/rt_file.hpp"
#include "sound/wav_reader.hpp"

namespace zrv {

namespace {

// Every slot may hold four voices.
constexpr ALCint kVoicesMax = kSoundSlotCount * kSoundBuffersMax;
constexpr ALCint kStereoVoices = 256;

constexpr double kHalfPi = std::numbers::pi / 2;
constexpr double kSixthPi = std::numbers::pi / 6;

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

// The AL source of a buffer index, or 0 when there is none to ask.
ALuint source_at(const SoundSlot& slot, int32_t index) {
  if (index < 0 || index >= slot.count || !slot_ready(slot)) return 0;
  return slot.buffers[index];
}

// Runs one AL call and tells whether it raised an error.
template <typename F>
bool al_call(F&& f) {
  alGetError();
  f();
  return alGetError() == AL_NO_ERROR;
}

bool buffer_playing(ALuint source, bool* ok) {
  ALint state = AL_INITIAL;
  *ok = source != 0 && al_call([&] { alGetSourcei(source, AL_SOURCE_STATE, &state); });
  return *ok && state == AL_PLAYING;
}

bool buffer_stop_rewind(ALuint source) {
  if (source == 0) return false;
  if (!al_call([&] { alSourceStop(source); })) return false;
  return al_call([&] { alSourceRewind(source); });
}

// Volume in hundredths of a decibel, 0 at most: louder than the sample is
// not a volume the output takes.
bool buffer_set_volume(ALuint source, int32_t volume) {
  if (volume > 0 || volume < kVolumeSilent) return false;
  const double gain = sound_platform_to_gain(volume);
  return al_call([&] { alSourcef(source, AL_GAIN, static_cast<ALfloat>(gain)); });
}

// Stereo channel angles (counter-clockwise, left positive) for a pan: both
// channels move together towards the side, meeting there at full pan.
void stereo_angles(int32_t pan, ALfloat angles[2]) {
  const double p = pan / 10000.0;
  if (p >= 0) {
    angles[0] = static_cast<ALfloat>(kSixthPi - p * (kSixthPi + kHalfPi));
    angles[1] = static_cast<ALfloat>(-kSixthPi - p * (kHalfPi - kSixthPi));
  } else {
    angles[0] = static_cast<ALfloat>(kSixthPi - p * (kHalfPi - kSixthPi));
    angles[1] = static_cast<ALfloat>(-kSixthPi - p * (kSixthPi + kHalfPi));
  }
}

// Pan -10000..10000 becomes a direction from hard left to hard right in
// front of the listener; a stereo sample moves its two channels instead.
bool buffer_set_pan(ALuint source, int32_t channels, int32_t pan) {
  if (pan < kPanLeft || pan > kPanRight) return false;
  if (channels == 2) {
    ALfloat angles[2];
    stereo_angles(pan, angles);
    return al_call([&] { alSourcefv(source, AL_STEREO_ANGLES, angles); });
  }
  const double angle = pan / 10000.0 * kHalfPi;
  return al_call([&] {
    alSource3f(source, AL_POSITION, static_cast<ALfloat>(std::sin(angle)), 0.0f,
               static_cast<ALfloat>(-std::cos(angle)));
  });
}

// A voice playing the slot's sample: fixed beside the listener, no distance
// attenuation, centred, full volume.
ALuint voice_create(ALuint sample, int32_t channels) {
  ALuint source = 0;
  if (!al_call([&] { alGenSources(1, &source); })) return 0;
  const bool ok = al_call([&] {
    alSourcei(source, AL_BUFFER, static_cast<ALint>(sample));
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcei(source, AL_LOOPING, AL_FALSE);
  });
  if (!ok) {
    alDeleteSources(1, &source);
    return 0;
  }
  buffer_set_pan(source, channels, 0);
  return source;
}

ALenum al_format(int32_t channels, int32_t bits) {
  if (bits == 8) return channels == 2 ? AL_FORMAT_STEREO8 : AL_FORMAT_MONO8;
  if (bits == 16) return channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
  return AL_NONE;
}

// Reads the WAV file into the slot's sample and its first voice.
bool read_sample(SoundSlot& slot) {
  RtFile file;
  if (!file.open_read(slot.name.c_str())) return false;
  WavFormat wav;
  std::vector<uint8_t> data;
  if (!wav_read(file, &wav, &data)) return false;
  file.close();

  // The format offered to the output: mono or stereo, the rest as in the
  // file. The output takes whole frames of 8 or 16 bits per channel only.
  const int32_t channels = wav.channels > 1 ? 2 : 1;
  const ALenum format = al_format(channels, wav.bits_per_sample);
  const int32_t frame = channels * wav.bits_per_sample / 8;
  const bool accepted = format != AL_NONE && wav.block_align == frame && wav.samples_per_sec > 0 &&
                        wav.samples_per_sec <= INT32_MAX &&
                        data.size() >= static_cast<size_t>(frame) && data.size() <= INT32_MAX;
  if (!accepted) {
    slot.device = nullptr;
    return false;
  }
  const auto bytes = static_cast<ALsizei>(data.size() - data.size() % frame);

  ALuint sample = 0;
  if (!al_call([&] { alGenBuffers(1, &sample); })) {
    slot.device = nullptr;
    return false;
  }
  if (!al_call([&] {
        alBufferData(sample, format, data.data(), bytes, static_cast<ALsizei>(wav.samples_per_sec));
      })) {
    alDeleteBuffers(1, &sample);
    slot.device = nullptr;
    return false;
  }
  const ALuint voice = voice_create(sample, channels);
  if (voice == 0) {
    alDeleteBuffers(1, &sample);
    slot.device = nullptr;
    return false;
  }
  slot.sample = sample;
  slot.buffers[0] = voice;
  slot.channels = channels;
  return true;
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
  const ALCint attributes[] = {ALC_FREQUENCY,
                               kOutputRate,
                               ALC_MONO_SOURCES,
                               kVoicesMax - kStereoVoices,
                               ALC_STEREO_SOURCES,
                               kStereoVoices,
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
      if (!buffer_stop_rewind(slot.buffers[i])) break;
    }
    for (int32_t i = 0; i < slot.count; ++i) {
      if (slot.buffers[i] != 0) alDeleteSources(1, &slot.buffers[i]);
    }
    if (slot.sample != 0) alDeleteBuffers(1, &slot.sample);
    alGetError();
  }
  // Without the output its voices went with it; only the names remain.
  for (uint32_t& b : slot.buffers) b = 0;
  slot.sample = 0;
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
  for (int32_t i = 1; i < slot.count; ++i)
    slot.buffers[i] = voice_create(slot.sample, slot.channels);
  return true;
}

int32_t slot_play(SoundSlot& slot, int32_t pan, int32_t volume, int32_t flags) {
  if (!slot_ready(slot)) return -1;
  bool ok = false;
  if (buffer_playing(slot.buffers[slot.current], &ok)) {
    if (slot.count == 1) return -1;
    slot.current = (slot.current + 1) % slot.count;
    // The oldest overlapping play is cut off.
    if (buffer_playing(slot.buffers[slot.current], &ok))
      buffer_stop_rewind(slot.buffers[slot.current]);
  }
  const ALuint source = slot.buffers[slot.current];
  if (source == 0) return -1;
  buffer_set_volume(source, sound_volume_to_platform(volume));
  buffer_set_pan(source, slot.channels, pan);
  alSourcei(source, AL_LOOPING, flags != 0 ? AL_TRUE : AL_FALSE);
  if (!al_call([&] { alSourcePlay(source); })) return -1;
  return slot.current;
}

bool slot_stop(SoundSlot& slot, int32_t index) {
  if (!slot_ready(slot)) return false;
  if (index >= 0 && index < slot.count) return buffer_stop_rewind(slot.buffers[index]);
  for (int32_t i = 0; i < slot.count; ++i) {
    if (!buffer_stop_rewind(slot.buffers[i])) return false;
  }
  return true;
}

bool slot_is_playing(const SoundSlot& slot, int32_t index) {
  bool ok = false;
  return buffer_playing(source_at(slot, index), &ok);
}

bool slot_get_volume(const SoundSlot& slot, int32_t index, int32_t* volume) {
  const ALuint source = source_at(slot, index);
  ALfloat gain = 0;
  if (source == 0 || !al_call([&] { alGetSourcef(source, AL_GAIN, &gain); })) return false;
  *volume = sound_gain_to_platform(gain);
  return true;
}

bool slot_get_pan(const SoundSlot& slot, int32_t index, int32_t* pan) {
  const ALuint source = source_at(slot, index);
  if (source == 0) return false;
  double p = 0;
  if (slot.channels == 2) {
    ALfloat angles[2] = {0, 0};
    if (!al_call([&] { alGetSourcefv(source, AL_STEREO_ANGLES, angles); })) return false;
    const double right = angles[1];
    p = right <= -kSixthPi ? (-kSixthPi - right) / (kHalfPi - kSixthPi)
                           : -(right + kSixthPi) / (kSixthPi + kHalfPi);
  } else {
    ALfloat x = 0, y = 0, z = 0;
    if (!al_call([&] { alGetSource3f(source, AL_POSITION, &x, &y, &z); })) return false;
    p = std::atan2(x, -z) / kHalfPi;
  }
  *pan = static_cast<int32_t>(std::lround(p * 10000.0));
  return true;
}

bool slot_get_position(const SoundSlot& slot, int32_t index, int32_t* bytes) {
  const ALuint source = source_at(slot, index);
  ALint offset = 0;
  if (source == 0 || !al_call([&] { alGetSourcei(source, AL_BYTE_OFFSET, &offset); })) {
    return false;
  }
  *bytes = offset;
  return true;
}

void music_loop_service() { music_loop_tick(); }

void music_shutdown() { music_stop(); }

}  // namespace zrv
