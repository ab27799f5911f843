// What tests on the X display share: whether there is one, a pause, and the
// frame of a window case that runs in a child process; xdotool runs through
// shell_output (child_process.hpp).
#pragma once

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "child_process.hpp"
#include "platform/platform.hpp"

namespace zrv::test {

// Whether the build's platform has a window system (and the sound output
// and media player that come with it); a headless build has none.
inline bool windowed_platform() {
  return std::string(zrv::platform::platform_name()) != "headless";
}

inline bool have_display() {
  const char* d = std::getenv("DISPLAY");
  return windowed_platform() && d != nullptr && *d != '\0';
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
