// Whole programs on the runtime, run as child processes with their own
// temporary directory: the start-up log, the end sequence, the callbacks
// and the runtime options.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "file_io.hpp"

namespace {

using zrv::test::read_file;

struct ProgramRun {
  zrv::test::ChildResult result;
  std::string log;
  std::string tmp;
};

std::string make_temp_dir() {
  char name[] = "/tmp/zrv_lifeXXXXXX";
  return mkdtemp(name);
}

// Runs a program of this folder with the given arguments, from the working
// directory "/", with TMPDIR pointing at a fresh directory (or `tmp`).
ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       std::string tmp = std::string()) {
  ProgramRun run;
  run.tmp = tmp.empty() ? make_temp_dir() : tmp;
  std::string path = std::string(ZRV_PROGRAM_DIR) + "/" + program;
  run.result = zrv::test::run_in_child([&] {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    setenv("TMPDIR", run.tmp.c_str(), 1);
    if (chdir("/") != 0) _exit(120);
    execv(path.c_str(), argv.data());
    _exit(121);
  });
  run.log = read_file(run.tmp + "/ErrorLog.txt");
  return run;
}

std::string program_dir() { return ZRV_PROGRAM_DIR; }

TEST(StartUp, HeadlessEmptyGameLogsEveryStepInOrderAndEndsCleanly) {
  ProgramRun r = run_program("zrv_empty_game", {"--headless"});
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.status, 0);
  EXPECT_EQ(r.result.out, "exit\n");
  const std::string expected =
      "Start new log...\ntimer\nvreo\nvreo init\nCptn\nNetwork\nInput\nWindow mode\n"
      "Create DXin\nreptr\ngetexe\ncd\nexepath=curdir= " +
      program_dir() +
      "\ntuckboxing...\ninit gettimer\nclear screen\nflip\nmk2D\nfinding font...\n"
      "Delay load DLLs\nInit Finalized\nShut down ZRV\nzrv is shut down\n";
  EXPECT_EQ(r.log, expected);
}

TEST(StartUp, TwoRunsLeaveOnlyTheSecondRunsLog) {
  ProgramRun first = run_program("zrv_empty_game", {"--headless"});
  std::ofstream(first.tmp + "/ErrorLog.txt", std::ios::app) << "stale line\n";
  ProgramRun second = run_program("zrv_empty_game", {"--headless"}, first.tmp);
  EXPECT_EQ(second.log.find("stale line"), std::string::npos);
  EXPECT_EQ(second.log.rfind("Start new log...\n", 0), 0u);
}

TEST(StartUp, DirectoryNamedLikeTheLogIsReplacedByTheLogFile) {
  std::string tmp = make_temp_dir();
  ASSERT_EQ(mkdir((tmp + "/ErrorLog.txt").c_str(), 0755), 0);
  ProgramRun r = run_program("zrv_empty_game", {"--headless"}, tmp);
  struct stat st;
  ASSERT_EQ(stat((tmp + "/ErrorLog.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(r.log.rfind("Start new log...\n", 0), 0u);
}

TEST(StartUp, HelpPrintsTheOptionsAndStopsBeforeStartUp) {
  ProgramRun r = run_program("zrv_empty_game", {"--help"});
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.status, 0);
  EXPECT_NE(r.result.out.find("--headless"), std::string::npos);
  EXPECT_NE(r.result.out.find("--keys FILE"), std::string::npos);
  EXPECT_TRUE(r.log.empty());
}

TEST(StartUp, BadOptionValueIsRefusedWithoutStarting) {
  ProgramRun r = run_program("zrv_empty_game", {"--headless", "--frames", "zero"});
  ASSERT_TRUE(r.result.exited);
  EXPECT_NE(r.result.status, 0);
  EXPECT_NE(r.result.err.find("--frames"), std::string::npos);
  EXPECT_TRUE(r.log.empty());
}

TEST(EndSequence, QuitCallbackRunsOnceAndReentryReturns) {
  ProgramRun r = run_program("zrv_callbacks_game", {"--headless", "mode=error"});
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.status, 0);
  // error 20 prints in hex, error 0 prints nothing and keeps last_error.
  EXPECT_EQ(r.result.out, "error: 14\nlast=20\non_quit\non_quit returned\nexit\n");
  EXPECT_NE(r.log.find("Init Finalized\nShut down ZRV\nzrv is shut down\n"), std::string::npos);
}

TEST(EndSequence, FailedAssertionReportsErrorTwentyOne) {
  ProgramRun r = run_program("zrv_callbacks_game", {"--headless", "mode=assert"});
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.status, 0);
  EXPECT_EQ(r.result.out, "error: 15\non_quit\non_quit returned\nexit\n");
}

