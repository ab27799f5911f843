// The runtime's log for a fuzz harness whose code under test writes to it
// (decoder warnings): a folder of this run's own, so that the log never
// lands in the shared temporary folder. drop_private_log after each input
// keeps it from growing without bound.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "base/errors.hpp"

namespace fuzz {

inline const std::string& private_log() {
  static const std::string path = [] {
    static char dir[] = "/tmp/zrv_fuzz_logXXXXXX";
    if (mkdtemp(dir) == nullptr) return std::string();
    setenv("TMPDIR", dir, 1);
    std::atexit([] {
      unlink(zrv::log_path().c_str());
      rmdir(dir);
    });
    return std::string(zrv::log_path().c_str());
  }();
  return path;
}

inline void drop_private_log() {
  if (!private_log().empty()) unlink(private_log().c_str());
}

}  // namespace fuzz
