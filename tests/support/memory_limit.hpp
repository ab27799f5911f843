// Runs a body in a child process whose address space may grow by only a
// given amount, so that an allocation a size in a file asked for shows as a
// failure instead of passing unnoticed. Sanitizer builds reserve terabytes
// of shadow memory and cannot run under such a limit: there it says so.
#pragma once

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "child_process.hpp"

namespace zrv::test {

constexpr bool kSanitizedBuild =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

// Why a child's address space cannot be limited in this build, or nullptr.
inline const char* memory_limit_missing() {
#ifdef _WIN32
  return "Windows has no address-space limit for one process";
#else
  return kSanitizedBuild ? "no address-space limit under the sanitizers" : nullptr;
#endif
}

// The body's result (0 or 1) as the child's status; a failed allocation
// that is not handled ends the child by a signal or another status.
inline ChildResult run_with_memory_room(uint64_t room_bytes, const std::function<bool()>& body) {
  return run_in_child([&] {
    std::ifstream status("/proc/self/status");
    std::string line;
    uint64_t used_kb = 0;
    while (std::getline(status, line))
      if (line.rfind("VmSize:", 0) == 0) used_kb = std::strtoull(line.c_str() + 7, nullptr, 10);
#ifndef _WIN32
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = used_kb * 1024 + room_bytes;
    setrlimit(RLIMIT_AS, &limit);
#else
    (void)used_kb;
    (void)room_bytes;
#endif
    const bool ok = body();
    std::fflush(stdout);
    std::_Exit(ok ? 0 : 1);
  });
}

}  // namespace zrv::test
