// --watch: the pictures and sounds a program loaded are reloaded into their
// slots when their files are saved again, at the frame after the save.
#include "app/media_watch.hpp"

#include <string>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/archive.hpp"
#include "files/media_watch.hpp"
#include "files/paths.hpp"
#include "files/rt_file.hpp"
#include "gfx/sprites.hpp"
#include "input/replay.hpp"
#include "platform/platform.hpp"
#include "sound/sound_watch.hpp"

namespace zrv {

namespace {

void say(const std::string& line) {
  log_write(line.c_str());
  console_print_error(line.c_str());
}

// The one-file build reads its media from the archive appended to the
// program: nothing on disk to watch.
bool program_carries_archive() {
  RtFile program;
  return program.open_read(platform::program_path().c_str()) && archive_present(program);
}

}  // namespace

void media_watch_begin() {
  if (!ctx.options.watch) return;
  if (input_replaying()) {
    // A replay must play what the recorded run played.
    log_write("watch: off during a replay\n");
    return;
  }
  if (program_carries_archive()) {
    log_write("watch: off, the media come from the program's archive\n");
    return;
  }
  media_watch_start();
  log_write("watch: on\n");
}

void media_watch_service() {
  if (!media_watch_on()) return;
  for (const std::string& path : media_watch_take_changed()) {
    std::string why;
    const int32_t reloaded = pictures_reload_file(path, &why) + sounds_reload_file(path, &why);
    const std::string name = path_file_part(path.c_str());
    if (reloaded > 0) {
      say("watch: reloaded '" + name + "'\n");
    } else if (!why.empty()) {
      say("watch: '" + name + "' kept as it was: " + why + "\n");
    }
  }
}

void media_watch_end() { media_watch_stop(); }

}  // namespace zrv
