// SIGTERM and SIGINT end every program through program_end, whatever it is
// doing: the quit callback runs once, the log ends with the shutdown and
// standard output with "exit", and the status is 0.
#include <gtest/gtest.h>

#include "fault_support.hpp"

namespace {

using zrv::fault::Ended;

void expect_orderly_end(const Ended& e) {
  ASSERT_TRUE(e.exited) << "signal " << e.signal << "\n" << e.err;
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out.substr(e.out.size() >= 5 ? e.out.size() - 5 : 0), "exit\n") << e.out;
  EXPECT_EQ(e.out.find("on_quit\n"), e.out.rfind("on_quit\n")) << "quit callback ran twice";
  EXPECT_NE(e.out.find("on_quit\n"), std::string::npos);
  const std::string tail = "zrv is shut down\n";
  ASSERT_GE(e.log.size(), tail.size());
  EXPECT_EQ(e.log.substr(e.log.size() - tail.size()), tail);
}

TEST(Signals, TermEndsARunningHeadlessProgram) {
  zrv::fault::Run run = zrv::fault::start("zrv_fault_game", {"--headless", "mode=run"});
  ASSERT_TRUE(zrv::fault::wait_output(run, "running\n", 5000));
  kill(run.pid, SIGTERM);
  Ended e = zrv::fault::wait_end(run, 3000);
  expect_orderly_end(e);
  EXPECT_LT(e.ms, 500);
}

}  // namespace