TEST(EndSequence, DebugModeLogsTheEndPosition) {
  ProgramRun r = run_program("zrv_callbacks_game", {"--headless", "mode=debug"});
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.out, "error: 9\non_quit\non_quit returned\nexit\n");
  // last error, error line - 1, current line, current module
  EXPECT_NE(r.log.find("Init Finalized\n-End On Line\n9\n16\n17\n2\nShut down ZRV\n"),
            std::string::npos)
      << r.log;
}

TEST(Options, FramesEndsAfterTheNthPresentedFrame) {
  ProgramRun r = run_program("zrv_callbacks_game", {"--headless", "--frames", "3", "mode=frames"});
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.status, 0);
  EXPECT_EQ(r.result.out, "frame 0\nframe 1\nframe 2\non_quit\non_quit returned\nexit\n");
}

TEST(Options, SeedMakesTheRandomSequenceRepeatable) {
  ProgramRun a = run_program("zrv_callbacks_game", {"--headless", "--seed", "1234", "mode=seed"});
  ProgramRun b = run_program("zrv_callbacks_game", {"--headless", "--seed", "1234", "mode=seed"});
  ProgramRun c = run_program("zrv_callbacks_game", {"--headless", "--seed", "1235", "mode=seed"});
  ASSERT_EQ(a.result.out.rfind("draw ", 0), 0u) << a.result.out;
  EXPECT_EQ(a.result.out, b.result.out);
  EXPECT_NE(a.result.out, c.result.out);
}

std::string write_keys(const std::string& dir, const std::string& text) {
  std::string path = dir + "/keys.txt";
  std::ofstream(path) << text;
  return path;
}

TEST(QuitKeys, EscapeEndsTheProgramAtTheNextFrame) {
  std::string tmp = make_temp_dir();
  std::string keys = write_keys(tmp, "2 1 1\n");
  ProgramRun r =
      run_program("zrv_callbacks_game", {"--headless", "--keys", keys, "mode=frames"}, tmp);
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.status, 0);
  EXPECT_EQ(r.result.out, "frame 0\nframe 1\nframe 2\non_quit\non_quit returned\nexit\n");
}

TEST(QuitKeys, EscapeDoesNothingWhenSwitchedOffButAltF4Quits) {
  std::string tmp = make_temp_dir();
  std::string keys = write_keys(tmp, "1 1 1\n3 56 1\n4 62 1\n");
  ProgramRun r = run_program("zrv_callbacks_game",
                             {"--headless", "--keys", keys, "mode=frames", "noescape"}, tmp);
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.status, 0);
  EXPECT_EQ(r.result.out,
            "frame 0\nframe 1\nframe 2\nframe 3\nframe 4\non_quit\non_quit returned\nexit\n");
}

TEST(LoopFunction, MainReturningRunsTheLoopFunctionWithSwitches) {
  ProgramRun r = run_program("zrv_loop_game", {"--headless"});
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.status, 0);
  // loop_a switched to itself at its 2nd call without a break, to loop_b at
  // its 4th; loop_b ended the runner at its 3rd call.
  EXPECT_EQ(r.result.out, "main returns\na=4 b=3\nexit\n");
}

}  // namespace
