#include "input/input_state.hpp"

namespace zrv {

InputState* input_create() { return new InputState(); }

int32_t input_open(InputState* input, platform::Window* window, int32_t mouse_exclusive) {
  if (input == nullptr) return -1;
  input->focus_window = window;
  input->mouse_exclusive = mouse_exclusive;
  input->opened = 1;
  return 0;
}

void input_set_focus_window(InputState* input, platform::Window* window) {
  if (input) input->focus_window = window;
}

void input_close(InputState* input) {
  if (input) input->opened = 0;
}

void input_destroy(InputState* input) {
  input_close(input);
  delete input;
}

void input_mouse_access(InputState* input, int32_t mouse_exclusive) {
  if (input) input->mouse_exclusive = mouse_exclusive;
}

void input_mouse_update_all(InputState* input, int32_t consume) {}

MouseSample input_mouse_sample(InputState* input) { return MouseSample{}; }

void input_handle_event(InputState* input, const platform::Event& event) {}

void key_char_push(int8_t c) {}

void input_keyboard_mark_stale(InputState* input) {}

}  // namespace zrv
