// Start-up and end off the usual path: no window system, the end statement
// inside the shutdown, settings of 0, the options' end mark, and a video
// started while a pointer button is held.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <functional>
#include <set>
#include <string>

#include "fault_support.hpp"
#include "media_files.hpp"
#include "x_session.hpp"

namespace {

using zrv::fault::Child;
using zrv::fault::Ended;

using zrv::fault::have_display;

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

Ended run_to_end(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                 int time_out_ms = 10000) {
  Child run = zrv::fault::start("zrv_fault_game", args, env);
  return zrv::fault::wait_end(run, time_out_ms);
}

TEST(NoWindowSystem, SaysWhyOnOneLineAndEndsInOrder) {
  // A window system that does not exist, an X server that is not there,
  // and no display at all (where SDL would fall back to drawing nowhere).
  const std::vector<std::vector<std::string>> envs = {
      {"SDL_VIDEODRIVER=nosuchdriver"}, {"SDL_VIDEODRIVER=x11", "DISPLAY=:9999"}, {"no display"}};
  for (const std::vector<std::string>& env : envs) {
    const bool none = env[0] == "no display";
    Child run = zrv::fault::start(
        "zrv_fault_game", {"mode=run"}, none ? std::vector<std::string>{} : env, [none] {
          if (!none) return;
          for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) unsetenv(name);
        });
    const Ended e = zrv::fault::wait_end(run, 5000);
    ASSERT_TRUE(e.exited) << env[0] << ": still running, or signal " << e.signal;
    EXPECT_EQ(e.status, 0) << env[0];
    EXPECT_EQ(e.out, "on_quit\nexit\n") << env[0];
    // One line, with the window system's own reason after the colon.
    ASSERT_TRUE(e.err.rfind("no window: ", 0) == 0) << env[0] << ": " << e.err;
    const std::string line = e.err.substr(0, e.err.find('\n'));
    EXPECT_EQ(e.err.find("no window", 1), std::string::npos) << e.err;
    EXPECT_GT(line.find(" (--headless"), std::string("no window: ").size()) << e.err;
    EXPECT_TRUE(ends_with(e.log, "vreo init\nShut down ZRV\nzrv is shut down\n")) << e.log;
  }
}

TEST(EndStatement, InsideTheQuitCallbackReturnsIntoTheShutdown) {
  const Ended e = run_to_end({"--headless", "mode=end", "quit=end"});
  ASSERT_TRUE(e.exited);
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out, "ready\non_quit\nend returned\nexit\n");
  EXPECT_TRUE(ends_with(e.log, "Shut down ZRV\nzrv is shut down\n")) << e.log;
}

TEST(Waits, ThatNothingCouldEverEndReturnAtOnceWithoutAWindowSystem) {
  for (const char* mode : {"mode=key_wait", "mode=mouse_wait"}) {
    const Ended e = run_to_end({"--headless", mode}, {}, 3000);
    ASSERT_TRUE(e.exited) << mode << " never returned";
    EXPECT_EQ(e.out, "ready\non_quit\nexit\n") << mode;
  }
}

TEST(Seed, DiffersFromRunToRunUnlessGiven) {
  std::set<std::string> draws, seeded;
  for (int i = 0; i < 5; ++i) {
    draws.insert(run_to_end({"--headless", "mode=seed"}).out);
    seeded.insert(run_to_end({"--headless", "--seed", "7", "mode=seed"}).out);
  }
  EXPECT_EQ(draws.size(), 5u);
  EXPECT_EQ(seeded.size(), 1u);
}

TEST(Settings, ZeroOrLessGiveTheDefaultsWithALogLine) {
  if (!have_display()) GTEST_SKIP() << "no X display";
  const Ended e = run_to_end({"mode=mouse", "zero"});
  ASSERT_TRUE(e.exited);
  EXPECT_NE(e.out.find("window 640x480 "), std::string::npos) << e.out << e.err;
  for (const char* line : {"screen_width 0 replaced by 640\n", "screen_height -5 replaced by 480\n",
                           "frame_rate 0 replaced by 60\n"}) {
    EXPECT_NE(e.log.find(line), std::string::npos) << line;
  }
}

