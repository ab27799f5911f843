// The game's functions by name.
#include "base/callbacks.hpp"

#include <gtest/gtest.h>

#include <string>

#include "base/context.hpp"

using namespace zrv;

namespace {

std::string trace;
void quit_fn() { trace += "quit;"; }
void pause_fn() { trace += "pause;"; }
void other_fn() { trace += "other;"; }

const UserFunction table[] = {{&quit_fn, "ZRV_ON_QUIT"},
                              {&pause_fn, "ZRV_ON_PAUSE"},
                              {&other_fn, "ZRV_ON_PAUSE"},  // later duplicate never wins
                              {nullptr, "after_end"},
                              {&other_fn, "hidden"}};

class Callbacks : public ::testing::Test {
 protected:
  void SetUp() override {
    trace.clear();
    saved_ = ctx.user_functions;
    ctx.user_functions = table;
  }
  void TearDown() override { ctx.user_functions = saved_; }
  const UserFunction* saved_ = nullptr;
};

TEST_F(Callbacks, FindsByExactBytesAndStopsAtTheEndOfTheTable) {
  EXPECT_EQ(user_function_find(RtString("ZRV_ON_QUIT")), &quit_fn);
  EXPECT_EQ(user_function_find(RtString("ZRV_ON_PAUSE")), &pause_fn);
  EXPECT_EQ(user_function_find(RtString("zrv_on_quit")), nullptr);
  EXPECT_EQ(user_function_find(RtString("ZRV_ON_QUI")), nullptr);
  EXPECT_EQ(user_function_find(RtString("ZRV_ON_QUITX")), nullptr);
  EXPECT_EQ(user_function_find(RtString("hidden")), nullptr);
  EXPECT_EQ(user_function_find(RtString("")), nullptr);
}

TEST_F(Callbacks, EmbeddedZeroByteMakesTheNameDifferent) {
  RtString name("ZRV_ON_QUIT");
  name.append_char('\0');
  EXPECT_EQ(user_function_find(name), nullptr);
}

TEST_F(Callbacks, CallReportsWhetherAFunctionRan) {
  EXPECT_EQ(user_function_call(RtString("ZRV_ON_PAUSE")), 1);
  EXPECT_EQ(user_function_call(RtString("ZRV_ON_RESUME")), 0);
  EXPECT_EQ(user_function_call(RtString("ZRV_WIN32_MSG")), 0);
  EXPECT_EQ(trace, "pause;");
}

TEST_F(Callbacks, NoTableFindsNothing) {
  ctx.user_functions = nullptr;
  EXPECT_EQ(user_function_find(RtString("ZRV_ON_QUIT")), nullptr);
  EXPECT_EQ(user_function_call(RtString("ZRV_ON_QUIT")), 0);
}

// Loop functions for the runner tests.
int calls_one = 0, calls_two = 0;
void loop_one() {
  ++calls_one;
  if (calls_one == 3) loop_function_run(RtString("loop_two"));
}
void loop_two() {
  ++calls_two;
  if (calls_two == 2) loop_function_run(RtString("missing"));
}
const UserFunction loops[] = {{&loop_one, "loop_one"}, {&loop_two, "loop_two"}, {nullptr, nullptr}};

TEST_F(Callbacks, LoopRunnerSwitchesByNameAndStopsAtAnUnknownName) {
  ctx.user_functions = loops;
  calls_one = calls_two = 0;
  loop_function_run(RtString("loop_one"));
  EXPECT_EQ(calls_one, 3);
  EXPECT_EQ(calls_two, 2);
  // The runner is free again: a new run starts instead of switching.
  EXPECT_TRUE(ctx.loop_function.empty());
  calls_one = 0;
  calls_two = 0;
  loop_function_run(RtString("loop_one"));
  EXPECT_EQ(calls_one, 3);
}

TEST_F(Callbacks, UnknownLoopFunctionReturnsAtOnce) {
  ctx.user_functions = loops;
  loop_function_run(RtString("nothing_here"));
  EXPECT_TRUE(ctx.loop_function.empty());
}

}  // namespace
