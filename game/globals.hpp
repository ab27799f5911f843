// The game's global state: signed 32-bit globals with static storage and the
// typed arrays of ducks, guns and bullets plus the spawn schedule.
#pragma once

#include <cstdint>

#include "types.hpp"
#include "zorvane.hpp"

extern int32_t score;                // points of the running game
extern int32_t high_score;           // best score since the program started
extern int32_t lives;                // 0 = no game running
extern int32_t level;                // from 1
extern int32_t step_delay;           // ducks step every step_delay + 1 frames
extern int32_t step_timer;           // drives duck steps and spawn ticks
extern int32_t schedule_index;       // next schedule slot to examine
extern int32_t ducks_left;           // ducks of the level still to be shot
extern int32_t life_lost;            // a duck reached the loss point
extern int32_t life_lost_countdown;  // 4..1 while the life is being lost
extern int32_t cooldown;             // frames the gun cannot move / a game cannot start
extern int32_t bullet_x;             // bullet snapshot for the hit test
extern int32_t bullet_y;
extern int32_t bullet_active;  // a bullet is in flight

extern zrv::RtArray<__ZORVANE__::Tduck> ducks;
extern zrv::RtArray<__ZORVANE__::Tgun> guns;
extern zrv::RtArray<__ZORVANE__::Tbullet> bullets;
extern zrv::RtArray<int32_t> schedule;

// Initial values of the globals that have one (step_delay 30, level 1).
void init_globals();

// Push a new record at (x, y) with every other field 0; a duck flies right
// with frame 1.
void add_duck(double x, double y);
void add_gun(double x, double y);
void add_bullet(double x, double y);
