// Environment variables and the user's records on Windows. The process's
// block (which GetEnvironmentVariableW and programs started from this one
// see) and the C runtime's copies (which std::getenv reads) change
// together. The C runtime holds no empty value: a variable set to "" is
// empty in the block and missing for std::getenv.
#include "platform/environment.hpp"

#define WIN32_LEAN_AND_MEAN
#include <stdlib.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/win32/system_errors.hpp"
#include "platform/win32/text.hpp"

namespace zrv::platform {

namespace {

// As setenv and unsetenv have it: a name is not empty and holds no '='.
bool valid_name(const char* name) {
  if (name != nullptr && *name != '\0' && std::strchr(name, '=') == nullptr) return true;
  errno = EINVAL;
  return false;
}

std::wstring variable(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring value(size, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

}  // namespace

bool environment_set(const char* name, const char* value) {
  if (!valid_name(name)) return false;
  const std::wstring wide_name = win32::wide_text(name);
  const std::wstring wide_value = win32::wide_text(value);
  const errno_t error = ::_wputenv_s(wide_name.c_str(), wide_value.c_str());
  if (error != 0) {
    errno = error;
    return false;
  }
  // After the C runtime, which takes an empty value out of the block too.
  return ::SetEnvironmentVariableW(wide_name.c_str(), wide_value.c_str()) ||
         win32::fail_with_last_error();
}

bool environment_unset(const char* name) {
  if (!valid_name(name)) return false;
  const std::wstring wide_name = win32::wide_text(name);
  // A variable that is not there is no failure, as for unsetenv.
  if (!::SetEnvironmentVariableW(wide_name.c_str(), nullptr) &&
      ::GetLastError() != ERROR_ENVVAR_NOT_FOUND) {
    return win32::fail_with_last_error();
  }
  const errno_t error = ::_wputenv_s(wide_name.c_str(), L"");
  if (error != 0) errno = error;
  return error == 0;
}

std::vector<std::string> environment_entries() {
  std::vector<std::string> entries;
  wchar_t* block = ::GetEnvironmentStringsW();
  if (block == nullptr) return entries;
  for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
    // "=C:=C:\games": the current folder of a drive, kept in the block by
    // the command shell; no variable.
    if (*entry == L'=') continue;
    entries.push_back(win32::narrow_text(entry, wcslen(entry)));
  }
  ::FreeEnvironmentStringsW(block);
  return entries;
}

std::string user_home_recorded() {
  std::wstring home = variable(L"USERPROFILE");
  if (home.empty()) {
    const std::wstring drive = variable(L"HOMEDRIVE"), path = variable(L"HOMEPATH");
    if (!drive.empty() && !path.empty()) home = drive + path;
  }
  return win32::narrow_path(home);
}

}  // namespace zrv::platform
