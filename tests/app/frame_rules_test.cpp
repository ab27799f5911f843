// Pacing arithmetic, pause and resume of the frame loop.
#include <gtest/gtest.h>

#include <string>

#include "app/frame.hpp"
#include "base/callbacks.hpp"
#include "base/context.hpp"
#include "gfx/renderer.hpp"

using namespace zrv;

namespace {

TEST(Pacing, FrameIntervalRule) {
  EXPECT_DOUBLE_EQ(frame_interval_for(60), 1000.0 / 60);
  EXPECT_DOUBLE_EQ(frame_interval_for(60.9), 1000.0 / 60);
  EXPECT_EQ(frame_interval_for(0), 2.0);
  EXPECT_EQ(frame_interval_for(-30), 2.0);
  EXPECT_EQ(frame_interval_for(0.5), 2.0);
  OpenGLVireo r;
  OpenGLVireo* saved = ctx.renderer;
  ctx.renderer = &r;
  frame_rate_set(0, 0);
  EXPECT_EQ(r.frame_interval, 2.0);
  frame_rate_set(30, 1);
  EXPECT_DOUBLE_EQ(r.frame_interval, 1000.0 / 30);
  ctx.renderer = saved;
}

TEST(Pacing, LateFramesCatchUpByOneIntervalAtMost) {
  OpenGLVireo r;
  const double iv = 1000.0 / 60;
  r.frame_interval = iv;

  r.frame_due = 1000;
  renderer_due_advance(&r, 1000.5);  // on time
  EXPECT_DOUBLE_EQ(r.frame_due, 1000 + iv);

  r.frame_due = 1000;
  renderer_due_advance(&r, 1000 + iv);  // exactly one interval late still counts as on time
  EXPECT_DOUBLE_EQ(r.frame_due, 1000 + iv);

  r.frame_due = 1000;
  renderer_due_advance(&r, 1020);  // 20 ms late: skips one slot
  EXPECT_DOUBLE_EQ(r.frame_due, 1000 + 2 * iv);

  r.frame_due = 1000;
  renderer_due_advance(&r, 1040);  // more than two intervals late: restart from now
  EXPECT_DOUBLE_EQ(r.frame_due, 1040 + iv);
}

std::string events;
void on_pause() { events += "pause;"; }
void on_resume() { events += "resume;"; }
const UserFunction pause_table[] = {
    {&on_pause, "ZRV_ON_PAUSE"}, {&on_resume, "ZRV_ON_RESUME"}, {nullptr, nullptr}};

class PauseResume : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    saved_ = ctx.user_functions;
    ctx.user_functions = pause_table;
    ctx.paused = 0;
    ctx.autopause = 1;
  }
  void TearDown() override {
    ctx.user_functions = saved_;
    ctx.paused = 0;
    ctx.autopause = 1;
  }
  const UserFunction* saved_ = nullptr;
};

TEST_F(PauseResume, DeactivationPausesOnceAndActivationResumes) {
  app_activation_changed(1);
  EXPECT_EQ(ctx.paused, 1);
  app_activation_changed(1);  // no change, no second call
  app_activation_changed(0);
  EXPECT_EQ(ctx.paused, 0);
  EXPECT_EQ(events, "pause;resume;");
}

TEST_F(PauseResume, WithoutAutoPauseDeactivationChangesNothing) {
  app_set_autopause(0);
  app_activation_changed(1);
  EXPECT_EQ(ctx.paused, 0);
  EXPECT_EQ(events, "");
}

TEST_F(PauseResume, TurningAutoPauseOffWhilePausedResumes) {
  app_activation_changed(1);
  app_set_autopause(0);
  EXPECT_EQ(ctx.paused, 0);
  EXPECT_EQ(ctx.autopause, 0);
  EXPECT_EQ(events, "pause;resume;");
  app_set_autopause(7);
  EXPECT_EQ(ctx.autopause, 1);
}

TEST(QuitKeys, EscapeQuitsFlagIsNormalised) {
  app_set_escape_quits(5);
  EXPECT_EQ(ctx.escape_quits, 1);
  app_set_escape_quits(0);
  EXPECT_EQ(ctx.escape_quits, 0);
  app_set_escape_quits(1);
}

}  // namespace
