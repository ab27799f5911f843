// The sound device and the sample slots on the platform's sound output. The
// runtime only starts, stops and queries voices; the output mixes them on
// its own.
#include "sound/sound_device.hpp"

#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

#include "files/file_bytes.hpp"
#include "sound/music.hpp"
#include "sound/wav_reader.hpp"

namespace zrv {

namespace {

bool interface_present(const SoundDevice* device) {
  return device != nullptr && device->output != nullptr;
}

bool slot_ready(const SoundSlot& slot) { return slot.count > 0 && interface_present(slot.device); }

platform::Audio& audio_of(const SoundSlot& slot) { return *slot.device->api; }

platform::AudioDevice* output_of(const SoundSlot& slot) { return slot.device->output; }

// The voice of a buffer index, or None when there is none to ask.
platform::AudioVoice voice_at(const SoundSlot& slot, int32_t index) {
  if (index < 0 || index >= slot.count || !slot_ready(slot)) return platform::AudioVoice::None;
  return slot.buffers[index];
}

bool voice_playing(const SoundSlot& slot, platform::AudioVoice voice) {
  return audio_of(slot).voice_playing(output_of(slot), voice);
}

bool voice_stop_rewind(const SoundSlot& slot, platform::AudioVoice voice) {
  return audio_of(slot).voice_stop(output_of(slot), voice);
}

// Each side's level in gains the output takes; levels it does not take
// leave the voice as it was.
bool voice_set_levels(const SoundSlot& slot, platform::AudioVoice voice, int32_t volume,
                      int32_t pan) {
  double gains[platform::kAudioSides];
  if (!sound_side_gains(volume, pan, gains)) return false;
  return audio_of(slot).voice_set_gains(output_of(slot), voice, gains);
}

// The sides' gains of a buffer, read back from the output.
bool voice_gains(const SoundSlot& slot, int32_t index, double gains[platform::kAudioSides]) {
  const platform::AudioVoice voice = voice_at(slot, index);
  return voice != platform::AudioVoice::None &&
         audio_of(slot).voice_gains(output_of(slot), voice, gains);
}

// Reads the WAV file into the slot's sample and its first voice. The format
// offered to the output: mono or stereo, the rest as in the file; the
// output may refuse it.
// Reads the WAV file into the slot's sample and its first voice: null when
// it could, else why not in words.
const char* read_sample(SoundSlot& slot) {
  FileBytes file;
  WavFormat wav;
  std::span<const uint8_t> data;
  if (!file_read_bytes(slot.name.c_str(), &file)) return "cannot be read";
  if (!wav_read(file.bytes, &wav, &data)) {
    const bool riff = file.bytes.size() >= 12 && std::memcmp(file.bytes.data(), "RIFF", 4) == 0 &&
                      std::memcmp(file.bytes.data() + 8, "WAVE", 4) == 0;
    return riff ? "a damaged WAV file" : "not a WAV file";
  }

  platform::SampleFormat format;
  format.channels = wav.channels > 1 ? 2 : 1;
  format.bits = wav.bits_per_sample;
  format.block_align = wav.block_align;
  format.frames_per_second = wav.samples_per_sec;
  platform::AudioDevice* output = output_of(slot);
  platform::Audio& audio = audio_of(slot);
  slot.sample = audio.sample_create(output, format, data.data(), data.size());
  if (slot.sample != platform::AudioSample::None) {
    slot.buffers[0] = audio.voice_create(output, slot.sample);
    if (slot.buffers[0] != platform::AudioVoice::None) {
      slot.channels = format.channels;
      slot.bits = format.bits;
      return nullptr;
    }
    audio.sample_delete(output, slot.sample);
    slot.sample = platform::AudioSample::None;
    slot.device = nullptr;
    return "the sound output has no voice left for it";
  }
  slot.device = nullptr;
  static char unsupported[96];
  char channels[16];
  std::snprintf(channels, sizeof channels, "%d channels", wav.channels);
  std::snprintf(unsupported, sizeof unsupported, "unsupported WAV format (%d-bit%s, %s)",
                wav.bits_per_sample, wav.format_tag == 3 ? " float" : "",
                wav.channels == 1   ? "mono"
                : wav.channels == 2 ? "stereo"
                                    : channels);
  return unsupported;
}

}  // namespace

SoundDevice* sound_device_create() { return new SoundDevice(); }

bool sound_device_open(SoundDevice* device, platform::Window* window) {
  if (device == nullptr) return false;
  sound_device_close(device);
  // Every slot may hold four voices.
  constexpr int32_t kVoices = kSoundSlotCount * kSoundBuffersMax;
  device->api = &platform::audio();
  device->output = device->api->open(kOutputRate, kVoices);
  if (device->output == nullptr) {
    // No sound card: the program plays on, silent, by the same rules.
    device->api = &platform::null_audio();
    device->output = device->api->open(kOutputRate, kVoices);
  }
  if (device->output == nullptr) return false;
  device->window = window;
  return true;
}

void sound_device_bind(SoundDevice* device, platform::Window* window) {
  if (interface_present(device)) device->window = window;
}

void sound_device_close(SoundDevice* device) {
  if (device == nullptr) return;
  if (device->output != nullptr) device->api->close(device->output);
  device->output = nullptr;
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
      if (!voice_stop_rewind(slot, slot.buffers[i])) break;
    }
    for (int32_t i = 0; i < slot.count; ++i)
      audio_of(slot).voice_delete(output_of(slot), slot.buffers[i]);
    audio_of(slot).sample_delete(output_of(slot), slot.sample);
  }
  // Without the output its voices went with it; only the handles remain.
  for (platform::AudioVoice& v : slot.buffers) v = platform::AudioVoice::None;
  slot.sample = platform::AudioSample::None;
  slot.channels = 0;
  slot.bits = 0;
  slot.current = 0;
  slot.count = 0;
}

