// The frame loop: runtime clock, present_frame with its pacing, the message
// pump and the window procedure, pause and resume, the wait step.
#include "app/frame.hpp"

#include <cstdio>

#include "app/media_watch.hpp"
#include "app/stats_overlay.hpp"
#include "base/callbacks.hpp"
#include "base/errors.hpp"
#include "gfx/renderer.hpp"
#include "gfx/scene3d.hpp"
#include "gfx/screen.hpp"
#include "input/input_state.hpp"
#include "input/key_script.hpp"
#include "input/keys.hpp"
#include "input/mouse.hpp"
#include "input/presses.hpp"
#include "input/replay.hpp"
#include "platform/platform.hpp"
#include "sound/music.hpp"
#include "sound/sound_device.hpp"

namespace zrv {

namespace {

// Looks up "ZRV_WIN32_MSG" once per run.
void look_up_message_handler() {
  if (ctx.win32_msg_state != -1) return;
  ctx.win32_msg_handler = user_function_find(RtString("ZRV_WIN32_MSG"));
  ctx.win32_msg_state = ctx.win32_msg_handler ? 1 : 0;
}

void set_title(const RtString& title) {
  if (ctx.renderer) window_set_title(ctx.renderer, title.c_str());
}

// The window procedure: the messages that decide the program's life.
void window_procedure(const platform::Event& e) {
  switch (e.type) {
    case platform::EventType::CloseRequest:
      program_end();
      break;
    case platform::EventType::Deactivated:
      if (ctx.debug_mode) break;
      app_activation_changed(1);
      if (ctx.paused) set_title(ctx.caption + " <pause>");
      break;
    case platform::EventType::Activated:
      if (ctx.debug_mode) break;
      app_activation_changed(0);
      if (!ctx.paused) set_title(ctx.caption);
      break;
    default:
      input_handle_event(ctx.input, e);
      break;
  }
}

void handle_message(const platform::Event& e) {
  if (e.type == platform::EventType::Char) key_char_push(static_cast<int8_t>(e.code));
  window_procedure(e);
}

// The window system went away (its server ended): nothing can be shown or
// read any more, so the program ends in order, as on a close request.
void end_if_window_system_lost(platform::Backend& b) {
  if (ctx.ending || !b.window_system_lost()) return;
  console_print_error("the window system went away: the program ends\n");
  log_write("window system lost\n");
  error_report(0);
  program_end();
}

// Whether the end came between two frames (the last one presented whole)
// rather than inside one.
bool g_ended_between_frames = false;

void end_between_frames() {
  g_ended_between_frames = true;
  error_report(0);
  program_end();
}

void end_if_frame_budget_reached() {
  ++ctx.frames_presented;
  key_script_advance(ctx.frames_presented);
  if (ctx.options.frames > 0 && ctx.frames_presented >= ctx.options.frames) end_between_frames();
  // A headless replay ends with its recording unless --frames asks for
  // more: no window and no device could ever end it afterwards.
  if (ctx.options.frames == 0 && input_replaying() && platform::backend().is_headless() &&
      ctx.frames_presented >= input_replay_end_frame()) {
    end_between_frames();
  }
}

// One pump; `number` counts the pumps of the frame for the recorder and the
// replay (the many pumps of one frame's pacing wait count as one).
void pump_numbered(UserRoutine callback, bool wait, int32_t number) {
  platform::Backend& b = platform::backend();
  quit_request_take();
  end_if_window_system_lost(b);
  platform::Event e;
  if (input_replaying()) {
    // The window's own messages are taken and dropped: the file speaks.
    while (b.poll_event(&e)) {
    }
    while (input_replay_message(number, &e)) {
      if (callback) callback();
      if (input_recording()) input_record_message(number, e, callback != nullptr);
      handle_message(e);
    }
    return;
  }
  if (wait) {
    b.wait_event();
    quit_request_take();
    end_if_window_system_lost(b);
  }
  if (callback) {
    while (b.peek_event(&e)) {
      callback();
      if (!b.poll_event(&e)) break;
      if (input_recording()) input_record_message(number, e, true);
      handle_message(e);
    }
  } else {
    while (b.poll_event(&e)) {
      if (input_recording()) input_record_message(number, e, false);
      handle_message(e);
    }
  }
}

}  // namespace

int64_t frames_begun() { return ctx.frames_presented + (g_ended_between_frames ? 0 : 1); }

void message_pump(UserRoutine callback, bool wait) {
  pump_numbered(callback, wait, input_pump_number());
}

void frame_flip(UserRoutine callback) {
  OpenGLVireo* r = ctx.renderer;
  if (r) {
    renderer_end_target_redirect(r);
    stats_overlay_frame();
    renderer_swap_buffers(r, stats_overlay_draw);
  }
  // Without a window nothing is shown, so frames are not paced; the one
  // pump stands for the pacing wait's, so that a frame has the same pumps
  // with a window and without.
  const int32_t number = input_pump_number();
  if (r == nullptr || platform::backend().is_headless()) {
    pump_numbered(callback, false, number);
    return;
  }

  // Where the swap itself waited for the display, the frame loop waits
  // only for what is left beyond the next display frame: a wait of its own
  // on top would put each frame's work later than the display's beat.
  const double swap_wait = platform::backend().gl_swap_wait_ms();
  double now;
  for (;;) {
    pump_numbered(callback, false, number);
    now = timer_elapsed_ms();
    double remaining = r->frame_due - now - swap_wait;
    if (remaining > 7) {
      sleep_ms(static_cast<int32_t>(remaining - 3));
    } else if (remaining <= 1) {
      break;
    }
  }
  renderer_due_advance(r, now);
}

void frame_reset() {
  // The one preparation of the new back buffer in each frame.
  if (ctx.renderer) renderer_reset_2d_state(ctx.renderer);
  input_keyboard_mark_stale(ctx.input);
  ctx.frames_since_input += 1;
}

void frame_rate_set(double fps, int32_t sync) {
  if (ctx.renderer == nullptr) return;
  renderer_set_swap_interval(ctx.renderer, sync != 0 ? 1 : 0);
  ctx.renderer->frame_interval = frame_interval_for(fps);
}

void present_frame() {
  if (ctx.activate_request) {
    console_print("activate\n");
    if (ctx.renderer) window_activate(ctx.renderer);
    console_print("ok\n");
    ctx.activate_request = 0;
  }
  ctx.prev_frame_time = ctx.frame_time;
  ctx.frame_time = timer_elapsed_ms();
  while (ctx.paused) {
    ctx.frames_since_input = 31;
    wait_step();
  }
  mouse_update_all(true);
  if (ctx.escape_quits && key_down(kKeyEscape)) {
    error_report(0);
    program_end();
  }
  if (key_down(kKeyLeftAlt) && key_down(kKeyF4)) {
    error_report(0);
    program_end();
  }
  if (ctx.scene3d) ctx.scene3d->leave_3d();
  music_loop_service();
  look_up_message_handler();
  message_pump(ctx.win32_msg_handler, false);
  frame_flip(ctx.win32_msg_handler);
  frame_reset();
  // Before the game draws the next frame, so that it draws the new media.
  media_watch_service();
  end_if_frame_budget_reached();
  // After the key script has moved to the new frame.
  presses_latch(ctx.input);
}

void wait_step() {
  music_loop_service();
  look_up_message_handler();
  message_pump(ctx.win32_msg_handler, false);
  if (ctx.frames_since_input < 30) return;

  MouseSample reference = mouse_sample();
  for (int pass = 0; pass < 100; ++pass) {
    music_loop_service();
    look_up_message_handler();
    const uint32_t keys_before = input_key_downs(), buttons_before = input_button_downs();
    message_pump(ctx.win32_msg_handler, true);
    if (ctx.paused) {
      log_write("pause loop in showscreen/hibernate\n");
      while (ctx.paused && !ctx.activate_request) {
        sleep_ms(500);
        music_loop_service();
        look_up_message_handler();
        message_pump(ctx.win32_msg_handler, true);
      }
      log_write("pause loop ended\n");
      return;
    }
    mouse_update_all(true);
    if (ctx.escape_quits && key_down(kKeyEscape)) program_end();
    // A key tapped or a button clicked quickly went down and up within the
    // pass's messages, so the states below never see it; it is input all
    // the same (and key_wait waits on the wait step to see the character).
    if (input_key_downs() != keys_before || input_button_downs() != buttons_before) {
      ctx.frames_since_input = 0;
      return;
    }
    for (int32_t code = 0; code <= 254; ++code) {
      if (key_down(code)) {
        ctx.frames_since_input = 0;
        return;
      }
    }
    MouseSample now = mouse_sample();
    if (now.x != reference.x || now.y != reference.y || now.buttons != 0) {
      ctx.frames_since_input = 0;
      return;
    }
    sleep_ms(10);
  }
}

}  // namespace zrv
