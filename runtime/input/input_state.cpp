// The input object's life and the keyboard's part of it: opening the
// window system's keyboard, the typed-character queue fed by the window's
// character messages.
#include "input/input_state.hpp"

#include <cstring>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "input/joystick.hpp"
#include "input/keys.hpp"
#include "input/mouse.hpp"
#include "input/presses.hpp"
#include "platform/keyboard.hpp"

namespace zrv {

InputState* input_create() { return new InputState(); }

int32_t input_open(InputState* input, platform::Window* window, int32_t mouse_exclusive) {
  if (input == nullptr) return -1;
  int32_t status = 0;
  const bool headless = platform::backend().is_headless();
  // Headless runs have no input devices by design; only a missing keyboard
  // of a real window system is worth a line in the log.
  if (!platform::keyboard().available()) {
    if (!headless) log_write("No DX_Input\n");
    status = -1;
  }
  input->focus_window = window;
  std::memset(input->key_snapshot, 0, sizeof input->key_snapshot);
  std::memset(input->device_keys, 0, sizeof input->device_keys);
  input->snapshot_age = InputState::kSnapshotStale;
  if (status == 0) {
    input->keyboard_device = true;
    // The keyboard is read only while the window is the active one; until
    // the window system reports it active the reads are skipped.
    platform::keyboard().pump();
    if (!platform::keyboard().window_active(window)) {
      log_write("can't aquire keyboard - first try\n");
    }
  }
  input->mouse_exclusive = mouse_exclusive;
  input->opened = 1;
  mouse_open(input, window, mouse_exclusive);
  joystick_open_all(input);
  return status;
}

void input_set_focus_window(InputState* input, platform::Window* window) {
  if (input) input->focus_window = window;
}

void input_close(InputState* input) {
  if (input == nullptr) return;
  mouse_close(input);
  joystick_close_all(input);
  input->keyboard_device = false;
  input->typed_first = 0;
  input->typed_count = 0;
  input->opened = 0;
}

void input_destroy(InputState* input) {
  input_close(input);
  delete input;
}

void input_mouse_access(InputState* input, int32_t mouse_exclusive) {
  if (input == nullptr) return;
  input->mouse_exclusive = mouse_exclusive;
  mouse_access_apply(mouse_exclusive);
}

void input_handle_event(InputState* input, const platform::Event& event) {
  presses_take_event(input, event);
  if ((event.type == platform::EventType::MouseButton && event.state != 0) ||
      event.type == platform::EventType::PointerDown) {
    ++input->button_downs;
  }
  if (event.type != platform::EventType::KeyDown) return;
  ++input->key_downs;
  // The control characters a key-down is translated into.
  switch (event.code) {
    case 28:   // Enter
    case 156:  // keypad Enter
      key_char_push(13);
      break;
    case 14:  // Backspace
      key_char_push(8);
      break;
    case 15:  // Tab
      key_char_push(9);
      break;
    case 1:  // Escape
      key_char_push(27);
      break;
    default:
      break;
  }
}

uint32_t input_key_downs() { return ctx.input != nullptr ? ctx.input->key_downs : 0; }
uint32_t input_button_downs() { return ctx.input != nullptr ? ctx.input->button_downs : 0; }

void key_char_push(int8_t c) {
  InputState* input = ctx.input;
  if (input == nullptr) return;
  uint8_t u = static_cast<uint8_t>(c);
  if (u == 0) return;
  if (u == 13) u = 10;
  if (u < 32 && u != 8 && u != 9 && u != 10) return;
  if (input->typed_count >= InputState::kTypedMax) return;
  input->typed_chars[(input->typed_first + input->typed_count) % InputState::kTypedMax] = u;
  ++input->typed_count;
}

void input_keyboard_mark_stale(InputState* input) {
  if (input) input->snapshot_age = InputState::kSnapshotStale;
}

}  // namespace zrv
