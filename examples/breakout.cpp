// breakout: colours, shapes, presses, a gamepad and a saved best score.
//
// Knock out the wall of bricks with the ball. Left and Right (or the mouse,
// or a gamepad's stick or D-pad) move the bat; Space, a click or the pad's
// A button launches the ball; P pauses; F12 shows the frame times.
//
// Every brick is one white picture drawn with a tint of its row's colour
// (sprite_tint_set): a whole wall of tinted bricks is still one draw. The
// ball is a circle with a rim, the bat a filled box with an outline, and
// the aim before a launch a thick line. Launching and pausing use
// key_pressed and mouse_pressed, which see a tap even when it is shorter
// than a frame. The best score lives in the game's own save folder.
#include <zorvane.hpp>

using namespace zrv;

constexpr int32_t kBrick = 1;  // sprite slot: a white brick made below
constexpr int32_t kBounce = 1, kBreak = 2;  // sound slots
constexpr int32_t kColumns = 10, kRows = 6, kBrickW = 56, kBrickH = 18;
constexpr int32_t kWallX = 22, kWallY = 70, kBatY = 440, kBatW = 84, kBatH = 12, kRadius = 6;
const int32_t kRowColors[kRows] = {rgb(230, 60, 60),  rgb(240, 150, 40), rgb(240, 220, 60),
                                   rgb(90, 200, 80),  rgb(60, 190, 220), rgb(110, 110, 240)};

void app_defaults() {
  ctx.screen_width = 640;
  ctx.screen_height = 480;
  ctx.frame_rate = 60;
  ctx.app_name = "breakout";
}

// A white brick with a light top edge and a dark bottom one: tinted, each
// row keeps the shading.
void make_brick() {
  RtArray<int32_t> pixels;
  array_dim(pixels, kBrickW * kBrickH, 0, 0, 0);
  for (int32_t y = 0; y < kBrickH; ++y) {
    const int32_t level = y < 3 ? 255 : y >= kBrickH - 3 ? 150 : 215;
    for (int32_t x = 0; x < kBrickW; ++x) {
      pixels(y * kBrickW + x) = static_cast<int32_t>(0xFF000000u) | rgb(level, level, level);
    }
  }
  sprite_from_array(pixels, kBrick, kBrickW, kBrickH);
}

// Which way the bat should go this frame: -1, 0 or 1 from the keys, the
// first gamepad's D-pad or its stick.
int32_t steer() {
  int32_t way = key_down(key::Right) - key_down(key::Left);
  if (pad_connected(0)) {
    way += pad_button(0, pad::Right) - pad_button(0, pad::Left);
    const double stick = pad_axis(0, pad::LeftX);
    if (stick > 0.3) way += 1;
    if (stick < -0.3) way -= 1;
  }
  return way > 0 ? 1 : way < 0 ? -1 : 0;
}

bool launch_pressed() {
  return key_pressed(key::Space) || mouse_pressed(0) || (pad_connected(0) && pad_button(0, pad::A));
}

