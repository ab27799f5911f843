// Error codes, the error reporter, the orderly end and the plain output
// channels (log file, standard output and error, debugger sink).
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"

namespace zrv {

enum ErrorCode : int32_t {
  kErrSuccess = 0,
  kErrNoSuchFile = 3,
  kErrAddressFamily = 4,
  kErrOutOfMemory = 7,
  kErrPushMultiDim = 8,
  kErrOutOfBounds = 9,
  kErrOutOfData = 20,
  kErrAssertion = 21,
};

// Records a non-zero code in last_error and prints "error: <hex>" on stdout.
int32_t error_report(int32_t code);
// error_report with the reason in words: one line, "command: 'argument':
// reason" (printf format), on standard error and in the log first.
int32_t error_say(int32_t code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The words error_say gave for the current last_error ("sprite_load:
// 'x.png': no such file"); "" when last_error is 0 or was reported without
// words.
RtString runtime_error_reason();

// The only way out: shutdown, "exit" on stdout, status 0. Re-entry returns.
// The application installs its shutdown at start-up; until then (a program
// of the lower layers alone) the end only prints "exit" and ends.
void program_end();
void program_end_install(void (*end)());
// The end after a fatal error (bounds, a bad channel, out of memory or
// data, a failed assertion): program_end, with exit status 1 instead of 0
// so that a script can tell it from a normal end.
void program_end_fatal();
// The status the process ends with: 0, or 1 after a fatal error.
int program_exit_status();
// A termination request (SIGTERM, SIGINT, SIGHUP) that arrived ends the
// program as a close request does. The message pump takes it, and so does
// every wait that watches the request (platform::quit_signal_fd).
void quit_request_take();
// The language's end statement. Returns only when called during the
// shutdown (from the quit callback), which then goes on.
void end_statement();

// Appends text to the run's log, ErrorLog.txt in the run's private folder
// of the temporary directory (best effort: without that folder the lines
// are lost).
void log_write(const char* text);
// Full path of the log file ("" when there is none).
RtString log_path();
// The log line of an entry point the driver does not have.
void log_lookup_failed(const char* name);

void console_print(const char* text);
void console_print_error(const char* text);
// Every byte of the text, a zero byte too.
void console_print(const RtString& text);
void console_print_error(const RtString& text);
// "TX" + text to the debug sink, only while a debugger is attached.
void debug_print(const char* text);
bool debugger_attached();

void debug_assert(int32_t value);

// Source position of programs built with tracing.
void set_source_position(int32_t module, int32_t line);

}  // namespace zrv
