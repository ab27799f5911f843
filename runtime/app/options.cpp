// The runtime's own command-line options. The game still sees the whole
// command line; these are only read, never removed.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/lifecycle.hpp"
#include "base/context.hpp"

namespace zrv {

namespace {

bool parse_int64(const char* text, int64_t min, int64_t max, int64_t* out) {
  if (text == nullptr || *text == '\0') return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

bool bad_value(const char* option, const char* value) {
  std::fprintf(stderr, "%s: bad value '%s' (see --help)\n", option, value ? value : "");
  return false;
}

}  // namespace

const char* runtime_options_help() {
  return "Runtime options (the program also sees them on its command line):\n"
         "  --headless         no window, no sound, no input devices; frames are not paced\n"
         "  --seed N           seed the random generator with N instead of the clock\n"
         "  --frames N         end the program after the N-th frame has been presented\n"
         "                     (scripted runs, --frames or --keys, never pause themselves)\n"
         "  --keys FILE        scripted keyboard: lines 'F KEY STATE' make KEY (a scan code\n"
         "                     or a name: Space, A, Enter) read as down (STATE 1) or up (0)\n"
         "                     from frame F on\n"
         "  --record FILE      write every input the run reads (and its seed) to FILE\n"
         "  --replay FILE      take every input (and the seed) from a recording instead of\n"
         "                     the devices; after its end no key or button is down\n"
         "  --screenshot FILE  save the screen to FILE at the end of the run (without the\n"
         "                     frame-time overlay)\n"
         "  --stats            show the frame-time overlay: frames per second, the last 120\n"
         "                     frame times, draws and sprites per frame\n"
         "  --watch            reload a picture or sound the program loaded when its file is\n"
         "                     saved again (not in a replay or from the program's archive)\n"
         "  -h, --help         show this text and stop\n"
         "  --                 end of the runtime's options: what follows is the game's\n";
}

bool parse_runtime_options(int argc, char** argv, bool* help_shown) {
  *help_shown = false;
  RuntimeOptions& o = ctx.options;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (a == nullptr) continue;
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    if (std::strcmp(a, "--") == 0) break;  // the rest is the game's alone
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      std::fputs(runtime_options_help(), stdout);
      std::fflush(stdout);
      *help_shown = true;
      return false;
    } else if (std::strcmp(a, "--headless") == 0) {
      o.headless = 1;
    } else if (std::strcmp(a, "--watch") == 0) {
      o.watch = 1;
    } else if (std::strcmp(a, "--seed") == 0) {
      int64_t v;
      if (!parse_int64(next, INT32_MIN, INT32_MAX, &v)) return bad_value(a, next);
      o.seed_given = 1;
      o.seed = static_cast<int32_t>(v);
      ++i;
    } else if (std::strcmp(a, "--frames") == 0) {
      int64_t v;
      if (!parse_int64(next, 1, INT64_MAX, &v)) return bad_value(a, next);
      o.frames = v;
      ++i;
    } else if (std::strcmp(a, "--keys") == 0) {
      if (next == nullptr || *next == '\0') return bad_value(a, next);
      o.keys_file = next;
      ++i;
    } else if (std::strcmp(a, "--record") == 0 || std::strcmp(a, "--replay") == 0) {
      if (next == nullptr || *next == '\0') return bad_value(a, next);
      RtString& file = std::strcmp(a, "--record") == 0 ? o.record_file : o.replay_file;
      file = next;
      ++i;
    } else if (std::strcmp(a, "--stats") == 0) {
      o.stats = 1;
    } else if (std::strcmp(a, "--screenshot") == 0) {
      if (next == nullptr || *next == '\0') return bad_value(a, next);
      o.screenshot_file = next;
      ++i;
    }
  }
  return true;
}

}  // namespace zrv
