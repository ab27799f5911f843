// The recorded-input format and the replay of reads: lines written and read
// back, bad lines named by number, other runtimes' files refused, reads
// answered frame for frame and read for read, silence after the end; and the
// options' refusals of bad files before the program starts.
#include "input/replay_file.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/frame_commands.hpp"
#include "base/context.hpp"
#include "input/input_state.hpp"
#include "input/keys.hpp"
#include "input/replay.hpp"
#include "x_session.hpp"

namespace {

using zrv::ReplayItem;
using zrv::ReplayKind;

std::string header() { return zrv::replay_header_line(ZRV_PROJECT_VERSION) + "\n"; }

bool parse(const std::string& text, zrv::ReplayScript* s, int64_t* line, std::string* why) {
  return zrv::replay_parse(text.data(), text.size(), s, line, why);
}

TEST(ReplayFile, EveryKindOfLineReadsBackAsWritten) {
  std::vector<ReplayItem> items(13);
  const ReplayKind kinds[] = {ReplayKind::Key,      ReplayKind::Mouse,      ReplayKind::Pointer,
                              ReplayKind::Touch,    ReplayKind::Char,       ReplayKind::KeyDown,
                              ReplayKind::Activate, ReplayKind::Deactivate, ReplayKind::Close,
                              ReplayKind::Message,  ReplayKind::Press,      ReplayKind::Release,
                              ReplayKind::Joy};
  const int32_t values[][5] = {{57, 1},
                               {-3, 700, -2, 5},
                               {1, 7, 0x30, 12, 13},
                               {1},
                               {233},
                               {28},
                               {},
                               {},
                               {},
                               {},
                               {1, 2},
                               {0, 57},
                               {}};
  for (size_t i = 0; i < items.size(); ++i) {
    items[i].frame = 10 + static_cast<int64_t>(i);
    items[i].read = static_cast<int32_t>(i % 3);
    items[i].kind = kinds[i];
    for (int k = 0; k < 5; ++k) items[i].v[k] = values[i][k];
  }
  ReplayItem& joy = items.back();
  joy.joystick = 1;
  joy.joy.axes[0] = -32768;
  joy.joy.axes[5] = 32768;
  joy.joy.sliders[1] = 77;
  joy.joy.hats[0] = 9000;
  joy.joy.buttons[0] = joy.joy.buttons[31] = 0x80;

  std::string text =
      header() + "seed -42\nautopause 0\n# a comment\n\njoystick 0 pad one\njoystick 1\n";
  for (const ReplayItem& it : items) text += zrv::replay_item_line(it) + "\r\n";
  text += "end 40\n";
  zrv::ReplayScript s;
  int64_t line = 0;
  std::string why;
  ASSERT_TRUE(parse(text, &s, &line, &why)) << line << ": " << why;
  EXPECT_EQ(s.version, ZRV_PROJECT_VERSION);
  EXPECT_TRUE(s.seed_known);
  EXPECT_EQ(s.seed, -42);
  EXPECT_EQ(s.autopause, 0);
  ASSERT_EQ(s.joysticks.size(), 2u);
  EXPECT_EQ(s.joysticks[0], "pad one");
  EXPECT_EQ(s.joysticks[1], "");
  EXPECT_EQ(s.end_frame, 40);
  ASSERT_EQ(s.items.size(), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(s.items[i].frame, items[i].frame);
    EXPECT_EQ(s.items[i].read, items[i].read);
    EXPECT_EQ(s.items[i].kind, items[i].kind);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(s.items[i].v[k], items[i].v[k]) << i;
    EXPECT_EQ(zrv::replay_item_line(s.items[i]), zrv::replay_item_line(items[i]));
  }
  EXPECT_EQ(s.items.back().joystick, 1);
  EXPECT_EQ(s.items.back().joy.axes[5], 32768);
  EXPECT_EQ(s.items.back().joy.buttons[31], 0x80);
  EXPECT_EQ(s.items.back().joy.buttons[30], 0);
}

TEST(ReplayFile, ALineThatCannotBeReadIsNamedByItsNumber) {
  const std::string h = header();
  const struct {
    std::string text;
    int64_t line;
  } cases[] = {
      {"", 1},
      {"# only a comment\n", 1},
      {"zorvane-replay 2 " ZRV_PROJECT_VERSION "\n", 1},  // a later format
      {"seed 4\n" + h, 1},                                // the header comes first
      {h + "seed 4\n\n5 0 key 300 1\n", 4},               // code out of range
      {h + "5 0 key 57 2\n", 2},                          // state out of range
      {h + "5 0 key 57\n", 2},                            // too few fields
      {h + "5 0 mouse 1 2 3 4 5\n", 2},                   // too many
      {h + "5 0 mouse 1 2 3 8\n", 2},                     // no such buttons
      {h + "-5 0 char 65\n", 2},                          // negative frame
      {h + "5 x char 65\n", 2},                           // no read number
      {h + "5 0 char 0\n", 2},                            // no character
      {h + "5 0 char 99999999999999999999999\n", 2},      // overflows
      {h + "5 0 jump\n", 2},                              // unknown input
      {h + "bounce 3\n", 2},                              // unknown line
      {h + "seed 1\nseed 2\n", 3},                        // twice
      {h + "5 1 key 57 1\n5 0 key 57 0\n", 3},            // reads go backwards
      {h + "6 0 char 65\n5 3 char 66\n", 3},              // frames go backwards
      {h + "end 5\n6 0 char 65\n", 3},                    // after the end
      {h + "6 0 char 65\nend 5\n", 3},                    // an end before its input
      {h + "5 0 joy 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n", 2},   // no such joystick
      {h + "joystick 1 pad\n", 2},                        // joysticks from 0 up
      {h + "joystick 0 p\n5 0 joy 0 40000 0 0 0 0 0 0 0 0 0 0 0 0\n", 3},  // axis range
      {h + "5 0 pointer 2 1 0 0 0\n", 2},                                  // no such kind
      {h + "5 0 pointer 1 0 0 0 0\n", 2},                                  // pointer id 0
      {h + "5 0 press mouse 3\n", 2},                                      // no such button
      {h + "5 0 release pad 1\n", 2},                                      // no such device
      {h + "5 0 char 65\n" + std::string("5 0 ch\0ar 66\n", 13), 3},       // a zero byte
  };
  for (const auto& c : cases) {
    zrv::ReplayScript s;
    int64_t line = 0;
    std::string why;
    EXPECT_FALSE(parse(c.text, &s, &line, &why)) << c.text;
    EXPECT_EQ(line, c.line) << c.text << " -> " << why;
    EXPECT_FALSE(why.empty());
  }
}

TEST(ReplayFile, GamepadLinesReadBackAndBadOnesAreRefused) {
  const std::string text = header() +
                           "3 0 padin 7 Pad  with   spaces\n3 1 padstate 7 -32768 32767 "
                           "5 -5 0 32767 32767\n4 0 padout 7\n";
  zrv::ReplayScript s;
  int64_t line = 0;
  std::string why;
  ASSERT_TRUE(parse(text, &s, &line, &why)) << line << ": " << why;
  ASSERT_EQ(s.items.size(), 3u);
  EXPECT_EQ(s.items[0].kind, ReplayKind::PadIn);
  EXPECT_EQ(s.items[0].text, "Pad  with   spaces");
  EXPECT_EQ(s.items[1].pad.axes[0], -32768);
  EXPECT_EQ(s.items[1].pad.buttons, 32767);
  EXPECT_EQ(s.items[2].kind, ReplayKind::PadOut);
  std::string again = header();
  for (const ReplayItem& it : s.items) again += zrv::replay_item_line(it) + "\n";
  EXPECT_EQ(again, text);
  for (const char* bad :
       {"3 0 padin 8 pad\n", "3 0 padout 1 pad\n", "3 0 padstate 0 0 0 0 0 0 0 32768\n",
        "3 0 padstate 0 32768 0 0 0 0 0 0\n", "3 0 padstate 0 0 0 0 0 0 0\n"}) {
    EXPECT_FALSE(parse(header() + bad, &s, &line, &why)) << bad;
  }
}

class Replay : public ::testing::Test {
 protected:
  void SetUp() override {
    zrv::ctx.frames_presented = 0;
    char name[] = "/tmp/zrv_replayXXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = name;
  }
  void TearDown() override {
    zrv::input_record_close(zrv::ctx.frames_presented);
    zrv::input_replay_clear();
    zrv::ctx.frames_presented = 0;
    unlink(path_.c_str());
  }
  std::string path_;
};

TEST_F(Replay, AFileOfAnotherRuntimeIsRefused) {
  const std::string text = "zorvane-replay 1 0.0.7\nseed 3\n";
  std::string why;
  EXPECT_FALSE(zrv::input_replay_load_text(text.data(), text.size(), "old.replay", &why));
  EXPECT_EQ(why,
            "'old.replay' was recorded by runtime 0.0.7, this is runtime " ZRV_PROJECT_VERSION);
  EXPECT_FALSE(zrv::input_replaying());
  const std::string bad = header() + "1 0 key 1\n";
  EXPECT_FALSE(zrv::input_replay_load_text(bad.data(), bad.size(), "bad.replay", &why));
  EXPECT_EQ(why, "'bad.replay' line 2: wrong number of fields");
}

// Keys and mouse as a program would read them: several reads in a frame,
// changes between two reads of one frame, frames without reads.
TEST_F(Replay, ReadsAreAnsweredReadForReadThenTheDevicesFallSilent) {
  std::string why;
  ASSERT_TRUE(zrv::input_record_open(path_.c_str(), &why)) << why;
  zrv::input_record_seed(1234);
  uint8_t keys[256] = {};
  struct Read {
    int64_t frame;
    int key;  // scan code down in this read, 0 none
    zrv::ReplayMouse mouse;
  };
  const Read reads[] = {
      {0, 0, {100, 100, 0, 0}}, {0, 57, {100, 100, 0, 0}}, {1, 57, {120, 90, 1, 1}},
      {1, 57, {120, 90, 0, 1}}, {1, 0, {121, 90, 0, 0}},   {4, 203, {5, 6, -1, 4}},
      {4, 203, {5, 6, 0, 4}},
  };
  for (const Read& r : reads) {
    zrv::ctx.frames_presented = r.frame;
    std::fill(keys, keys + 256, 0);
    if (r.key) keys[r.key] = 0x80;
    zrv::input_record_keys(keys);
    zrv::input_record_mouse(&r.mouse);
  }
  zrv::ctx.frames_presented = 6;
  zrv::input_record_close(zrv::ctx.frames_presented);

  zrv::ctx.frames_presented = 0;
  ASSERT_TRUE(zrv::input_replay_load(path_.c_str(), &why)) << why;
  int32_t seed = 0;
  EXPECT_TRUE(zrv::input_replay_seed(&seed));
  EXPECT_EQ(seed, 1234);
  for (const Read& r : reads) {
    zrv::ctx.frames_presented = r.frame;
    zrv::input_replay_keys(keys);
    int down = 0;
    for (int code = 0; code < 256; ++code) down += keys[code] ? 1 : 0;
    EXPECT_EQ(down, r.key ? 1 : 0) << r.frame;
    if (r.key) {
      EXPECT_EQ(keys[r.key], 0x80);
    }
    zrv::ReplayMouse m;
    ASSERT_TRUE(zrv::input_replay_mouse(&m));
    EXPECT_EQ(m.x, r.mouse.x);
    EXPECT_EQ(m.y, r.mouse.y);
    EXPECT_EQ(m.wheel, r.mouse.wheel);
    EXPECT_EQ(m.buttons, r.mouse.buttons);
    EXPECT_TRUE(zrv::input_replay_running());
  }
  // After frame 6 nothing is down and the mouse stays where it was.
  zrv::ctx.frames_presented = 7;
  EXPECT_FALSE(zrv::input_replay_running());
  keys[3] = 0x80;
  zrv::input_replay_keys(keys);
  for (int code = 0; code < 256; ++code) EXPECT_EQ(keys[code], 0);
  zrv::ReplayMouse m;
  EXPECT_TRUE(zrv::input_replay_mouse(&m));
  EXPECT_EQ(m.x, 5);
  EXPECT_EQ(m.buttons, 0u);
}

// The layout's characters are read like the keys: the replay gives the
// recorded run's, whatever the layout of the replaying machine says.
TEST_F(Replay, KeyCharactersComeFromTheRecording) {
  std::string why;
  ASSERT_TRUE(zrv::input_record_open(path_.c_str(), &why)) << why;
  zrv::input_record_key_char(16, 'a');  // an AZERTY 'Q' key
  zrv::input_record_key_char(16, 'a');
  zrv::ctx.frames_presented = 3;
  zrv::input_record_key_char(16, 'A');  // with Shift
  zrv::input_record_key_char(2, 233);
  zrv::input_record_close(zrv::ctx.frames_presented);
  const std::string text = zrv::test::read_file(path_);
  EXPECT_NE(text.find("\n0 0 keychar 16 97\n3 0 keychar 16 65\n3 1 keychar 2 233\n"),
            std::string::npos)
      << text;

  zrv::ctx.frames_presented = 0;
  ASSERT_TRUE(zrv::input_replay_load(path_.c_str(), &why)) << why;
  EXPECT_EQ(zrv::key_to_char(16), 'a');
  EXPECT_EQ(zrv::key_to_char(16), 'a');
  EXPECT_EQ(zrv::key_to_char(17), 'w');  // never looked up: the layout answers
  zrv::ctx.frames_presented = 3;
  EXPECT_EQ(zrv::key_to_char(16), 'A');
  EXPECT_EQ(zrv::key_to_char(2), static_cast<int8_t>(233));
}

TEST_F(Replay, MessagesComeAtTheirPumpOfTheirFrame) {
  const std::string text = header() + "2 0 char 104\n2 0 char 105\n2 2 close\n3 1 deactivate\n";
  std::string why;
  ASSERT_TRUE(zrv::input_replay_load_text(text.data(), text.size(), "m", &why)) << why;
  zrv::platform::Event e;
  zrv::ctx.frames_presented = 1;
  EXPECT_FALSE(zrv::input_replay_message(0, &e));
  zrv::ctx.frames_presented = 2;
  ASSERT_TRUE(zrv::input_replay_message(0, &e));
  EXPECT_EQ(e.type, zrv::platform::EventType::Char);
  EXPECT_EQ(e.code, 104);
  ASSERT_TRUE(zrv::input_replay_message(0, &e));
  EXPECT_EQ(e.code, 105);
  EXPECT_FALSE(zrv::input_replay_message(0, &e));
  EXPECT_FALSE(zrv::input_replay_message(1, &e));
  ASSERT_TRUE(zrv::input_replay_message(2, &e));
  EXPECT_EQ(e.type, zrv::platform::EventType::CloseRequest);
  zrv::ctx.frames_presented = 3;
  EXPECT_FALSE(zrv::input_replay_message(0, &e));
  ASSERT_TRUE(zrv::input_replay_message(1, &e));
  EXPECT_EQ(e.type, zrv::platform::EventType::Deactivated);
}

// key_wait, driven by a recording so that each message comes at a known
// pump: the characters left in the queue go without a pump, so the key typed
// in the wait's first pump is the one that ends it (not one 40 pumps
// later); and on return the keyboard is read afresh ('a', down when the
// wait began, was let go).
TEST_F(Replay, KeyWaitEndsOnTheFirstKeyAfterItsCallAndReadsTheKeysAfresh) {
  zrv::ctx.frames_presented = 7;
  const std::string text = header() +
                           "7 0 key 30 1\n7 1 key 30 0\n"
                           "7 0 char 107\n7 40 char 120\nend 9\n";
  std::string why;
  ASSERT_TRUE(zrv::input_replay_load_text(text.data(), text.size(), "wait", &why)) << why;
  zrv::ctx.input = zrv::input_create();
  zrv::input_open(zrv::ctx.input, nullptr, 0);
  zrv::input_keyboard_mark_stale(zrv::ctx.input);
  EXPECT_EQ(zrv::key_down(30), 1);
  for (const char c : std::string("old")) zrv::key_char_push(c);
  zrv::key_wait();
  EXPECT_LT(zrv::input_pump_number(), 10) << "the first key after the call was taken as an old one";
  EXPECT_EQ(zrv::key_down(30), 0);
  zrv::input_destroy(zrv::ctx.input);
  zrv::ctx.input = nullptr;
}

// Bad files end the program with status 2 before it starts, in one line.
TEST(ReplayOptions, BadFilesEndTheProgramBeforeItStarts) {
  char name[] = "/tmp/zrv_replay_optXXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  const std::string dir = name;
  const std::string bad = dir + "/bad.replay", old = dir + "/old.replay";
  std::ofstream(bad) << header() << "seed 5\n\n12 0 key 57 1\n12 0 mouse 1 2\n";
  std::ofstream(old) << "zorvane-replay 1 0.0.1\n";
  const std::string keys = dir + "/bad.keys", kept = dir + "/kept.replay";
  std::ofstream(keys) << "# ok\n3 57 1\n4 57 up\n";
  const std::string session = zrv::test::read_file(ZRV_REPLAY_DIR "/reedfire_game_over.replay");
  zrv::test::write_file(kept, session);
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"--replay", bad}, "--replay: '" + bad + "' line 5: wrong number of fields\n"},
      {{"--replay", old},
       "--replay: '" + old +
           "' was recorded by runtime 0.0.1, this is runtime " ZRV_PROJECT_VERSION "\n"},
      {{"--replay", dir + "/none.replay"},
       "--replay: cannot read '" + dir + "/none.replay': No such file or directory\n"},
      {{"--record", dir + "/no/such/dir.replay"},
       "--record: cannot create '" + dir + "/no/such/dir.replay': No such file or directory\n"},
      {{"--keys", dir + "/none.keys"},
       "--keys: cannot read '" + dir + "/none.keys': No such file or directory\n"},
      {{"--keys", keys},
       "--keys: '" + keys +
           "' line 3: not a line 'FRAME KEY STATE' (frame >= 0, key a code 0..255 or a name "
           "such as Space, state 0 or 1)\n"},
      // A device that never ends is no script, and no recording.
      {{"--keys", "/dev/zero"}, "--keys: '/dev/zero' is larger than 64 MiB\n"},
      {{"--replay", "/dev/zero"}, "--replay: '/dev/zero' is larger than 64 MiB\n"},
      {{"--replay", kept, "--record", dir + "/./kept.replay"},
       "--record: '" + dir +
           "/./kept.replay' is the recording --replay reads; it would be "
           "destroyed\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--headless", "--frames", "3"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    zrv::test::Program p(ZRV_BINARY_DIR "/game/reedfire", args, dir, {"TMPDIR=" + dir});
    ASSERT_TRUE(p.wait_end(20000));
    EXPECT_TRUE(p.exited());
    EXPECT_EQ(p.status(), 2);
    EXPECT_EQ(p.err(), c.err);
    EXPECT_EQ(p.out(), "");  // not even started: no "exit"
  }
  EXPECT_EQ(zrv::test::read_file(kept), session);
  // Not started: no log, no run folder.
  EXPECT_NE(access((dir + "/zorvane-" + std::to_string(geteuid())).c_str(), F_OK), 0);

  // A recording whose lines cannot all be written says so at the end.
  zrv::test::Program full(ZRV_BINARY_DIR "/game/reedfire",
                          {"--headless", "--frames", "400", "--record", "/dev/full"}, dir,
                          {"TMPDIR=" + dir});
  ASSERT_TRUE(full.wait_end(20000));
  EXPECT_EQ(full.status(), 0);
  EXPECT_NE(full.err().find("--record: cannot write '/dev/full': the recording is incomplete\n"),
            std::string::npos)
      << full.err();
  std::system(("rm -rf " + dir).c_str());
}

