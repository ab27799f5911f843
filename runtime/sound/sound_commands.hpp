// The game's sound commands: samples in numbered slots 0..4095, played on
// channels slot * 256 + buffer.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"

namespace zrv {

// Loads a WAV file into slot with 1..4 play buffers (0 or less gives 1).
// Slot above 4095 (or negative): error 7. Missing file, unreadable sample or
// no sound device: error 3, the slot stays empty.
void sound_load(const RtString& file, int32_t slot, int32_t buffers);

// Plays slot with pan -1..1 and volume 0..1. Returns the channel
// slot * 256 + buffer, -1 when nothing could be played (empty slot, no
// device, the only buffer busy), or 0 after error 7 for a slot above 4095.
int32_t sound_play(int32_t slot, double pan, double volume);

// Stops one buffer of a slot; a buffer part not below the slot's buffer
// count (255, say) stops the whole slot. Negative channels and slots above
// 4095 are ignored.
void sound_stop(int32_t channel);
void sound_stop_all();
// 1 while the channel's buffer plays, else 0; error 7 for a channel outside
// 0..0xFFFFF.
int32_t sound_is_playing(int32_t channel);
// The highest-numbered empty slot; -1 and error 7 when every slot is used.
int32_t sound_free_slot();

}  // namespace zrv
