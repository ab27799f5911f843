// The log file and the plain output channels.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "base/errors.hpp"
#include "platform/files.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

// The log is made new in the run's private folder and kept open. When a
// cleaner of old temporary files took it from under a long run, the next
// line starts a new one (in a new run folder).
struct Log {
  std::mutex lock;
  int fd = -1;
  std::string path;
};

// Never destroyed: handlers that run at exit still write lines.
Log& the_log() {
  static Log* log = new Log();
  return *log;
}

// The open log, made when there is none or it was removed; -1 when there is
// no private folder (the lines are then lost, nothing else). Under the lock.
int log_descriptor(Log& log) {
  platform::FileStatus st;
  if (log.fd >= 0 && platform::file_status_open(log.fd, &st) && st.links > 0) return log.fd;
  if (log.fd >= 0) platform::file_close(log.fd);
  log.fd = -1;
  log.path.clear();
  const std::string folder = platform::run_folder();
  if (folder.empty()) return -1;
  log.fd = platform::file_create_new(folder + "/ErrorLog.txt");
  if (log.fd >= 0) log.path = folder + "/ErrorLog.txt";
  return log.fd;
}

}  // namespace

RtString log_path() {
  Log& log = the_log();
  const std::lock_guard<std::mutex> hold(log.lock);
  log_descriptor(log);
  return RtString(log.path.c_str());
}

void log_write(const char* text) {
  if (text == nullptr) text = "NULL";
  Log& log = the_log();
  const std::lock_guard<std::mutex> hold(log.lock);
  const int fd = log_descriptor(log);
  if (fd < 0) return;
  platform::file_write(fd, text, static_cast<int64_t>(std::strlen(text)));
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

void console_print(const RtString& text) {
  std::fwrite(text.data, 1, text.length, stdout);
  std::fflush(stdout);
}

void console_print_error(const RtString& text) {
  std::fwrite(text.data, 1, text.length, stderr);
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
