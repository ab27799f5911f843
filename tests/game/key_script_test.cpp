// The scripted keyboard: parsing, bad lines, timing by presented frames and
// the key_down view of it.
#include "input/key_script.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/context.hpp"
#include "input/key_codes.hpp"
#include "input/keys.hpp"

namespace {

// 0, or the number of the first line that cannot be read.
int64_t load(const std::string& text) {
  return zrv::key_script_load_text(text.data(), text.size());
}

class KeyScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zrv::key_script_clear();
    zrv::ctx.frames_presented = 0;
  }
  void TearDown() override { zrv::key_script_clear(); }
};

TEST_F(KeyScriptTest, KeysChangeOnceTheirFrameHasBeenPresented) {
  EXPECT_EQ(load("3 57 1\n5 57 0\n4 203 1\n"), 0);
  EXPECT_EQ(zrv::key_down(57), 0);
  zrv::key_script_advance(2);
  EXPECT_EQ(zrv::key_down(57), 0);
  zrv::key_script_advance(3);
  EXPECT_EQ(zrv::key_down(57), 1);
  EXPECT_EQ(zrv::key_down(203), 0);
  zrv::key_script_advance(4);
  EXPECT_EQ(zrv::key_down(57), 1);
  EXPECT_EQ(zrv::key_down(203), 1);
  zrv::key_script_advance(5);
  EXPECT_EQ(zrv::key_down(57), 0);
  EXPECT_EQ(zrv::key_down(203), 1);
}

TEST_F(KeyScriptTest, FrameZeroAndFramesAlreadyPresentedApplyAtLoad) {
  zrv::ctx.frames_presented = 10;
  load("0 1 1\n10 205 1\n11 57 1\n");
  EXPECT_EQ(zrv::key_down(1), 1);
  EXPECT_EQ(zrv::key_down(205), 1);
  EXPECT_EQ(zrv::key_down(57), 0);
}

TEST_F(KeyScriptTest, SkippedFramesCatchUpInFileOrderWithinAFrame) {
  load("2 57 1\n2 57 0\n1 56 1\n2 62 1\n");
  zrv::key_script_advance(100);
  EXPECT_EQ(zrv::key_down(57), 0);  // the later line of frame 2 wins
  EXPECT_EQ(zrv::key_down(56), 1);
  EXPECT_EQ(zrv::key_down(62), 1);
}

TEST_F(KeyScriptTest, CommentsAndBlanksAreSkippedAndABadLineIsNamed) {
  const std::string good =
      "# comment\n"
      "\n"
      "1\t203\t1\r\n"  // tabs and CRLF are fine
      "  2 205 1  \n"  // surrounding blanks are fine
      "3 1 1";         // no final line feed
  EXPECT_EQ(load(good), 0);
  zrv::key_script_advance(1000);
  EXPECT_EQ(zrv::key_down(203), 1);
  EXPECT_EQ(zrv::key_down(205), 1);
  EXPECT_EQ(zrv::key_down(1), 1);
  for (const char* bad : {"1 57", "1 57 1 9", "1 256 1", "1 57 2", "-1 57 1", "x 57 1", "1 5x7 1",
                          "99999999999999999999 57 1"}) {
    EXPECT_EQ(load("# first\n0 57 1\n" + std::string(bad) + "\n4 1 1\n"), 3) << bad;
    EXPECT_EQ(zrv::key_down(57), 0) << "a script with a bad line is not used";
  }
  const char text[] = "1 57 1\n1 2\0 1\n1 203 1\n";  // a zero byte is no part of a number
  EXPECT_EQ(zrv::key_script_load_text(text, sizeof text - 1), 2);
}

TEST_F(KeyScriptTest, KeysByNameInAnyCase) {
  EXPECT_EQ(load("0 Space 1\n0 enter 1\n0 A 1\n0 padenter 1\n0 F12 1\n2 SPACE 0\n"), 0);
  EXPECT_EQ(zrv::key_down(zrv::key::Space), 1);
  EXPECT_EQ(zrv::key_down(zrv::key::Enter), 1);
  EXPECT_EQ(zrv::key_down(zrv::key::A), 1);
  EXPECT_EQ(zrv::key_down(zrv::key::PadEnter), 1);
  EXPECT_EQ(zrv::key_down(zrv::key::F12), 1);
  zrv::key_script_advance(2);
  EXPECT_EQ(zrv::key_down(zrv::key::Space), 0);
  for (const char* bad : {"1 Spcae 1", "1 Space1 1", "1 kSpace 1", "1 Space", "1 F16 1"}) {
    EXPECT_EQ(load("0 Left 1\n" + std::string(bad) + "\n"), 2) << bad;
  }
}

TEST_F(KeyScriptTest, KeyDownUsesTheLowEightBitsOfTheCode) {
  load("0 57 1\n");
  EXPECT_EQ(zrv::key_down(256 + 57), 1);
  EXPECT_EQ(zrv::key_down(-256 + 57), 1);
  EXPECT_EQ(zrv::key_down(58), 0);
}

TEST_F(KeyScriptTest, LoadFromFileAndMissingFile) {
  char name[] = "/tmp/zrv_keysXXXXXX";
  int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  const char text[] = "0 205 1\n7 205 0\n";
  ASSERT_EQ(write(fd, text, sizeof text - 1), static_cast<ssize_t>(sizeof text - 1));
  close(fd);
  std::string why;
  EXPECT_TRUE(zrv::key_script_load(name, &why));
  EXPECT_TRUE(zrv::key_script_active());
  EXPECT_EQ(zrv::key_down(205), 1);
  zrv::key_script_advance(7);
  EXPECT_EQ(zrv::key_down(205), 0);
  unlink(name);

  EXPECT_FALSE(zrv::key_script_load(name, &why));
  EXPECT_EQ(why, std::string("cannot read '") + name + "': No such file or directory");
  EXPECT_FALSE(zrv::key_script_active());
  EXPECT_EQ(zrv::key_down(205), 0);
}

TEST_F(KeyScriptTest, ClearReleasesEveryKey) {
  load("0 57 1\n0 1 1\n");
  zrv::key_script_clear();
  EXPECT_EQ(zrv::key_down(57), 0);
  EXPECT_EQ(zrv::key_down(1), 0);
  zrv::key_script_advance(1);
  EXPECT_EQ(zrv::key_down(57), 0);
}

}  // namespace
