// Ducks: stepping in rows, turning at the edges, the hit test against the
// bullet snapshot, the falling animation and the loss point.
#include "game.hpp"
#include "zorvane.hpp"

void update_ducks() {
  int32_t i = 0;
  while (i < zrv::array_bounds(ducks, 0)) {
    // 1. Step: every flying duck steps in the same frame.
    if (step_timer == step_delay && ducks(i).state == 0 && life_lost_countdown == 0 &&
        life_lost == 0) {
      zrv::sound_play(6, 0, 1);
      if (ducks(i).direction != 0) {
        ducks(i).x -= 50;
      } else {
        ducks(i).x += 50;
      }
    }

    // 2-3. Edges: back into the flight area, turn, one row down.
    if (ducks(i).x > 530) {
      ducks(i).x = 530;
      ducks(i).direction = 1;
      ducks(i).y += 40;
    }
    if (ducks(i).x < 230) {
      ducks(i).x = 230;
      ducks(i).direction = 0;
      ducks(i).y += 40;
    }

    // 4. Hit test against the snapshot of the previous bullet pass.
    if (bullet_x == ducks(i).x + 18 && bullet_y == ducks(i).y + 30 && ducks(i).state == 0) {
      ducks_left -= 1;
      // No further duck can match the snapshot in this pass.
      bullet_x = -99;
      bullet_y = -99;
      zrv::sound_play(4, 0, 1);
      while (zrv::array_bounds(bullets, 0) > 0) zrv::array_delete(bullets, 0);
      score += 5;
      ducks(i).state = 1;
      bullet_active = 0;
      ducks(i).frame = 2;
      ducks(i).tick = 0;
    }

    // 5. Falling animation; a duck past frame 5 is removed and the duck
    // moving up into index i is handled next.
    if (ducks(i).state == 1) {
      if (ducks(i).tick + 1 <= 6) {
        ducks(i).tick += 1;
      } else {
        ducks(i).tick = 0;
        ducks(i).frame += 1;
      }
      if (ducks(i).frame > 5) {
        zrv::array_delete(ducks, i);
        continue;
      }
    }

    // 6. Loss point.
    if (ducks(i).x == 230 && ducks(i).y == 260 && life_lost == 0 && life_lost_countdown == 0) {
      zrv::sound_play(5, 0, 1);
      life_lost_countdown = 4;
      life_lost = 1;
    }

    // 7. Draw.
    zrv::sprite_draw_frame(100, static_cast<int32_t>(ducks(i).direction * 7 + ducks(i).frame),
                           static_cast<int32_t>(ducks(i).x - 2),
                           static_cast<int32_t>(ducks(i).y - 2));
    i += 1;
  }
}
