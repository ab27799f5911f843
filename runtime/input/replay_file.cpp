// Reading and writing the recorded-input format (see replay_file.hpp).
#include "input/replay_file.hpp"

#include <cstdio>
#include <cstring>

namespace zrv {

namespace {

struct Words {
  std::vector<std::string> list;
  std::string rest_after_two;   // the text after the second word (a name)
  std::string rest_after_four;  // likewise after the fourth
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

Words split(const char* p, const char* end) {
  Words w;
  while (p < end) {
    while (p < end && is_blank(*p)) ++p;
    if (p == end) break;
    if (w.list.size() == 2 || w.list.size() == 4) {
      const char* e = end;
      while (e > p && is_blank(e[-1])) --e;
      (w.list.size() == 2 ? w.rest_after_two : w.rest_after_four).assign(p, e);
    }
    const char* start = p;
    while (p < end && !is_blank(*p)) ++p;
    w.list.emplace_back(start, p);
  }
  return w;
}

// A whole decimal number (optional '-') within min..max.
bool number(const std::string& s, int64_t min, int64_t max, int64_t* out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && s[i] == '-') {
    negative = true;
    ++i;
  }
  if (i == s.size()) return false;
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    value = value * 10 + static_cast<uint64_t>(s[i] - '0');
    if (value > (1ull << 62)) return false;
  }
  const int64_t v = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  if (v < min || v > max) return false;
  *out = v;
  return true;
}

struct Reader {
  ReplayScript* script;
  std::string why;
  bool header_seen = false;
  int64_t last_frame[kReplayChannels];
  int32_t last_read[kReplayChannels];

  Reader() {
    for (int32_t i = 0; i < kReplayChannels; ++i) {
      last_frame[i] = -1;
      last_read[i] = -1;
    }
  }

  bool fail(const char* text) {
    why = text;
    return false;
  }

  // Numbers w[from..from+count) into out, each within min..max.
  bool numbers(const Words& w, size_t from, size_t count, int64_t min, int64_t max, int64_t* out) {
    if (w.list.size() != from + count) return fail("wrong number of fields");
    for (size_t i = 0; i < count; ++i) {
      if (!number(w.list[from + i], min, max, &out[i]))
        return fail("a field is not a number in range");
    }
    return true;
  }

  bool setup(const Words& w) {
    const std::string& what = w.list[0];
    int64_t n[1];
    if (what == "seed") {
      if (script->seed_known) return fail("a second seed");
      if (!numbers(w, 1, 1, INT32_MIN, INT32_MAX, n)) return false;
      script->seed_known = true;
      script->seed = static_cast<int32_t>(n[0]);
    } else if (what == "autopause") {
      if (script->autopause >= 0) return fail("a second autopause");
      if (!numbers(w, 1, 1, 0, 1, n)) return false;
      script->autopause = static_cast<int32_t>(n[0]);
    } else if (what == "end") {
      if (script->end_frame >= 0) return fail("a second end");
      if (!numbers(w, 1, 1, 0, INT64_MAX, n)) return false;
      for (int32_t i = 0; i < kReplayChannels; ++i) {
        if (last_frame[i] > n[0]) return fail("input after the end");
      }
      script->end_frame = n[0];
    } else if (what == "joystick") {
      if (w.list.size() < 2 || !number(w.list[1], 0, kReplayJoysticks - 1, n)) {
        return fail("bad joystick number");
      }
      if (n[0] != static_cast<int64_t>(script->joysticks.size())) {
        return fail("joysticks out of order");
      }
      if (w.rest_after_two.size() > 521) return fail("joystick name too long");
      script->joysticks.push_back(w.rest_after_two);
    } else {
      return fail("unknown line");
    }
    return true;
  }

