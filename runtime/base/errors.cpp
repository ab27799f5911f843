// The error reporter and the way out of the program.
#include "base/errors.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/context.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {
void (*g_end)() = nullptr;
int g_exit_status = 0;
// The reason in words of the last error, and which report it belongs to.
char g_reason[1200] = "";  // plain storage: errors may come from exit handlers
uint64_t g_reports = 0, g_reason_report = 0;
}  // namespace

int32_t error_report(int32_t code) {
  if (code == 0) return 0;
  ctx.last_error = code;
  ctx.error_line = ctx.current_line;
  ++g_reports;
  char line[32];
  std::snprintf(line, sizeof line, "error: %x\n", static_cast<unsigned>(code));
  console_print(line);
  return code;
}

int32_t error_say(int32_t code, const char* format, ...) {
  char line[1200];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line - 1, format, args);
  va_end(args);
  std::memcpy(g_reason, line, sizeof g_reason);
  std::strcat(line, "\n");
  console_print_error(line);
  log_write(line);
  const int32_t reported = error_report(code);
  g_reason_report = g_reports;
  return reported;
}

RtString runtime_error_reason() {
  if (ctx.last_error == 0 || g_reason_report != g_reports) return RtString();
  return RtString(g_reason);
}

void set_source_position(int32_t module, int32_t line) {
  ctx.current_module = module;
  ctx.current_line = line;
}

void program_end_install(void (*end)()) { g_end = end; }

void program_end() {
  if (g_end != nullptr) {
    g_end();
    return;
  }
  if (ctx.ending) return;
  ctx.ending = 1;
  console_print("exit\n");
  std::exit(g_exit_status);
}

void program_end_fatal() {
  // A fatal error inside the shutdown (the quit callback's) does not turn
  // an orderly end into a failed one.
  if (!ctx.ending) g_exit_status = 1;
  program_end();
}

int program_exit_status() { return g_exit_status; }

void quit_request_take() {
  const int signo = platform::quit_signal_pending();
  if (signo == 0 || ctx.ending) return;
  char line[48];
  std::snprintf(line, sizeof line, "signal %d ends the program\n", signo);
  log_write(line);
  error_report(0);
  program_end();
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
  program_end_fatal();
}

}  // namespace zrv
