// Monotonic clock shared by the backends: a microsecond counter (so that
// counter x 1000 stays far inside 64 bits for centuries of uptime) and a
// millisecond tick count.
#pragma once

#include <time.h>

#include <cstdint>

namespace zrv::platform {

inline int64_t monotonic_us() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

inline uint32_t monotonic_ms32() { return static_cast<uint32_t>(monotonic_us() / 1000); }

}  // namespace zrv::platform
