// Whole programs on the runtime, run as child processes with their own
// temporary directory: the start-up log, the end sequence, the callbacks
// and the runtime options.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
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
    alarm(60);  // a program that hangs ends by SIGALRM
    execv(path.c_str(), argv.data());
    _exit(121);
  });
  run.log = zrv::test::run_log(run.tmp, program);
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

// The folders of a user's runs below a temporary folder.
std::vector<std::string> run_folders(const std::string& tmp) {
  std::vector<std::string> found;
  const std::string user = tmp + "/zorvane-" + std::to_string(geteuid());
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(user, ec))
    if (e.is_directory()) found.push_back(e.path().string());
  return found;
}

TEST(StartUp, TwoRunsLeaveOnlyTheSecondRunsLog) {
  ProgramRun first = run_program("zrv_empty_game", {"--headless"});
  ASSERT_EQ(run_folders(first.tmp).size(), 1u);
  const std::string first_folder = run_folders(first.tmp)[0];
  std::ofstream(first_folder + "/ErrorLog.txt", std::ios::app) << "stale line\n";
  ProgramRun second = run_program("zrv_empty_game", {"--headless"}, first.tmp);
  EXPECT_EQ(second.log.find("stale line"), std::string::npos);
  EXPECT_EQ(second.log.rfind("Start new log...\n", 0), 0u);
  const std::vector<std::string> left = run_folders(first.tmp);
  ASSERT_EQ(left.size(), 1u) << "the ended run's folder goes";
  EXPECT_NE(left[0], first_folder);
}

// The shared temporary folder is anybody's: what another user planted
// there under the runtime's names is never followed, opened or replaced.
TEST(StartUp, NamesPlantedInTheSharedTemporaryFolderAreLeftAlone) {
  const std::string tmp = make_temp_dir(), mine = make_temp_dir();
  ASSERT_EQ(chmod(tmp.c_str(), 01777), 0);  // sticky, like /tmp
  const std::string victim = mine + "/secret.txt";
  zrv::test::write_file(victim, "secret\n");
  chmod(victim.c_str(), 0600);
  const std::string planted = tmp + "/ErrorLog.txt";
  ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0);
  ProgramRun linked = run_program("zrv_empty_game", {"--headless"}, tmp);
  EXPECT_EQ(read_file(victim), "secret\n");
  EXPECT_EQ(linked.log.rfind("Start new log...\n", 0), 0u);
  // A pipe of that name blocked the start for ever.
  ASSERT_EQ(unlink(planted.c_str()), 0);
  ASSERT_EQ(mkfifo(planted.c_str(), 0666), 0);
  ProgramRun piped = run_program("zrv_empty_game", {"--headless"}, tmp);
  ASSERT_TRUE(piped.result.exited) << "signal " << piped.result.signal;
  EXPECT_EQ(piped.result.out, "exit\n");
  EXPECT_EQ(piped.log.rfind("Start new log...\n", 0), 0u);
  struct stat st;
  ASSERT_EQ(lstat(planted.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  // The user's folder taken by someone else: the run still logs, in a
  // private folder of its own, and puts nothing into the other's folder.
  if (geteuid() != 0) GTEST_SKIP() << "planting a folder of another user needs root";
  const std::string taken = tmp + "/zorvane-0";
  std::filesystem::remove_all(taken);
  ASSERT_EQ(mkdir(taken.c_str(), 0777), 0);
  ASSERT_EQ(chown(taken.c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(taken.c_str(), 0777), 0);
  ProgramRun beside = run_program("zrv_empty_game", {"--headless"}, tmp);
  ASSERT_TRUE(beside.result.exited);
  EXPECT_TRUE(std::filesystem::is_empty(taken));
  bool logged = false;
  for (const auto& e : std::filesystem::directory_iterator(tmp)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("zorvane-0-zrv_empty_game-", 0) != 0) continue;
    ASSERT_EQ(lstat(e.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    logged = read_file(e.path().string() + "/ErrorLog.txt").rfind("Start new log...\n", 0) == 0;
  }
  EXPECT_TRUE(logged);
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

TEST(StartUp, KeysByNameWorkAndABadKeysLineEndsBeforeStartUp) {
  std::string tmp = make_temp_dir();
  std::string keys = tmp + "/keys.txt";
  std::ofstream(keys) << "# quit\n2 Escape 1\n";
  ProgramRun r =
      run_program("zrv_callbacks_game", {"--headless", "--keys", keys, "mode=frames"}, tmp);
  EXPECT_EQ(r.result.status, 0);
  EXPECT_EQ(r.result.out, "frame 0\nframe 1\nframe 2\non_quit\non_quit returned\nexit\n");

  std::ofstream(keys) << "0 Space 1\n1 Spcae 0\n";
  r = run_program("zrv_empty_game", {"--headless", "--keys", keys});
  ASSERT_TRUE(r.result.exited);
  EXPECT_EQ(r.result.status, 2);
  EXPECT_EQ(r.result.out, "");
  EXPECT_EQ(r.result.err.rfind("--keys: '" + keys + "' line 2: ", 0), 0u) << r.result.err;
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
  EXPECT_EQ(r.result.status, 1) << "a fatal error";
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
