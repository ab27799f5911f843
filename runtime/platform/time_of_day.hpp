// Calendar time of a moment: seconds since 1970 (UTC) broken down into date
// and time of day.
#pragma once

#include <cstdint>
#include <ctime>

namespace zrv::platform {

// In the local time zone; false when the moment cannot be expressed.
bool local_time(int64_t seconds, std::tm* out);
bool utc_time(int64_t seconds, std::tm* out);

}  // namespace zrv::platform
