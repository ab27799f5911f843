// The runtime clock: milliseconds from its first reading, from the
// platform's high-resolution counter (else its tick count), and sleeping.
#include "base/clock.hpp"

#include "base/context.hpp"
#include "platform/platform.hpp"

namespace zrv {

void timer_init() {
  ctx.perf_available = 0;
  int64_t freq = 0;
  if (platform::backend().counter_frequency(&freq) && freq > 0) {
    ctx.perf_available = 1;
    ctx.perf_frequency = static_cast<double>(freq);
  }
}

double timer_elapsed_ms() {
  platform::Backend& b = platform::backend();
  double reading;
  if (ctx.perf_available) {
    int64_t scaled = b.counter_value() * 1000;
    reading = static_cast<double>(scaled) / ctx.perf_frequency;
  } else {
    reading = static_cast<double>(b.tick_count_ms());
  }
  if (ctx.clock_base == 0) ctx.clock_base = reading;
  return reading - ctx.clock_base;
}

double timer_game_ms() { return timer_elapsed_ms() - ctx.game_time_origin; }

double timer_frame_ms() {
  double d = ctx.frame_time - ctx.prev_frame_time;
  return d > 0 ? d : 1.0;
}

void sleep_ms(int32_t ms) {
  if (ms > 0) platform::backend().sleep_ms(static_cast<uint32_t>(ms));
}

}  // namespace zrv
