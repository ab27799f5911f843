// The media player: music and video files opened one player each, played,
// paused, sought to the start, their length, position and volume, and video
// pictures drawn into the caller's OpenGL context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/platform.hpp"

namespace zrv::platform {

struct MediaPlayer;  // one opened file of a backend

// GL entry points by name, for drawing video pictures.
using GlProcLookup = void* (*)(const char* name);

// The defaults are those of a platform without a media player: nothing
// opens, and every question about a player is answered with 0 or false.
// Every operation takes a null player.
class Media {
 public:
  virtual ~Media() = default;

  // The audio output of the players opened from now on, process-wide
  // ("null" for none, "" for the backend's own choice).
  virtual void set_audio_output(const char* name) {}

  // Opens a file (or bytes in memory, which the player holds until it is
  // closed) for playback, paused at its start. Audio only, or video drawn
  // through render_frame (then a current OpenGL context is needed, and its
  // gl_lookup). Returns null only when no player could be made; a file that
  // cannot be played gives a player that is not loaded.
  virtual MediaPlayer* open(const char* path, bool video, GlProcLookup gl_lookup) {
    return nullptr;
  }
  virtual MediaPlayer* open_memory(std::shared_ptr<const uint8_t> data, size_t length, bool video,
                                   GlProcLookup gl_lookup) {
    return nullptr;
  }
  virtual void close(MediaPlayer* player) {}
  // The file could be opened and has something to play.
  virtual bool loaded(MediaPlayer* player) { return false; }
  // Length and position in milliseconds (0 when unknown); at the end of the
  // file the position equals the length.
  virtual double length_ms(MediaPlayer* player) { return 0; }
  virtual double position_ms(MediaPlayer* player) { return 0; }
  virtual void play(MediaPlayer* player) {}
  virtual void pause(MediaPlayer* player) {}
  virtual void seek_start(MediaPlayer* player) {}
  virtual void stop(MediaPlayer* player) {}
  virtual bool paused(MediaPlayer* player) { return false; }
  // Volume in the player's units, 1000 = normal (0..2000).
  virtual void set_volume(MediaPlayer* player, int32_t units) {}
  virtual int32_t volume(MediaPlayer* player) { return 0; }

  // Size of the video's picture (display aspect applied); false without video.
  virtual bool video_size(MediaPlayer* player, int32_t* width, int32_t* height) { return false; }
  // Whether a new picture waits to be drawn, and drawing it into the frame
  // buffer object fbo (0 = the window) of w x h pixels, bottom row first.
  virtual bool frame_pending(MediaPlayer* player) { return false; }
  virtual bool render_frame(MediaPlayer* player, uint32_t fbo, int32_t w, int32_t h) {
    return false;
  }
  virtual void frame_shown(MediaPlayer* player) {}
  // A player that shows its pictures itself (in a window of its own) puts
  // them at this rectangle of the window's client area (top-left origin);
  // players that draw through render_frame ignore it.
  virtual void place_video(MediaPlayer* player, Window* window, const Rect& rect) {}
  // Handles the player's pending notifications (call now and then).
  virtual void service(MediaPlayer* player) {}
};

}  // namespace zrv::platform
