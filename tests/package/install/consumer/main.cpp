// A small outside game: settings, a main routine that reads a line of its
// media folder, and an empty function table.
#include <zorvane.hpp>

int score_for(int32_t key);

void app_defaults() {
  zrv::ctx.screen_width = 320;
  zrv::ctx.screen_height = 240;
  zrv::ctx.frame_rate = 60;
  zrv::ctx.app_name = "mygame";
}

void game_main() {
  zrv::RtString line;
  // The program runs in its own folder: "media" lies beside it, or in its
  // appended archive in the one-file build.
  if (zrv::file_open(0, "media/hello.txt", 1) == 1) zrv::file_read_line(0, line);
  line.append("\n");
  if (score_for(zrv::key::Space) == 5) zrv::console_print(line.c_str());
}

const zrv::UserFunction user_functions[] = {{nullptr, nullptr}};