void game_main() {
  screen_setup(640, 480, 0);
  screen_clear(rgb(16, 18, 40));
  app_set_stats_key(1);
  make_brick();
  sound_load("media/sound04.wav", kBounce, 2);
  sound_load("media/sound01.wav", kBreak, 2);

  // The best score: an INI file in the game's save folder
  // ($XDG_DATA_HOME/breakout/ on Linux), made on first use.
  ini_open(save_folder() + "breakout.ini");
  int32_t best = str_to_int(ini_get("best", "score", "0"));

  bool alive[kRows][kColumns];
  int32_t left = 0;  // bricks standing
  int32_t score = 0, lives = 3, bat_x = 320 - kBatW / 2;
  double ball_x = 0, ball_y = 0, dx = 0, dy = 0;
  bool held = true, paused = false;  // held: the ball sits on the bat
  for (;;) {
    if (left == 0) {  // a new wall
      for (int32_t r = 0; r < kRows; ++r) {
        for (int32_t c = 0; c < kColumns; ++c) alive[r][c] = true;
      }
      left = kRows * kColumns;
      held = true;
    }
    if (key_pressed(key::P)) paused = !paused;

    if (!paused) {
      // The mouse moves the bat when it moves; otherwise keys and pad.
      int32_t mx = 0, my = 0, lb = 0, rb = 0;
      const int32_t moved = mouse_axis(0);
      mouse_state(mx, my, lb, rb);
      if (moved != 0) bat_x = mx - kBatW / 2;
      bat_x += 6 * steer();
      bat_x = bat_x < 0 ? 0 : bat_x > 640 - kBatW ? 640 - kBatW : bat_x;

      if (held) {
        ball_x = bat_x + kBatW / 2;
        ball_y = kBatY - kRadius - 1;
        if (launch_pressed() && lives > 0) {
          held = false;
          dx = 2.5;
          dy = -4.5;
        }
        if (lives == 0 && launch_pressed()) {  // a new game
          lives = 3;
          score = 0;
          left = 0;
        }
      } else {
        ball_x += dx;
        ball_y += dy;
        if (ball_x < kRadius || ball_x > 640 - kRadius) dx = -dx;
        if (ball_y < kRadius) dy = -dy;
        // The bat sends the ball off at an angle that follows where it hit.
        if (dy > 0 && ball_y + kRadius >= kBatY && ball_y < kBatY + kBatH &&
            ball_x >= bat_x - kRadius && ball_x <= bat_x + kBatW + kRadius) {
          dx = (ball_x - (bat_x + kBatW / 2)) / (kBatW / 2) * 4.5;
          dy = -dy;
          sound_play(kBounce, (ball_x - 320) / 320, 0.6);
        }
        // A brick under the ball's centre breaks, and the ball turns back.
        const int32_t c = static_cast<int32_t>((ball_x - kWallX) / (kBrickW + 4));
        const int32_t r = static_cast<int32_t>((ball_y - kWallY) / (kBrickH + 4));
        if (ball_x >= kWallX && ball_y >= kWallY && c < kColumns && r < kRows && alive[r][c]) {
          alive[r][c] = false;
          --left;
          dy = -dy;
          score += 10 * (kRows - r);
          sound_play(kBreak, (ball_x - 320) / 320, 0.8);
          if (score > best) {
            best = score;
            ini_put("best", "score", RtString(best));
          }
        }
        if (ball_y > 480 + kRadius) {  // missed
          --lives;
          held = true;
        }
      }
    }

    // The wall: one white brick, tinted row by row.
    for (int32_t r = 0; r < kRows; ++r) {
      sprite_tint_set(kRowColors[r], 255);
      for (int32_t c = 0; c < kColumns; ++c) {
        if (alive[r][c]) sprite_draw(kBrick, kWallX + c * (kBrickW + 4), kWallY + r * (kBrickH + 4));
      }
    }
    sprite_tint_set(color::White, 255);
    rect_fill(bat_x, kBatY, kBatW, kBatH, rgb(200, 200, 220));
    rect_draw(bat_x, kBatY, kBatW, kBatH, color::White);
    if (held && lives > 0) {  // where the launch will send the ball
      line_draw_thick(static_cast<int32_t>(ball_x), static_cast<int32_t>(ball_y),
                      static_cast<int32_t>(ball_x + 2.5 * 8), static_cast<int32_t>(ball_y - 4.5 * 8),
                      3, rgb(90, 90, 140));
    }
    circle_fill(static_cast<int32_t>(ball_x), static_cast<int32_t>(ball_y), kRadius, color::Yellow);
    circle_draw(static_cast<int32_t>(ball_x), static_cast<int32_t>(ball_y), kRadius, color::White);

    font_set(0, 2);
    text_color_set(color::White);
    text_print("SCORE " + RtString(score), 16, 16, 0);
    text_color_set(rgb(240, 200, 80));
    text_print("BEST " + RtString(best), 260, 16, 0);
    text_color_set(rgb(240, 90, 90));
    text_print("LIVES " + RtString(lives), 500, 16, 0);
    text_color_set(color::White);
    if (paused) text_print("PAUSED", 272, 300, 0);
    if (lives == 0) text_print("GAME OVER - SPACE", 184, 300, 0);
    present_frame();
  }
}

const UserFunction user_functions[] = {{nullptr, nullptr}};