// A headless replay ends with its recording (nothing could end it after):
// at its end line, or, when its recorder never finished, at its last input
// with a warning. A recording goes to its name only when complete: a killed
// recorder leaves the old file whole.
TEST(ReplayOptions, AHeadlessReplayEndsWithItsRecordingAndAKilledRecorderKeepsTheOldOne) {
  char name[] = "/tmp/zrv_replay_endXXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  const std::string dir = name;
  std::string session = zrv::test::read_file(ZRV_REPLAY_DIR "/reedfire_game_over.replay");
  // Without the Escape that ended the recorded run: the end line ends it.
  const size_t escape = session.rfind("keydown 1");
  ASSERT_NE(escape, std::string::npos);
  const std::string no_escape = session.substr(0, session.rfind('\n', escape) + 1);
  const std::string with_end = dir + "/end.replay", unfinished = dir + "/unfinished.replay";
  zrv::test::write_file(with_end, no_escape + "end 4818\n");
  zrv::test::write_file(unfinished, no_escape);
  for (const std::string& file : {with_end, unfinished}) {
    zrv::test::Program p(ZRV_BINARY_DIR "/game/reedfire", {"--headless", "--replay", file}, dir,
                         {"TMPDIR=" + dir});
    ASSERT_TRUE(p.wait_end(60000)) << file << ": still running after the recording";
    EXPECT_EQ(p.status(), 0);
    EXPECT_EQ(p.out().substr(p.out().size() - 5), "exit\n");
    const bool warned = p.err().find("has no end line") != std::string::npos;
    EXPECT_EQ(warned, file == unfinished) << p.err();
  }

  const std::string old = dir + "/old.replay";
  zrv::test::write_file(old, session);
  {
    zrv::test::Program p(ZRV_BINARY_DIR "/game/reedfire", {"--headless", "--record", old}, dir,
                         {"TMPDIR=" + dir});
    zrv::test::pause_ms(1500);
    ASSERT_TRUE(p.running());
  }  // killed
  EXPECT_EQ(zrv::test::read_file(old), session);
  std::system(("rm -rf " + dir).c_str());
}

}  // namespace
