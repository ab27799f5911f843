// Waiting for a socket on Windows. There is no descriptor to watch for a
// termination request: the wait goes in short slices and asks for one
// between them. select, not WSAPoll: a connect that failed shows in the
// exception set, which WSAPoll of older systems does not report.
#include <winsock2.h>

#include "platform/clock.hpp"
#include "platform/platform.hpp"
#include "platform/sockets.hpp"

namespace zrv::platform {

int32_t socket_wait(SocketHandle s, SocketWait what, int32_t time_out_ms) {
  constexpr int32_t kSliceMs = 50;
  const SOCKET handle = static_cast<SOCKET>(s);
  const int64_t end = monotonic_us() + static_cast<int64_t>(time_out_ms) * 1000;
  for (;;) {
    if (quit_signal_pending() != 0) return kSocketWaitQuit;
    int64_t slice_ms = kSliceMs;
    if (time_out_ms >= 0) {
      const int64_t left_ms = (end - monotonic_us() + 999) / 1000;
      slice_ms = left_ms < 0 ? 0 : (left_ms < kSliceMs ? left_ms : kSliceMs);
    }
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(handle, &ready);
    FD_SET(handle, &failed);
    timeval limit{0, static_cast<long>(slice_ms * 1000)};
    const bool readable = what == SocketWait::Readable;
    const int r = ::select(0, readable ? &ready : nullptr, readable ? nullptr : &ready,
                           readable ? nullptr : &failed, &limit);
    if (quit_signal_pending() != 0) return kSocketWaitQuit;
    if (r != 0) return r < 0 ? -1 : r;
    if (time_out_ms >= 0 && monotonic_us() >= end) return 0;
  }
}

}  // namespace zrv::platform
