// Scripted keyboard (see key_script.hpp).
#include "input/key_script.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/context.hpp"

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

// One line without its line feed. Returns true and fills ev for a valid entry.
bool parse_line(const char* p, const char* end, KeyEvent* ev) {
  skip_blanks(p, end);
  if (p == end || *p == '#') return false;
  int64_t frame = 0, code = 0, state = 0;
  if (!read_number(p, end, INT64_MAX, &frame)) return false;
  if (p == end || !is_blank(*p)) return false;
  skip_blanks(p, end);
  if (!read_number(p, end, 255, &code)) return false;
  if (p == end || !is_blank(*p)) return false;
  skip_blanks(p, end);
  if (!read_number(p, end, 1, &state)) return false;
  skip_blanks(p, end);
  if (p != end) return false;
  ev->frame = frame;
  ev->code = static_cast<uint8_t>(code);
  ev->state = static_cast<uint8_t>(state);
  return true;
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

size_t key_script_load_text(const char* text, size_t size) {
  key_script_clear();
  script.active = true;
  const char* p = text;
  const char* end = text + size;
  while (p < end) {
    const char* line_end = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (!line_end) line_end = end;
    KeyEvent ev;
    if (parse_line(p, line_end, &ev)) script.events.push_back(ev);
    p = line_end < end ? line_end + 1 : end;
  }
  std::stable_sort(script.events.begin(), script.events.end(),
                   [](const KeyEvent& a, const KeyEvent& b) { return a.frame < b.frame; });
  key_script_advance(ctx.frames_presented);
  return script.events.size();
}

bool key_script_load(const char* path) {
  key_script_clear();
  if (!path) return false;
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::vector<char> data;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    data.insert(data.end(), chunk, chunk + got);
  bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) return false;
  key_script_load_text(data.data(), data.size());
  return true;
}

int32_t key_script_down(int32_t code) { return script.down[code & 0xFF] ? 1 : 0; }

bool key_script_active() { return script.active; }

}  // namespace zrv
