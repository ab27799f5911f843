// The recorder and the replay of input (see replay.hpp).
#include "input/replay.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/context.hpp"
#include "input/input_file.hpp"
#include "input/presses.hpp"

#ifndef ZRV_RUNTIME_VERSION
#define ZRV_RUNTIME_VERSION "0"
#endif

namespace zrv {

namespace {

// Reads of each channel in the current frame.
struct Counters {
  int64_t frame[kReplayChannels];
  int32_t reads[kReplayChannels];
  Counters() { reset(); }
  void reset() {
    for (int32_t i = 0; i < kReplayChannels; ++i) {
      frame[i] = -1;
      reads[i] = 0;
    }
  }
  int32_t so_far(int32_t c) const { return frame[c] == ctx.frames_presented ? reads[c] : 0; }
  int32_t next(int32_t c) {
    const int32_t n = so_far(c);
    frame[c] = ctx.frames_presented;
    reads[c] = n + 1;
    return n;
  }
};

int32_t channel(ReplayChannel c) { return static_cast<int32_t>(c); }
int32_t joy_channel(int32_t index) { return channel(ReplayChannel::Joy0) + index; }

// What the last reads gave, per kind: the recorder writes a line only when a
// read differs, the replay answers with it until the next line of its kind.
struct LastReads {
  Counters counters;
  uint8_t keys[256] = {};
  int16_t chars[256];  // -1: not looked up yet
  bool mouse_known = false;
  ReplayMouse mouse;
  platform::JoystickState joy[kReplayJoysticks];
  ReplayPad pads[kReplayPads];
  LastReads() { std::fill(chars, chars + 256, static_cast<int16_t>(-1)); }
};

struct Recorder : LastReads {
  std::FILE* file = nullptr;
  // The recording goes to a temporary file beside its name and takes the
  // name at the end: a run that dies leaves an old recording as it was.
  platform::ReplaceTarget target;
  std::string path;
  int64_t frame_written = -1;
  int32_t joysticks_written = 0;
  bool joy_known[kReplayJoysticks] = {};
  bool pad_known[kReplayPads] = {};  // the slot's state was written since it was plugged in
};

struct Replay : LastReads {
  bool loaded = false;
  ReplayScript script;
  std::vector<size_t> queue[kReplayChannels];  // indexes into script.items
  size_t next[kReplayChannels] = {};
  int64_t end_frame = -1;
  int32_t touch = -1;
  platform::PointerSink sink = nullptr;
};

Recorder g_rec;
Replay g_play;

void write_line(const std::string& line) {
  if (g_rec.file == nullptr) return;
  std::fputs(line.c_str(), g_rec.file);
  std::fputc('\n', g_rec.file);
}

void write_item(ReplayItem& item, int32_t read) {
  item.frame = ctx.frames_presented;
  item.read = read;
  // A frame's lines reach the file when the next frame starts, so that a
  // run that is killed loses little.
  if (item.frame != g_rec.frame_written) {
    if (g_rec.file) std::fflush(g_rec.file);
    g_rec.frame_written = item.frame;
  }
  write_line(replay_item_line(item));
}

// The next item of channel c that is due by read `read` of this frame.
const ReplayItem* due(int32_t c, int32_t read) {
  if (!g_play.loaded || g_play.next[c] >= g_play.queue[c].size()) return nullptr;
  const ReplayItem& it = g_play.script.items[g_play.queue[c][g_play.next[c]]];
  const int64_t f = ctx.frames_presented;
  if (it.frame > f || (it.frame == f && it.read > read)) return nullptr;
  ++g_play.next[c];
  return &it;
}

}  // namespace

bool input_record_open(const char* path, std::string* why) {
  input_record_close(ctx.frames_presented);
  g_rec = Recorder{};
  g_rec.path = path;
  int error = 0;
  if (!platform::replace_begin(path, &g_rec.target, &error)) {
    *why = std::string("cannot create '") + path + "': " + std::strerror(error);
    return false;
  }
  g_rec.file = platform::replace_stream(&g_rec.target);
  if (g_rec.file == nullptr) {
    *why = std::string("cannot create '") + path + "': " + std::strerror(errno);
    platform::replace_abort(&g_rec.target);
    return false;
  }
  write_line(replay_header_line(ZRV_RUNTIME_VERSION));
  std::fflush(g_rec.file);
  return true;
}

void input_record_close(int64_t frames_begun) {
  if (g_rec.file == nullptr) return;
  write_line("end " + std::to_string(frames_begun));
  // A recording that lost lines (a full disk) must not pass for a whole one.
  const bool lost = std::ferror(g_rec.file) != 0;
  const bool closed = std::fclose(g_rec.file) == 0;
  g_rec.file = nullptr;
  if (!closed || lost) {
    std::fprintf(stderr, "--record: cannot write '%s': the recording is incomplete\n",
                 g_rec.path.c_str());
    // Where there was an old file, it stays; a device keeps what it took.
    if (g_rec.target.in_place) {
      platform::replace_commit(&g_rec.target, nullptr);
    } else {
      platform::replace_abort(&g_rec.target);
    }
  } else if (int error = 0; !platform::replace_commit(&g_rec.target, &error)) {
    std::fprintf(stderr, "--record: cannot write '%s': %s\n", g_rec.path.c_str(),
                 std::strerror(error));
  }
  std::fflush(stderr);
}

bool input_recording() { return g_rec.file != nullptr; }

bool input_replay_load_text(const char* text, size_t size, const char* name, std::string* why) {
  input_replay_clear();
  ReplayScript script;
  int64_t bad_line = 0;
  std::string what;
  if (!replay_parse(text, size, &script, &bad_line, &what)) {
    *why = std::string("'") + name + "' line " + std::to_string(bad_line) + ": " + what;
    return false;
  }
  if (script.version != ZRV_RUNTIME_VERSION) {
    *why = std::string("'") + name + "' was recorded by runtime " + script.version +
           ", this is runtime " ZRV_RUNTIME_VERSION;
    return false;
  }
  g_play.script = std::move(script);
  const std::vector<ReplayItem>& items = g_play.script.items;
  for (size_t i = 0; i < items.size(); ++i) {
    g_play.queue[replay_channel_of(items[i].kind, items[i].joystick)].push_back(i);
    if (items[i].kind == ReplayKind::Touch && g_play.touch < 0) g_play.touch = items[i].v[0];
  }
  g_play.end_frame = g_play.script.end_frame;
  // Without an end line the run ends with the frame of its last input.
  if (g_play.end_frame < 0) g_play.end_frame = items.empty() ? -1 : items.back().frame + 1;
  g_play.loaded = true;
  return true;
}

bool input_replay_load(const char* path, std::string* why) {
  std::vector<char> data;
  if (!input_file_read(path, &data, why)) return false;
  return input_replay_load_text(data.data(), data.size(), path, why);
}

void input_replay_clear() {
  platform::PointerSink sink = g_play.sink;
  g_play = Replay{};
  g_play.sink = sink;
}

bool input_replaying() { return g_play.loaded; }

bool input_replay_running() { return g_play.loaded && ctx.frames_presented <= g_play.end_frame; }

int64_t input_replay_end_frame(bool* end_line_missing) {
  if (end_line_missing != nullptr) *end_line_missing = g_play.loaded && g_play.script.end_frame < 0;
  return g_play.loaded ? g_play.end_frame : -1;
}

void input_record_seed(int32_t seed) { write_line("seed " + std::to_string(seed)); }

void input_record_autopause(int32_t autopause) {
  write_line("autopause " + std::to_string(autopause ? 1 : 0));
}

bool input_replay_seed(int32_t* seed) {
  if (!g_play.loaded || !g_play.script.seed_known) return false;
  *seed = g_play.script.seed;
  return true;
}

int32_t input_replay_autopause() { return g_play.loaded ? g_play.script.autopause : -1; }

void input_replay_keys(uint8_t keys[256]) {
  const int32_t c = channel(ReplayChannel::Keys);
  const int32_t read = g_play.counters.next(c);
  while (const ReplayItem* it = due(c, read)) g_play.keys[it->v[0]] = it->v[1] ? 0x80 : 0;
  if (input_replay_running()) {
    std::memcpy(keys, g_play.keys, 256);
  } else {
    std::memset(keys, 0, 256);
  }
}

void input_record_keys(const uint8_t keys[256]) {
  const int32_t read = g_rec.counters.next(channel(ReplayChannel::Keys));
  for (int32_t code = 0; code < 256; ++code) {
    const uint8_t down = (keys[code] & 0x80) ? 0x80 : 0;
    if (down == g_rec.keys[code]) continue;
    g_rec.keys[code] = down;
    ReplayItem it;
    it.kind = ReplayKind::Key;
    it.v[0] = code;
    it.v[1] = down ? 1 : 0;
    write_item(it, read);
  }
}

bool input_replay_key_char(int32_t code, int32_t* c) {
  const int32_t ch = channel(ReplayChannel::KeyChars);
  const int32_t read = g_play.counters.next(ch);
  while (const ReplayItem* it = due(ch, read)) {
    g_play.chars[it->v[0]] = static_cast<int16_t>(it->v[1]);
  }
  const int16_t known = g_play.chars[code & 0xFF];
  if (known < 0) return false;
  *c = known;
  return true;
}

void input_record_key_char(int32_t code, int32_t c) {
  const int32_t read = g_rec.counters.next(channel(ReplayChannel::KeyChars));
  code &= 0xFF;
  c = c >= 0 && c <= 255 ? c : 0;
  if (g_rec.chars[code] == c) return;
  g_rec.chars[code] = static_cast<int16_t>(c);
  ReplayItem it;
  it.kind = ReplayKind::KeyChar;
  it.v[0] = code;
  it.v[1] = c;
  write_item(it, read);
}

// The slots of presses.hpp: keys, then mouse buttons; bit 0 a press, bit 1
// a release.
void input_replay_presses(uint8_t* presses, int32_t count) {
  const int32_t c = channel(ReplayChannel::Presses);
  const int32_t read = g_play.counters.next(c);
  std::memset(presses, 0, static_cast<size_t>(count));
  while (const ReplayItem* it = due(c, read)) {
    const int32_t slot = it->v[0] == 0 ? it->v[1] : kPressMouseSlot + it->v[1];
    if (it->frame == ctx.frames_presented && slot < count) {
      presses[slot] |= it->kind == ReplayKind::Press ? 1 : 2;
    }
  }
}

void input_record_presses(const uint8_t* presses, int32_t count) {
  const int32_t read = g_rec.counters.next(channel(ReplayChannel::Presses));
  for (int32_t slot = 0; slot < count; ++slot) {
    for (int32_t bit = 1; bit <= 2; bit <<= 1) {
      if ((presses[slot] & bit) == 0) continue;
      ReplayItem it;
      it.kind = bit == 1 ? ReplayKind::Press : ReplayKind::Release;
      const bool key = slot < kPressMouseSlot;
      it.v[0] = key ? 0 : 1;
      it.v[1] = key ? slot : slot - kPressMouseSlot;
      write_item(it, read);
    }
  }
}

bool input_replay_mouse(ReplayMouse* m) {
  const int32_t c = channel(ReplayChannel::Mouse);
  const int32_t read = g_play.counters.next(c);
  int32_t wheel = 0;
  while (const ReplayItem* it = due(c, read)) {
    if (it->kind == ReplayKind::Mouse) {
      g_play.mouse.x = it->v[0];
      g_play.mouse.y = it->v[1];
      g_play.mouse.buttons = static_cast<uint32_t>(it->v[3]);
      wheel += it->v[2];
      g_play.mouse_known = true;
    } else if (it->kind == ReplayKind::Pointer && g_play.sink != nullptr) {
      platform::PointerInfo info;
      info.flags = static_cast<uint32_t>(it->v[2]);
      info.x = it->v[3];
      info.y = it->v[4];
      g_play.sink(it->v[0], it->v[1], info);
    }
  }
  *m = g_play.mouse;
  m->wheel = wheel;
  if (!input_replay_running()) {
    m->wheel = 0;
    m->buttons = 0;
  }
  return g_play.mouse_known;
}

void input_record_mouse(const ReplayMouse* read_gave) {
  const int32_t read = g_rec.counters.next(channel(ReplayChannel::Mouse));
  if (read_gave == nullptr) return;
  const ReplayMouse& m = *read_gave;
  if (g_rec.mouse_known && m.wheel == 0 && m.x == g_rec.mouse.x && m.y == g_rec.mouse.y &&
      m.buttons == g_rec.mouse.buttons) {
    return;
  }
  g_rec.mouse_known = true;
  g_rec.mouse = m;
  ReplayItem it;
  it.kind = ReplayKind::Mouse;
  it.v[0] = m.x;
  it.v[1] = m.y;
  it.v[2] = m.wheel;
  it.v[3] = static_cast<int32_t>(m.buttons & 7u);
  write_item(it, read);
}

void input_record_pointer(int32_t kind, int32_t id, const platform::PointerInfo& info) {
  if (id == 0) return;  // ignored by the runtime as well
  ReplayItem it;
  it.kind = ReplayKind::Pointer;
  it.v[0] = kind < 0 ? -1 : (kind > 0 ? 1 : 0);
  it.v[1] = id;
  it.v[2] = static_cast<int32_t>(info.flags & 0x7FFFFFFFu);
  it.v[3] = info.x;
  it.v[4] = info.y;
  write_item(it, g_rec.counters.so_far(channel(ReplayChannel::Mouse)));
}

void input_replay_pointer_sink(platform::PointerSink sink) { g_play.sink = sink; }

void input_record_touch(int32_t present) {
  ReplayItem it;
  it.kind = ReplayKind::Touch;
  it.v[0] = present ? 1 : 0;
  write_item(it, g_rec.counters.so_far(channel(ReplayChannel::Mouse)));
}

int32_t input_replay_touch() { return g_play.touch; }

void input_record_joystick(int32_t index, const char* name) {
  // The controllers are found once per run; a second look finds the same.
  if (g_rec.file == nullptr || index != g_rec.joysticks_written) return;
  ++g_rec.joysticks_written;
  std::string clean = name;
  for (char& ch : clean) {
    if (ch == '\n' || ch == '\r') ch = ' ';
  }
  write_line("joystick " + std::to_string(index) + (clean.empty() ? "" : " " + clean));
}

const std::vector<std::string>& input_replay_joysticks() { return g_play.script.joysticks; }

void input_replay_joystick(int32_t index, platform::JoystickState* state) {
  if (index < 0 || index >= kReplayJoysticks) return;
  const int32_t c = joy_channel(index);
  const int32_t read = g_play.counters.next(c);
  while (const ReplayItem* it = due(c, read)) g_play.joy[index] = it->joy;
  *state = input_replay_running() ? g_play.joy[index] : platform::JoystickState{};
}

void input_record_joystick_read(int32_t index, const platform::JoystickState& state) {
  if (index < 0 || index >= kReplayJoysticks) return;
  const int32_t read = g_rec.counters.next(joy_channel(index));
  ReplayItem it;
  it.kind = ReplayKind::Joy;
  it.joystick = index;
  it.joy = state;
  for (uint8_t& b : it.joy.buttons) b = b ? 0x80 : 0;  // the file keeps down / up
  if (g_rec.joy_known[index] && std::memcmp(&g_rec.joy[index], &it.joy, sizeof it.joy) == 0) return;
  g_rec.joy_known[index] = true;
  g_rec.joy[index] = it.joy;
  write_item(it, read);
}

void input_replay_pads(ReplayPad slots[kReplayPads]) {
  const int32_t read = g_play.counters.next(kReplayPadChannel);
  while (const ReplayItem* it = due(kReplayPadChannel, read)) {
    ReplayPad& pad = g_play.pads[it->v[0]];
    if (it->kind == ReplayKind::PadState) {
      pad.state = it->pad;
    } else {
      pad = ReplayPad{};
      pad.connected = it->kind == ReplayKind::PadIn;
      pad.name = it->text;
    }
  }
  const bool running = input_replay_running();
  for (int32_t s = 0; s < kReplayPads; ++s) {
    slots[s] = g_play.pads[s];
    if (!running) slots[s].state = platform::PadState{};
  }
}

void input_record_pads(const ReplayPad slots[kReplayPads], int32_t read_slot) {
  const int32_t read = g_rec.counters.next(kReplayPadChannel);
  for (int32_t s = 0; s < kReplayPads; ++s) {
    ReplayPad& last = g_rec.pads[s];
    if (slots[s].connected == last.connected && (!last.connected || slots[s].name == last.name)) {
      continue;
    }
    last = ReplayPad{};
    last.connected = slots[s].connected;
    last.name = slots[s].name;
    g_rec.pad_known[s] = false;
    ReplayItem it;
    it.kind = last.connected ? ReplayKind::PadIn : ReplayKind::PadOut;
    it.v[0] = s;
    it.text = last.name;
    write_item(it, read);
  }
  if (read_slot < 0 || read_slot >= kReplayPads || !slots[read_slot].connected) return;
  const platform::PadState& now = slots[read_slot].state;
  platform::PadState& last = g_rec.pads[read_slot].state;
  if (g_rec.pad_known[read_slot] && std::memcmp(&now, &last, sizeof now) == 0) return;
  g_rec.pad_known[read_slot] = true;
  last = now;
  ReplayItem it;
  it.kind = ReplayKind::PadState;
  it.v[0] = read_slot;
  it.pad = now;
  write_item(it, read);
}

int32_t input_pump_number() {
  static Counters pumps;
  return pumps.next(channel(ReplayChannel::Pump));
}

bool input_replay_message(int32_t number, platform::Event* event) {
  const ReplayItem* it = due(channel(ReplayChannel::Pump), number);
  if (it == nullptr) return false;
  *event = platform::Event{};
  switch (it->kind) {
    case ReplayKind::Char:
      event->type = platform::EventType::Char;
      event->code = it->v[0];
      break;
    case ReplayKind::KeyDown:
      event->type = platform::EventType::KeyDown;
      event->code = it->v[0];
      break;
    case ReplayKind::Activate:
      event->type = platform::EventType::Activated;
      break;
    case ReplayKind::Deactivate:
      event->type = platform::EventType::Deactivated;
      break;
    case ReplayKind::Close:
      event->type = platform::EventType::CloseRequest;
      break;
    default:
      event->type = platform::EventType::Other;
      break;
  }
  return true;
}

void input_record_message(int32_t number, const platform::Event& event, bool with_handler) {
  ReplayItem it;
  switch (event.type) {
    case platform::EventType::Char:
      it.kind = ReplayKind::Char;
      it.v[0] = event.code & 0xFF;
      if (it.v[0] != 0) break;
      // A zero character types nothing: only a handler sees it.
      if (!with_handler) return;
      it.kind = ReplayKind::Message;
      break;
    case platform::EventType::KeyDown:
      it.kind = ReplayKind::KeyDown;
      it.v[0] = event.code & 0xFF;
      break;
    case platform::EventType::Activated:
      it.kind = ReplayKind::Activate;
      break;
    case platform::EventType::Deactivated:
      it.kind = ReplayKind::Deactivate;
      break;
    case platform::EventType::CloseRequest:
      it.kind = ReplayKind::Close;
      break;
    default:
      if (!with_handler) return;
      it.kind = ReplayKind::Message;
      break;
  }
  write_item(it, number);
}

}  // namespace zrv
