// Background music: one track at a time in the media player, optionally
// looping. Looping is kept going by the frame loop (music_loop_service), which
// restarts the track once its due time has come; pausing moves that time.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "platform/media.hpp"

namespace zrv {

// The music player (RtContext::music_window).
struct MusicPlayer {
  platform::MediaPlayer* media = nullptr;
};

// Volume in the player's units for a volume of 1.0.
constexpr int32_t kMusicVolumeNormal = 1000;
// The shortest time a loop round lasts (ms).
constexpr double kMusicMinLength = 500.0;

// Commands.
void music_play(const RtString& name, int32_t loop);
void music_stop();
void music_restart();
int32_t music_is_playing();
void music_pause(int32_t flag);
void music_volume(double volume);

// Opens a resolved name in the media player, as music or as video: a
// memory-file name plays from its block, which the player then holds.
// Null for a memory-file name that does not open.
platform::MediaPlayer* media_open_resolved(const char* name, bool video,
                                           platform::GlProcLookup gl_lookup);

// The music loop service (frame loop and wait step): restarts a looping
// track whose due time has come.
void music_loop_service();

// Process-wide music state, for the frame loop's owner and the tests.
double music_paused_at();
double music_volume_sent();  // -1 when none has been sent
MusicPlayer* music_player();

}  // namespace zrv
