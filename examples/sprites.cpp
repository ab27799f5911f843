// sprites: pictures, sprite sheets and the keyboard.
//
// A duck flies to and fro over the lake. Left and Right move the gun, Space fires;
// a hit duck tumbles into the water and a new one comes. Its pictures are
// frames of one sheet, and so are the letters of the score.
//
// Read game_main from the top: it loads the pictures, then each pass of
// its loop draws one frame. Everything moves by frames, not by the clock,
// so the same keys give the same pictures (sprites.keys plays a few).
#include <zorvane.hpp>

using namespace zrv;

// Sprite slots are plain numbers of our choosing.
constexpr int32_t kBackdrop = 1, kDuck = 2, kGun = 3, kBullet = 4, kGlow = 5, kLetters = 6;

void app_defaults() {
  ctx.screen_width = 800;
  ctx.screen_height = 480;
  ctx.frame_rate = 60;
  ctx.app_name = "sprites";
}

// Text drawn from a sheet of letters: the frame of a character is its
// code minus 32 (the sheet starts at the space).
void print_from_sheet(const RtString& text, int32_t x, int32_t y) {
  for (int32_t i = 0; i < static_cast<int32_t>(text.length); ++i) {
    sprite_draw_frame(kLetters, str_asc_at(text, i) - 32, x + 10 * i, y);
  }
}

void game_main() {
  screen_setup(800, 480, 0);
  sprite_load("media/background.png", kBackdrop);      // one picture, 800 x 480
  sprite_load_sheet("media/duck.png", kDuck, 40, 26);  // a sheet of 7 x 2 frames
  sprite_load_sheet("media/gun.png", kGun, 19, 30);    // 2 frames; 1 is the gun
  sprite_load("media/bullet.png", kBullet);
  sprite_load("media/button.png", kGlow);                 // lights an on-screen button
  sprite_load_sheet("media/font.png", kLetters, 10, 18);  // letters as frames

  int32_t duck_x = 220, duck_y = 150, duck_dx = 2;  // the duck flies right at first
  int32_t falling = -1;                             // frames since it was hit; -1: flying
  int32_t gun_x = 400, bullet_x = 0, bullet_y = 0;  // bullet_y 0: no bullet in the air
  int32_t hits = 0;
  for (int32_t frame = 0;; ++frame) {
    sprite_draw(kBackdrop, 0, 0);  // first, so that the rest lies on top of it

    // The keyboard: key_down is 1 while the key is held.
    if (key_down(key::Left) && gun_x > 215) gun_x -= 4;
    if (key_down(key::Right) && gun_x < 590) gun_x += 4;
    if (key_down(key::Space) && bullet_y == 0) {
      bullet_x = gun_x + 7;
      bullet_y = 262;
    }
    // The buttons painted on the backdrop glow while their key is held:
    // blend_alpha(-0.5) draws half transparent, -1 is back to normal.
    blend_alpha(-0.5);
    if (key_down(key::Left)) sprite_draw(kGlow, 44, 308);
    if (key_down(key::Right)) sprite_draw(kGlow, 115, 308);
    if (key_down(key::Space)) sprite_draw(kGlow, 674, 308);
    blend_alpha(-1);

    // The duck. In the sheet's first row, frame 1 flies and frames 2 to 5
    // tumble; the second row (frames 7 to 13) is the same duck facing left.
    const int32_t facing = duck_dx > 0 ? 0 : 7;
    int32_t duck_frame = facing + 1;
    if (falling < 0) {
      duck_x += duck_dx;
      if (duck_x <= 215 || duck_x >= 565) duck_dx = -duck_dx;        // turn at the reeds
      duck_y = 150 + static_cast<int32_t>(8 * math_sin(frame * 4));  // bob up and down
    } else {
      duck_frame = facing + 2 + falling / 8;
      duck_y += 2;
      falling += 1;
      if (falling == 32) {  // gone: a new duck from the left
        falling = -1;
        duck_x = 220;
        duck_dx = 2;
      }
    }
    sprite_draw_frame(kDuck, duck_frame, duck_x, duck_y);

    // The bullet climbs 6 pixels a frame. It hits when one of its pixels
    // covers one of the duck frame's (transparent pixels do not count).
    if (bullet_y > 0) {
      bullet_y -= 6;
      sprite_draw(kBullet, bullet_x, bullet_y);
      if (falling < 0 && sprite_frame_collision(kBullet, 0, bullet_x, bullet_y, kDuck, duck_frame,
                                                duck_x, duck_y)) {
        falling = 0;
        hits += 1;
        bullet_y = 0;
      }
      if (bullet_y < 130) bullet_y = 0;  // out of the sky
    }
    sprite_draw_frame(kGun, 1, gun_x, 268);

    print_from_sheet("HITS " + RtString(hits), 360, 95);
    present_frame();  // show the frame; Escape or closing the window ends the program
  }
}

const UserFunction user_functions[] = {{nullptr, nullptr}};
