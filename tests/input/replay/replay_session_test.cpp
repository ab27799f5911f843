// Whole sessions recorded with real X input (xdotool) on a private X display
// and replayed without a window: the replay's trace and output are the
// recorded run's, byte for byte. And a reedfire session kept in the tree
// that plays to game over.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "file_io.hpp"
#include "x_session.hpp"

namespace {

using zrv::test::Program;
using zrv::test::read_file;

const char* kReedfire = ZRV_BINARY_DIR "/game/reedfire";

// Runs a program headless to its end (at most a minute).
void run_headless(const char* program, std::vector<std::string> args, const std::string& dir,
                  std::string* out) {
  args.insert(args.begin(), "--headless");
  Program p(program, args, dir, zrv::test::quiet_environment(dir));
  ASSERT_TRUE(p.wait_end(60000)) << "the replay did not end";
  EXPECT_TRUE(p.exited());
  EXPECT_EQ(p.status(), 0) << p.err();
  *out = p.out();
}

TEST(ReplaySession, ReedfireWithRealKeysReplaysWithoutAWindow) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::ScratchDir dir;
  const std::string record = dir.path() + "/session.replay";
  std::string recorded_out, windowed_out;
  {
    zrv::test::PrivateDisplay display;
    ASSERT_TRUE(display.ok());
    // No --seed: the replay must take the recorded run's seed. --frames only
    // guards against a run that never ends.
    Program game(kReedfire,
                 {"--frames", "20000", "--record", record, "--trace", dir.path() + "/live.jsonl",
                  "--screenshot", dir.path() + "/live.png"},
                 dir.path(), zrv::test::quiet_environment(dir.path()));
    ASSERT_FALSE(Program::focus_window("reedfire").empty()) << game.err();
    // Each key stays down until the game has written three frames (one a
    // pass) with it, however slow the frames are: a press and release
    // within one frame would not be seen at all.
    const std::string trace = dir.path() + "/live.jsonl";
    const auto frames = [&] {
      const std::string text = read_file(trace);
      return std::count(text.begin(), text.end(), '\n');
    };
    const auto hold = [&](const char* key) {
      const auto before = frames();
      zrv::test::shell_output(std::string("xdotool keydown ") + key);
      for (int waited = 0; frames() < before + 3 && waited < 5000; waited += 10) {
        zrv::test::pause_ms(10);
      }
      zrv::test::shell_output(std::string("xdotool keyup ") + key);
    };
    zrv::test::pause_ms(300);
    hold("space");
    for (const char* key : {"Left", "space", "Right", "Right", "space", "Left", "space"}) {
      zrv::test::pause_ms(250);
      hold(key);
    }
    zrv::test::pause_ms(400);
    zrv::test::hold_key("Escape", 120);
    ASSERT_TRUE(game.wait_end(5000)) << "Escape did not end the program";
    EXPECT_EQ(game.status(), 0);
    recorded_out = game.out();

    // Replayed in a window: the same frames, output and picture (with the
    // same --frames, which decides when the picture is taken).
    Program again(kReedfire,
                  {"--frames", "20000", "--replay", record, "--trace",
                   dir.path() + "/windowed.jsonl", "--screenshot", dir.path() + "/windowed.png"},
                  dir.path(), zrv::test::quiet_environment(dir.path()));
    ASSERT_TRUE(again.wait_end(60000)) << "the windowed replay did not end";
    EXPECT_EQ(again.status(), 0) << again.err();
    windowed_out = again.out();
  }
  const std::string live = read_file(dir.path() + "/live.jsonl");
  // The session did something: the game started, the gun moved, shots flew.
  EXPECT_NE(live.find("\"lives\":3"), std::string::npos);
  EXPECT_NE(live.find("\"guns\":[[348,350]]"), std::string::npos);
  EXPECT_NE(live.find("\"bullet_active\":1"), std::string::npos);

  std::string replayed_out;
  run_headless(kReedfire, {"--replay", record, "--trace", dir.path() + "/replayed.jsonl"},
               dir.path(), &replayed_out);
  EXPECT_TRUE(live == read_file(dir.path() + "/replayed.jsonl")) << "the traces differ";
  EXPECT_TRUE(live == read_file(dir.path() + "/windowed.jsonl")) << "the windowed trace differs";
  EXPECT_EQ(windowed_out, recorded_out);
  const std::string picture = read_file(dir.path() + "/live.png");
  EXPECT_GT(picture.size(), 1000u);
  EXPECT_TRUE(picture == read_file(dir.path() + "/windowed.png")) << "the screenshots differ";
  // Headless the sounds load into the silent output: the output is the
  // recorded run's, line for line.
  EXPECT_EQ(replayed_out, recorded_out);
}

