// The main loop: HUD, game start, life loss and game over, spawn ticks and
// level-up, then the frame end.
#include <algorithm>

#include "zorvane.hpp"
#include "game.hpp"
#include "trace.hpp"

using zrv::RtString;

namespace {

constexpr int32_t kScheduleSize = 10000;
constexpr int32_t kScheduleCleared = 999;  // slots 0..999 are always cleared

// Removes every element by deleting index 0 until the array is empty.
template <class T>
void remove_all(zrv::RtArray<T>& a) {
  while (zrv::array_bounds(a, 0) > 0) zrv::array_delete(a, 0);
}

}  // namespace

RtString hud_text(const char* label, int32_t value, int32_t digits) {
  RtString padded;
  for (int32_t i = 0; i < digits; ++i) padded.append_char('0');
  RtString number = padded + value;
  return label +
         zrv::str_mid(number, zrv::math_max(0, static_cast<int32_t>(number.length) - digits), -1);
}

void draw_text(double x, double y, const RtString& text, int32_t colour) {
  const int32_t n = static_cast<int32_t>(text.length);
  for (int32_t i = 0; i < n; ++i) {
    const int32_t code = zrv::str_asc(zrv::str_mid(text, i, 1));
    zrv::sprite_draw_frame(1000, code - 32 + colour * 64, static_cast<int32_t>(x + 10 * i),
                           static_cast<int32_t>(y));
  }
}

int32_t schedule_last_tick() {
  // Levels from 334 on would ask for ticks past the end of the schedule.
  return static_cast<int32_t>(std::min<int64_t>(int64_t{level} * 30, kScheduleSize - 1));
}

void build_schedule() {
  schedule_index = 0;
  const int32_t last_tick = schedule_last_tick();
  // Clear every slot a draw can set, so no duck of an earlier level is left
  // behind in the range this level reads.
  const int32_t last_cleared = std::max(kScheduleCleared, last_tick);
  for (int32_t k = 0; k <= last_cleared; ++k) schedule(k) = 0;
  ducks_left = 0;
  int32_t placed = 0;
  // No more ducks than there are ticks, so the draws always end.
  const int32_t wanted =
      static_cast<int32_t>(std::min<int64_t>(int64_t{level} * 10, int64_t{last_tick} + 1));
  while (placed < wanted) {
    const int32_t k = zrv::random_int(last_tick);
    if (schedule(k) == 0) {
      schedule(k) = 1;
      placed += 1;
      ducks_left += 1;
    }
  }
}

void game_loop_begin(GameLoopLocals& locals) {
  locals.blink = 0;
  locals.countdown_step = 0;
  schedule_index = 0;
}

void game_pass(GameLoopLocals& locals) {
  int32_t& blink = locals.blink;
  int32_t& countdown_step = locals.countdown_step;

  // 1. Step timer.
  if (life_lost_countdown == 0) {
    if (lives > 0) step_timer += 1;
  }

  // 2-5. Backdrop and HUD.
  zrv::sprite_draw(900, 0, 0);
  if (blink < 10) draw_text(218, 98, hud_text("SC ", score, 5), 0);
  draw_text(330, 98, hud_text("LVL ", level, 2), 0);
  if (blink < 10) draw_text(408, 98, hud_text("HI ", high_score, 5), 0);

  // 6. Life-loss countdown: one step every 9 frames.
  if (life_lost_countdown > 0) countdown_step += 1;
  if (countdown_step > 8) {
    life_lost_countdown -= 1;
    countdown_step = 0;
  }

  // 7. Blink while no game runs.
  if (lives == 0) {
    blink += 1;
    if (blink >= 21) blink = 0;
  }

  // 8. Losing a life once the countdown has run out.
  if (life_lost_countdown == 0 && life_lost == 1) {
    lives -= 1;
    life_lost = 0;
    remove_all(ducks);
    remove_all(bullets);
    if (lives == 0) remove_all(guns);
    bullet_x = -99;
    bullet_y = -99;
    bullet_active = 0;
    if (lives == 0) {
      for (int32_t k = 0; k <= kScheduleCleared; ++k) schedule(k) = 0;
      if (score > high_score) high_score = score;
      cooldown = 100;
    }
    if (lives > 0) build_schedule();
  }

  // 9. Starting a game. step_delay is kept from the previous game.
  if (zrv::key_down(zrv::kKeySpace) && cooldown == 0 && lives == 0) {
    blink = 0;
    add_gun(398, 350);
    lives = 3;
    level = 1;
    score = 0;
    build_schedule();
  }

  // 10. Life icons; they blink during the countdown.
  for (int32_t k = 0; k <= lives - 1; ++k) {
    if (countdown_step < 4) zrv::sprite_draw_frame(100, 8, 498 + 30 * k, 91);
  }

  // 11-13.
  update_ducks();
  update_bullets();
  update_guns();

  // 14. Foreground overlay.
  zrv::sprite_draw(300, 235, 258);

  // 15.
  if (step_delay < step_timer && life_lost_countdown == 0) step_timer = 0;

  // 16. Spawn tick. Only while a game runs (the idle title screen must not
  // walk off the schedule) and only over the ticks the level can use.
  if (step_timer == 0 && lives > 0 && schedule_index <= schedule_last_tick()) {
    if (schedule(schedule_index) == 1) add_duck(230, 140);
    schedule_index += 1;
  }

  // 17.
  if (cooldown > 0) cooldown -= 1;

  // 18. Level up once every duck of the level has been shot.
  if (ducks_left == 0 && lives > 0) {
    level += 1;
    build_schedule();
    step_delay -= 1;
    zrv::sound_play(7, 0, 1);
  }
}

void game_loop() {
  GameLoopLocals locals;
  game_loop_begin(locals);
  for (;;) {
    game_pass(locals);
    // 19. Frame end.
    trace_write(locals);
    zrv::present_frame();
  }
}
