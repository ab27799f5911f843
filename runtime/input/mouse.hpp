// The mouse part of the input object: mouse records, the two access modes
// (system cursor with absolute positions, or exclusive with relative motion
// and a hidden cursor), the pointer slots of touch input and the mouse
// commands.
#pragma once

#include <cstdint>
#include <vector>

#include "input/input_state.hpp"
#include "platform/mouse.hpp"
#include "platform/platform.hpp"

namespace zrv {

// One mouse: working position, the position at the last consuming update
// (the one the commands report) and the wheel steps since then.
struct MouseRecord {
  int32_t x = 0;
  int32_t y = 0;
  int32_t last_x = 100;
  int32_t last_y = 100;
  int32_t wheel = 0;
};

// Result of one update: three buttons (0/1: left, right, middle), the
// motion since the last consuming update and the wheel steps.
struct MouseState {
  int32_t buttons[3] = {};
  int32_t dx = 0;
  int32_t dy = 0;
  int32_t wheel = 0;
};

// Mouse fields of the input object.
struct MouseInput {
  std::vector<MouseRecord> mice;  // 1 record at start (capacity 4)
  int32_t current_mouse = 0;
  bool mouse_device = false;  // the window system's mouse was opened
  uint8_t cursor_mode = 1;    // 1 system cursor, absolute; 0 exclusive, relative
  int32_t mouse_coop_level = 6;
  platform::Window* window = nullptr;
  bool opened = false;
};

constexpr int32_t kCoopExclusive = 5;  // exclusive + foreground
constexpr int32_t kCoopShared = 6;     // non-exclusive + foreground
constexpr int32_t kPointerSlots = 32;

// The process's mouse fields (one input object per process).
MouseInput& mouse_input();

// Opening and closing with the input object: reads the cursor position
// into the current record and sets the mode the application asked for.
void mouse_open(InputState* input, platform::Window* window, int32_t mouse_exclusive);
void mouse_close(InputState* input);
// Lets go of the mouse (a debugger break): exclusive access ends until the
// next read takes it again.
void mouse_release();
// Start-up's mouse access step: the device's access mode once more, the
// cursor hidden (exclusive) or placed at the mouse's position and shown.
void mouse_access_apply(int32_t mouse_exclusive);

// Pointer mode: decided at the first mouse query (on when the window system
// reports a touch device); 32 mice then, one per pointer slot.
bool pointer_mode();
// Forces the decision (tests, or platforms whose touch devices appear late):
// -1 undecided, 0 off, 1 on.
void pointer_mode_override(int32_t state);

// Low level.
uint32_t mouse_read_raw(int32_t& x, int32_t& y, int32_t& wheel);
void mouse_update(MouseState& state, bool consume);
// The frame loop's update: mouse_update once per mouse record.
void mouse_update_all(bool consume);
bool mouse_any_button();
// A pointer message: kind -1 up, 0 update, 1 down.
void pointer_message(int32_t kind, int32_t id, const platform::PointerInfo& info);
// The mouse as the wait step compares it: mouse_state's position and
// buttons (bit 0 left, bit 1 right).
struct MouseSample {
  int32_t x = 0, y = 0;
  int32_t buttons = 0;
};
MouseSample mouse_sample();

// Commands.
void mouse_state(int32_t& x, int32_t& y, int32_t& left, int32_t& right);
void mouse_state(double& x, double& y, double& left, double& right);
int32_t mouse_axis(int32_t kind);
int32_t mouse_count();
void mouse_select(int32_t index);
void mouse_pointer_show(double flag);
void mouse_set_position(int32_t x, int32_t y);
void mouse_set_position(double x, double y);

// Switches between the modes for the music player's set-up: the current
// mode, exclusive with the cursor hidden while the player is made, and the
// remembered mode back.
uint8_t mouse_mode_hold_exclusive();
void mouse_mode_restore(uint8_t cursor_mode);

}  // namespace zrv
