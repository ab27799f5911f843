// Presses and releases of keys and mouse buttons, one frame long: a frame
// answers with those that happened since the frame before it, so that a
// key tapped (or a button clicked) between two frames is still seen once,
// though key_down never saw it down. Recorded and replayed as a whole.
#pragma once

#include <cstdint>

#include "input/input_state.hpp"
#include "platform/platform.hpp"

namespace zrv {

// Slots: scan codes 0..255, then the mouse buttons 0 left, 1 right, 2
// middle; bit 0 pressed, bit 1 released.
constexpr int32_t kPressMouseSlot = 256;

// Takes a key or button message (key repeats are not presses).
void presses_take_event(InputState* input, const platform::Event& event);
// Starts a frame's answers: what came since the last latch, with the key
// script's changes; a replay's from its file.
void presses_latch(InputState* input);

int32_t key_pressed(int32_t code);
int32_t key_released(int32_t code);
int32_t mouse_pressed(int32_t button);
int32_t mouse_released(int32_t button);

}  // namespace zrv
