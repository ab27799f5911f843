// Process queries: temporary directory, debugger, folders,
// the system's version.
#include <limits.h>
#include <malloc.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/path_names.hpp"
#include "platform/platform.hpp"

namespace zrv::platform {

std::string temp_directory() {
  const char* env = std::getenv("TMPDIR");
  return without_final_slash((env != nullptr && *env != '\0') ? env : "/tmp");
}

bool debugger_attached() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 10, "TracerPid:") == 0) {
      return std::strtol(line.c_str() + 10, nullptr, 10) != 0;
    }
  }
  return false;
}

std::string current_directory() {
  char buf[PATH_MAX + 1];
  if (::getcwd(buf, sizeof buf) == nullptr) return std::string();
  return std::string(buf);
}

bool set_current_directory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

void os_version(int32_t* major, int32_t* minor) {
  *major = 0;
  *minor = 0;
  struct utsname u;
  if (uname(&u) != 0) return;
  int a = 0, b = 0;
  if (std::sscanf(u.release, "%d.%d", &a, &b) >= 1) {
    *major = a;
    *minor = b;
  }
}

uint32_t run_seed() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  // Microseconds of the wall clock, with the process id for two runs
  // started in the same microsecond.
  const uint64_t us = static_cast<uint64_t>(now.tv_sec) * 1000000u + now.tv_nsec / 1000;
  return static_cast<uint32_t>(us ^ (us >> 32)) ^ (static_cast<uint32_t>(::getpid()) << 16);
}

void heap_keep_freed_memory() {
#if defined(__GLIBC__)
  // A software GL driver allocates its vertex stores at every draw, megabytes
  // at a time, and frees them after: by default they come as fresh mappings,
  // or the top of the heap is given back, so that every frame pays for
  // zeroed pages. Kept in the heap, they are reused from frame to frame.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

}  // namespace zrv::platform
