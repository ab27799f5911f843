// screen_setup and the waiting commands: each runs the frame loop itself.
#include "app/frame_commands.hpp"

#include "app/frame.hpp"
#include "base/context.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "input/input_state.hpp"
#include "input/keys.hpp"
#include "input/mouse.hpp"
#include "input/replay.hpp"
#include "platform/platform.hpp"

namespace zrv {

void screen_setup(int32_t width, int32_t height, int32_t full_screen) {
  ctx.full_screen = full_screen;
  ctx.screen_height = height;
  ctx.screen_width = width;
  OpenGLVireo* r = ctx.renderer;
  if (r != nullptr) {
    screen_mode_apply(r, width, height, 0, full_screen);
    // The mouse is bound to the window again with its current access mode.
    if (ctx.input) input_mouse_access(ctx.input, ctx.input->mouse_exclusive);
    input_set_focus_window(ctx.input, r->window_handle);
    ctx.window = r->window_handle;
  }
  for (int i = 0; i < 5; ++i) present_frame();
}

namespace {

// Without a window system no key or click can ever come, unless a replay
// brings it.
bool input_can_come() { return !platform::backend().is_headless() || input_replay_running(); }

}  // namespace

namespace {

// One step of the commands' waits: the frame loop's wait step, which blocks
// until input comes only while none came for 30 frames (and these waits
// count no frames), then a short sleep, so that a wait that has seen input
// does not spin.
void paced_wait_step() {
  wait_step();
  sleep_ms(10);
}

// What the game reads after a wait is the keyboard as it is now, not the
// snapshot taken before the wait began.
void waited() {
  ctx.frames_since_input = 0;
  if (ctx.input != nullptr) input_keyboard_mark_stale(ctx.input);
}

}  // namespace

void key_wait() {
  if (ctx.input == nullptr || !input_can_come()) return;
  ctx.frames_since_input = 31;
  // What was typed before the call goes now, without waiting: a key typed
  // during a wait is the one waited for.
  while (key_char_take()) {
  }
  while (!key_char_take() && input_can_come()) paced_wait_step();
  while (key_char_take()) {
  }
  waited();
}

void mouse_wait() {
  if (!mouse_input().opened || !input_can_come()) return;
  ctx.frames_since_input = 31;
  while (mouse_any_button() && input_can_come()) paced_wait_step();
  // A click that is over by the time the state is read counts too.
  const uint32_t clicks = input_button_downs();
  while (!mouse_any_button() && input_button_downs() == clicks && input_can_come()) {
    paced_wait_step();
  }
  while (mouse_any_button() && input_can_come()) paced_wait_step();
  waited();
}
}  // namespace zrv
