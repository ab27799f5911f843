// The monotonic clock on POSIX systems.
#include "platform/clock.hpp"

#include <time.h>

namespace zrv::platform {

int64_t monotonic_us() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

}  // namespace zrv::platform
