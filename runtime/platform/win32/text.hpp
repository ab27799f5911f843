// The runtime's 8-bit names and texts as the wide text of the W calls, and
// back. Both ways go through the ANSI code page (CP_ACP), the set the C
// runtime's narrow calls use too: a name from the command line, from
// std::getenv or for std::fopen means the same file here.
#pragma once

#include <string>

namespace zrv::platform::win32 {

std::wstring wide_text(const char* text);
inline std::wstring wide_text(const std::string& text) { return wide_text(text.c_str()); }
// Characters the code page lacks become its default character ('?'), never
// a look-alike; *exact (when given) says whether none did.
std::string narrow_text(const wchar_t* text, size_t length, bool* exact = nullptr);
inline std::string narrow_text(const std::wstring& text, bool* exact = nullptr) {
  return narrow_text(text.data(), text.size(), exact);
}
// A name the system gives, as the runtime writes names: "/" for every
// backslash.
std::string narrow_path(const std::wstring& name);
// A folder of the shell (a CSIDL number) without its trailing "/"; "" when
// the system has none.
std::string shell_folder(int csidl);

}  // namespace zrv::platform::win32
