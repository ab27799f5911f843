// Game trace: with --trace FILE the main loop writes the game state as one
// JSON object per line just before each present_frame, so tests and tools
// can follow a run frame by frame.
#pragma once

#include <string>

#include "game.hpp"

// The value following the argument `name` on a command line in the form
// the runtime stores it (arguments separated by blanks, double quotes
// around arguments that hold blanks); "" when the argument is absent or
// has no value.
std::string command_line_value(const char* line, const char* name);

// Opens the trace named by --trace on the command line, if any. A relative
// name counts from the directory the program was started in (start-up moves
// to the program folder before the game runs). A file that cannot be
// created is reported on standard error and the game runs without a trace.
void trace_open_from_command_line(const char* line);

// Starts writing the trace to path (truncating it). False when the file
// cannot be created; the game then runs without a trace.
bool trace_open(const char* path);
void trace_close();
bool trace_enabled();

// The trace line (without line feed) of the current state.
std::string trace_line(int64_t frame, const GameLoopLocals& locals);
// Writes the line for the frames presented so far, when a trace is open.
void trace_write(const GameLoopLocals& locals);
