// A small game for the failure-path tests. Its mode, chosen by a
// "mode=NAME" word on the command line, puts it into one state (running,
// paused, inside a waiting command, ...) where the tests then fault it.
#include <cstdio>
#include <cstring>

#include "zorvane.hpp"

using namespace zrv;

namespace {

bool has_arg(const char* word) { return std::strstr(command_line().c_str(), word) != nullptr; }

void on_quit() { console_print("on_quit\n"); }

}  // namespace

void app_defaults() {
  ctx.screen_width = 320;
  ctx.screen_height = 200;
  ctx.frame_rate = 60;
  ctx.app_name = "faults";
}

void game_main() {
  if (has_arg("mode=run")) {
    console_print("running\n");
    for (;;) present_frame();
  }
}

const UserFunction user_functions[] = {{&on_quit, "ZRV_ON_QUIT"}, {nullptr, nullptr}};
