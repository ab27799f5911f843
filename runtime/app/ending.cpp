// The application's end of the program: the quit callback, the shutdown of
// every device and "exit".
#include "app/ending.hpp"

#include <cstdio>
#include <cstdlib>

#include "app/lifecycle.hpp"
#include "base/callbacks.hpp"
#include "base/context.hpp"
#include "base/errors.hpp"
#include "input/mouse.hpp"

namespace zrv {

void application_end() {
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
  std::exit(program_exit_status());
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
