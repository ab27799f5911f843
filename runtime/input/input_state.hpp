// The input object: keyboard snapshot, typed characters, mice, joysticks.
#pragma once

#include <cstdint>

#include "platform/platform.hpp"

namespace zrv {

class InputState {
public:
  platform::Window* focus_window = nullptr;
  int32_t opened = 0;          // devices opened
  int32_t mouse_exclusive = 0;
};

InputState* input_create();
// Opens the input devices for the window; nothing to open without a display.
int32_t input_open(InputState* input, platform::Window* window, int32_t mouse_exclusive);
void input_set_focus_window(InputState* input, platform::Window* window);
void input_close(InputState* input);
void input_destroy(InputState* input);
// Mouse access at the end of start-up: exclusive (cursor hidden) or shared.
void input_mouse_access(InputState* input, int32_t mouse_exclusive);

// Mouse state update for every mouse record (consume: take the movement).
void input_mouse_update_all(InputState* input, int32_t consume);
// Position and buttons of the first mouse, for the wait step's checks.
struct MouseSample {
  int32_t x = 0, y = 0;
  int32_t buttons = 0;
};
MouseSample input_mouse_sample(InputState* input);
// Input messages from the window (keys, mouse, pointers).
void input_handle_event(InputState* input, const platform::Event& event);
// Queues a typed character.
void key_char_push(int8_t c);
// The keyboard snapshot is read again at the next key query.
void input_keyboard_mark_stale(InputState* input);

}  // namespace zrv