  bool item(const Words& w) {
    int64_t frame = 0, read = 0;
    if (!number(w.list[0], 0, INT64_MAX, &frame) || w.list.size() < 3 ||
        !number(w.list[1], 0, INT32_MAX, &read)) {
      return fail("bad frame or read number");
    }
    if (script->end_frame >= 0 && frame > script->end_frame) return fail("input after the end");
    ReplayItem it;
    it.frame = frame;
    it.read = static_cast<int32_t>(read);
    const std::string& what = w.list[2];
    int64_t n[14];
    auto take = [&](size_t count, int64_t min, int64_t max) {
      if (!numbers(w, 3, count, min, max, n)) return false;
      for (size_t i = 0; i < count && i < 5; ++i) it.v[i] = static_cast<int32_t>(n[i]);
      return true;
    };
    if (what == "key") {
      it.kind = ReplayKind::Key;
      if (!numbers(w, 3, 2, 0, 255, n)) return false;
      if (n[1] > 1) return fail("a key state is 0 or 1");
      it.v[0] = static_cast<int32_t>(n[0]);
      it.v[1] = static_cast<int32_t>(n[1]);
    } else if (what == "keychar") {
      it.kind = ReplayKind::KeyChar;
      if (!take(2, 0, 255)) return false;
    } else if (what == "mouse") {
      it.kind = ReplayKind::Mouse;
      if (!take(4, INT32_MIN, INT32_MAX)) return false;
      if (n[3] < 0 || n[3] > 7) return fail("mouse buttons are 0 to 7");
    } else if (what == "pointer") {
      it.kind = ReplayKind::Pointer;
      if (!take(5, INT32_MIN, INT32_MAX)) return false;
      if (n[0] < -1 || n[0] > 1 || n[1] == 0 || n[2] < 0) return fail("bad pointer message");
    } else if (what == "touch") {
      it.kind = ReplayKind::Touch;
      if (!take(1, 0, 1)) return false;
    } else if (what == "char") {
      it.kind = ReplayKind::Char;
      if (!take(1, 1, 255)) return false;
    } else if (what == "keydown") {
      it.kind = ReplayKind::KeyDown;
      if (!take(1, 0, 255)) return false;
    } else if (what == "activate" || what == "deactivate" || what == "close" || what == "message") {
      it.kind = what == "activate"     ? ReplayKind::Activate
                : what == "deactivate" ? ReplayKind::Deactivate
                : what == "close"      ? ReplayKind::Close
                                       : ReplayKind::Message;
      if (w.list.size() != 3) return fail("wrong number of fields");
    } else if (what == "press" || what == "release") {
      it.kind = what == "press" ? ReplayKind::Press : ReplayKind::Release;
      if (w.list.size() != 5 || (w.list[3] != "key" && w.list[3] != "mouse")) {
        return fail("a press is of a key or of the mouse");
      }
      it.v[0] = w.list[3] == "key" ? 0 : 1;
      if (!number(w.list[4], 0, it.v[0] == 0 ? 255 : 2, &n[0])) return fail("bad key or button");
      it.v[1] = static_cast<int32_t>(n[0]);
    } else if (what == "joy") {
      it.kind = ReplayKind::Joy;
      if (w.list.size() != 17) return fail("wrong number of fields");
      int64_t index = 0;
      if (!number(w.list[3], 0, static_cast<int64_t>(script->joysticks.size()) - 1, &index)) {
        return fail("no such joystick");
      }
      it.joystick = static_cast<int32_t>(index);
      for (int i = 0; i < 8; ++i) {
        if (!number(w.list[4 + i], -32768, 32768, &n[i])) return fail("bad joystick axis");
      }
      for (int i = 0; i < 5; ++i) {
        if (!number(w.list[12 + i], 0, 0xFFFFFFFFll, &n[8 + i])) return fail("bad joystick value");
      }
      for (int i = 0; i < 6; ++i) it.joy.axes[i] = static_cast<int32_t>(n[i]);
      for (int i = 0; i < 2; ++i) it.joy.sliders[i] = static_cast<int32_t>(n[6 + i]);
      for (int i = 0; i < 4; ++i) it.joy.hats[i] = static_cast<uint32_t>(n[8 + i]);
      for (int i = 0; i < 32; ++i) it.joy.buttons[i] = ((n[12] >> i) & 1) ? 0x80 : 0;
    } else if (what == "padin" || what == "padout") {
      it.kind = what == "padin" ? ReplayKind::PadIn : ReplayKind::PadOut;
      if (w.list.size() < 4 || !number(w.list[3], 0, kReplayPads - 1, &n[0])) {
        return fail("bad gamepad slot");
      }
      if (it.kind == ReplayKind::PadOut && w.list.size() != 4)
        return fail("wrong number of fields");
      it.v[0] = static_cast<int32_t>(n[0]);
      it.text = w.rest_after_four;
    } else if (what == "padstate") {
      it.kind = ReplayKind::PadState;
      if (w.list.size() != 11 || !number(w.list[3], 0, kReplayPads - 1, &n[0])) {
        return fail("bad gamepad slot");
      }
      it.v[0] = static_cast<int32_t>(n[0]);
      for (int i = 0; i < platform::kPadAxes; ++i) {
        if (!number(w.list[4 + i], -32768, 32767, &n[1 + i])) return fail("bad gamepad axis");
        it.pad.axes[i] = static_cast<int16_t>(n[1 + i]);
      }
      if (!number(w.list[10], 0, (1 << platform::kPadButtons) - 1, &n[7])) {
        return fail("bad gamepad buttons");
      }
      it.pad.buttons = static_cast<uint16_t>(n[7]);
    } else {
      return fail("unknown input");
    }
    // Within a channel the reads come in the order they were made.
    const int32_t c = replay_channel_of(it.kind, it.joystick);
    if (frame < last_frame[c] || (frame == last_frame[c] && it.read < last_read[c])) {
      return fail("out of order");
    }
    last_frame[c] = frame;
    last_read[c] = it.read;
    script->items.push_back(it);
    return true;
  }

