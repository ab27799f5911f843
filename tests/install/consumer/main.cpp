// The smallest game: settings, a main routine and an empty function table.
#include <zorvane.hpp>

int score_for(int32_t key);

void app_defaults() {
  zrv::ctx.screen_width = 320;
  zrv::ctx.screen_height = 240;
  zrv::ctx.frame_rate = 60;
  zrv::ctx.app_name = "mygame";
}

void game_main() {
  zrv::RtString text("hello from an outside game\n");
  if (score_for(zrv::key::Space) == 5) zrv::console_print(text.c_str());
}

const zrv::UserFunction user_functions[] = {{nullptr, nullptr}};
