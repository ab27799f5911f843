// The keyboard: snapshot ageing with the key script as the keyboard, the
// typed-character queue, the control characters of key-down messages and
// the fixed answers of key_to_char.
#include <gtest/gtest.h>

#include <string>

#include "base/context.hpp"
#include "input/input_state.hpp"
#include "input/key_script.hpp"
#include "input/keys.hpp"
#include "platform/platform.hpp"

namespace {

class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    zrv::key_script_clear();
    zrv::ctx.frames_presented = 0;
    zrv::ctx.input = zrv::input_create();
    // The test process has no display: no window-system keyboard.
    EXPECT_EQ(zrv::input_open(zrv::ctx.input, nullptr, 0), -1);
  }
  void TearDown() override {
    zrv::input_destroy(zrv::ctx.input);
    zrv::ctx.input = nullptr;
    zrv::key_script_clear();
    zrv::ctx.frames_presented = 0;
  }

  static void script(const std::string& text) {
    zrv::key_script_load_text(text.data(), text.size());
  }
  static void new_frame() { zrv::input_keyboard_mark_stale(zrv::ctx.input); }
};

TEST_F(Keyboard, WithoutKeyboardOrScriptEveryKeyIsUp) {
  EXPECT_FALSE(zrv::ctx.input->keyboard_device);
  int down = 0;
  for (int code = 0; code < 256; ++code) down += zrv::key_down(code);
  EXPECT_EQ(down, 0);
}

TEST_F(Keyboard, QueriesOfOneFrameShareTheSnapshotAndTheNextFrameSeesTheChange) {
  script("0 57 1\n3 57 0\n3 203 1\n");
  new_frame();
  EXPECT_EQ(zrv::key_down(57), 1);
  EXPECT_EQ(zrv::key_down(203), 0);
  zrv::key_script_advance(3);  // the keys change within the frame
  EXPECT_EQ(zrv::key_down(57), 1);
  EXPECT_EQ(zrv::key_down(203), 0);
  new_frame();
  EXPECT_EQ(zrv::key_down(57), 0);
  EXPECT_EQ(zrv::key_down(203), 1);
}

TEST_F(Keyboard, TheHundredAndFirstFurtherQueryRefreshes) {
  script("0 205 1\n1 205 0\n");
  new_frame();
  ASSERT_EQ(zrv::key_down(205), 1);  // takes the snapshot
  zrv::key_script_advance(1);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(zrv::key_down(205), 1) << "query " << i + 2;
  EXPECT_EQ(zrv::key_down(205), 0);  // the 101st after the first
  EXPECT_EQ(zrv::ctx.input->snapshot_age, 0);
}

TEST_F(Keyboard, OnlyTheLowEightBitsOfTheCodeCount) {
  script("0 57 1\n");
  new_frame();
  EXPECT_EQ(zrv::key_down(256 + 57), zrv::key_down(57));
  EXPECT_EQ(zrv::key_down(256 + 57), 1);
  EXPECT_EQ(zrv::key_down(-256 + 57), 1);
  EXPECT_EQ(zrv::key_down(0x7FFFFF00 + 57), 1);
  EXPECT_EQ(zrv::key_down(256 + 58), 0);
}

TEST_F(Keyboard, SnapshotHoldsBitSevenForDownKeys) {
  script("0 1 1\n0 56 1\n0 62 1\n");
  new_frame();
  EXPECT_EQ(zrv::key_down(62), 1);
  EXPECT_EQ(zrv::ctx.input->key_snapshot[1], 0x80);
  EXPECT_EQ(zrv::ctx.input->key_snapshot[56], 0x80);
  EXPECT_EQ(zrv::ctx.input->key_snapshot[2], 0);
}

TEST_F(Keyboard, TypingTwentyCharactersKeepsTheFirstSixteen) {
  const std::string typed = "abcdefghijklmnopqrst";
  for (char c : typed) zrv::key_char_push(static_cast<int8_t>(c));
  std::string got;
  for (;;) {
    zrv::RtString one = zrv::key_char();
    if (one.empty()) break;
    ASSERT_EQ(one.length, 1u);
    got += one.c_str();
  }
  EXPECT_EQ(got, typed.substr(0, 16));
  // The queue takes characters again once emptied.
  zrv::key_char_push('x');
  EXPECT_EQ(zrv::key_char_pop(), 'x');
}

