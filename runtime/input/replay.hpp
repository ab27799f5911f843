// Recording and replaying every input the runtime reads (--record FILE,
// --replay FILE). The input layer's reads of the keyboard, the mouse, the
// pointer messages and the joysticks, and the frame loop's message pumps,
// are numbered within each frame; the recorder writes what each read gave
// when it differs from the read before, and the replay answers every read
// from the file instead of the device. A program that does the same with
// the same input therefore runs frame for frame the same, with or without
// a window. After the recording's end the replay's devices are silent: no
// key or button down, no typed character, no message, the mouse where it
// was and the joysticks centred.
#pragma once

#include <cstdint>
#include <string>

#include "input/replay_file.hpp"
#include "platform/joysticks.hpp"
#include "platform/mouse.hpp"
#include "platform/platform.hpp"

namespace zrv {

// Starts writing a recording to path (its first line at once). False with
// the reason when the file cannot be created.
bool input_record_open(const char* path, std::string* why);
// Writes the end line and closes the recording (nothing when none is open).
// Writes the end line (the frames the run began) and puts the recording in
// place.
void input_record_close(int64_t frames_begun);
bool input_recording();

// Loads a recording to replay. False with one line of reason (the line
// number of a line that cannot be read, or another runtime's version).
bool input_replay_load(const char* path, std::string* why);
bool input_replay_load_text(const char* text, size_t size, const char* name, std::string* why);
// Forgets the replay: the devices are read again.
void input_replay_clear();
// Input comes from a replay (even after its end).
bool input_replaying();
// The replay still has frames to come.
bool input_replay_running();
// The recording's last frame: its end line, or (for a recording whose
// recorder never finished, end_line_missing) its last input line; -1 when
// nothing is replayed.
int64_t input_replay_end_frame(bool* end_line_missing = nullptr);

// Settings of the recorded run.
void input_record_seed(int32_t seed);
void input_record_autopause(int32_t autopause);
bool input_replay_seed(int32_t* seed);
int32_t input_replay_autopause();  // -1 when the file does not say

// Keyboard: one read per snapshot refresh.
void input_replay_keys(uint8_t keys[256]);
void input_record_keys(const uint8_t keys[256]);

// The character of a key on the layout: one read per look-up of the
// layout. The replay's answer: false when the file never said (the
// layout then answers).
bool input_replay_key_char(int32_t code, int32_t* c);
void input_record_key_char(int32_t code, int32_t c);

// Mouse: one read per raw read. The replay's answer: false while the file
// has given no position yet (x, y then stay).
struct ReplayMouse {
  int32_t x = 0, y = 0, wheel = 0;
  uint32_t buttons = 0;
};
bool input_replay_mouse(ReplayMouse* m);
// read_gave null: the read gave nothing (no cursor to ask).
void input_record_mouse(const ReplayMouse* read_gave);
// A pointer message before the next mouse read. The replay delivers its
// recorded ones to sink at the mouse reads.
void input_record_pointer(int32_t kind, int32_t id, const platform::PointerInfo& info);
void input_replay_pointer_sink(platform::PointerSink sink);
// Whether there was a touch device (the pointer mode decision).
void input_record_touch(int32_t present);
int32_t input_replay_touch();  // -1 when the file does not say

// Joysticks: the names found at start-up, one read per joystick read.
void input_record_joystick(int32_t index, const char* name);
const std::vector<std::string>& input_replay_joysticks();
void input_replay_joystick(int32_t index, platform::JoystickState* state);
void input_record_joystick_read(int32_t index, const platform::JoystickState& state);

// Presses and releases: one read a frame, of what the frame latched (see
// presses.hpp for the layout of the slots).
void input_replay_presses(uint8_t* presses, int32_t count);
void input_record_presses(const uint8_t* presses, int32_t count);

// Gamepads: one read per gamepad command, of what is in each slot and of
// the state of the slot the command asks about.
struct ReplayPad {
  bool connected = false;
  std::string name;
  platform::PadState state;
};
// The slots at this read; after the recording's end the pads stay, centred.
void input_replay_pads(ReplayPad slots[kReplayPads]);
// read_slot: the slot whose state the command read (-1 none).
void input_record_pads(const ReplayPad slots[kReplayPads], int32_t read_slot);

// Message pump: the number of this pump in the frame, then its messages.
int32_t input_pump_number();
// The next recorded message of pump `number`; false when there is none.
bool input_replay_message(int32_t number, platform::Event* event);
// A message the pump took; with_handler: the program sees every message.
void input_record_message(int32_t number, const platform::Event& event, bool with_handler);

}  // namespace zrv
