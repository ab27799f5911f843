// The clock every backend has unless it brings its own: the system's
// monotonic clock, counted in microseconds.
#include "platform/clock.hpp"
#include "platform/platform.hpp"

namespace zrv::platform {

bool Backend::counter_frequency(int64_t* frequency) {
  *frequency = 1000000;
  return true;
}

int64_t Backend::counter_value() { return monotonic_us(); }

uint32_t Backend::tick_count_ms() { return monotonic_ms32(); }

void Backend::sleep_ms(uint32_t ms) { sleep_interruptible(ms); }

}  // namespace zrv::platform
