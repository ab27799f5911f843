// The text format of recorded input (--record, --replay): one line per
// fact, numbers in decimal, blank lines and lines starting with '#' skipped.
//
//   zorvane-replay 1 VERSION   first line: the format and the runtime that wrote it
//   seed N                     the seed the run used
//   autopause 0|1              whether losing activation paused the run
//   joystick I NAME            a controller found at start-up (I from 0 up, in order)
//   end F                      the recording ends after frame F
//   F R WHAT ...               an input read in frame F (frames presented
//                              before it), at read R of WHAT's channel
//
// The channels and what their lines say:
//   keys   (keyboard reads)   key CODE 0|1: scan code CODE up / down from this read on
//   chars  (key_to_char reads)  keychar CODE C: scan code CODE gives character C
//                             (0 none) on the layout from this read on
//   mouse  (mouse reads)      mouse X Y WHEEL BUTTONS: position in window pixels and
//                             buttons (bit 0 left, 1 right, 2 middle) from this read
//                             on, wheel steps of this read only
//                             pointer KIND ID FLAGS X Y: a pointer (touch) message
//                             before this read (kind -1 up, 0 update, 1 down)
//                             touch 0|1: whether a touch device was there
//   pump   (message pumps)    char C, keydown CODE, activate, deactivate, close,
//                             message (any other message; only written for
//                             programs with a message handler)
//   presses (one read a frame)  press key CODE, release key CODE, press mouse B,
//                             release mouse B: a press or release the frame
//                             saw (B: 0 left, 1 right, 2 middle)
//   joy I  (reads of joystick I)  joy I X Y Z RX RY RZ S0 S1 H0 H1 H2 H3 BUTTONS:
//                             its state from this read on (BUTTONS: bit n = button n)
//   pads   (gamepad reads)    padin S NAME: a gamepad NAME took slot S
//                             padout S: slot S's gamepad was unplugged
//                             padstate S LX LY RX RY LT RT BUTTONS: slot S's sticks
//                             and triggers, its buttons (bit n = button n) from this
//                             read on
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/joysticks.hpp"

namespace zrv {

constexpr int32_t kReplayFormat = 1;
constexpr int32_t kReplayJoysticks = 10;
constexpr int32_t kReplayPads = 8;

enum class ReplayKind : uint8_t {
  Key,
  KeyChar,
  Mouse,
  Pointer,
  Touch,
  Char,
  KeyDown,
  Activate,
  Deactivate,
  Close,
  Message,
  Joy,
  Press,  // v: device (0 key, 1 mouse), code
  Release,
  PadIn,
  PadOut,
  PadState,
};

// The channels whose reads are counted per frame: the keyboard, the mouse,
// the message pump, the frame's presses, each joystick and the gamepads.
enum class ReplayChannel : uint8_t { Keys, KeyChars, Mouse, Pump, Presses, Joy0 };
constexpr int32_t kReplayPadChannel = 5 + kReplayJoysticks;
constexpr int32_t kReplayChannels = kReplayPadChannel + 1;
int32_t replay_channel_of(ReplayKind kind, int32_t joystick);

struct ReplayItem {
  int64_t frame = 0;
  int32_t read = 0;
  ReplayKind kind = ReplayKind::Message;
  int32_t v[5] = {};  // key: code, state; keychar: code, character; mouse: x, y, wheel, buttons;
                      // pointer: kind, id, flags, x, y; touch, char, keydown: value
  int32_t joystick = 0;
  platform::JoystickState joy;
  platform::PadState pad;  // padstate; padin's name in text, the slot in v[0]
  std::string text;
};

struct ReplayScript {
  std::string version;  // of the runtime that wrote it
  bool seed_known = false;
  int32_t seed = 0;
  int32_t autopause = -1;  // -1 not said
  std::vector<std::string> joysticks;
  int64_t end_frame = -1;         // -1: the last item's frame
  std::vector<ReplayItem> items;  // in file order
};

// Reads the whole text. On a line that cannot be read, false with its
// number (from 1) and why; what was read before it stays in *script.
bool replay_parse(const char* text, size_t size, ReplayScript* script, int64_t* bad_line,
                  std::string* why);

// The lines the recorder writes (without the line feed).
std::string replay_header_line(const char* version);
std::string replay_item_line(const ReplayItem& item);

}  // namespace zrv
