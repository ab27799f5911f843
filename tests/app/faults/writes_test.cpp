// Writes that fail: each says so once on standard error, the program ends
// normally, and a file that existed before stays whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>

#include "fault_support.hpp"

namespace {

using zrv::fault::Ended;

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

void write_text(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// A disk that takes no file above 1 KiB: writes beyond fail with EFBIG.
void small_disk() {
  signal(SIGXFSZ, SIG_IGN);  // kept across exec: the write fails instead
  rlimit limit{1024, 1024};
  setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(FailedWrites, WriteBacksAndTheScreenshotSayWhyOnceAndKeepTheOldFiles) {
  if (!zrv::fault::have_display()) GTEST_SKIP() << "no X display";
  char name[] = "/tmp/zrv_writesXXXXXX";
  const std::string dir = mkdtemp(name);
  const std::string ini = "[s]\r\nk=old\r\n", lines = "old\r\n", shot = "old picture";
  write_text(dir + "/scores.ini", ini);
  write_text(dir + "/lines.txt", lines);
  write_text(dir + "/shot.bmp", shot);

  zrv::fault::Child run = zrv::fault::start(
      "zrv_fault_game",
      {"mode=writes", "dir=" + dir, "--frames", "5", "--screenshot", dir + "/shot.bmp"}, {},
      small_disk);
  const Ended e = zrv::fault::wait_end(run, 10000);
  ASSERT_TRUE(e.exited) << e.err;
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out.substr(e.out.size() - 5), "exit\n");
  const std::string too_big = "File too large\n";
  EXPECT_EQ(count(e.err, "ini file: cannot write '" + dir + "/scores.ini' back: " + too_big), 1)
      << e.err;
  EXPECT_EQ(count(e.err, "line file: cannot write '" + dir + "/lines.txt' back: " + too_big), 1)
      << e.err;
  EXPECT_EQ(count(e.err, "--screenshot: cannot write '" + dir + "/shot.bmp': " + too_big), 1)
      << e.err;
  EXPECT_EQ(zrv::fault::read_file(dir + "/scores.ini"), ini);
  EXPECT_EQ(zrv::fault::read_file(dir + "/lines.txt"), lines);
  EXPECT_EQ(zrv::fault::read_file(dir + "/shot.bmp"), shot);
  EXPECT_EQ(zrv::fault::shell_output("ls -A " + dir + " | grep -c tmp"), "0");
}

TEST(FailedWrites, TraceToAFullDeviceSaysSoOnceAndTheGamePlaysOn) {
  zrv::fault::Child run = zrv::fault::start(
      ZRV_REEDFIRE, {"--headless", "--seed", "3", "--frames", "200", "--trace", "/dev/full"});
  const Ended e = zrv::fault::wait_end(run, 10000);
  ASSERT_TRUE(e.exited);
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out.substr(e.out.size() - 5), "exit\n");
  // Said once (the headless run's sound loads say their own lines).
  EXPECT_EQ(count(e.err, "--trace: cannot write '/dev/full': No space left on device\n"), 1)
      << e.err;
  EXPECT_EQ(count(e.err, "--trace"), 1) << e.err;
}

// Standard output into a pipe nobody reads any more (a run piped into
// head): the output is lost, the program is not, and its files are written.
TEST(FailedWrites, OutputToAClosedPipeEndsNormally) {
  char name[] = "/tmp/zrv_pipeXXXXXX";
  const std::string dir = mkdtemp(name);
  zrv::fault::Child run = zrv::fault::start(
      "zrv_fault_game", {"--headless", "--frames", "30", "mode=chatty", "dir=" + dir}, {}, [] {
        int ends[2];
        if (pipe(ends) != 0) _exit(122);
        close(ends[0]);
        dup2(ends[1], 1);
      });
  const Ended e = zrv::fault::wait_end(run, 10000);
  ASSERT_TRUE(e.exited) << "signal " << e.signal;
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(zrv::fault::read_file(dir + "/chatty.ini"), "[s]\r\nk=v\r\n");
  EXPECT_NE(e.log.find("zrv is shut down\n"), std::string::npos) << e.log;
}

}  // namespace
