// Scripted keyboard (see key_script.hpp).
#include "input/key_script.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/context.hpp"
#include "input/input_file.hpp"
#include "input/key_codes.hpp"

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

struct KeyName {
  const char* name;
  int32_t code;
};

// The names of zrv::key, spelled as there.
#define ZRV_KEY(name) \
  { #name, key::name }
constexpr KeyName kKeyNames[] = {ZRV_KEY(Escape),
                                 ZRV_KEY(Num1),
                                 ZRV_KEY(Num2),
                                 ZRV_KEY(Num3),
                                 ZRV_KEY(Num4),
                                 ZRV_KEY(Num5),
                                 ZRV_KEY(Num6),
                                 ZRV_KEY(Num7),
                                 ZRV_KEY(Num8),
                                 ZRV_KEY(Num9),
                                 ZRV_KEY(Num0),
                                 ZRV_KEY(Minus),
                                 ZRV_KEY(Equals),
                                 ZRV_KEY(Backspace),
                                 ZRV_KEY(Tab),
                                 ZRV_KEY(Q),
                                 ZRV_KEY(W),
                                 ZRV_KEY(E),
                                 ZRV_KEY(R),
                                 ZRV_KEY(T),
                                 ZRV_KEY(Y),
                                 ZRV_KEY(U),
                                 ZRV_KEY(I),
                                 ZRV_KEY(O),
                                 ZRV_KEY(P),
                                 ZRV_KEY(LeftBracket),
                                 ZRV_KEY(RightBracket),
                                 ZRV_KEY(Enter),
                                 ZRV_KEY(LeftCtrl),
                                 ZRV_KEY(A),
                                 ZRV_KEY(S),
                                 ZRV_KEY(D),
                                 ZRV_KEY(F),
                                 ZRV_KEY(G),
                                 ZRV_KEY(H),
                                 ZRV_KEY(J),
                                 ZRV_KEY(K),
                                 ZRV_KEY(L),
                                 ZRV_KEY(Semicolon),
                                 ZRV_KEY(Apostrophe),
                                 ZRV_KEY(Grave),
                                 ZRV_KEY(LeftShift),
                                 ZRV_KEY(Backslash),
                                 ZRV_KEY(Z),
                                 ZRV_KEY(X),
                                 ZRV_KEY(C),
                                 ZRV_KEY(V),
                                 ZRV_KEY(B),
                                 ZRV_KEY(N),
                                 ZRV_KEY(M),
                                 ZRV_KEY(Comma),
                                 ZRV_KEY(Period),
                                 ZRV_KEY(Slash),
                                 ZRV_KEY(RightShift),
                                 ZRV_KEY(PadMultiply),
                                 ZRV_KEY(LeftAlt),
                                 ZRV_KEY(Space),
                                 ZRV_KEY(CapsLock),
                                 ZRV_KEY(F1),
                                 ZRV_KEY(F2),
                                 ZRV_KEY(F3),
                                 ZRV_KEY(F4),
                                 ZRV_KEY(F5),
                                 ZRV_KEY(F6),
                                 ZRV_KEY(F7),
                                 ZRV_KEY(F8),
                                 ZRV_KEY(F9),
                                 ZRV_KEY(F10),
                                 ZRV_KEY(NumLock),
                                 ZRV_KEY(ScrollLock),
                                 ZRV_KEY(Pad7),
                                 ZRV_KEY(Pad8),
                                 ZRV_KEY(Pad9),
                                 ZRV_KEY(PadMinus),
                                 ZRV_KEY(Pad4),
                                 ZRV_KEY(Pad5),
                                 ZRV_KEY(Pad6),
                                 ZRV_KEY(PadPlus),
                                 ZRV_KEY(Pad1),
                                 ZRV_KEY(Pad2),
                                 ZRV_KEY(Pad3),
                                 ZRV_KEY(Pad0),
                                 ZRV_KEY(PadPeriod),
                                 ZRV_KEY(IsoBackslash),
                                 ZRV_KEY(F11),
                                 ZRV_KEY(F12),
                                 ZRV_KEY(F13),
                                 ZRV_KEY(F14),
                                 ZRV_KEY(F15),
                                 ZRV_KEY(PadEquals),
                                 ZRV_KEY(PadEnter),
                                 ZRV_KEY(RightCtrl),
                                 ZRV_KEY(PadComma),
                                 ZRV_KEY(PadDivide),
                                 ZRV_KEY(PrintScreen),
                                 ZRV_KEY(RightAlt),
                                 ZRV_KEY(Pause),
                                 ZRV_KEY(Home),
                                 ZRV_KEY(Up),
                                 ZRV_KEY(PageUp),
                                 ZRV_KEY(Left),
                                 ZRV_KEY(Right),
                                 ZRV_KEY(End),
                                 ZRV_KEY(Down),
                                 ZRV_KEY(PageDown),
                                 ZRV_KEY(Insert),
                                 ZRV_KEY(Delete),
                                 ZRV_KEY(LeftWindows),
                                 ZRV_KEY(RightWindows),
                                 ZRV_KEY(Applications)};
#undef ZRV_KEY

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

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// A key at p: a code 0..255 or a name of zrv::key in any case.
bool read_key(const char*& p, const char* end, int64_t* code) {
  if (p < end && *p >= '0' && *p <= '9') return read_number(p, end, 255, code);
  const char* start = p;
  while (p < end && !is_blank(*p)) ++p;
  const size_t length = static_cast<size_t>(p - start);
  for (const KeyName& key : kKeyNames) {
    if (std::strlen(key.name) != length) continue;
    size_t i = 0;
    while (i < length && lower(key.name[i]) == lower(start[i])) ++i;
    if (i == length) {
      *code = key.code;
      return true;
    }
  }
  return false;
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
  if (!read_key(p, end, &code)) return Line::kBad;
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
         ": not a line 'FRAME KEY STATE' (frame >= 0, key a code 0..255 or a name such as Space, "
         "state 0 or 1)";
  return false;
}

int32_t key_script_down(int32_t code) { return script.down[code & 0xFF] ? 1 : 0; }

bool key_script_active() { return script.active; }

}  // namespace zrv
