#include "trace.hpp"

#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "zorvane.hpp"

namespace {

std::FILE* trace_file = nullptr;
std::string trace_path;  // for the message when a write fails

// The directory the process started in, taken before start-up changes it;
// "" when it has no name any more. (The runtime's dir_get_current gives "/"
// then, which could not be told from the root folder.)
std::string start_directory() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::string() : folder.string();
}
const std::string launch_directory = start_directory();

bool is_blank(char c) { return c == ' ' || c == '\t'; }

void add_key(std::string& out, const char* key, int64_t value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "\"%s\":%" PRId64 ",", key, value);
  out += buf;
}

// Field values are whole numbers; the trace writes them as JSON integers.
void add_number(std::string& out, double value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%" PRId64, static_cast<int64_t>(value));
  out += buf;
}

template <class T, class Fields>
void add_list(std::string& out, const char* key, zrv::RtArray<T>& array, Fields fields) {
  out += '"';
  out += key;
  out += "\":[";
  const int32_t n = zrv::array_bounds(array, 0);
  for (int32_t i = 0; i < n; ++i) {
    if (i > 0) out += ',';
    out += '[';
    const T& item = array(i);
    bool first = true;
    for (double v : fields(item)) {
      if (!first) out += ',';
      first = false;
      add_number(out, v);
    }
    out += ']';
  }
  out += ']';
}

}  // namespace

std::string command_line_value(const char* line, const char* name) {
  if (line == nullptr || name == nullptr) return {};
  const char* p = line;
  bool want_value = false;
  while (*p) {
    while (is_blank(*p)) ++p;
    if (!*p) break;
    std::string token;
    bool quoted = false;
    while (*p && (quoted || !is_blank(*p))) {
      if (*p == '"') {
        quoted = !quoted;
      } else {
        token += *p;
      }
      ++p;
    }
    if (want_value) return token;
    want_value = token == name;
  }
  return {};
}

void trace_open_from_command_line(const char* line) {
  std::string path = command_line_value(line, "--trace");
  if (path.empty()) return;
  // A relative name counts from where the program was started (on Windows
  // a name from the drive's root, "/x", keeps the starting folder's drive).
  if (std::filesystem::path(path).is_relative() && !launch_directory.empty())
    path = (std::filesystem::path(launch_directory) / path).string();
  if (!trace_open(path.c_str()))
    std::fprintf(stderr, "--trace: cannot create '%s'\n", path.c_str());
}

bool trace_open(const char* path) {
  trace_close();
  if (path == nullptr || *path == '\0') return false;
  trace_file = std::fopen(path, "wb");
  trace_path = path;
  return trace_file != nullptr;
}

void trace_close() {
  if (trace_file) std::fclose(trace_file);
  trace_file = nullptr;
}

bool trace_enabled() { return trace_file != nullptr; }

std::string trace_line(int64_t frame, const GameLoopLocals& locals) {
  std::string out = "{";
  add_key(out, "frame", frame);
  add_key(out, "score", score);
  add_key(out, "high_score", high_score);
  add_key(out, "lives", lives);
  add_key(out, "level", level);
  add_key(out, "step_delay", step_delay);
  add_key(out, "step_timer", step_timer);
  add_key(out, "schedule_index", schedule_index);
  add_key(out, "ducks_left", ducks_left);
  add_key(out, "life_lost", life_lost);
  add_key(out, "life_lost_countdown", life_lost_countdown);
  add_key(out, "cooldown", cooldown);
  add_key(out, "bullet_x", bullet_x);
  add_key(out, "bullet_y", bullet_y);
  add_key(out, "bullet_active", bullet_active);
  add_key(out, "blink", locals.blink);
  add_key(out, "countdown_step", locals.countdown_step);
  add_list(out, "ducks", ducks, [](const __ZORVANE__::Tduck& d) {
    return std::array<double, 6>{d.x, d.y, d.tick, d.state, d.direction, d.frame};
  });
  out += ',';
  add_list(out, "guns", guns, [](const __ZORVANE__::Tgun& g) {
    return std::array<double, 2>{g.x, g.y};
  });
  out += ',';
  add_list(out, "bullets", bullets, [](const __ZORVANE__::Tbullet& b) {
    return std::array<double, 3>{b.x, b.y, b.tick};
  });
  out += '}';
  return out;
}

void trace_write(const GameLoopLocals& locals) {
  if (trace_file == nullptr) return;
  std::string line = trace_line(zrv::ctx.frames_presented, locals);
  line += '\n';
  // The program ends inside present_frame; every line must be on disk by then.
  if (std::fwrite(line.data(), 1, line.size(), trace_file) != line.size() ||
      std::fflush(trace_file) != 0) {
    // Said once; the game goes on without its trace.
    std::fprintf(stderr, "--trace: cannot write '%s': %s\n", trace_path.c_str(),
                 std::strerror(errno));
    trace_close();
  }
}
