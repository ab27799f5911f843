// web_check: what a page gives a program, printed for tests/web: the mouse
// in canvas pixels, presses, typed characters, the first gamepad (as a
// joystick and by name) and the answer of a socket, a line whenever
// something changed; V plays clip.webm.
#include <zorvane.hpp>

using namespace zrv;

void app_defaults() {
  ctx.screen_width = 320;
  ctx.screen_height = 200;
  ctx.frame_rate = 60;
  ctx.app_name = "web_check";
}

void say(const RtString& line) { console_print((line + "\n").c_str()); }

RtString axis(double value) { return str_format_number(0, 2, value); }

void game_main() {
  screen_setup(320, 200, 0);
  net_start();
  say("socket " + RtString(tcp_listen(4000)) + " " + net_error_text());
  RtString last_mouse, last_pad, last_gamepad;
  for (;;) {
    int32_t x, y, left, right;
    mouse_state(x, y, left, right);
    const RtString mouse =
        "mouse " + RtString(x) + " " + RtString(y) + " " + RtString(left) + " " + RtString(right);
    if (mouse != last_mouse) say(mouse);
    last_mouse = mouse;
    RtString pad = "pad " + joy_name(0) + " x " + axis(joy_x(0)) + " y " + axis(joy_y(0)) + " z " +
                   axis(joy_z(0)) + " hat " + RtString(joy_hat_x(0)) + " " +
                   RtString(joy_hat_y(0)) + " buttons";
    for (int32_t b = 0; b < 12; ++b) pad += joy_button(0, b) ? " " + RtString(b) : RtString();
    if (pad != last_pad) say(pad);
    last_pad = pad;
    const RtString gamepad =
        "gamepad " + RtString(pad_count()) + " " + pad_name(0) + " a " +
        RtString(pad_button(0, pad::A)) + " lx " + axis(pad_axis(0, pad::LeftX)) + " lt " +
        axis(pad_axis(0, pad::LeftTrigger)) + " up " + RtString(pad_button(0, pad::Up));
    if (gamepad != last_gamepad) say(gamepad);
    last_gamepad = gamepad;
    if (mouse_pressed(0)) say("pressed mouse 0");
    if (key_pressed(key::A)) say("pressed key A");
    for (RtString typed = key_char(); !typed.empty(); typed = key_char()) {
      say("char " + typed);
      // A clip the test put beside the program, played to its end.
      if (typed == "v") say("video " + RtString(video_play("clip.webm")));
    }
    screen_clear(0);
    present_frame();
  }
}

const UserFunction user_functions[] = {{nullptr, nullptr}};
