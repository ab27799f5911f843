// Zorvane: every runtime command and type, in namespace zrv.
//
// A game built on the runtime defines, in the global namespace:
//   void app_defaults();                 // writes zrv::ctx's settings
//   void game_main();                    // the game's main routine
//   extern const zrv::UserFunction user_functions[];  // ends with {nullptr, nullptr}
// and links zorvane::runtime, whose main() runs zrv::runtime_entry.
#pragma once

#include "app/callbacks.hpp"
#include "app/context.hpp"
#include "app/errors.hpp"
#include "app/frame.hpp"
#include "app/lifecycle.hpp"
#include "platform/platform.hpp"
#include "types/rt_array.hpp"
#include "types/rt_math.hpp"
#include "types/rt_string.hpp"
#include "types/str_func.hpp"

void app_defaults();
void game_main();
extern const zrv::UserFunction user_functions[];