  bool line(const char* p, const char* end) {
    Words w = split(p, end);
    if (w.list.empty() || w.list[0][0] == '#') return true;
    if (!header_seen) {
      int64_t format = 0;
      if (w.list[0] != "zorvane-replay" || w.list.size() != 3) {
        return fail("not a recording (the first line is 'zorvane-replay FORMAT VERSION')");
      }
      if (!number(w.list[1], 0, INT32_MAX, &format) || format != kReplayFormat) {
        return fail("a format this runtime does not know");
      }
      script->version = w.list[2];
      header_seen = true;
      return true;
    }
    const char c = w.list[0][0];
    if (c >= '0' && c <= '9') return item(w);
    return setup(w);
  }
};

}  // namespace

int32_t replay_channel_of(ReplayKind kind, int32_t joystick) {
  switch (kind) {
    case ReplayKind::Key:
      return static_cast<int32_t>(ReplayChannel::Keys);
    case ReplayKind::KeyChar:
      return static_cast<int32_t>(ReplayChannel::KeyChars);
    case ReplayKind::Mouse:
    case ReplayKind::Pointer:
    case ReplayKind::Touch:
      return static_cast<int32_t>(ReplayChannel::Mouse);
    case ReplayKind::Joy:
      return static_cast<int32_t>(ReplayChannel::Joy0) + joystick;
    case ReplayKind::Press:
    case ReplayKind::Release:
      return static_cast<int32_t>(ReplayChannel::Presses);
    case ReplayKind::PadIn:
    case ReplayKind::PadOut:
    case ReplayKind::PadState:
      return kReplayPadChannel;
    default:
      return static_cast<int32_t>(ReplayChannel::Pump);
  }
}

bool replay_parse(const char* text, size_t size, ReplayScript* script, int64_t* bad_line,
                  std::string* why) {
  *script = ReplayScript{};
  Reader r;
  r.script = script;
  const char* p = text;
  const char* end = text + size;
  int64_t number_of_line = 0;
  while (p < end) {
    ++number_of_line;
    const char* line_end = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (!line_end) line_end = end;
    if (std::memchr(p, '\0', line_end - p) != nullptr) {
      r.why = "a zero byte";
    } else if (r.line(p, line_end)) {
      p = line_end < end ? line_end + 1 : end;
      continue;
    }
    *bad_line = number_of_line;
    *why = r.why;
    return false;
  }
  if (!r.header_seen) {
    *bad_line = number_of_line > 0 ? number_of_line : 1;
    *why = "not a recording (the first line is 'zorvane-replay FORMAT VERSION')";
    return false;
  }
  return true;
}

