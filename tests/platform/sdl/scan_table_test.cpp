// The table from window-system keys (SDL scancodes, which are the USB usage
// numbers) to set-1 scan codes: all 105 keys of an ISO keyboard, each to its
// own code, and the way back.
#include <gtest/gtest.h>

#include <set>

#include "platform/sdl/keyboard_sdl.hpp"

namespace {

struct Key {
  int usb;
  int scan;
  const char* name;
};

// A 105-key keyboard, row by row, with the scan codes DirectInput numbers
// them by.
constexpr Key kIso105[] = {
    {41, 0x01, "Escape"},
    {58, 0x3B, "F1"},
    {59, 0x3C, "F2"},
    {60, 0x3D, "F3"},
    {61, 0x3E, "F4"},
    {62, 0x3F, "F5"},
    {63, 0x40, "F6"},
    {64, 0x41, "F7"},
    {65, 0x42, "F8"},
    {66, 0x43, "F9"},
    {67, 0x44, "F10"},
    {68, 0x57, "F11"},
    {69, 0x58, "F12"},
    {70, 0xB7, "PrintScreen"},
    {71, 0x46, "ScrollLock"},
    {72, 0xC5, "Pause"},

    {53, 0x29, "Grave"},
    {30, 0x02, "1"},
    {31, 0x03, "2"},
    {32, 0x04, "3"},
    {33, 0x05, "4"},
    {34, 0x06, "5"},
    {35, 0x07, "6"},
    {36, 0x08, "7"},
    {37, 0x09, "8"},
    {38, 0x0A, "9"},
    {39, 0x0B, "0"},
    {45, 0x0C, "Minus"},
    {46, 0x0D, "Equals"},
    {42, 0x0E, "Backspace"},

    {43, 0x0F, "Tab"},
    {20, 0x10, "Q"},
    {26, 0x11, "W"},
    {8, 0x12, "E"},
    {21, 0x13, "R"},
    {23, 0x14, "T"},
    {28, 0x15, "Y"},
    {24, 0x16, "U"},
    {12, 0x17, "I"},
    {18, 0x18, "O"},
    {19, 0x19, "P"},
    {47, 0x1A, "LeftBracket"},
    {48, 0x1B, "RightBracket"},

    {57, 0x3A, "CapsLock"},
    {4, 0x1E, "A"},
    {22, 0x1F, "S"},
    {7, 0x20, "D"},
    {9, 0x21, "F"},
    {10, 0x22, "G"},
    {11, 0x23, "H"},
    {13, 0x24, "J"},
    {14, 0x25, "K"},
    {15, 0x26, "L"},
    {51, 0x27, "Semicolon"},
    {52, 0x28, "Apostrophe"},
    {50, 0x2B, "Hash (ISO)"},
    {40, 0x1C, "Enter"},

    {225, 0x2A, "LeftShift"},
    {100, 0x56, "Backslash (ISO)"},
    {29, 0x2C, "Z"},
    {27, 0x2D, "X"},
    {6, 0x2E, "C"},
    {25, 0x2F, "V"},
    {5, 0x30, "B"},
    {17, 0x31, "N"},
    {16, 0x32, "M"},
    {54, 0x33, "Comma"},
    {55, 0x34, "Period"},
    {56, 0x35, "Slash"},
    {229, 0x36, "RightShift"},

    {224, 0x1D, "LeftCtrl"},
    {227, 0xDB, "LeftWindows"},
    {226, 0x38, "LeftAlt"},
    {44, 0x39, "Space"},
    {230, 0xB8, "RightAlt"},
    {231, 0xDC, "RightWindows"},
    {101, 0xDD, "Menu"},
    {228, 0x9D, "RightCtrl"},

    {73, 0xD2, "Insert"},
    {74, 0xC7, "Home"},
    {75, 0xC9, "PageUp"},
    {76, 0xD3, "Delete"},
    {77, 0xCF, "End"},
    {78, 0xD1, "PageDown"},
    {82, 0xC8, "Up"},
    {80, 0xCB, "Left"},
    {81, 0xD0, "Down"},
    {79, 0xCD, "Right"},

    {83, 0x45, "NumLock"},
    {84, 0xB5, "KeypadDivide"},
    {85, 0x37, "KeypadMultiply"},
    {86, 0x4A, "KeypadMinus"},
    {95, 0x47, "Keypad7"},
    {96, 0x48, "Keypad8"},
    {97, 0x49, "Keypad9"},
    {87, 0x4E, "KeypadPlus"},
    {92, 0x4B, "Keypad4"},
    {93, 0x4C, "Keypad5"},
    {94, 0x4D, "Keypad6"},
    {89, 0x4F, "Keypad1"},
    {90, 0x50, "Keypad2"},
    {91, 0x51, "Keypad3"},
    {88, 0x9C, "KeypadEnter"},
    {98, 0x52, "Keypad0"},
    {99, 0x53, "KeypadPeriod"},
};

TEST(ScanTable, EveryKeyOfAnIsoKeyboardHasItsOwnScanCode) {
  ASSERT_EQ(std::size(kIso105), 105u);
  std::set<int> codes;
  for (const Key& k : kIso105) {
    EXPECT_EQ(zrv::platform::keyboard_scan_from_sdl(k.usb), k.scan) << k.name;
    codes.insert(k.scan);
  }
  EXPECT_EQ(codes.size(), 105u);
}

TEST(ScanTable, ScanCodesLeadBackToTheirKeys) {
  for (const Key& k : kIso105) {
    // The ISO hash key shares its code with the US backslash key, which the
    // way back answers.
    const int back = zrv::platform::keyboard_sdl_from_scan(k.scan);
    EXPECT_EQ(zrv::platform::keyboard_scan_from_sdl(back), k.scan) << k.name;
    if (k.usb != 50) {
      EXPECT_EQ(back, k.usb) << k.name;
    }
  }
  EXPECT_EQ(zrv::platform::keyboard_sdl_from_scan(0x2B), 49);  // US backslash
}

TEST(ScanTable, TheGameAndQuitKeys) {
  EXPECT_EQ(zrv::platform::keyboard_scan_from_sdl(44), 57);   // Space
  EXPECT_EQ(zrv::platform::keyboard_scan_from_sdl(80), 203);  // left arrow
  EXPECT_EQ(zrv::platform::keyboard_scan_from_sdl(79), 205);  // right arrow
  EXPECT_EQ(zrv::platform::keyboard_scan_from_sdl(41), 1);    // Escape
  EXPECT_EQ(zrv::platform::keyboard_scan_from_sdl(226), 56);  // left Alt
  EXPECT_EQ(zrv::platform::keyboard_scan_from_sdl(61), 62);   // F4
}

TEST(ScanTable, UnknownAndOutOfRangeKeysHaveNoCode) {
  for (int usb : {0, 1, 2, 3, 116, 511, 512, -1, 100000})
    EXPECT_EQ(zrv::platform::keyboard_scan_from_sdl(usb), 0) << usb;
  for (int scan : {0, 0x54, 0x55, 0xFF, 256, -1})
    EXPECT_EQ(zrv::platform::keyboard_sdl_from_scan(scan), 0) << scan;
}

}  // namespace
