// The monotonic clock on Windows: the performance counter.
#include "platform/clock.hpp"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace zrv::platform {

int64_t monotonic_us() {
  // The frequency is fixed at boot.
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  const int64_t ticks = now.QuadPart;
  // Whole seconds and the rest apart, so that ticks x 1000000 cannot overflow.
  return ticks / frequency * 1000000 + ticks % frequency * 1000000 / frequency;
}

}  // namespace zrv::platform
