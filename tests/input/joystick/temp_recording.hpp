// A recording of the controllers in a temporary file: opened at frame 0,
// then replayed from frame 0 with the live controllers closed.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "base/context.hpp"
#include "input/joystick.hpp"
#include "input/replay.hpp"

class TempRecording {
 public:
  TempRecording() {
    const int fd = mkstemp(name_);
    if (fd < 0) return;
    close(fd);
    zrv::ctx.frames_presented = 0;
    recording_ = zrv::input_record_open(name_, &why_);
  }
  ~TempRecording() {
    zrv::input_replay_clear();
    zrv::ctx.frames_presented = 0;
    unlink(name_);
  }
  ::testing::AssertionResult recording() const { return result(recording_); }
  // Ends the recording and starts its replay.
  ::testing::AssertionResult replay() {
    zrv::input_record_close(zrv::ctx.frames_presented);
    zrv::joystick_close_all(nullptr);
    zrv::ctx.frames_presented = 0;
    return result(zrv::input_replay_load(name_, &why_));
  }

 private:
  ::testing::AssertionResult result(bool ok) const {
    return ok ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << why_;
  }
  char name_[32] = "/tmp/zrv_joy_replayXXXXXX";
  std::string why_ = "no temporary file";
  bool recording_ = false;
};
