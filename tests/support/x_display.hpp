// What tests on the X display share: whether there is one, the output of a
// shell command (xdotool and friends), a pause, and the frame of a window
// case that runs in a child process.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace zrv::test {

inline bool have_display() {
  const char* d = std::getenv("DISPLAY");
  return d != nullptr && *d != '\0';
}

// Output of a shell command, without the final line feeds.
inline std::string shell_output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

inline void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace zrv::test

// A window case: skipped without a display, run in a child process (see
// child_process.hpp) that ends with status 3 when no window could be made.
#define RUN_WINDOW_CASE(result, body)                                  \
  if (!zrv::test::have_display()) GTEST_SKIP() << "no X display";      \
  zrv::test::ChildResult result = zrv::test::run_in_child(body);       \
  ASSERT_TRUE(result.exited) << result.err;                            \
  if (result.status == 3) GTEST_SKIP() << "no window: " << result.err; \
  ASSERT_EQ(result.status, 0) << result.err
