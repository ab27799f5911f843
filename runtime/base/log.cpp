// The log file and the plain output channels.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/errors.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

// The log is made once, new, in the run's private folder, and kept open;
// -1 when there is no private folder (the lines are then lost, nothing else).
int log_descriptor() {
  static const int fd = [] {
    const RtString path = log_path();
    return path.length == 0 ? -1 : platform::file_create_new(path.c_str());
  }();
  return fd;
}

}  // namespace

RtString log_path() {
  static const std::string path = [] {
    const std::string folder = platform::run_folder();
    return folder.empty() ? folder : folder + "/ErrorLog.txt";
  }();
  return RtString(path.c_str());
}

void log_write(const char* text) {
  if (text == nullptr) text = "NULL";
  const int fd = log_descriptor();
  if (fd < 0) return;
  const char* p = text;
  size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t w = ::write(fd, p, left);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    p += w;
    left -= static_cast<size_t>(w);
  }
}

void log_lookup_failed(const char* name) {
  char line[128];
  std::snprintf(line, sizeof line, "ext: %-35s   [FAILED]", name);
  log_write(line);
}

void console_print(const char* text) {
  if (text) std::fputs(text, stdout);
  std::fflush(stdout);
}

void console_print_error(const char* text) {
  if (text) std::fputs(text, stderr);
  std::fflush(stderr);
}

bool debugger_attached() { return platform::debugger_attached(); }

// Linux has no debugger output channel; while a debugger (any tracer) is
// attached, the text goes to standard error, where the debugger's console
// shows it, with the "TX" prefix kept.
void debug_print(const char* text) {
  if (!debugger_attached()) return;
  std::fputs("TX", stderr);
  if (text) std::fputs(text, stderr);
  std::fflush(stderr);
}

}  // namespace zrv
