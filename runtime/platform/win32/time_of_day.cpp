// Calendar time on Windows: the C runtime's thread-safe breakdowns (which
// know no moment before 1970).
#include "platform/time_of_day.hpp"

#include <time.h>

namespace zrv::platform {

bool local_time(int64_t seconds, std::tm* out) {
  const __time64_t moment = seconds;
  return ::_localtime64_s(out, &moment) == 0;
}

bool utc_time(int64_t seconds, std::tm* out) {
  const __time64_t moment = seconds;
  return ::_gmtime64_s(out, &moment) == 0;
}

}  // namespace zrv::platform