// Runs the input echo program on a private X display, recording its input
// to `record`, while drive(echo, window id) sends it events; Escape then
// ends it. *out: what it printed.
void record_echo(const std::string& dir, const std::string& record,
                 const std::function<void(Program&, const std::string&)>& drive, std::string* out) {
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  Program echo(ZRV_ECHO_PROGRAM, {"--frames", "20000", "--record", record}, dir,
               zrv::test::quiet_environment(dir));
  const std::string id = Program::focus_window("input echo");
  ASSERT_FALSE(id.empty()) << echo.err();
  drive(echo, id);
  if (::testing::Test::HasFatalFailure()) return;
  zrv::test::hold_key("Escape", 120);
  ASSERT_TRUE(echo.wait_end(5000)) << "Escape did not end the program";
  *out = echo.out();
}

TEST(ReplaySession, MouseWheelButtonsAndTypedTextReplayWithoutAWindow) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::ScratchDir dir;
  const std::string record = dir.path() + "/mouse.replay";
  std::string recorded_out;
  const auto drive = [](Program& echo, const std::string& id) {
    using zrv::test::shell_output;
    const std::string window = " --window " + id + " ";
    // Each event is seen by the program before the next is sent: under load
    // a frame of a slow build can outlast any fixed pause, and a press and
    // release (or two opposite wheel steps) within one frame would not show.
    // An event that cannot show is made again: a move made before the
    // runtime centred the pointer at start-up, or a wheel step that came
    // in between the program's mouse_axis(2) and its mouse_state, which
    // takes it unprinted, as it should.
    const auto until_seen = [&](const std::string& command, const std::string& text) {
      for (int tries = 0; tries < 5; ++tries) {
        shell_output("xdotool " + command);
        if (echo.wait_out(text, 1, 2000)) return true;
      }
      return false;
    };
    ASSERT_TRUE(until_seen("mousemove" + window + "40 50", "state 40 50 0 0")) << echo.out();
    ASSERT_TRUE(until_seen("mousemove" + window + "200 120", "state 200 120 0 0")) << echo.out();
    ASSERT_TRUE(until_seen("mousedown 1", "state 200 120 1 0")) << echo.out();
    ASSERT_TRUE(until_seen("mousemove" + window + "210 130", "state 210 130 1 0")) << echo.out();
    ASSERT_TRUE(until_seen("mouseup 1", "state 210 130 0 0")) << echo.out();
    ASSERT_TRUE(until_seen("mousedown 3", " 0 1 0 state")) << echo.out();  // right button
    shell_output("xdotool mouseup 3");
    ASSERT_TRUE(until_seen("click 4", "axes 0 0 1 ")) << echo.out();
    ASSERT_TRUE(until_seen("click 5", "axes 0 0 -1 ")) << echo.out();
    zrv::test::pause_ms(100);
    shell_output("xdotool type --delay 60 'Hi 5!'");
    zrv::test::pause_ms(300);
  };
  ASSERT_NO_FATAL_FAILURE(record_echo(dir.path(), record, drive, &recorded_out));
  // What the real events gave: positions, both buttons, wheel steps both
  // ways, the typed characters.
  EXPECT_NE(recorded_out.find("state 200 120 0 0"), std::string::npos) << recorded_out;
  EXPECT_NE(recorded_out.find("state 210 130 1 0"), std::string::npos);
  EXPECT_NE(recorded_out.find(" 0 1 0 state"), std::string::npos);  // right button
  EXPECT_NE(recorded_out.find("axes 0 0 1 "), std::string::npos);
  EXPECT_NE(recorded_out.find("axes 0 0 -1 "), std::string::npos);
  std::string typed;
  for (const char c : std::string("Hi 5!")) typed += " " + std::to_string(c);
  std::string all_chars;
  for (size_t at = 0; (at = recorded_out.find("chars", at)) != std::string::npos; ++at) {
    all_chars += recorded_out.substr(at + 5, recorded_out.find('\n', at) - at - 5);
  }
  EXPECT_EQ(all_chars, typed);

  std::string replayed_out;
  run_headless(ZRV_ECHO_PROGRAM, {"--replay", record}, dir.path(), &replayed_out);
  EXPECT_EQ(replayed_out, recorded_out);
}