TEST(Options, DoubleDashEndsTheRuntimesOptionsAndDashHHelps) {
  const Ended bad = run_to_end({"--headless", "mode=end", "--frames", "abc"});
  EXPECT_EQ(bad.status, 2);
  const Ended game_args = run_to_end({"--headless", "mode=end", "--", "--frames", "abc", "-h"});
  EXPECT_EQ(game_args.status, 0);
  EXPECT_EQ(game_args.out, "ready\non_quit\nexit\n");
  const Ended help = run_to_end({"-h"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--headless"), std::string::npos);
}

// In pointer mode the buttons change only through the message pump: a
// button held when a video starts is released while video_play waits.
TEST(Video, HeldPointerButtonIsSeenReleasedAndTheClipPlays) {
  if (!have_display()) GTEST_SKIP() << "no X display";
  const std::string dir = media_test::make_temp_dir("zrv_fault_clip");
  const std::string clip = media_test::write_clip(dir, "short.y4m", 5, 5);  // 1 s
  Child run =
      zrv::fault::start("zrv_fault_game", {"mode=video", "pointer", "held", "clip=" + clip});
  const std::string id = zrv::fault::shell_output(
      "timeout 10 xdotool search --sync --onlyvisible --name '^faults$' | head -1");
  ASSERT_FALSE(id.empty());
  zrv::fault::shell_output("xdotool windowfocus --sync " + id + " mousemove --window " + id +
                           " 50 50 mousedown 1");
  const bool pressed = zrv::fault::wait_output(run, "ready\n", 5000);
  usleep(300 * 1000);
  zrv::fault::shell_output("xdotool mouseup 1");
  const Ended e = zrv::fault::wait_end(run, 8000);
  ASSERT_TRUE(pressed) << e.out << e.err;
  ASSERT_TRUE(e.exited) << "video_play never saw the release";
  EXPECT_NE(e.out.find("ready\nvideo 0\n"), std::string::npos) << e.out;
}

}  // namespace

namespace {

// The software-OpenGL warning of an interactive windowed run, on a display
// of the test's own: a termination request closes the box and the program
// ends in order; a killed program takes the box with it.
TEST(SoftwareDriverBox, ClosesOnATerminationRequestAndGoesWithTheProgram) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  const auto box_shown = [] {
    return zrv::test::shell_output(
               "xwininfo -root -tree 2>/dev/null | grep -c '\"No OpenGL Hardware Drivers\"'") !=
           "0";
  };
  const auto wait_for = [](const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms && !done(); waited += 50) zrv::test::pause_ms(50);
    return done();
  };
  for (const int signo : {SIGTERM, SIGKILL}) {
    Child run = zrv::fault::start("zrv_fault_game", {"mode=run"}, {}, [] {
      // An interactive desktop run: nothing says the box must stay away.
      for (const char* name : {"ZRV_NO_DIALOGS", "CI", "XAUTHORITY"}) unsetenv(name);
    });
    if (!wait_for(box_shown, 20000)) {
      kill(run.pid, SIGKILL);
      const Ended e = zrv::fault::wait_end(run, 5000);
      if (e.err.find("OpenGL Software Emulation") == std::string::npos)
        GTEST_SKIP() << "the display's OpenGL is not a software renderer";
      FAIL() << "no warning box: " << e.err;
    }
    EXPECT_EQ(zrv::fault::read_file(run.out_path), "") << "start-up waits for the box";
    kill(run.pid, signo);
    const Ended e = zrv::fault::wait_end(run, 5000);
    if (signo == SIGTERM) {
      ASSERT_TRUE(e.exited) << "signal " << e.signal;
      EXPECT_EQ(e.status, 0);
      EXPECT_EQ(e.out, "on_quit\nexit\n");
      EXPECT_NE(e.err.find("*** OpenGL Software Emulation - update driver!"), std::string::npos);
    } else {
      EXPECT_EQ(e.signal, SIGKILL);
    }
    EXPECT_TRUE(wait_for([&] { return !box_shown(); }, 3000)) << "the box outlived the program";
  }
}

// The X server going away ends the program as a close request does, not
// through Xlib's fatal error (status 1, no quit callback, no "exit").
TEST(NoWindowSystem, LostWhileRunningEndsInOrder) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  Child run = zrv::fault::start("zrv_fault_game", {"mode=run"});
  ASSERT_TRUE(zrv::fault::wait_output(run, "ready\n", 20000))
      << zrv::fault::read_file(run.err_path);
  display.stop();
  const Ended e = zrv::fault::wait_end(run, 5000);
  ASSERT_TRUE(e.exited) << "signal " << e.signal;
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out, "ready\non_quit\nexit\n");
  EXPECT_NE(e.err.find("the window system went away"), std::string::npos) << e.err;
  EXPECT_TRUE(ends_with(e.log, "Shut down ZRV\nzrv is shut down\n")) << e.log;
}

}  // namespace
