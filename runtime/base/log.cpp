// The log file and the plain output channels.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/errors.hpp"
#include "platform/platform.hpp"

namespace zrv {

RtString log_path() {
  std::string dir = platform::temp_directory();
  if (dir.empty() || dir.back() != '/') dir += '/';
  dir += "ErrorLog.txt";
  return RtString(dir.c_str());
}

void log_write(const char* text) {
  if (text == nullptr) text = "NULL";
  RtString path = log_path();
  size_t n = std::strlen(text);
  for (int attempt = 0; attempt < 5; ++attempt) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) continue;
    const char* p = text;
    size_t left = n;
    while (left > 0) {
      ssize_t w = ::write(fd, p, left);
      if (w <= 0) break;
      p += w;
      left -= static_cast<size_t>(w);
    }
    ::close(fd);
    return;
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
