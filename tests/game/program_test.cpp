// The program itself, headless: loads fail with error 3 without art, the
// game runs the requested frames, ends with "exit" and status 0, and the
// same arguments always give the same trace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "file_io.hpp"
#include "game_driver.hpp"

namespace reedfire_test {
namespace {

using zrv::test::read_file;

struct TempDir {
  std::string path;
  TempDir() {
    char name[] = "/tmp/zrv_reedfireXXXXXX";
    path = mkdtemp(name);
  }
  ~TempDir() {
    for (const char* f : {"/k.txt", "/t1.jsonl", "/t2.jsonl", "/t3.jsonl"})
      unlink((path + f).c_str());
    rmdir(path.c_str());
  }
};

zrv::test::ChildResult run_program(const std::string& dir, const std::vector<std::string>& args) {
  return zrv::test::run_in_child([&] {
    if (chdir(dir.c_str()) != 0) _exit(120);
    std::vector<char*> argv;
    std::string program = REEDFIRE_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(121);
  });
}

std::string program_dir() {
  const std::string program = REEDFIRE_PROGRAM;
  return program.substr(0, program.find_last_of('/'));
}

size_t count_of(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Program, HeadlessRunIsDeterministicAndEndsCleanly) {
  TempDir dir;
  std::string keys = hold(kSpace, 1, 1);
  for (int64_t p = 40; p < 3000; p += 97) keys += hold(kSpace, p, p + 30);
  for (int64_t p = 20; p < 3000; p += 250) keys += hold(kLeft, p, p + 40);
  for (int64_t p = 150; p < 3000; p += 310) keys += hold(kRight, p, p + 70);
  { std::ofstream(dir.path + "/k.txt") << keys; }
  const std::vector<std::string> base = {"--headless", "--seed", "7",     "--frames",
                                         "3000",       "--keys", "k.txt", "--trace"};
  std::vector<std::string> a1 = base, a2 = base;
  a1.push_back("t1.jsonl");
  a2.push_back(dir.path + "/t2.jsonl");
  zrv::test::ChildResult r1 = run_program(dir.path, a1);
  zrv::test::ChildResult r2 = run_program(dir.path, a2);

  // Headless the sounds load into the silent output. A sprite fails with
  // error 3 only when its file is not in Media.
  size_t want_errors = 0;
  for (const char* f : {"background.png", "duck.png", "gun.png", "font.png", "bullet.png",
                        "nodux.png", "lvl.png", "button.png"}) {
    if (access((program_dir() + "/Media/" + f).c_str(), R_OK) != 0) ++want_errors;
  }
  for (const zrv::test::ChildResult* r : {&r1, &r2}) {
    EXPECT_TRUE(r->exited);
    EXPECT_EQ(r->status, 0) << r->out << r->err;
    ASSERT_GE(r->out.size(), 5u);
    EXPECT_EQ(r->out.substr(r->out.size() - 5), "exit\n") << r->out;
    EXPECT_EQ(count_of(r->out, "error: 3\n"), want_errors) << r->out;
    EXPECT_EQ(count_of(r->out, "error: "), want_errors) << r->out;
  }
  const std::string t1 = read_file(dir.path + "/t1.jsonl");
  const std::string t2 = read_file(dir.path + "/t2.jsonl");
  EXPECT_EQ(t1, t2);
  // Five frames were presented by the screen set-up; one line per pass up
  // to the last frame.
  EXPECT_EQ(count_of(t1, "\n"), 2995u);
  EXPECT_EQ(t1.rfind("{\"frame\":5,", 0), 0u);
  EXPECT_NE(t1.find("{\"frame\":2999,"), std::string::npos);
  EXPECT_EQ(t1.find("{\"frame\":3000,"), std::string::npos);
  // The game was played: Space started it in the first pass.
  EXPECT_NE(t1.find("{\"frame\":5,\"score\":0,\"high_score\":0,\"lives\":3,"), std::string::npos);

  // The same run in process gives the same lines.
  GameDriver game(7, keys);
  std::istringstream lines(t1);
  std::string line;
  int64_t checked = 0;
  while (std::getline(lines, line)) {
    // The program writes the line before present_frame counts the frame.
    const int64_t frame = zrv::ctx.frames_presented;
    game.pass();
    ASSERT_EQ(line, trace_line(frame, game.locals)) << "line " << checked;
    ++checked;
  }
  EXPECT_EQ(checked, 2995);
}

TEST(Program, ADifferentSeedGivesADifferentGame) {
  TempDir dir;
  { std::ofstream(dir.path + "/k.txt") << hold(kSpace, 1, 1); }
  zrv::test::ChildResult r1 = run_program(dir.path, {"--headless", "--seed", "7", "--frames", "400",
                                                     "--keys", "k.txt", "--trace", "t1.jsonl"});
  zrv::test::ChildResult r3 = run_program(dir.path, {"--headless", "--seed", "8", "--frames", "400",
                                                     "--keys", "k.txt", "--trace", "t3.jsonl"});
  EXPECT_EQ(r1.status, 0);
  EXPECT_EQ(r3.status, 0);
  const std::string t1 = read_file(dir.path + "/t1.jsonl");
  const std::string t3 = read_file(dir.path + "/t3.jsonl");
  EXPECT_EQ(count_of(t1, "\n"), 395u);
  EXPECT_EQ(count_of(t3, "\n"), 395u);
  EXPECT_NE(t1, t3);
}

}  // namespace
}  // namespace reedfire_test
