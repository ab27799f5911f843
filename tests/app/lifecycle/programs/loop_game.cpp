// A game whose main routine returns: the runtime runs its "ZRV_ON_LOOP"
// function as the loop function, which switches between loop functions by
// name and finally stops.
#include <cstdio>

#include "zorvane.hpp"

using namespace zrv;

static int calls_a = 0;
static int calls_b = 0;

static void loop_b() {
  ++calls_b;
  if (calls_b == 3) {
    char line[64];
    std::snprintf(line, sizeof line, "a=%d b=%d\n", calls_a, calls_b);
    console_print(line);
    loop_function_run(RtString(""));
  }
}

static void loop_a() {
  ++calls_a;
  if (calls_a == 2) loop_function_run(RtString("ZRV_ON_LOOP"));  // itself: keeps going
  if (calls_a == 4) loop_function_run(RtString("loop_b"));
}

void app_defaults() {
  ctx.screen_width = 320;
  ctx.screen_height = 200;
  ctx.frame_rate = 60;
  ctx.app_name = "loop";
}

void game_main() { console_print("main returns\n"); }

const UserFunction user_functions[] = {
    {&loop_a, "ZRV_ON_LOOP"}, {&loop_b, "loop_b"}, {nullptr, nullptr}};
