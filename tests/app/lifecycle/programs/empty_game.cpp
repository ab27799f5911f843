// A game whose main routine does nothing: start-up, then the end.
#include "zorvane.hpp"

void app_defaults() {
  zrv::ctx.screen_width = 640;
  zrv::ctx.screen_height = 480;
  zrv::ctx.frame_rate = 60;
  zrv::ctx.app_name = "empty";
}

void game_main() {}

const zrv::UserFunction user_functions[] = {{nullptr, nullptr}};
