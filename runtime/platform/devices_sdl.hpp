// The game controllers and the media player: the joysticks through SDL,
// music and video through libmpv. The input and sound modules keep the runtime's
// records and rules; these functions only talk to the libraries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zrv::platform {

struct Window;

// --- Media player ------------------------------------------------------------

struct MediaPlayer;

// The audio output the player uses ("null" for none, "" for the library's
// choice); process-wide, read when a player is opened.
void media_audio_output_set(const char* name);
const char* media_audio_output();

// Opens a file (or bytes in memory, which the player holds until it is
// closed) for playback, paused at its start. Audio only, or video drawn
// through media_render_frame (then a current OpenGL context is needed, and
// its get_proc_address). Returns null only when no player could be made; a
// file that cannot be played gives a player that is not loaded.
using GlProcLookup = void* (*)(const char* name);
MediaPlayer* media_open(const char* path, bool video, GlProcLookup gl_lookup);
MediaPlayer* media_open_memory(std::shared_ptr<const uint8_t> data, size_t length, bool video,
                               GlProcLookup gl_lookup);
void media_close(MediaPlayer* player);
// The file could be opened and has something to play.
bool media_loaded(MediaPlayer* player);
// Length and position in milliseconds (0 when unknown); at the end of the
// file the position equals the length.
double media_length_ms(MediaPlayer* player);
double media_position_ms(MediaPlayer* player);
void media_play(MediaPlayer* player);
void media_pause(MediaPlayer* player);
void media_seek_start(MediaPlayer* player);
void media_stop(MediaPlayer* player);
bool media_paused(MediaPlayer* player);
// Volume in the player's units, 1000 = normal (0..2000).
void media_set_volume(MediaPlayer* player, int32_t units);
int32_t media_volume(MediaPlayer* player);
// Size of the video's picture (display aspect applied); false without video.
bool media_video_size(MediaPlayer* player, int32_t* width, int32_t* height);
// Video: whether a new picture waits to be drawn, and drawing it into the
// frame buffer object fbo (0 = the window) of w x h pixels, bottom row first.
bool media_frame_pending(MediaPlayer* player);
bool media_render_frame(MediaPlayer* player, uint32_t fbo, int32_t w, int32_t h);
void media_frame_shown(MediaPlayer* player);
// Handles the player's pending notifications (call now and then).
void media_service(MediaPlayer* player);

}  // namespace zrv::platform