const char* slot_load(SoundSlot& slot, SoundDevice* device, const RtString& name, int32_t buffers) {
  slot_release(slot);
  slot.current = 0;
  slot.device = device;
  if (buffers < 1) buffers = 1;
  if (buffers > kSoundBuffersMax) buffers = kSoundBuffersMax;
  const char* why = interface_present(device) ? nullptr : "no sound device";
  if (why == nullptr) {
    slot.count = buffers;
    slot.name = name;
    why = read_sample(slot);
  }
  if (why != nullptr) {
    slot.count = 0;
    slot.name.release();
    return why;
  }
  // The other voices share the sample; one that cannot be made stays none.
  for (int32_t i = 1; i < slot.count; ++i) {
    slot.buffers[i] = audio_of(slot).voice_create(output_of(slot), slot.sample);
  }
  return nullptr;
}

int32_t slot_play(SoundSlot& slot, int32_t pan, int32_t volume, int32_t flags) {
  if (!slot_ready(slot)) return -1;
  if (voice_playing(slot, slot.buffers[slot.current])) {
    if (slot.count == 1) return -1;
    slot.current = (slot.current + 1) % slot.count;
    // The oldest overlapping play is cut off.
    const platform::AudioVoice next = slot.buffers[slot.current];
    if (voice_playing(slot, next)) voice_stop_rewind(slot, next);
  }
  const platform::AudioVoice voice = slot.buffers[slot.current];
  if (voice == platform::AudioVoice::None) return -1;
  voice_set_levels(slot, voice, sound_volume_to_platform(volume), pan);
  if (!audio_of(slot).voice_play(output_of(slot), voice, flags != 0)) return -1;
  return slot.current;
}

bool slot_stop(SoundSlot& slot, int32_t index) {
  if (!slot_ready(slot)) return false;
  if (index >= 0 && index < slot.count) return voice_stop_rewind(slot, slot.buffers[index]);
  for (int32_t i = 0; i < slot.count; ++i) {
    if (!voice_stop_rewind(slot, slot.buffers[i])) return false;
  }
  return true;
}

bool slot_is_playing(const SoundSlot& slot, int32_t index) {
  const platform::AudioVoice voice = voice_at(slot, index);
  return voice != platform::AudioVoice::None && voice_playing(slot, voice);
}

bool slot_get_volume(const SoundSlot& slot, int32_t index, int32_t* volume) {
  double gains[platform::kAudioSides];
  if (!voice_gains(slot, index, gains)) return false;
  *volume = sound_volume_of_gains(gains);
  return true;
}

bool slot_get_pan(const SoundSlot& slot, int32_t index, int32_t* pan) {
  double gains[platform::kAudioSides];
  if (!voice_gains(slot, index, gains)) return false;
  *pan = sound_pan_of_gains(gains);
  return true;
}

// The position is counted in frames and given in the sample's bytes.
bool slot_get_position(const SoundSlot& slot, int32_t index, int32_t* bytes) {
  int64_t frames = 0;
  const platform::AudioVoice voice = voice_at(slot, index);
  if (voice == platform::AudioVoice::None ||
      !audio_of(slot).voice_position(output_of(slot), voice, &frames)) {
    return false;
  }
  *bytes = static_cast<int32_t>(frames * slot.channels * (slot.bits / 8));
  return true;
}

}  // namespace zrv
