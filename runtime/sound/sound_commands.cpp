// The sound commands on the slot table of the context.
#include "sound/sound_commands.hpp"

#include <cmath>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/paths.hpp"
#include "sound/sound_device.hpp"
#include "sound/sound_watch.hpp"

namespace zrv {

namespace {

bool slot_out_of_range(int32_t slot) {
  return static_cast<uint32_t>(slot) > static_cast<uint32_t>(kSoundSlotCount - 1);
}

// Error 7 for a slot outside the table, said in words.
bool slot_refused(const char* command, int32_t slot) {
  if (!slot_out_of_range(slot)) return false;
  error_say(kErrOutOfMemory, "%s: slot %d out of range 0..%d", command, slot, kSoundSlotCount - 1);
  return true;
}

SoundSlot* slot_at(int32_t slot) { return ctx.sound_slots ? &ctx.sound_slots[slot] : nullptr; }

}  // namespace

void sound_load(const RtString& file, int32_t slot, int32_t buffers) {
  ctx.last_error = 0;
  if (slot_refused("sound_load", slot)) return;
  RtString name(file);
  if (!path_resolve(name)) {
    error_say(kErrNoSuchFile, "sound_load: '%s': no such file", file.c_str());
    return;
  }
  SoundSlot* s = slot_at(slot);
  const char* why =
      s == nullptr ? "no sound device" : slot_load(*s, ctx.sound_device, name, buffers);
  if (why != nullptr) {
    sound_source_forget(slot);
    path_resolved_release(name);
    error_say(kErrNoSuchFile, "sound_load: '%s': %s", file.c_str(), why);
    return;
  }
  sound_source_note(slot, name);
}

int32_t sound_play(int32_t slot, double pan, double volume) {
  if (slot_refused("sound_play", slot)) return 0;
  // Values that are not numbers count as centre and silence.
  if (std::isnan(pan)) pan = 0;
  if (pan < -1) pan = -1;
  if (pan > 1) pan = 1;
  const auto platform_pan = static_cast<int32_t>(std::trunc(pan * 10000.0));
  double v = volume * 100.0;
  if (v > 100) v = 100;
  if (!(v > 0)) v = 0;
  const auto platform_volume = static_cast<int32_t>(std::trunc(v));
  SoundSlot* s = slot_at(slot);
  if (s == nullptr) return -1;
  const int32_t b = slot_play(*s, platform_pan, platform_volume, 0);
  return b < 0 ? -1 : slot * 256 + b;
}

void sound_stop(int32_t channel) {
  if (channel < 0) return;
  const int32_t slot = channel >> 8;
  if (slot_out_of_range(slot)) return;
  if (SoundSlot* s = slot_at(slot)) slot_stop(*s, channel & 0xFF);
}

void sound_stop_all() {
  if (ctx.sound_slots == nullptr) return;
  for (int32_t slot = 0; slot < kSoundSlotCount; ++slot) slot_stop(ctx.sound_slots[slot], -1);
}

int32_t sound_is_playing(int32_t channel) {
  if (static_cast<uint32_t>(channel) > 0xFFFFFu) {
    error_say(kErrOutOfMemory, "sound_is_playing: channel %d out of range", channel);
    return 0;
  }
  SoundSlot* s = slot_at(channel >> 8);
  return s != nullptr && slot_is_playing(*s, channel & 0xFF) ? 1 : 0;
}

int32_t sound_free_slot() {
  ctx.last_error = 0;
  for (int32_t slot = kSoundSlotCount - 1; slot >= 0; --slot) {
    // Without a slot table every slot is empty.
    if (ctx.sound_slots == nullptr || ctx.sound_slots[slot].count <= 0) return slot;
  }
  error_say(kErrOutOfMemory, "sound_free_slot: every slot is in use");
  return -1;
}

}  // namespace zrv
