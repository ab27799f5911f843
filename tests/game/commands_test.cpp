// The sound commands the game loads and plays with, as they behave without a
// sound device: loads report error 3 and leave the slot empty, playing an
// empty slot does nothing.
#include <gtest/gtest.h>

#include "base/context.hpp"
#include "sound/sound_commands.hpp"

namespace {

TEST(SoundCommands, LoadWithoutDeviceIsErrorThree) {
  zrv::ctx.last_error = 0;
  zrv::sound_load("quack.wav", 4, 0);
  EXPECT_EQ(zrv::ctx.last_error, 3);
  zrv::sound_load("quack.wav", 4095, 2);
  EXPECT_EQ(zrv::ctx.last_error, 3);
}

TEST(SoundCommands, SlotNumbersAbove4095AreErrorSeven) {
  zrv::ctx.last_error = 0;
  zrv::sound_load("quack.wav", 4096, 0);
  EXPECT_EQ(zrv::ctx.last_error, 7);
  zrv::ctx.last_error = 0;
  zrv::sound_load("quack.wav", -1, 0);  // compared without sign
  EXPECT_EQ(zrv::ctx.last_error, 7);
  zrv::ctx.last_error = 0;
  EXPECT_EQ(zrv::sound_play(4096, 0, 1), 0);
  EXPECT_EQ(zrv::ctx.last_error, 7);
  zrv::ctx.last_error = 0;
  EXPECT_EQ(zrv::sound_play(-3, 0, 1), 0);
  EXPECT_EQ(zrv::ctx.last_error, 7);
}

TEST(SoundCommands, PlayingAnEmptySlotPlaysNothing) {
  zrv::ctx.last_error = 0;
  for (int32_t slot = 1; slot <= 7; ++slot) EXPECT_EQ(zrv::sound_play(slot, 0, 1), -1);
  EXPECT_EQ(zrv::sound_play(0, -2.0, 5.0), -1);
  EXPECT_EQ(zrv::ctx.last_error, 0);
}

}  // namespace
