// reedfire: settings, start and the table of functions by name.
#include <cstdio>
#include <string>

#include "zorvane.hpp"
#include "game.hpp"
#include "trace.hpp"

namespace {
// The constants compiled into the program (build stamp, project id,
// version), answered by the platform information queries.
struct BuildConstants {
  BuildConstants() { zrv::platform_info_set_build("Sep 26 2016-16:42:55", "f9308845", "000.001"); }
} build_constants;
}  // namespace

void app_defaults() {
  zrv::ctx.screen_width = 640;
  zrv::ctx.screen_height = 480;
  zrv::ctx.full_screen = 0;
  zrv::ctx.mouse_exclusive = 0;
  zrv::ctx.debug_mode = 0;
  zrv::ctx.multisample = 0;
  zrv::ctx.frame_rate = 60;
  zrv::ctx.app_name = "reedfire";
}

void game_main() {
  trace_open_from_command_line(zrv::command_line().c_str());

  init_globals();
  zrv::dir_set_current("Media");
  zrv::screen_setup(800, 480, 0);

  zrv::sprite_load("background.png", 900);
  zrv::sprite_load_sheet("duck.png", 100, 40, 26);
  zrv::sprite_load_sheet("gun.png", 150, 19, 30);
  zrv::sprite_load_sheet("font.png", 1000, 10, 18);
  zrv::sprite_load_sheet("bullet.png", 200, 4, 7);
  zrv::sprite_load("nodux.png", 300);
  zrv::sprite_load("lvl.png", 400);
  zrv::sprite_load("button.png", 500);

  zrv::sound_load("sound01.wav", 1, 0);
  zrv::sound_load("sound02.wav", 2, 0);
  zrv::sound_load("sound04.wav", 3, 0);
  zrv::sound_load("quack.wav", 4, 0);
  zrv::sound_load("die.wav", 5, 0);
  zrv::sound_load("sound05.wav", 6, 0);
  zrv::sound_load("level_up.wav", 7, 0);

  step_delay = 30;
  level = 1;
  zrv::array_dim(schedule, 10000);
  game_loop();
}

// The game defines no callbacks by name.
const zrv::UserFunction user_functions[] = {{nullptr, nullptr}};
