// Prints what the mouse and the keyboard give in every frame: the motion,
// wheel and buttons of mouse_axis, the position and buttons of mouse_state
// the presses and releases of the frame (p57: Space pressed, r57 released,
// mp0 / mr0: the left button) and the characters typed. Escape ends it.
#include <cstdio>
#include <string>

#include "zorvane.hpp"

using namespace zrv;

void app_defaults() {
  ctx.screen_width = 320;
  ctx.screen_height = 240;
  ctx.frame_rate = 60;
  ctx.app_name = "input echo";
}

void game_main() {
  screen_setup(320, 240, 0);
  for (long frame = 0;; ++frame) {
    // The axes first: mouse_state takes the motion.
    int32_t axes[6];
    for (int32_t k = 0; k < 6; ++k) axes[k] = mouse_axis(k);
    int32_t x = 0, y = 0, left = 0, right = 0;
    mouse_state(x, y, left, right);
    char line[160];
    std::snprintf(line, sizeof line, "%ld axes %d %d %d %d %d %d state %d %d %d %d presses", frame,
                  axes[0], axes[1], axes[2], axes[3], axes[4], axes[5], x, y, left, right);
    std::string text = line;
    for (int32_t code = 0; code < 256; ++code) {
      if (key_pressed(code)) text += " p" + std::to_string(code);
      if (key_released(code)) text += " r" + std::to_string(code);
    }
    for (int32_t b = 0; b < 3; ++b) {
      if (mouse_pressed(b)) text += " mp" + std::to_string(b);
      if (mouse_released(b)) text += " mr" + std::to_string(b);
    }
    text += " chars";
    for (RtString c = key_char(); !c.empty(); c = key_char()) {
      text += " " + std::to_string(static_cast<unsigned char>(c.c_str()[0]));
    }
    text += "\n";
    console_print(text.c_str());
    present_frame();
  }
}

const UserFunction user_functions[] = {{nullptr, nullptr}};
