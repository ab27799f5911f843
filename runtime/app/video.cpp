// Video playback: blocking, with the message pump and the music loop kept
// going, until the clip ends or a key is typed or a mouse button pressed.
#include <algorithm>

#include "app/frame.hpp"
#include "app/frame_commands.hpp"
#include "base/context.hpp"
#include "files/archive.hpp"
#include "files/paths.hpp"
#include "gfx/renderer.hpp"
#include "gfx/video_surface.hpp"
#include "input/input_state.hpp"
#include "input/keys.hpp"
#include "input/mouse.hpp"
#include "platform/media.hpp"
#include "platform/platform.hpp"
#include "sound/music.hpp"

namespace zrv {

namespace {

// Step 1: the file to play, a clip of the appended archive being written to
// a temporary file. Empty when not found.
bool find_clip(const RtString& name, char path[kPathBufferSize]) {
  path[0] = 0;
  if (name.empty() || name.length >= kPathBufferSize) return false;
  if (ArchiveHolder* holder = ctx.archive_holders[kFileHolder]) {
    return archive_lookup(holder, name.c_str(), path, false);
  }
  if (!file_exists(name.c_str())) return false;
  std::copy(name.c_str(), name.c_str() + name.length + 1, path);
  return true;
}

// The clip playing now, so that an end of the program in the middle of it
// (a signal, a close request) stops the player in order.
struct Playing {
  platform::MediaPlayer* player = nullptr;
  VideoSurface* surface = nullptr;
} g_playing;

void close_playing() {
  if (g_playing.player != nullptr) platform::media().stop(g_playing.player);
  video_surface_destroy(g_playing.surface);
  platform::media().close(g_playing.player);
  g_playing = Playing{};
}

int32_t play(const RtString& name, bool loop) {
  char path[kPathBufferSize];
  if (!find_clip(name, path)) return 3;

  OpenGLVireo* r = ctx.renderer;
  platform::Window* window = r ? r->window_handle : nullptr;
  const bool drawn = r != nullptr && r->gl_ready && window != nullptr;
  platform::MediaPlayer* player =
      media_open_resolved(path, true, drawn ? video_gl_lookup : nullptr);
  if (!platform::media().loaded(player)) {
    platform::media().close(player);
    if (drawn) video_surface_restore_2d(r);
    return 3;
  }

  const double start = 0;
  const double end = start + platform::media().length_ms(player);
  int32_t cw = 0, ch = 0;
  if (drawn) platform::backend().window_client_size(window, &cw, &ch);
  int32_t sw = cw, sh = ch;
  platform::media().video_size(player, &sw, &sh);
  const VideoRect rect = video_fit(sw, sh, cw, ch);
  VideoSurface* surface = drawn ? video_surface_create(window, cw, ch, rect) : nullptr;
  if (drawn) platform::media().place_video(player, window, {rect.x, rect.y, rect.w, rect.h});
  g_playing = Playing{player, surface};

  // A key typed or a button held before the clip does not end it. Touch
  // and pointer buttons change only through the pump, so the wait for
  // their release pumps too; what was typed meanwhile is dropped.
  while (mouse_any_button()) {
    message_pump(ctx.win32_msg_handler, false);
    sleep_ms(10);
  }
  while (key_char_take()) {
  }
  // A click over by the time the buttons are read ends the clip too.
  const uint32_t clicks = input_button_downs();

  platform::media().play(player);
  if (end > 0) {
    for (;;) {
      if (platform::media().position_ms(player) >= end) {
        if (!loop) break;
        platform::media().seek_start(player);
        platform::media().play(player);
      }
      if (key_char_take() || mouse_any_button() || input_button_downs() != clicks) break;
      music_loop_service();
      message_pump(ctx.win32_msg_handler, false);
      video_surface_show(surface, player);
      platform::media().service(player);
      sleep_ms(2);
    }
  }

  close_playing();
  if (drawn) video_surface_restore_2d(r);
  return 0;
}

}  // namespace

int32_t video_play(const RtString& name) { return play(name, false); }
void video_shutdown() { close_playing(); }
int32_t video_play_loop(const RtString& name) { return play(name, true); }

}  // namespace zrv
