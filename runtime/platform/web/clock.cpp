// The browser's clock and its waits. performance.now() is the monotonic
// clock; a wait gives the page its turn (Asyncify unwinds the program and
// resumes it from a timer), so the page keeps drawing and taking input.
// A page has no termination signals: the program ends when it returns,
// calls exit or the page goes.
#include "platform/clock.hpp"

#include <emscripten.h>

#include "platform/platform.hpp"

namespace zrv::platform {

int64_t monotonic_us() { return static_cast<int64_t>(emscripten_get_now() * 1000.0); }

void quit_signals_install() {}
int quit_signal_pending() { return 0; }
int quit_signal_fd() { return -1; }
void forked_helpers_arm(bool) {}

bool sleep_interruptible(uint32_t ms) {
  emscripten_sleep(ms);
  return true;
}

}  // namespace zrv::platform
