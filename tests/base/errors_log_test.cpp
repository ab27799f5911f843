// The error reporter and the log file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "child_process.hpp"
#include "file_io.hpp"

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

// The reason in words belongs to the error it was said with.
TEST(ErrorReport, TheLastErrorsReasonInWords) {
  auto r = test::run_in_child([] {
    error_say(3, "sprite_load: '%s': no such file", "x.png");
    std::printf("[%s]", runtime_error_reason().c_str());
    error_report(9);  // an error without words
    std::printf("[%s]", runtime_error_reason().c_str());
    error_say(7, "sound_play: slot %d out of range 0..4095", 5000);
    ctx.last_error = 0;  // a command that starts clears it
    std::printf("[%s]\n", runtime_error_reason().c_str());
    std::fflush(stdout);
    std::_Exit(0);
  });
  EXPECT_EQ(r.out, "error: 3\n[sprite_load: 'x.png': no such file]error: 9\n[]error: 7\n[]\n");
}

TEST(Console, AnRtStringGoesOutWholeZeroBytesToo) {
  auto r = test::run_in_child([] {
    RtString text("a-b\n");
    text.data[1] = 0;
    console_print(text);
    console_print_error(RtString("e\n"));
  });
  EXPECT_EQ(r.out, std::string("a\0b\n", 4));
  EXPECT_EQ(r.err, "e\n");
}

TEST(ErrorReport, ZeroLeavesLastErrorUnchanged) {
  ctx.last_error = 0;
  EXPECT_EQ(error_report(0), 0);
  EXPECT_EQ(ctx.last_error, 0);
}

// The log is made once per process: each case runs in a child of its own
// with TMPDIR pointing at a scratch folder.
std::string scratch() {
  char name[] = "/tmp/zrv_logXXXXXX";
  return mkdtemp(name);
}

TEST(LogFile, AppendsExactlyTheGivenBytesToAPrivateFileOfTheRun) {
  const std::string tmp = scratch();
  auto r = test::run_in_child([&] {
    setenv("TMPDIR", (tmp + "/").c_str(), 1);  // a trailing slash is not doubled
    log_write("one\n");
    log_write("");
    log_write(nullptr);
    log_write("two");
    std::printf("%s", log_path().c_str());
    std::exit(0);
  });
  ASSERT_TRUE(r.exited);
  const std::string user = tmp + "/zorvane-" + std::to_string(geteuid());
  ASSERT_EQ(r.out.rfind(user + "/", 0), 0u) << r.out;
  EXPECT_EQ(test::read_file(r.out), "one\nNULLtwo");
  struct stat folder, file;
  ASSERT_EQ(lstat(user.c_str(), &folder), 0);
  EXPECT_TRUE(S_ISDIR(folder.st_mode));
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  ASSERT_EQ(lstat(r.out.c_str(), &file), 0);
  EXPECT_EQ(file.st_mode & 0077, 0u) << "nobody else may read the log";
  std::filesystem::remove_all(tmp);
}

TEST(LogFile, UnwritableDirectoryLosesTheLinesAndNothingElse) {
  auto r = test::run_in_child([] {
    setenv("TMPDIR", "/nonexistent/zrv/dir", 1);
    log_write("lost\n");  // must not crash or throw
    std::printf("[%s]", log_path().c_str());
    std::exit(0);
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.out, "[]");
}

}  // namespace
