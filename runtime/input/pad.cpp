// Gamepads: the slots, hot-plug and the gamepad commands.
#include "input/pad.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "input/replay.hpp"
#include "platform/joysticks.hpp"

namespace zrv {

static_assert(kPadSlots == kReplayPads);

namespace {

struct LivePads {
  ReplayPad slots[kPadSlots];
  int64_t ids[kPadSlots] = {};
};

LivePads g_live;
ReplayPad g_replayed[kPadSlots];

// A name as one line of a recording keeps it: blanks as spaces, none at
// either end.
std::string clean_name(std::string name) {
  for (char& c : name) {
    if (c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f') c = ' ';
  }
  const size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

void follow_plugging() {
  static std::vector<platform::PadSeen> seen;
  platform::joysticks().pads(&seen);
  for (int32_t s = 0; s < kPadSlots; ++s) {
    if (!g_live.slots[s].connected) continue;
    const auto here = std::find_if(seen.begin(), seen.end(), [&](const platform::PadSeen& p) {
      return p.id == g_live.ids[s];
    });
    if (here == seen.end()) {
      g_live.slots[s] = ReplayPad{};
    } else {
      g_live.slots[s].name = clean_name(here->name);
    }
  }
  for (const platform::PadSeen& p : seen) {
    int32_t free_slot = -1;
    bool placed = false;
    for (int32_t s = kPadSlots - 1; s >= 0; --s) {
      if (!g_live.slots[s].connected) {
        free_slot = s;
      } else if (g_live.ids[s] == p.id) {
        placed = true;
      }
    }
    if (placed || free_slot < 0) continue;
    g_live.slots[free_slot] = ReplayPad{};
    g_live.slots[free_slot].connected = true;
    g_live.slots[free_slot].name = clean_name(p.name);
    g_live.ids[free_slot] = p.id;
  }
}

// One read of the gamepads: the slots, with the state of slot `read` (-1
// none) read now.
const ReplayPad* pads_read(int32_t read) {
  if (input_replaying()) {
    input_replay_pads(g_replayed);
    return g_replayed;
  }
  follow_plugging();
  if (read >= 0 && read < kPadSlots && g_live.slots[read].connected) {
    platform::PadState& state = g_live.slots[read].state;
    // Gone since it was seen: released and centred.
    if (!platform::joysticks().pad_read(g_live.ids[read], &state)) state = platform::PadState{};
  }
  if (input_recording()) input_record_pads(g_live.slots, read);
  return g_live.slots;
}

bool valid(int32_t index) { return index >= 0 && index < kPadSlots; }

}  // namespace

int32_t pad_count() {
  const ReplayPad* slots = pads_read(-1);
  return static_cast<int32_t>(
      std::count_if(slots, slots + kPadSlots, [](const ReplayPad& p) { return p.connected; }));
}

int32_t pad_connected(int32_t index) {
  if (!valid(index)) return 0;
  return pads_read(-1)[index].connected ? 1 : 0;
}

RtString pad_name(int32_t index) {
  if (!valid(index)) return RtString("");
  return RtString(pads_read(-1)[index].name.c_str());
}

int32_t pad_button(int32_t index, int32_t button) {
  if (!valid(index) || button < 0 || button >= platform::kPadButtons) return 0;
  const ReplayPad& pad = pads_read(index)[index];
  return pad.connected && (pad.state.buttons >> button & 1) ? 1 : 0;
}

double pad_axis(int32_t index, int32_t axis) {
  if (!valid(index) || axis < 0 || axis >= platform::kPadAxes) return 0.0;
  const ReplayPad& pad = pads_read(index)[index];
  if (!pad.connected) return 0.0;
  // Sticks -1..1 (-32768 is a little past full), triggers 0..1.
  const double v = pad.state.axes[axis] / 32767.0;
  return axis >= 4 ? std::clamp(v, 0.0, 1.0) : std::clamp(v, -1.0, 1.0);
}

void pad_close_all() { g_live = LivePads{}; }

}  // namespace zrv
