#include "input/presses.hpp"

#include <cstring>

#include "base/context.hpp"
#include "input/key_script.hpp"
#include "input/replay.hpp"

namespace zrv {

namespace {

void note(InputState* input, int32_t slot, bool down) {
  if (slot < 0 || slot >= InputState::kPressSlots) return;
  input->presses_pending[slot] |= down ? 1 : 2;
}

int32_t answer(int32_t slot, int32_t bit) {
  const InputState* input = ctx.input;
  if (input == nullptr || slot < 0 || slot >= InputState::kPressSlots) return 0;
  return (input->presses[slot] & bit) != 0 ? 1 : 0;
}

}  // namespace

void presses_take_event(InputState* input, const platform::Event& event) {
  if (input == nullptr) return;
  switch (event.type) {
    case platform::EventType::KeyDown:
      if (event.state == 0) note(input, event.code & 0xFF, true);
      break;
    case platform::EventType::KeyUp:
      note(input, event.code & 0xFF, false);
      break;
    case platform::EventType::MouseButton:
      if (event.code >= 0 && event.code < 3) {
        note(input, kPressMouseSlot + event.code, event.state != 0);
      }
      break;
    default:
      break;
  }
}

void presses_latch(InputState* input) {
  if (input == nullptr) return;
  const int32_t n = InputState::kPressSlots;
  if (input_replaying()) {
    // The recorded run's presses, scripted ones included: nothing live.
    input_replay_presses(input->presses, n);
    std::memset(input->presses_pending, 0, sizeof input->presses_pending);
    return;
  }
  std::memcpy(input->presses, input->presses_pending, sizeof input->presses);
  std::memset(input->presses_pending, 0, sizeof input->presses_pending);
  for (int32_t code = 0; code < 256; ++code) {
    const uint8_t down = key_script_down(code) ? 1 : 0;
    if (down != input->script_keys[code]) input->presses[code] |= down ? 1 : 2;
    input->script_keys[code] = down;
  }
  if (input_recording()) input_record_presses(input->presses, n);
}

int32_t key_pressed(int32_t code) { return answer(code & 0xFF, 1); }
int32_t key_released(int32_t code) { return answer(code & 0xFF, 2); }
int32_t mouse_pressed(int32_t button) {
  return button >= 0 && button < 3 ? answer(kPressMouseSlot + button, 1) : 0;
}
int32_t mouse_released(int32_t button) {
  return button >= 0 && button < 3 ? answer(kPressMouseSlot + button, 2) : 0;
}

}  // namespace zrv