TEST_F(Keyboard, CarriageReturnComesOutAsLineFeedAndEscapeNeverArrives) {
  zrv::key_char_push(13);
  zrv::key_char_push(27);
  zrv::key_char_push(0);
  zrv::key_char_push(8);
  zrv::key_char_push(9);
  zrv::key_char_push(10);
  for (int8_t c = 1; c < 32; ++c) {
    if (c != 8 && c != 9 && c != 10 && c != 13) zrv::key_char_push(c);
  }
  EXPECT_EQ(zrv::key_char_pop(), 10);
  EXPECT_EQ(zrv::key_char_pop(), 8);
  EXPECT_EQ(zrv::key_char_pop(), 9);
  EXPECT_EQ(zrv::key_char_pop(), 10);
  EXPECT_EQ(zrv::key_char_pop(), 0);
  EXPECT_FALSE(zrv::key_char_take());
}

TEST_F(Keyboard, CharactersAboveOneTwentySevenKeepTheirByte) {
  zrv::key_char_push(static_cast<int8_t>(0xE9));  // e acute
  zrv::key_char_push(127);
  EXPECT_EQ(std::string(zrv::key_char().c_str()), "\xE9");
  EXPECT_EQ(zrv::key_char_pop(), 127);
  EXPECT_EQ(std::string(zrv::key_char().c_str()), "");
}

TEST_F(Keyboard, TakeRemovesOneCharacterAtATime) {
  zrv::key_char_push('a');
  zrv::key_char_push('b');
  EXPECT_TRUE(zrv::key_char_take());
  EXPECT_EQ(zrv::key_char_pop(), 'b');
  EXPECT_FALSE(zrv::key_char_take());
}

TEST_F(Keyboard, KeyDownMessagesTypeTheirControlCharacters) {
  auto key_down_event = [](int32_t scan, zrv::platform::EventType type) {
    zrv::platform::Event e;
    e.type = type;
    e.code = scan;
    zrv::input_handle_event(zrv::ctx.input, e);
  };
  using zrv::platform::EventType;
  key_down_event(28, EventType::KeyDown);   // Enter
  key_down_event(156, EventType::KeyDown);  // keypad Enter
  key_down_event(14, EventType::KeyDown);   // Backspace
  key_down_event(15, EventType::KeyDown);   // Tab
  key_down_event(1, EventType::KeyDown);    // Escape: typed, then dropped
  key_down_event(30, EventType::KeyDown);   // A: its text comes as a character message
  key_down_event(28, EventType::KeyUp);
  EXPECT_EQ(zrv::key_char_pop(), 10);
  EXPECT_EQ(zrv::key_char_pop(), 10);
  EXPECT_EQ(zrv::key_char_pop(), 8);
  EXPECT_EQ(zrv::key_char_pop(), 9);
  EXPECT_EQ(zrv::key_char_pop(), 0);
}

TEST_F(Keyboard, QueueIsEmptiedWhenTheInputCloses) {
  zrv::key_char_push('q');
  zrv::input_close(zrv::ctx.input);
  EXPECT_EQ(zrv::key_char_pop(), 0);
}

TEST(KeyToChar, FixedAnswersHoldOnEveryLayout) {
  EXPECT_EQ(zrv::key_to_char(14), 8);
  EXPECT_EQ(zrv::key_to_char(28), 10);
  EXPECT_EQ(zrv::key_to_char(156), 10);
  for (int code : {29, 42, 54, 56, 58, 69, 221}) EXPECT_EQ(zrv::key_to_char(code), 0) << code;
}

TEST(KeyToChar, WithoutAWindowSystemTheUsLayoutAnswers) {
  ASSERT_TRUE(zrv::platform::backend().is_headless());
  EXPECT_EQ(zrv::key_to_char(30), 'a');
  EXPECT_EQ(zrv::key_to_char(44), 'z');
  EXPECT_EQ(zrv::key_to_char(2), '1');
  EXPECT_EQ(zrv::key_to_char(11), '0');
  EXPECT_EQ(zrv::key_to_char(57), ' ');
  EXPECT_EQ(zrv::key_to_char(53), '/');
  EXPECT_EQ(zrv::key_to_char(0x37), '*');  // keypad
  EXPECT_EQ(zrv::key_to_char(0xB5), '/');  // keypad divide (extended)
  // Control characters other than 8 and 10 come out as 0.
  EXPECT_EQ(zrv::key_to_char(1), 0);   // Escape (27)
  EXPECT_EQ(zrv::key_to_char(15), 0);  // Tab (9)
  // Keys without a character and codes outside the table.
  for (int code : {0, 59, 200, 203, 205, 210, 255, 256 + 30, -1})
    EXPECT_EQ(zrv::key_to_char(code), 0) << code;
}

}  // namespace
