// The input object: keyboard snapshot, typed characters, mice, joysticks.
#pragma once

#include <cstdint>

#include "platform/platform.hpp"

namespace zrv {

// The double form of a command that answers four integers.
template <class IntForm>
void four_as_doubles(IntForm int_form, double& a, double& b, double& c, double& d) {
  int32_t ia = 0, ib = 0, ic = 0, id = 0;
  int_form(ia, ib, ic, id);
  a = ia;
  b = ib;
  c = ic;
  d = id;
}

class InputState {
 public:
  static constexpr int32_t kTypedMax = 16;  // waiting characters at most
  static constexpr int32_t kSnapshotStale = 100000;
  static constexpr int32_t kSnapshotReuse = 100;  // queries answered per snapshot

  // Key queries answered from key_snapshot since it was taken.
  int32_t snapshot_age = kSnapshotStale;
  // Characters typed and not yet taken, oldest first (a ring of 16).
  uint8_t typed_chars[kTypedMax] = {};
  int32_t typed_first = 0;
  int32_t typed_count = 0;
  // Key-down and button-down (or touch-down) messages taken so far, key
  // repeats included: a key tapped or a button clicked within one pump of
  // the messages is never seen down by the state the waits read.
  uint32_t key_downs = 0;
  uint32_t button_downs = 0;

  // The window system's keyboard was opened (false without a display).
  bool keyboard_device = false;
  // One byte per scan code, bit 7 set = key down: the window system's keys
  // together with the scripted ones (--keys).
  uint8_t key_snapshot[256] = {};
  // The window system's part as last read; kept while the window is not
  // active.
  uint8_t device_keys[256] = {};
  // The window that must be active for the keyboard to be read.
  platform::Window* focus_window = nullptr;

  // Presses and releases (see presses.hpp): those since the last latch, and
  // the ones the current frame answers with.
  static constexpr int32_t kPressSlots = 256 + 3;
  uint8_t presses_pending[kPressSlots] = {};
  uint8_t presses[kPressSlots] = {};
  uint8_t script_keys[256] = {};  // the key script's keys at the last latch

  int32_t opened = 0;  // input_open ran
  int32_t mouse_exclusive = 0;
};

// The counts above, 0 without an input object.
uint32_t input_key_downs();
uint32_t input_button_downs();

InputState* input_create();
// Opens the keyboard (and the mouse access) for the window. 0 when the
// window system's keyboard could be opened; -1 without one (headless), which
// leaves the key script as the only keyboard. The caller ignores the status.
int32_t input_open(InputState* input, platform::Window* window, int32_t mouse_exclusive);
void input_set_focus_window(InputState* input, platform::Window* window);
void input_close(InputState* input);
void input_destroy(InputState* input);
// Mouse access at the end of start-up: exclusive (cursor hidden) or shared.
void input_mouse_access(InputState* input, int32_t mouse_exclusive);

// Input messages from the window (keys, mouse, pointers). A key-down of
// Enter, Backspace, Tab or Escape also types its control character, as the
// window system sends no text for those keys.
void input_handle_event(InputState* input, const platform::Event& event);
// Queues a typed character (a character message of the window).
void key_char_push(int8_t c);
// The keyboard snapshot is read again at the next key query.
void input_keyboard_mark_stale(InputState* input);

}  // namespace zrv
