// The error reporter and the orderly end of the program.
#include "app/errors.hpp"

#include <cstdio>
#include <cstdlib>

#include "app/callbacks.hpp"
#include "app/context.hpp"
#include "app/lifecycle.hpp"
#include "input/mouse.hpp"

namespace zrv {

int32_t error_report(int32_t code) {
  if (code == 0) return 0;
  ctx.last_error = code;
  ctx.error_line = ctx.current_line;
  char line[32];
  std::snprintf(line, sizeof line, "error: %x\n", static_cast<unsigned>(code));
  console_print(line);
  return code;
}

void set_source_position(int32_t module, int32_t line) {
  ctx.current_module = module;
  ctx.current_line = line;
}

void program_end() {
  if (ctx.ending) return;
  ctx.ending = 1;
  if (ctx.debug_mode) {
    log_write("-End On Line\n");
    const int32_t values[4] = {ctx.last_error, ctx.error_line - 1, ctx.current_line,
                               ctx.current_module};
    for (int32_t v : values) {
      char line[24];
      std::snprintf(line, sizeof line, "%d\n", v);
      log_write(line);
    }
  }
  runtime_shutdown();
  // The desktop repaints by itself once the window is gone; nothing to ask.
  console_print("exit\n");
  std::exit(0);
}

void runtime_shutdown() {
  if (!ctx.quit_notified) {
    ctx.quit_notified = 1;
    user_function_call(RtString("ZRV_ON_QUIT"));
  }
  log_write("Shut down ZRV\n");
  shutdown_devices();
  log_write("zrv is shut down\n");
}

void end_statement() {
  error_report(0);
  // Returns only when the end is already in progress (a quit callback that
  // ends): that shutdown goes on and finishes the process.
  program_end();
}

void debug_assert(int32_t value) {
  if (value != 0) return;
  debug_print("Assertion: Value = 0\n");
  error_report(kErrAssertion);
  program_end();
}

int32_t debug_break(int32_t value) {
  if (!debugger_attached()) return 0;
  // The mouse goes back to the desktop so that the debugger can be used.
  mouse_release();
  char text[32];
  std::snprintf(text, sizeof text, "BP%x", static_cast<unsigned>(value));
  // The break text goes out without the "TX" prefix: it is a break point.
  console_print_error(text);
  console_print_error("\n");
  ctx.paused = 0;
  debug_break_devices();
  ctx.activate_request = 1;
  return 0;
}

}  // namespace zrv
