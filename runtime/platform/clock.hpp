// The system's monotonic clock, shared by the backends: a microsecond
// counter (so that counter x 1000 stays far inside 64 bits for centuries of
// uptime) and a millisecond tick count.
#pragma once

#include <cstdint>

namespace zrv::platform {

int64_t monotonic_us();
inline uint32_t monotonic_ms32() { return static_cast<uint32_t>(monotonic_us() / 1000); }

}  // namespace zrv::platform
