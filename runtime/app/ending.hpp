// The application's part of the end: the shutdown sequence behind
// program_end, and the debugger break point.
#pragma once

#include <cstdint>

namespace zrv {

// program_end's work once the application has installed it: the debug-mode
// lines, runtime_shutdown, "exit", status 0. Re-entry returns at once.
void application_end();
// The shutdown sequence inside program_end.
void runtime_shutdown();
// Debugger break point: nothing without a debugger.
int32_t debug_break(int32_t value);

}  // namespace zrv
