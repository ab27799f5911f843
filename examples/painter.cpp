// painter: the mouse. Click a colour on the left, paint on the canvas
// with the left button, rub out with the right one; C clears the canvas.
//
// Until the first click the program paints a flower by itself, with the
// same brush the mouse uses. The canvas is a sprite we draw into (an
// off-screen target), so the painting stays from frame to frame while
// the screen is drawn anew each time.
#include <zorvane.hpp>

using namespace zrv;

constexpr int32_t kCanvas = 1, kCanvasTarget = 0;  // a sprite slot and a target slot
constexpr int32_t kLeft = 80, kTop = 24, kWidth = 544, kHeight = 440;  // on the screen
constexpr int32_t kSwatch = 48;                                        // a palette button
const int32_t kPalette[8] = {rgb(20, 20, 20),   rgb(230, 40, 40), rgb(250, 150, 30),
                             rgb(240, 220, 40), rgb(60, 180, 70), rgb(40, 120, 230),
                             rgb(150, 70, 200), color::White};

void app_defaults() {
  ctx.screen_width = 640;
  ctx.screen_height = 480;
  ctx.frame_rate = 60;
  ctx.app_name = "painter";
}

// Paints a line of square dabs into the canvas; positions are the
// canvas's own (0, 0 is its top-left corner).
void brush_stroke(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t colour) {
  target_use(kCanvasTarget);  // draw into the canvas sprite instead of the screen
  const int32_t steps = math_max(math_max(x2 - x1, x1 - x2), math_max(y2 - y1, y1 - y2)) / 2 + 1;
  for (int32_t i = 0; i <= steps; ++i) {
    rect_fill(x1 + (x2 - x1) * i / steps - 4, y1 + (y2 - y1) * i / steps - 4, 9, 9, colour);
  }
  target_use(-1);  // back to the screen
}

// The demo's flower: a rose of eight petals, at angle t (degrees) the
// point 200 cos(4 t) from the middle of the canvas.
int32_t rose_x(int32_t t) {
  return 272 + static_cast<int32_t>(200 * math_cos(4.0 * t) * math_cos(t));
}
int32_t rose_y(int32_t t) {
  return 224 + static_cast<int32_t>(200 * math_cos(4.0 * t) * math_sin(t));
}

void canvas_clear() {
  target_use(kCanvasTarget);
  rect_fill(0, 0, kWidth, kHeight, color::White);
  target_use(-1);
}

void game_main() {
  screen_setup(640, 480, 0);
  screen_clear(rgb(70, 70, 80));  // each frame starts from this colour
  target_create(kCanvasTarget, kCanvas, kWidth, kHeight);
  canvas_clear();  // a new target is transparent: make it white paper

  int32_t colour = 1;                   // the palette entry in use
  int32_t last_x = -1, last_y = -1;     // where the brush was in the last frame
  int32_t was_down = 0, demo_step = 0;  // demo_step -1: the mouse has taken over
  for (;;) {
    int32_t x, y, left, right;
    mouse_state(x, y, left, right);               // screen position and the two buttons (1 = down)
    const int32_t cx = x - kLeft, cy = y - kTop;  // the same point on the canvas
    const bool on_canvas = cx >= 0 && cy >= 0 && cx < kWidth && cy < kHeight;

    if ((left || right) && !was_down) {  // a click (the button went down in this frame)
      demo_step = -1;
      if (x < kSwatch + 16 && y >= kTop && y < kTop + 8 * (kSwatch + 8)) {
        colour = (y - kTop) / (kSwatch + 8);
      }
    }
    if ((left || right) && on_canvas) {
      if (last_x < 0) {  // a new stroke starts where the pointer is
        last_x = cx;
        last_y = cy;
      }
      brush_stroke(last_x, last_y, cx, cy, right ? color::White : kPalette[colour]);
      last_x = cx;
      last_y = cy;
    } else {
      last_x = -1;
    }
    was_down = left || right;
    if (key_down(key::C)) canvas_clear();

    // The demo: one degree of the flower a frame, each petal in a colour
    // of its own.
    if (demo_step >= 0 && demo_step < 360) {
      colour = 1 + (demo_step + 22) / 45 % 6;
      brush_stroke(rose_x(demo_step), rose_y(demo_step), rose_x(demo_step + 1),
                   rose_y(demo_step + 1), kPalette[colour]);
      demo_step += 1;
    }

    // The screen: the canvas, the palette with the colour in use framed.
    sprite_draw(kCanvas, kLeft, kTop);
    for (int32_t i = 0; i < 8; ++i) {
      const int32_t top = kTop + i * (kSwatch + 8);
      if (i == colour) rect_fill(12, top - 4, kSwatch + 8, kSwatch + 8, color::White);
      rect_fill(16, top, kSwatch, kSwatch, kPalette[i]);
    }
    text_print("Left button: paint   right button: rub out   C: clear", kLeft, 8, 1);
    present_frame();
  }
}

const UserFunction user_functions[] = {{nullptr, nullptr}};
