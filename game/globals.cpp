#include "globals.hpp"

int32_t score;
int32_t high_score;
int32_t lives;
int32_t level;
int32_t step_delay;
int32_t step_timer;
int32_t schedule_index;
int32_t ducks_left;
int32_t life_lost;
int32_t life_lost_countdown;
int32_t cooldown;
int32_t bullet_x;
int32_t bullet_y;
int32_t bullet_active;

zrv::RtArray<__ZORVANE__::Tduck> ducks;
zrv::RtArray<__ZORVANE__::Tgun> guns;
zrv::RtArray<__ZORVANE__::Tbullet> bullets;
zrv::RtArray<int32_t> schedule;

void init_globals() {
  step_delay = 30;
  level = 1;
}

void add_duck(double x, double y) {
  __ZORVANE__::Tduck t;
  t.x = x;
  t.y = y;
  t.frame = 1;
  zrv::array_push(ducks, t);
}

void add_gun(double x, double y) {
  __ZORVANE__::Tgun t;
  t.x = x;
  t.y = y;
  zrv::array_push(guns, t);
}

void add_bullet(double x, double y) {
  __ZORVANE__::Tbullet t;
  t.x = x;
  t.y = y;
  zrv::array_push(bullets, t);
}
