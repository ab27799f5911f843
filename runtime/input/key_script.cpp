// Scripted keyboard (see key_script.hpp).
#include "input/key_script.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/context.hpp"
#include "input/input_file.hpp"

namespace zrv {

namespace {

struct KeyEvent {
  int64_t frame;
  uint8_t code;
  uint8_t state;
};

struct KeyScript {
  std::vector<KeyEvent> events;  // sorted by frame, file order kept within a frame
  size_t next = 0;               // first event not yet applied
  uint8_t down[256] = {};
  bool active = false;
};

KeyScript script;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Reads an unsigned decimal number at p (within end). Fails on no digits or
// a value above limit; the value is checked before each digit so nothing
// overflows.
bool read_number(const char*& p, const char* end, int64_t limit, int64_t* out) {
  const char* start = p;
  int64_t value = 0;
  while (p < end && *p >= '0' && *p <= '9') {
    int digit = *p - '0';
    if (digit > limit || value > (limit - digit) / 10) return false;
    value = value * 10 + digit;
    ++p;
  }
  if (p == start) return false;
  *out = value;
  return true;
}

void skip_blanks(const char*& p, const char* end) {
  while (p < end && is_blank(*p)) ++p;
}

enum class Line { kEntry, kNone, kBad };

// One line without its line feed: an entry (ev filled), nothing (blank or
// a comment) or a line that cannot be read.
Line parse_line(const char* p, const char* end, KeyEvent* ev) {
  skip_blanks(p, end);
  if (p == end || *p == '#') return Line::kNone;
  int64_t frame = 0, code = 0, state = 0;
  if (!read_number(p, end, INT64_MAX, &frame)) return Line::kBad;
  if (p == end || !is_blank(*p)) return Line::kBad;
  skip_blanks(p, end);
  if (!read_number(p, end, 255, &code)) return Line::kBad;
  if (p == end || !is_blank(*p)) return Line::kBad;
  skip_blanks(p, end);
  if (!read_number(p, end, 1, &state)) return Line::kBad;
  skip_blanks(p, end);
  if (p != end) return Line::kBad;
  ev->frame = frame;
  ev->code = static_cast<uint8_t>(code);
  ev->state = static_cast<uint8_t>(state);
  return Line::kEntry;
}

}  // namespace

void key_script_advance(int64_t frames_completed) {
  while (script.next < script.events.size() &&
         script.events[script.next].frame <= frames_completed) {
    const KeyEvent& ev = script.events[script.next];
    script.down[ev.code] = ev.state;
    ++script.next;
  }
}

void key_script_clear() {
  script.events.clear();
  script.events.shrink_to_fit();
  script.next = 0;
  std::memset(script.down, 0, sizeof script.down);
  script.active = false;
}

int64_t key_script_load_text(const char* text, size_t size) {
  key_script_clear();
  script.active = true;
  const char* p = text;
  const char* end = text + size;
  int64_t line = 0;
  while (p < end) {
    const char* line_end = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (!line_end) line_end = end;
    ++line;
    KeyEvent ev;
    switch (parse_line(p, line_end, &ev)) {
      case Line::kEntry:
        script.events.push_back(ev);
        break;
      case Line::kNone:
        break;
      case Line::kBad:
        key_script_clear();
        return line;
    }
    p = line_end < end ? line_end + 1 : end;
  }
  std::stable_sort(script.events.begin(), script.events.end(),
                   [](const KeyEvent& a, const KeyEvent& b) { return a.frame < b.frame; });
  key_script_advance(ctx.frames_presented);
  return 0;
}

bool key_script_load(const char* path, std::string* why) {
  key_script_clear();
  std::vector<char> data;
  if (path == nullptr || !input_file_read(path, &data, why)) return false;
  const int64_t bad = key_script_load_text(data.data(), data.size());
  if (bad == 0) return true;
  *why = "'" + std::string(path) + "' line " + std::to_string(bad) +
         ": not a line 'FRAME CODE STATE' (frame >= 0, code 0..255, state 0 or 1)";
  return false;
}

int32_t key_script_down(int32_t code) { return script.down[code & 0xFF] ? 1 : 0; }

bool key_script_active() { return script.active; }

}  // namespace zrv
