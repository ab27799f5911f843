// Conversions that stay defined for any argument: a double or a 64-bit sum
// brought into int32 range (NaN as 0), for positions and sizes a game may
// pass at any size.
#pragma once

#include <cmath>
#include <cstdint>

namespace zrv {

// Truncated toward zero, then clamped.
inline int32_t int32_clamped(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

inline int32_t int32_clamped(int64_t v) {
  return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
}

// Rounded down (toward minus infinity), then clamped.
inline int32_t int32_floor(double v) { return int32_clamped(std::floor(v)); }

}  // namespace zrv
