// The sound output device and the table of sample slots.
#pragma once

#include <cstdint>

#include "platform/platform.hpp"

namespace zrv {

constexpr int32_t kSoundSlotCount = 4096;

struct SoundSlot {
  int32_t loaded = 0;       // a sample is held
  int32_t buffer_count = 0; // playback buffers of the sample
};

class SoundDevice {
public:
  int32_t open = 0;  // an output device is open
};

SoundDevice* sound_device_create();
SoundSlot* sound_slots_create();
// Opens the sound output for the window; returns 0 when an output is open.
int32_t sound_device_open(SoundDevice* device, platform::Window* window);
void sound_slots_destroy(SoundSlot* slots);
void sound_device_destroy(SoundDevice* device);

// Keeps a looping music track going: restarts it once its end time passed.
void music_loop_service();
// Stops the music and closes its player (shutdown).
void music_shutdown();

}  // namespace zrv
