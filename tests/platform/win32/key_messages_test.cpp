// The scan codes of the window's key messages and the characters of its
// character messages, from the message words as Windows fills them.
#include "platform/win32/key_messages.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using zrv::platform::win32::char_from_utf16;
using zrv::platform::win32::key_message_repeats;
using zrv::platform::win32::scan_from_key_message;
using zrv::platform::win32::scan_from_layout;

// lParam of a key message: repeat count 1, the scan code in bits 16..23,
// the extended flag in bit 24, the previous state in bit 30, the transition
// in bit 31.
constexpr uint32_t key_lparam(uint32_t scan, bool extended, bool was_down, bool up) {
  return 1u | (scan << 16) | (extended ? 1u << 24 : 0u) | (was_down ? 1u << 30 : 0u) |
         (up ? 1u << 31 : 0u);
}

constexpr uint32_t kVkReturn = 0x0D, kVkSpace = 0x20, kVkLeft = 0x25, kVkRight = 0x27;
constexpr uint32_t kVkEscape = 0x1B, kVkMenu = 0x12, kVkF4 = 0x73, kVkControl = 0x11;
constexpr uint32_t kVkPause = 0x13, kVkNumLock = 0x90, kVkDivide = 0x6F, kVkSnapshot = 0x2C;

TEST(KeyMessages, PlainKeysKeepTheirScanCode) {
  EXPECT_EQ(scan_from_key_message(kVkSpace, key_lparam(0x39, false, false, false)), 57);
  EXPECT_EQ(scan_from_key_message(kVkEscape, key_lparam(0x01, false, false, false)), 1);
  EXPECT_EQ(scan_from_key_message(kVkReturn, key_lparam(0x1C, false, false, false)), 28);
  EXPECT_EQ(scan_from_key_message(kVkMenu, key_lparam(0x38, false, false, false)), 56);
  EXPECT_EQ(scan_from_key_message(kVkF4, key_lparam(0x3E, false, false, false)), 62);
}

TEST(KeyMessages, ExtendedKeysAdd128) {
  EXPECT_EQ(scan_from_key_message(kVkLeft, key_lparam(0x4B, true, false, false)), 203);
  EXPECT_EQ(scan_from_key_message(kVkRight, key_lparam(0x4D, true, false, false)), 205);
  EXPECT_EQ(scan_from_key_message(kVkReturn, key_lparam(0x1C, true, false, false)), 156);
  EXPECT_EQ(scan_from_key_message(kVkControl, key_lparam(0x1D, true, false, false)), 157);
  EXPECT_EQ(scan_from_key_message(kVkMenu, key_lparam(0x38, true, false, false)), 184);
  EXPECT_EQ(scan_from_key_message(kVkDivide, key_lparam(0x35, true, false, false)), 181);
  EXPECT_EQ(scan_from_key_message(kVkSnapshot, key_lparam(0x37, true, false, true)), 183);
}

TEST(KeyMessages, KeyUpAndRepeatBitsDoNotChangeTheCode) {
  EXPECT_EQ(scan_from_key_message(kVkLeft, key_lparam(0x4B, true, true, false)), 203);
  EXPECT_EQ(scan_from_key_message(kVkLeft, key_lparam(0x4B, true, true, true)), 203);
  EXPECT_EQ(scan_from_key_message(kVkSpace, key_lparam(0x39, false, true, true)), 57);
  EXPECT_FALSE(key_message_repeats(key_lparam(0x39, false, false, false)));
  EXPECT_TRUE(key_message_repeats(key_lparam(0x39, false, true, false)));
}

TEST(KeyMessages, PauseAndNumLockComeCrossedAndAreSwapped) {
  // Num Lock arrives as extended 0x45, Pause as plain 0x45.
  EXPECT_EQ(scan_from_key_message(kVkNumLock, key_lparam(0x45, true, false, false)), 0x45);
  EXPECT_EQ(scan_from_key_message(kVkPause, key_lparam(0x45, false, false, false)), 0xC5);
}

TEST(KeyMessages, InjectedKeysWithoutScanCodeAskTheLayout) {
  EXPECT_EQ(scan_from_key_message(kVkLeft, key_lparam(0, false, false, false)), 0);
  // MAPVK_VK_TO_VSC_EX: 0xE0 in the high byte for the extended keys.
  EXPECT_EQ(scan_from_layout(kVkLeft, 0xE04B), 203);
  EXPECT_EQ(scan_from_layout(kVkSpace, 0x0039), 57);
  EXPECT_EQ(scan_from_layout(kVkPause, 0xE11D), 0xC5);
  EXPECT_EQ(scan_from_layout(kVkSpace, 0), 0);
}

TEST(KeyMessages, TypedCharactersInTheEightBitSet) {
  EXPECT_EQ(char_from_utf16('a'), 'a');
  EXPECT_EQ(char_from_utf16(' '), ' ');
  EXPECT_EQ(char_from_utf16(0xFC), 0xFC);    // u with diaeresis
  EXPECT_EQ(char_from_utf16(0x20AC), 0x80);  // euro sign
  EXPECT_EQ(char_from_utf16(0x0153), 0x9C);  // oe
  EXPECT_EQ(char_from_utf16(0x0416), -1);    // Cyrillic: not in the set
  EXPECT_EQ(char_from_utf16(0xD83D), -1);    // half of a surrogate pair
}

TEST(KeyMessages, ControlCharactersComeFromKeyDownsNotCharacterMessages) {
  for (uint32_t c : {8u, 9u, 13u, 27u, 1u, 26u, 0x7Fu}) EXPECT_EQ(char_from_utf16(c), -1) << c;
}

}  // namespace
