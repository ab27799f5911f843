// The error reporter and the log file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "child_process.hpp"

using namespace zrv;

namespace {

TEST(ErrorReport, PrintsTheCodeInLowerCaseHexAndRecordsIt) {
  auto r = test::run_in_child([] {
    ctx.current_line = 42;
    error_report(20);
    error_report(21);
    error_report(255);
    error_report(0);  // nothing printed, last error kept
    std::printf("%d %d\n", ctx.last_error, ctx.error_line);
  });
  EXPECT_EQ(r.out, "error: 14\nerror: 15\nerror: ff\n255 42\n");
}

TEST(ErrorReport, ZeroLeavesLastErrorUnchanged) {
  ctx.last_error = 0;
  EXPECT_EQ(error_report(0), 0);
  EXPECT_EQ(ctx.last_error, 0);
}

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/zrv_logXXXXXX";
    dir_ = mkdtemp(name);
    const char* old = getenv("TMPDIR");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    setenv("TMPDIR", (dir_ + "/").c_str(), 1);  // trailing slash is not doubled
  }
  void TearDown() override {
    unlink((dir_ + "/ErrorLog.txt").c_str());
    rmdir(dir_.c_str());
    if (had_old_) {
      setenv("TMPDIR", old_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  std::string contents() {
    std::ifstream in(dir_ + "/ErrorLog.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string dir_, old_;
  bool had_old_ = false;
};

TEST_F(LogFile, AppendsExactlyTheGivenBytes) {
  EXPECT_EQ(std::string(log_path().c_str()), dir_ + "/ErrorLog.txt");
  log_write("one\n");
  log_write("");
  log_write(nullptr);
  log_write("two");
  EXPECT_EQ(contents(), "one\nNULLtwo");
}

TEST_F(LogFile, UnwritableDirectoryLosesTheLineSilently) {
  setenv("TMPDIR", "/nonexistent/zrv/dir", 1);
  log_write("lost\n");  // must not crash or throw
  SUCCEED();
  setenv("TMPDIR", dir_.c_str(), 1);
  log_write("kept\n");
  EXPECT_EQ(contents(), "kept\n");
}

}  // namespace
