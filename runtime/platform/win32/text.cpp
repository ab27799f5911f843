// Conversions between the ANSI code page and UTF-16.
#include "platform/win32/text.hpp"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

namespace zrv::platform::win32 {

std::wstring wide_text(const char* text) {
  const int bytes = static_cast<int>(std::strlen(text));
  if (bytes == 0) return std::wstring();
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text, bytes, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text, bytes, wide.data(), length);
  return wide;
}

std::string narrow_text(const wchar_t* text, size_t length, bool* exact) {
  if (exact != nullptr) *exact = true;
  if (length == 0) return std::string();
  const int count = static_cast<int>(length);
  // No best fit: a look-alike ("a" for "\u0101") would name another file.
  // A system whose ANSI code page is UTF-8 has every character, and takes
  // neither the flag nor the question.
  const bool utf8 = ::GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int bytes = ::WideCharToMultiByte(CP_ACP, flags, text, count, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) {
    if (exact != nullptr) *exact = false;
    return std::string();
  }
  std::string narrow(static_cast<size_t>(bytes), '\0');
  BOOL defaulted = FALSE;
  ::WideCharToMultiByte(CP_ACP, flags, text, count, narrow.data(), bytes, nullptr,
                        utf8 ? nullptr : &defaulted);
  if (exact != nullptr) *exact = defaulted == FALSE;
  return narrow;
}

std::string narrow_path(const std::wstring& name) {
  std::string narrow = narrow_text(name);
  for (char& c : narrow) {
    if (c == '\\') c = '/';
  }
  return narrow;
}

}  // namespace zrv::platform::win32
