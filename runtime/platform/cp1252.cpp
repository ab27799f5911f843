// Conversions between the runtime's 8-bit texts and UTF-8, the encoding of
// the window systems' and the browser's texts.
#include "platform/cp1252.hpp"

namespace zrv::platform {

std::string cp1252_from_utf8(const char* text) {
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    uint32_t cp;
    int extra;
    if (*p < 0x80) {
      cp = *p;
      extra = 0;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = *p & 0x1F;
      extra = 1;
    } else if ((*p & 0xF0) == 0xE0) {
      cp = *p & 0x0F;
      extra = 2;
    } else if ((*p & 0xF8) == 0xF0) {
      cp = *p & 0x07;
      extra = 3;
    } else {
      ++p;
      continue;
    }
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (*p & 0x3F);
      ++p;
    }
    const int32_t byte = ok ? cp1252_from_code_point(cp) : -1;
    if (byte < 0) continue;
    out += static_cast<char>(byte);
  }
  return out;
}

std::string cp1252_to_utf8(const char* text) {
  std::string out;
  for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    const uint32_t cp = cp1252_to_code_point(*p);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace zrv::platform
