// What the check programs print: one line per check, "ok  " or "FAIL",
// what was checked and what was seen; the count of failures is their
// status.
#pragma once

#include <cstdio>
#include <string>

namespace zrv::check {

inline int g_failures = 0;

inline void check(bool ok, const char* what, const std::string& seen = "") {
  if (!ok) ++g_failures;
  std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what, seen.empty() ? "" : ": ", seen.c_str());
  std::fflush(stdout);
}

template <class... Args>
std::string text(const char* format, Args... args) {
  char line[256];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

}  // namespace zrv::check
