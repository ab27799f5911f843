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
// clang-format off
constexpr KeyName kKeyNames[] = {
    {"Escape", key::Escape}, {"Num1", key::Num1}, {"Num2", key::Num2}, {"Num3", key::Num3},
    {"Num4", key::Num4}, {"Num5", key::Num5}, {"Num6", key::Num6}, {"Num7", key::Num7},
    {"Num8", key::Num8}, {"Num9", key::Num9}, {"Num0", key::Num0}, {"Minus", key::Minus},
    {"Equals", key::Equals}, {"Backspace", key::Backspace}, {"Tab", key::Tab}, {"Q", key::Q},
    {"W", key::W}, {"E", key::E}, {"R", key::R}, {"T", key::T}, {"Y", key::Y}, {"U", key::U},
    {"I", key::I}, {"O", key::O}, {"P", key::P}, {"LeftBracket", key::LeftBracket},
    {"RightBracket", key::RightBracket}, {"Enter", key::Enter}, {"LeftCtrl", key::LeftCtrl},
    {"A", key::A}, {"S", key::S}, {"D", key::D}, {"F", key::F}, {"G", key::G}, {"H", key::H},
    {"J", key::J}, {"K", key::K}, {"L", key::L}, {"Semicolon", key::Semicolon},
    {"Apostrophe", key::Apostrophe}, {"Grave", key::Grave}, {"LeftShift", key::LeftShift},
    {"Backslash", key::Backslash}, {"Z", key::Z}, {"X", key::X}, {"C", key::C}, {"V", key::V},
    {"B", key::B}, {"N", key::N}, {"M", key::M}, {"Comma", key::Comma}, {"Period", key::Period},
    {"Slash", key::Slash}, {"RightShift", key::RightShift}, {"PadMultiply", key::PadMultiply},
    {"LeftAlt", key::LeftAlt}, {"Space", key::Space}, {"CapsLock", key::CapsLock}, {"F1", key::F1},
    {"F2", key::F2}, {"F3", key::F3}, {"F4", key::F4}, {"F5", key::F5}, {"F6", key::F6},
    {"F7", key::F7}, {"F8", key::F8}, {"F9", key::F9}, {"F10", key::F10}, {"NumLock", key::NumLock},
    {"ScrollLock", key::ScrollLock}, {"Pad7", key::Pad7}, {"Pad8", key::Pad8}, {"Pad9", key::Pad9},
    {"PadMinus", key::PadMinus}, {"Pad4", key::Pad4}, {"Pad5", key::Pad5}, {"Pad6", key::Pad6},
    {"PadPlus", key::PadPlus}, {"Pad1", key::Pad1}, {"Pad2", key::Pad2}, {"Pad3", key::Pad3},
    {"Pad0", key::Pad0}, {"PadPeriod", key::PadPeriod}, {"IsoBackslash", key::IsoBackslash},
    {"F11", key::F11}, {"F12", key::F12}, {"F13", key::F13}, {"F14", key::F14}, {"F15", key::F15},
    {"PadEquals", key::PadEquals}, {"PadEnter", key::PadEnter}, {"RightCtrl", key::RightCtrl},
    {"PadComma", key::PadComma}, {"PadDivide", key::PadDivide}, {"PrintScreen", key::PrintScreen},
    {"RightAlt", key::RightAlt}, {"Pause", key::Pause}, {"Home", key::Home}, {"Up", key::Up},
    {"PageUp", key::PageUp}, {"Left", key::Left}, {"Right", key::Right}, {"End", key::End},
    {"Down", key::Down}, {"PageDown", key::PageDown}, {"Insert", key::Insert},
    {"Delete", key::Delete}, {"LeftWindows", key::LeftWindows}, {"RightWindows", key::RightWindows},
    {"Applications", key::Applications}};
// clang-format on

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
  *why = std::string("'") + path + "' line " + std::to_string(bad) +
         ": not a line 'FRAME KEY STATE' (frame >= 0, key a code 0..255 or a name such as Space, "
         "state 0 or 1)";
  return false;
}

int32_t key_script_down(int32_t code) { return script.down[code & 0xFF] ? 1 : 0; }

bool key_script_active() { return script.active; }

}  // namespace zrv
