// The keypad and the standard US layout by scan code, and the keyboard's
// default character for a key.
#include "platform/keyboard_layout.hpp"

#include "platform/keyboard.hpp"

namespace zrv::platform {

namespace {

// The keys that give a character, unshifted and shifted.
constexpr UsKey kUsLayout[] = {
    {0x02, '1', '!'},  {0x03, '2', '@'}, {0x04, '3', '#'},  {0x05, '4', '$'}, {0x06, '5', '%'},
    {0x07, '6', '^'},  {0x08, '7', '&'}, {0x09, '8', '*'},  {0x0A, '9', '('}, {0x0B, '0', ')'},
    {0x0C, '-', '_'},  {0x0D, '=', '+'}, {0x0F, 9, 9},      {0x10, 'q', 'Q'}, {0x11, 'w', 'W'},
    {0x12, 'e', 'E'},  {0x13, 'r', 'R'}, {0x14, 't', 'T'},  {0x15, 'y', 'Y'}, {0x16, 'u', 'U'},
    {0x17, 'i', 'I'},  {0x18, 'o', 'O'}, {0x19, 'p', 'P'},  {0x1A, '[', '{'}, {0x1B, ']', '}'},
    {0x1E, 'a', 'A'},  {0x1F, 's', 'S'}, {0x20, 'd', 'D'},  {0x21, 'f', 'F'}, {0x22, 'g', 'G'},
    {0x23, 'h', 'H'},  {0x24, 'j', 'J'}, {0x25, 'k', 'K'},  {0x26, 'l', 'L'}, {0x27, ';', ':'},
    {0x28, '\'', '"'}, {0x29, '`', '~'}, {0x2B, '\\', '|'}, {0x2C, 'z', 'Z'}, {0x2D, 'x', 'X'},
    {0x2E, 'c', 'C'},  {0x2F, 'v', 'V'}, {0x30, 'b', 'B'},  {0x31, 'n', 'N'}, {0x32, 'm', 'M'},
    {0x33, ',', '<'},  {0x34, '.', '>'}, {0x35, '/', '?'},  {0x39, ' ', ' '}, {0x56, '\\', '|'},
    {0x01, 27, 27},
};

}  // namespace

const UsKey* us_key(int32_t scan) {
  for (const UsKey& k : kUsLayout)
    if (k.scan == scan) return &k;
  return nullptr;
}

int32_t keypad_char(int32_t scan, bool num_lock) {
  switch (scan) {
    case 0x37:
      return '*';
    case 0x4A:
      return '-';
    case 0x4E:
      return '+';
    case 0xB5:
      return '/';
    default:
      break;
  }
  static constexpr struct {
    uint8_t scan;
    char c;
  } kDigits[] = {{0x47, '7'}, {0x48, '8'}, {0x49, '9'}, {0x4B, '4'}, {0x4C, '5'}, {0x4D, '6'},
                 {0x4F, '1'}, {0x50, '2'}, {0x51, '3'}, {0x52, '0'}, {0x53, '.'}};
  for (const auto& d : kDigits)
    if (d.scan == scan) return num_lock ? d.c : 0;
  return -1;
}

bool is_lower_letter(int32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
}

int32_t Keyboard::key_to_char(int32_t scan) {
  if (scan < 0 || scan > 255) return 0;
  // No key held: Num Lock off, no shift.
  const int32_t keypad = keypad_char(scan, false);
  if (keypad >= 0) return keypad;
  const UsKey* us = us_key(scan);
  return us != nullptr ? static_cast<unsigned char>(us->plain) : 0;
}

}  // namespace zrv::platform
