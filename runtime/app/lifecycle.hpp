// Process entry, start-up and the device part of shutdown.
#pragma once

#include <cstdint>

#include "base/context.hpp"

namespace zrv {

// What a game supplies to the runtime: its settings hook, its main routine
// and its table of functions by name.
struct GameHooks {
  void (*app_defaults)();
  void (*game_main)();
  const UserFunction* user_functions;
};

// Runs the program: command line, settings, start-up, game_main, end.
// Never returns.
[[noreturn]] void runtime_entry(int argc, char** argv, const GameHooks& hooks);

// Brings the runtime up (log, clock, renderer and window, seed, network, 3D,
// input, placement, program folder, archives, first frame, fonts, sound).
int32_t runtime_init(int32_t show_hint, const char* name);

// Parses the runtime's own options out of the command line into
// ctx.options. Returns false when the program should stop at once (--help
// printed, or a bad option value reported on standard error).
bool parse_runtime_options(int argc, char** argv, bool* help_shown);
const char* runtime_options_help();

// Builds the command-line text: arguments separated by blanks, quoted when
// they hold blanks or are empty.
RtString join_command_line(int argc, char** argv);

// Shutdown steps 3 to 11 (music to window), each skipped when its object
// was never created.
void shutdown_devices();
// Device part of a debugger break, after the break: keyboard and mouse read
// again.
void debug_break_devices();

// Start-up steps that reach into the device modules (devices.cpp).
// Loads the key script and the replay and opens the recording; false (the
// reason on standard error) when the program must not start.
bool runtime_options_apply();
void network_create_for_runtime();
void archives_create_for_runtime();

// The program folder (program path cut at the last slash).
RtString program_folder();

}  // namespace zrv
