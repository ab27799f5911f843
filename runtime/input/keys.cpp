// Keyboard state by scan code and the typed-character queue.
#include "input/keys.hpp"

#include "base/context.hpp"
#include "input/input_state.hpp"
#include "input/key_script.hpp"
#include "input/replay.hpp"
#include "platform/keyboard.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

void refresh(InputState* input) {
  if (input->snapshot_age + 1 <= InputState::kSnapshotReuse) {
    ++input->snapshot_age;
    return;
  }
  input->snapshot_age = 0;
  // A replay is the whole keyboard, the scripted keys of the recorded run
  // included.
  if (input_replaying()) {
    input_replay_keys(input->key_snapshot);
  } else {
    // Pending input first: it may change which window is active.
    if (input->keyboard_device) platform::keyboard().pump();
    if (input->keyboard_device && platform::keyboard().window_active(input->focus_window)) {
      if (!platform::keyboard().read(input->device_keys)) {
        for (uint8_t& k : input->device_keys) k = 0;
      }
    }
    // The script is not tied to any window: it applies whatever window is
    // active, and it is the keyboard of headless runs.
    const bool scripted = key_script_active();
    for (int32_t code = 0; code < 256; ++code) {
      uint8_t state = input->device_keys[code];
      if (scripted && key_script_down(code)) state |= 0x80;
      input->key_snapshot[code] = state;
    }
  }
  if (input_recording()) input_record_keys(input->key_snapshot);
}

}  // namespace

void keyboard_refresh() {
  if (ctx.input) refresh(ctx.input);
}

int32_t key_down(int32_t code) {
  InputState* input = ctx.input;
  if (input == nullptr) return key_script_down(code & 0xFF);
  refresh(input);
  if (!input->keyboard_device && !key_script_active() && !input_replaying()) return 0;
  return (input->key_snapshot[code & 0xFF] & 0x80) != 0 ? 1 : 0;
}

int8_t key_char_pop() {
  InputState* input = ctx.input;
  if (input == nullptr || input->typed_count == 0) return 0;
  uint8_t c = input->typed_chars[input->typed_first];
  input->typed_first = (input->typed_first + 1) % InputState::kTypedMax;
  --input->typed_count;
  if (c == 13) c = 10;
  return static_cast<int8_t>(c);
}

bool key_char_take() {
  InputState* input = ctx.input;
  if (input == nullptr || input->typed_count == 0) return false;
  input->typed_first = (input->typed_first + 1) % InputState::kTypedMax;
  --input->typed_count;
  return true;
}

RtString key_char() {
  const int8_t c = key_char_pop();
  RtString text;
  if (c != 0) text.append_char(static_cast<char>(c));
  return text;
}

int32_t key_to_char(int32_t code) {
  switch (code) {
    case 14:
      return 8;
    case 28:
    case 156:
      return 10;
    case 29:
    case 42:
    case 54:
    case 56:
    case 58:
    case 69:
    case 221:
      return 0;
    default:
      break;
  }
  // The layout and the shift state are the keyboard's: read like its keys.
  const bool a_key = code >= 0 && code <= 255;
  int32_t c = 0;
  if (!a_key || !input_replaying() || !input_replay_key_char(code, &c)) {
    c = platform::keyboard().key_to_char(code);
  }
  if (c < 0 || c > 255) c = 0;
  if (a_key && input_recording()) input_record_key_char(code, c);
  if (c >= 1 && c <= 31 && c != 8 && c != 10) c = 0;
  return static_cast<int8_t>(static_cast<uint8_t>(c));
}

}  // namespace zrv
