// The music commands on the platform's media player. Names are resolved as
// every loader does; an entry of the appended archive is played from its
// bytes in memory.
#include "sound/music.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/activation.hpp"
#include "base/clock.hpp"
#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/paths.hpp"
#include "input/mouse.hpp"
#include "platform/media.hpp"

namespace zrv {

namespace {

RtString g_music_name;         // the name last given to music_play
double g_music_paused_at = 0;  // clock time a looping track was paused
double g_music_volume = -1;    // volume last sent, -1 = none

platform::MediaPlayer* current_player() {
  return ctx.music_window ? ctx.music_window->media : nullptr;
}

double track_length(platform::MediaPlayer* m) {
  const double length = platform::media().length_ms(m);
  return length < kMusicMinLength ? kMusicMinLength : length;
}

}  // namespace

platform::MediaPlayer* media_open_resolved(const char* name, bool video,
                                           platform::GlProcLookup gl_lookup) {
  if (!memfile_is_name(name)) return platform::media().open(name, video, gl_lookup);
  const uint8_t* data = nullptr;
  int64_t length = 0;
  MemBlockRef block = memfile_lookup(name, &data, &length);
  if (block == nullptr) return nullptr;
  // The player holds the block for as long as it plays.
  return platform::media().open_memory(std::shared_ptr<const uint8_t>(std::move(block), data),
                                       static_cast<size_t>(length), video, gl_lookup);
}

void music_stop() {
  g_music_volume = -1;
  ctx.music_loop_end = 0;
  if (ctx.music_window) {
    platform::media().stop(ctx.music_window->media);
    platform::media().close(ctx.music_window->media);
    delete ctx.music_window;
    ctx.music_window = nullptr;
  }
}

void music_play(const RtString& name, int32_t loop) {
  music_stop();
  g_music_name.assign(name);
  RtString resolved(name);
  if (!path_resolve(resolved)) {
    error_say(kErrNoSuchFile, "music_play: '%s': no such file", name.c_str());
    return;
  }
  const uint8_t mode = mouse_mode_hold_exclusive();

  // A file the player cannot open still gives a player, which plays nothing.
  auto* player = new MusicPlayer;
  player->media = media_open_resolved(resolved.c_str(), false, nullptr);
  ctx.music_window = player;
  const double length = track_length(player->media);
  ctx.music_loop_end = loop ? timer_elapsed_ms() + length : 0;
  platform::media().seek_start(player->media);
  platform::media().play(player->media);

  mouse_mode_restore(mode);
  if (g_music_volume != 1) {
    g_music_volume = 1;
    platform::media().set_volume(player->media, kMusicVolumeNormal);
  }
  // Making the player is the moment a window system could have taken the
  // activation away; the program is active again as it was.
  app_activation_changed(0);
  if (mouse_input().opened && mode == 0) {
    mouse_pointer_show(1);
    mouse_pointer_show(0);
  }
}

void music_restart() {
  platform::MediaPlayer* m = current_player();
  if (m == nullptr) return;
  platform::media().seek_start(m);
  platform::media().play(m);
}

int32_t music_is_playing() {
  platform::MediaPlayer* m = current_player();
  if (ctx.music_window == nullptr) return 0;
  if (ctx.music_loop_end > 0) return 1;
  if (!platform::media().loaded(m)) return 0;
  return platform::media().position_ms(m) < platform::media().length_ms(m) ? 1 : 0;
}

void music_pause(int32_t flag) {
  if (ctx.music_window == nullptr) return;
  platform::MediaPlayer* m = current_player();
  if (flag) {
    if (ctx.music_loop_end > 0) {
      g_music_paused_at = timer_elapsed_ms();
      ctx.music_loop_end = -ctx.music_loop_end;
    }
    platform::media().pause(m);
  } else {
    if (ctx.music_loop_end < 0) {
      ctx.music_loop_end = -ctx.music_loop_end + (timer_elapsed_ms() - g_music_paused_at);
    }
    platform::media().play(m);
  }
}

void music_volume(double volume) {
  if (volume == g_music_volume) return;
  g_music_volume = volume;
  if (ctx.music_window) {
    // The player takes 0..2000; anything beyond is its nearest end.
    double units = volume * kMusicVolumeNormal;
    units = std::isnan(units) ? 0.0 : std::clamp(units, 0.0, 2.0 * kMusicVolumeNormal);
    platform::media().set_volume(current_player(), static_cast<int32_t>(units));
  }
}

void music_loop_service() {
  platform::MediaPlayer* m = current_player();
  if (m) platform::media().service(m);
  if (ctx.music_loop_end <= 0) return;
  const double now = timer_elapsed_ms();
  if (now < ctx.music_loop_end) return;
  ctx.music_loop_end = now + track_length(m);
  platform::media().play(m);
  platform::media().seek_start(m);
  platform::media().play(m);
}

double music_paused_at() { return g_music_paused_at; }
double music_volume_sent() { return g_music_volume; }
MusicPlayer* music_player() { return ctx.music_window; }

}  // namespace zrv
