// The monotonic clock and the frame time.
#include "base/clock.hpp"

#include <gtest/gtest.h>

#include "base/context.hpp"

using namespace zrv;

namespace {

TEST(Clock, FirstReadingIsZeroAndTheClockNeverGoesBack) {
  ctx.clock_base = 0;
  timer_init();
  EXPECT_EQ(ctx.perf_available, 1);
  EXPECT_EQ(timer_elapsed_ms(), 0.0);
  double last = 0;
  for (int i = 0; i < 1000; ++i) {
    double now = timer_elapsed_ms();
    ASSERT_GE(now, last);
    last = now;
  }
  sleep_ms(20);
  EXPECT_GE(timer_elapsed_ms(), 19.0);
}

TEST(Clock, FrameTimeIsOneWhenFramesDidNotAdvance) {
  ctx.prev_frame_time = 100;
  ctx.frame_time = 100;
  EXPECT_EQ(timer_frame_ms(), 1.0);
  ctx.frame_time = 90;
  EXPECT_EQ(timer_frame_ms(), 1.0);
  ctx.frame_time = 116.5;
  EXPECT_EQ(timer_frame_ms(), 16.5);
}

}  // namespace