std::string replay_header_line(const char* version) {
  return "zorvane-replay " + std::to_string(kReplayFormat) + " " + version;
}

std::string replay_item_line(const ReplayItem& it) {
  char buf[320];
  const int n =
      std::snprintf(buf, sizeof buf, "%lld %d ", static_cast<long long>(it.frame), it.read);
  std::string line(buf, n > 0 ? static_cast<size_t>(n) : 0);
  switch (it.kind) {
    case ReplayKind::Key:
      std::snprintf(buf, sizeof buf, "key %d %d", it.v[0], it.v[1]);
      break;
    case ReplayKind::KeyChar:
      std::snprintf(buf, sizeof buf, "keychar %d %d", it.v[0], it.v[1]);
      break;
    case ReplayKind::Mouse:
      std::snprintf(buf, sizeof buf, "mouse %d %d %d %d", it.v[0], it.v[1], it.v[2], it.v[3]);
      break;
    case ReplayKind::Pointer:
      std::snprintf(buf, sizeof buf, "pointer %d %d %d %d %d", it.v[0], it.v[1], it.v[2], it.v[3],
                    it.v[4]);
      break;
    case ReplayKind::Touch:
      std::snprintf(buf, sizeof buf, "touch %d", it.v[0]);
      break;
    case ReplayKind::Char:
      std::snprintf(buf, sizeof buf, "char %d", it.v[0]);
      break;
    case ReplayKind::KeyDown:
      std::snprintf(buf, sizeof buf, "keydown %d", it.v[0]);
      break;
    case ReplayKind::Activate:
      std::snprintf(buf, sizeof buf, "activate");
      break;
    case ReplayKind::Deactivate:
      std::snprintf(buf, sizeof buf, "deactivate");
      break;
    case ReplayKind::Close:
      std::snprintf(buf, sizeof buf, "close");
      break;
    case ReplayKind::Message:
      std::snprintf(buf, sizeof buf, "message");
      break;
    case ReplayKind::Press:
    case ReplayKind::Release:
      std::snprintf(buf, sizeof buf, "%s %s %d", it.kind == ReplayKind::Press ? "press" : "release",
                    it.v[0] == 0 ? "key" : "mouse", it.v[1]);
      break;
    case ReplayKind::Joy: {
      uint32_t buttons = 0;
      for (int i = 0; i < 32; ++i) {
        if (it.joy.buttons[i]) buttons |= 1u << i;
      }
      const platform::JoystickState& s = it.joy;
      std::snprintf(buf, sizeof buf, "joy %d %d %d %d %d %d %d %d %d %u %u %u %u %u", it.joystick,
                    s.axes[0], s.axes[1], s.axes[2], s.axes[3], s.axes[4], s.axes[5], s.sliders[0],
                    s.sliders[1], s.hats[0], s.hats[1], s.hats[2], s.hats[3], buttons);
      break;
    }
    case ReplayKind::PadIn:
      return line + "padin " + std::to_string(it.v[0]) + (it.text.empty() ? "" : " " + it.text);
    case ReplayKind::PadOut:
      std::snprintf(buf, sizeof buf, "padout %d", it.v[0]);
      break;
    case ReplayKind::PadState: {
      const int16_t* a = it.pad.axes;
      std::snprintf(buf, sizeof buf, "padstate %d %d %d %d %d %d %d %u", it.v[0], a[0], a[1], a[2],
                    a[3], a[4], a[5], static_cast<unsigned>(it.pad.buttons));
      break;
    }
  }
  return line + buf;
}

}  // namespace zrv
