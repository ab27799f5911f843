// The program file of the running process, as the kernel names it.
#include <limits.h>
#include <unistd.h>

#include "platform/platform.hpp"

namespace zrv::platform {

std::string program_path() {
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return std::string();
  buf[n] = '\0';
  return std::string(buf);
}

}  // namespace zrv::platform
