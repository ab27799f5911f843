#include "app/frame.hpp"
#include "app/frame_commands.hpp"
#include "base/context.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "gfx/text.hpp"
#include "input/input_state.hpp"
#include "input/keys.hpp"
#include "types/str_func.hpp"

namespace zrv {

namespace {

// Background image entry that keeps the screen under the line input.
constexpr int32_t kInputLineBackground = 3;

void line_draw_frame(OpenGLVireo* r, const RtString& text, int32_t x, int32_t y, int32_t flag,
                     bool cursor) {
  background_draw(r, kInputLineBackground);
  if (cursor) {
    RtString shown = text;
    shown.append("_");
    text_print(shown, x, y, flag);
  } else {
    text_print(text, x, y, flag);
  }
  present_frame();
}

}  // namespace

void input_line(RtString& text, int32_t x, int32_t y, int32_t flag) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  background_grab_screen(r, kInputLineBackground);
  background_draw(r, kInputLineBackground);
  text_print(text, x, y, flag);
  present_frame();

  bool cursor = true;
  int32_t idle_frames = 0;
  for (;;) {
    keyboard_refresh();
    const int8_t c = key_char_pop();
    if (c == 10 || c == 13) break;
    if (c == 8) {
      if (text.length > 0) text.truncate(static_cast<int32_t>(text.length) - 1);
    } else if (c != 0) {
      text.append_char(static_cast<char>(c));
    } else if (++idle_frames >= kInputLineBlinkFrames) {
      idle_frames = 0;
      cursor = !cursor;
    }
    line_draw_frame(r, text, x, y, flag, cursor);
  }
  background_remove(r, kInputLineBackground);
}

void input_line_int(int32_t& out, int32_t x, int32_t y, int32_t flag) {
  RtString text;
  input_line(text, x, y, flag);
  out = str_to_int(text);
}

}  // namespace zrv
