// Real keys through the window: reedfire runs on the test's X display and
// gets key presses from xdotool; its trace shows the game start, the gun
// move and the shot, and Escape ends it cleanly. Alt+F4 ends a program even
// with Escape quitting switched off.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "x_session.hpp"

namespace {

using zrv::test::Program;

using Scratch = zrv::test::ScratchDir;  // every run in a folder of its own

// Trace lines so far.
std::vector<std::string> trace_lines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text = zrv::test::read_file(path);
  size_t at = 0;
  for (size_t nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
    lines.push_back(text.substr(at, nl - at));
  return lines;
}

bool any_line_has(const std::vector<std::string>& lines, const std::string& what) {
  for (const std::string& l : lines)
    if (l.find(what) != std::string::npos) return true;
  return false;
}

TEST(RealKeys, SpaceStartsAndFiresArrowsMoveTheGunEscapeEnds) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  Scratch dir;
  const std::string trace = dir.path() + "/trace.jsonl";
  // --frames only guards against a run that never ends.
  Program game(ZRV_BINARY_DIR "/game/reedfire",
               {"--seed", "1", "--frames", "3600", "--trace", trace}, dir.path(),
               zrv::test::quiet_environment(dir.path()));
  ASSERT_FALSE(Program::focus_window("reedfire").empty()) << game.err();
  // The main loop runs.
  for (int i = 0; i < 100 && trace_lines(trace).empty(); ++i) zrv::test::pause_ms(50);
  ASSERT_FALSE(trace_lines(trace).empty());
  EXPECT_FALSE(any_line_has(trace_lines(trace), "\"lives\":3"));  // not started yet

  zrv::test::hold_key("space", 150);
  zrv::test::pause_ms(300);
  std::vector<std::string> lines = trace_lines(trace);
  EXPECT_TRUE(any_line_has(lines, "\"lives\":3")) << "Space did not start the game";
  EXPECT_TRUE(any_line_has(lines, "\"bullet_active\":1")) << "Space did not fire";
  EXPECT_TRUE(any_line_has(lines, "\"guns\":[[398,350]]"));
  EXPECT_FALSE(any_line_has(lines, "\"guns\":[[348,350]]"));

  zrv::test::hold_key("Left", 150);
  zrv::test::pause_ms(300);
  lines = trace_lines(trace);
  EXPECT_TRUE(any_line_has(lines, "\"guns\":[[348,350]]")) << "Left did not move the gun";
  ASSERT_TRUE(game.running());

  zrv::test::hold_key("Escape", 150);
  ASSERT_TRUE(game.wait_end(5000)) << "Escape did not end the program";
  EXPECT_TRUE(game.exited());
  EXPECT_EQ(game.status(), 0);
  const std::string out = game.out();
  ASSERT_GE(out.size(), 5u);
  EXPECT_EQ(out.substr(out.size() - 5), "exit\n");
}

TEST(RealKeys, AltF4EndsAProgramWhoseEscapeQuittingIsOff) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  Scratch dir;
  Program program(ZRV_BINARY_DIR "/tests/app/lifecycle/zrv_callbacks_game",
                  {"mode=frames", "noescape"}, dir.path(),
                  zrv::test::quiet_environment(dir.path()));
  ASSERT_FALSE(Program::focus_window("callbacks").empty()) << program.err();
  zrv::test::pause_ms(300);
  zrv::test::hold_key("Escape", 150);
  zrv::test::pause_ms(300);
  ASSERT_TRUE(program.running()) << "Escape ended the program although switched off";
  zrv::test::hold_key("alt F4", 150);
  ASSERT_TRUE(program.wait_end(5000)) << "Alt+F4 did not end the program";
  EXPECT_TRUE(program.exited());
  EXPECT_EQ(program.status(), 0);
  const std::string out = program.out();
  EXPECT_NE(out.find("frame 1\n"), std::string::npos);
  EXPECT_NE(out.find("on_quit\non_quit returned\nexit\n"), std::string::npos) << out;
}

}  // namespace
