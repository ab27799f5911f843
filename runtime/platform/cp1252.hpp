// The runtime's 8-bit text set, Windows-1252: bytes below 0x80 and from
// 0xA0 are the same code points as Unicode; 0x80..0x9F hold the typographic
// characters below, five of them undefined.
#pragma once

#include <cstdint>
#include <string>

namespace zrv::platform {

// Code points of 0x80..0x9F; 0 marks the five bytes the set leaves undefined.
inline constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The code point of a byte (U+FFFD for the undefined ones).
inline uint32_t cp1252_to_code_point(uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  return kCp1252High[byte - 0x80] != 0 ? kCp1252High[byte - 0x80] : 0xFFFD;
}

// The byte of a code point, or -1 when the set has none (C1 controls too).
inline int32_t cp1252_from_code_point(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int32_t>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] != 0 && kCp1252High[i] == cp) return 0x80 + i;
  }
  return -1;
}

// The 8-bit characters of a UTF-8 text: code points the set has map to
// their byte, others are dropped.
std::string cp1252_from_utf8(const char* text);
// A text of the set in UTF-8.
std::string cp1252_to_utf8(const char* text);

}  // namespace zrv::platform
