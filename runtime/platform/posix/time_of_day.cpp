// Calendar time on POSIX systems: the thread-safe breakdowns.
#include "platform/time_of_day.hpp"

#include <time.h>

namespace zrv::platform {

bool local_time(int64_t seconds, std::tm* out) {
  const time_t moment = static_cast<time_t>(seconds);
  return ::localtime_r(&moment, out) != nullptr;
}

bool utc_time(int64_t seconds, std::tm* out) {
  const time_t moment = static_cast<time_t>(seconds);
  return ::gmtime_r(&moment, out) != nullptr;
}

}  // namespace zrv::platform
