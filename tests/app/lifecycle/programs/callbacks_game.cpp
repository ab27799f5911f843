// A game that defines the quit callback and ends in the ways the tests ask
// for by its first argument after the runtime options.
#include <cstdio>
#include <cstring>

#include "zorvane.hpp"

using namespace zrv;

static void on_quit() {
  console_print("on_quit\n");
  // A second end from inside the shutdown returns at once.
  program_end();
  console_print("on_quit returned\n");
}

void app_defaults() {
  ctx.screen_width = 320;
  ctx.screen_height = 200;
  ctx.frame_rate = 60;
  ctx.app_name = "callbacks";
}

static bool has_arg(const char* word) {
  return std::strstr(command_line().c_str(), word) != nullptr;
}

void game_main() {
  if (has_arg("mode=error")) {
    error_report(20);
    error_report(0);
    char line[64];
    std::snprintf(line, sizeof line, "last=%d\n", ctx.last_error);
    console_print(line);
    end_statement();
  }
  if (has_arg("mode=assert")) debug_assert(0);
  if (has_arg("mode=debug")) {
    ctx.debug_mode = 1;
    set_source_position(2, 17);
    error_report(9);
    program_end();
  }
  if (has_arg("noescape")) app_set_escape_quits(0);
  if (has_arg("mode=frames")) {
    for (int i = 0; i < 1000000; ++i) {
      char line[32];
      std::snprintf(line, sizeof line, "frame %d\n", i);
      console_print(line);
      present_frame();
    }
  }
  if (has_arg("mode=seed")) {
    char line[64];
    std::snprintf(line, sizeof line, "draw %d %d %d\n", random_int(1000), random_int(1000),
                  random_int(1000));
    console_print(line);
  }
}

const UserFunction user_functions[] = {{&on_quit, "ZRV_ON_QUIT"}, {nullptr, nullptr}};
