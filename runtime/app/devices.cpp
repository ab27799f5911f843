// The start-up and shutdown steps that create and destroy the device
// objects held in the context.
#include <cstdio>
#include <string>

#include "app/frame.hpp"
#include "app/frame_commands.hpp"
#include "app/lifecycle.hpp"
#include "app/media_watch.hpp"
#include "base/errors.hpp"
#include "files/archive.hpp"
#include "files/channels.hpp"
#include "files/line_files.hpp"
#include "gfx/renderer.hpp"
#include "gfx/scene3d.hpp"
#include "gfx/screenshot.hpp"
#include "input/input_state.hpp"
#include "input/key_script.hpp"
#include "input/keys.hpp"
#include "input/mouse.hpp"
#include "input/replay.hpp"
#include "net/net.hpp"
#include "platform/platform.hpp"
#include "sound/music.hpp"
#include "sound/sound_device.hpp"

namespace zrv {

bool runtime_options_apply() {
  std::string why;
  if (!ctx.options.keys_file.empty() && !key_script_load(ctx.options.keys_file.c_str(), &why)) {
    std::fprintf(stderr, "--keys: %s\n", why.c_str());
    return false;
  }
  const RuntimeOptions& o = ctx.options;
  if (!o.record_file.empty() && platform::same_file(o.record_file.c_str(), o.replay_file.c_str())) {
    std::fprintf(stderr, "--record: '%s' is the recording --replay reads; it would be destroyed\n",
                 o.record_file.c_str());
    return false;
  }
  if (!ctx.options.replay_file.empty() &&
      !input_replay_load(ctx.options.replay_file.c_str(), &why)) {
    std::fprintf(stderr, "--replay: %s\n", why.c_str());
    return false;
  }
  bool end_missing = false;
  const int64_t end = input_replay_end_frame(&end_missing);
  if (end_missing) {
    std::fprintf(stderr,
                 "--replay: '%s' has no end line (its run did not finish); it ends with its last "
                 "input, frame %lld\n",
                 o.replay_file.c_str(), static_cast<long long>(end - 1));
  }
  if (!ctx.options.record_file.empty() &&
      !input_record_open(ctx.options.record_file.c_str(), &why)) {
    std::fprintf(stderr, "--record: %s\n", why.c_str());
    return false;
  }
  return true;
}

namespace {
bool g_network_up = false;  // the socket table was set up at start-up
}  // namespace

void network_create_for_runtime() {
  // net_start is optional with POSIX sockets, so start-up raises the limit
  // too: the whole table must fit under the usual soft limit of 1024.
  net_raise_file_limit();
  g_network_up = true;
}

void archives_create_for_runtime() {
  archive_holders_create();
  const std::string exe = platform::program_path();
  archive_set(exe.c_str(), exe.c_str());
}

void shutdown_devices() {
  // Music stops first: the loop service must not restart it.
  ctx.music_loop_end = 0;
  music_stop();
  video_shutdown();

  RtString folder = program_folder();
  platform::set_current_directory(folder.c_str());

  media_watch_end();
  file_channels_close_all();
  ini_line_files_flush();

  if (g_network_up) {
    net_shutdown();
    g_network_up = false;
  }
  input_record_close(frames_begun());
  if (ctx.input) {
    input_destroy(ctx.input);
    ctx.input = nullptr;
  }
  if (ctx.sound_slots) {
    sound_slots_destroy(ctx.sound_slots);
    ctx.sound_slots = nullptr;
  }
  if (ctx.sound_device) {
    sound_device_destroy(ctx.sound_device);
    ctx.sound_device = nullptr;
  }
  if (ctx.renderer) {
    screenshot_save_at_end(ctx.renderer);
    renderer_destroy(ctx.renderer);
    ctx.renderer = nullptr;
  }
  if (ctx.scene3d) {
    delete ctx.scene3d;
    ctx.scene3d = nullptr;
  }
  archive_holders_destroy();
  ini_line_files_destroy();
  ctx.window = nullptr;
}

void debug_break_devices() {
  if (ctx.input) keyboard_refresh();
  mouse_update_all(true);
}

}  // namespace zrv
