// The runtime clock (milliseconds as doubles) and sleeping.
#pragma once

#include <cstdint>

namespace zrv {

// Probes the high-resolution counter.
void timer_init();
// Milliseconds since the first reading (the first call returns 0).
double timer_elapsed_ms();
// Milliseconds since the end of start-up.
double timer_game_ms();
// Milliseconds between the last two frames, 1 when that is not positive.
double timer_frame_ms();
// Blocks for ms milliseconds, less when a termination signal arrives.
void sleep_ms(int32_t ms);

}  // namespace zrv