// Taps and clicks whose press and release come between two frames: key_down
// and mouse_state never see them, key_pressed and mouse_pressed see each
// once, and so does the replay.
TEST(ReplaySession, TapsAndClicksBetweenFramesAreEachSeenOnce) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::ScratchDir dir;
  const std::string record = dir.path() + "/taps.replay";
  std::string recorded_out;
  const auto drive = [](Program& echo, const std::string& id) {
    using zrv::test::shell_output;
    // A tap during start-up is pressed in a frame before the program's
    // loop prints one: the taps begin once it has printed a frame.
    ASSERT_TRUE(echo.wait_out(" axes ", 1, 5000)) << echo.err();
    shell_output("xdotool mousemove --window " + id + " 100 100");
    for (int i = 1; i <= 5; ++i) {
      shell_output("xdotool key --delay 0 space");
      ASSERT_TRUE(echo.wait_out(" r57", i, 3000)) << echo.out();
    }
    for (int i = 1; i <= 5; ++i) {
      shell_output("xdotool click --delay 0 1");
      ASSERT_TRUE(echo.wait_out(" mr0", i, 3000)) << echo.out();
    }
    zrv::test::pause_ms(200);
  };
  ASSERT_NO_FATAL_FAILURE(record_echo(dir.path(), record, drive, &recorded_out));
  const auto count = [&](const std::string& what) {
    int n = 0;
    for (size_t at = 0; (at = recorded_out.find(what, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(count(" p57 "), 5);
  EXPECT_EQ(count(" r57 "), 5);
  EXPECT_EQ(count(" mp0 "), 5);
  EXPECT_EQ(count(" mr0 "), 5);
  std::string replayed_out;
  run_headless(ZRV_ECHO_PROGRAM, {"--replay", record}, dir.path(), &replayed_out);
  EXPECT_EQ(replayed_out, recorded_out);
}

// A scripted key presses in the frame it goes down and releases in the one
// it goes up (the program's line n is frame n + 5: screen_setup presents
// five).
TEST(ReplaySession, ScriptedKeysPressAndReleaseOnTheirFrames) {
  zrv::test::ScratchDir dir;
  ASSERT_TRUE(zrv::test::write_file(dir.path() + "/keys.txt", "8 57 1\n10 57 0\n"));
  std::string out;
  run_headless(ZRV_ECHO_PROGRAM, {"--keys", dir.path() + "/keys.txt", "--frames", "14"}, dir.path(),
               &out);
  EXPECT_NE(out.find("\n3 axes 0 0 0 0 0 0 state 100 100 0 0 presses p57 chars"), std::string::npos)
      << out;
  EXPECT_NE(out.find("\n5 axes 0 0 0 0 0 0 state 100 100 0 0 presses r57 chars"),
            std::string::npos);
  EXPECT_EQ(out.find("p57", out.find("\n4 ")), std::string::npos);
}

// A session of a player kept in the tree: start, a few shots, then the ducks
// get through until the last life is gone.
TEST(ReplaySession, TheKeptReedfireSessionPlaysToGameOver) {
  zrv::test::ScratchDir dir;
  const std::string trace = dir.path() + "/trace.jsonl";
  std::string out;
  run_headless(kReedfire,
               {"--replay", ZRV_REPLAY_DIR "/reedfire_game_over.replay", "--trace", trace},
               dir.path(), &out);
  const std::string text = read_file(trace);
  const size_t started = text.find("\"lives\":3");
  ASSERT_NE(started, std::string::npos) << "the game never started";
  const size_t last_life = text.find("\"lives\":1", started);
  ASSERT_NE(last_life, std::string::npos);
  // Game over: no life left, the guns gone and the restart held off.
  const size_t over = text.find("\"lives\":0,\"level\"", last_life);
  ASSERT_NE(over, std::string::npos) << "no game over";
  // The frame of the game over: the restart held off (100, less this
  // frame's step), the guns gone.
  const size_t from = text.rfind('\n', over) + 1;
  const std::string line = text.substr(from, text.find('\n', over) - from);
  EXPECT_NE(line.find("\"cooldown\":99,"), std::string::npos) << line;
  EXPECT_NE(line.find("\"guns\":[]"), std::string::npos) << line;
  EXPECT_GT(text.find("\"score\":", started), started);
  ASSERT_GE(out.size(), 5u);
  EXPECT_EQ(out.substr(out.size() - 5), "exit\n");
}

}  // namespace
