// A read or write repeated until every byte has moved, as the file calls of
// every platform need it.
#pragma once

#include <cerrno>
#include <cstdint>

namespace zrv::platform {

// step(done, left) moves up to `left` bytes at offset `done` and returns
// how many it moved, 0 at the end, or -1 with errno set; an interrupted
// step is tried again. Returns the bytes moved (fewer at the end), or -1.
template <class Step>
int64_t whole_transfer(int64_t count, Step step) {
  int64_t done = 0;
  while (done < count) {
    const int64_t n = step(done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace zrv::platform
