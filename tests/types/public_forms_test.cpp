// What a game sees through zorvane.hpp alone: the integer and RtString
// forms resolve to their own overloads, not to the double or char* ones.
#include <gtest/gtest.h>

#include <cstdint>

#include "zorvane.hpp"

namespace {

TEST(PublicForms, IntegerNumbersAreFormattedAsIntegers) {
  EXPECT_EQ(zrv::str_format_number(5, 2, int32_t{42}), "   42");
  EXPECT_EQ(zrv::str_format_number(0, 0, int64_t{9007199254740993}), "9007199254740993");
  EXPECT_EQ(zrv::str_len_of_number(int32_t{-42}), 3);
}

TEST(PublicForms, SpritesWithoutARenderer) {
  zrv::sprite_load_normal_map("no such picture.png", 3);
  EXPECT_FALSE(zrv::sprite_slot_used(3));
  EXPECT_EQ(zrv::sprite_texture_get(3), 0u);
}

}  // namespace
