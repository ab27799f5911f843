// The sound output device and the table of sample slots. A slot holds one
// sample in 1 to 4 playback buffers that share the sample data, so an effect
// can overlap itself. A playback buffer is a voice of the platform's sound
// output, whose two sides play at levels of their own.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "platform/audio.hpp"
#include "platform/platform.hpp"
#include "sound/sound_levels.hpp"

namespace zrv {

constexpr int32_t kSoundSlotCount = 4096;
constexpr int32_t kSoundBuffersMax = 4;

// The output format the device mixes to.
constexpr int32_t kOutputRate = 22050;
constexpr int32_t kOutputChannels = 2;
constexpr int32_t kOutputBits = 16;

class SoundDevice {
 public:
  platform::Audio* api = nullptr;           // the output's interface: the platform's or silence
  platform::AudioDevice* output = nullptr;  // the open output; null = absent
  platform::Window* window = nullptr;       // the window the output is bound to
};

struct SoundSlot {
  int32_t count = 0;    // playback buffers 1..4; 0 = empty
  int32_t current = 0;  // buffer of the latest play
  RtString name;        // the resolved file name of the sample
  SoundDevice* device = nullptr;
  platform::AudioVoice buffers[kSoundBuffersMax] = {};
  platform::AudioSample sample = {};  // the sample data the buffers share
  int32_t channels = 0;               // of the sample: 1 or 2
  int32_t bits = 0;                   // per sample of a channel
};

SoundDevice* sound_device_create();
// Opens the default output device for the window and sets the mixing format
// (stereo, 16 bits, 22050 samples per second). Without an output device
// (headless runs, no sound card) the silent output stands in: loads and
// plays follow every rule, nothing is heard. False only when not even that
// opens.
bool sound_device_open(SoundDevice* device, platform::Window* window);
// Binds the open output to the window again (after the window was re-created).
void sound_device_bind(SoundDevice* device, platform::Window* window);
// Releases the output; the device is absent afterwards.
void sound_device_close(SoundDevice* device);
void sound_device_destroy(SoundDevice* device);

SoundSlot* sound_slots_create();
// Releases every slot, from the last to the first, and frees the table.
void sound_slots_destroy(SoundSlot* slots);

// Slot level.
const char* slot_load(SoundSlot& slot, SoundDevice* device, const RtString& name, int32_t buffers);
// Plays once with pan -10000..10000 and volume 0..100; the buffer used, or -1.
int32_t slot_play(SoundSlot& slot, int32_t pan, int32_t volume, int32_t flags);
bool slot_stop(SoundSlot& slot, int32_t index);
bool slot_is_playing(const SoundSlot& slot, int32_t index);
void slot_release(SoundSlot& slot);

// What a buffer is set to, read back from the output: volume in hundredths
// of a decibel, pan -10000..10000, play position in bytes of the sample.
bool slot_get_volume(const SoundSlot& slot, int32_t index, int32_t* volume);
bool slot_get_pan(const SoundSlot& slot, int32_t index, int32_t* pan);
bool slot_get_position(const SoundSlot& slot, int32_t index, int32_t* bytes);

}  // namespace zrv
