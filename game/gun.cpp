// The player's gun and its bullet: the bullet pass and update_guns.
#include "game.hpp"
#include "zorvane.hpp"

namespace {

// An on-screen control button shown pressed.
void button_highlight(int32_t x, int32_t y) {
  zrv::blend_alpha(-0.5);
  zrv::sprite_draw(500, x, y);
  zrv::blend_alpha(-1);
}

}  // namespace

void update_bullets() {
  int32_t j = 0;
  while (j < zrv::array_bounds(bullets, 0)) {
    bullet_active = 1;
    // The snapshot is taken before the bullet moves.
    bullet_x = static_cast<int32_t>(bullets(j).x);
    bullet_y = static_cast<int32_t>(bullets(j).y);
    bullets(j).tick += 1;
    if (bullets(j).tick > 20) {
      bullets(j).tick = 0;
      bullets(j).y -= 40;
    }
    if (bullets(j).y >= 140) {
      zrv::sprite_draw_frame(200, 0, static_cast<int32_t>(bullets(j).x - 1),
                             static_cast<int32_t>(bullets(j).y - 1));
      j += 1;
    } else {
      bullet_active = 0;
      bullet_x = 0;
      bullet_y = 0;
      zrv::array_delete(bullets, j);
    }
  }
}

void update_guns() {
  int32_t i = 0;
  while (i < zrv::array_bounds(guns, 0)) {
    if (zrv::key_down(zrv::kKeyLeft)) {
      button_highlight(44, 308);
      if (guns(i).x > 248 && cooldown == 0 && lives > 0) {
        zrv::sound_play(3, 0, 1);
        cooldown = 12;
        guns(i).x -= 50;
      }
    }
    if (zrv::key_down(zrv::kKeyRight)) {
      button_highlight(115, 308);
      if (guns(i).x < 500 && cooldown == 0 && lives > 0) {
        zrv::sound_play(3, 0, 1);
        cooldown = 12;
        guns(i).x += 50;
      }
    }
    if (zrv::key_down(zrv::kKeySpace)) {
      button_highlight(674, 308);
      if (bullet_active == 0 && lives > 0) {
        zrv::sound_play(1, 0, 1);
        add_bullet(guns(i).x, 330);
      }
    }
    if (lives > 0) {
      zrv::sprite_draw_frame(150, 1, static_cast<int32_t>(guns(i).x - 2),
                             static_cast<int32_t>(guns(i).y - 2));
    }
    i += 1;
  }
}
