#include "sound/sound_device.hpp"

namespace zrv {

SoundDevice* sound_device_create() { return new SoundDevice(); }

SoundSlot* sound_slots_create() { return new SoundSlot[kSoundSlotCount]; }

int32_t sound_device_open(SoundDevice* device, platform::Window* window) {
  // No output device is opened until the sound backend is in place.
  return device ? -1 : -1;
}

void sound_slots_destroy(SoundSlot* slots) {
  // The slots go in reverse order, the last first.
  delete[] slots;
}

void sound_device_destroy(SoundDevice* device) { delete device; }

void music_loop_service() {}

void music_shutdown() {}

}  // namespace zrv
