// Process queries on Windows: program path, temporary folder, debugger,
// current folder, the system's version, a seed.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "platform/path_names.hpp"
#include "platform/platform.hpp"
#include "platform/win32/system_errors.hpp"
#include "platform/win32/text.hpp"

namespace zrv::platform {

namespace {

// RtlGetVersion, which tells the truth where GetVersionExW gives a program
// without a manifest 6.2 (Windows 8).
using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);

}  // namespace

std::string program_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      return win32::narrow_path(path);
    }
    path.resize(path.size() * 2);
  }
}

std::string temp_directory() {
  // TMP, else TEMP, else the user's profile, else the Windows folder.
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = ::GetTempPathW(MAX_PATH + 2, buffer);
  if (n == 0 || n >= MAX_PATH + 2) {
    // None reported: a folder of our own at the root of C:.
    ::CreateDirectoryW(L"C:\\Temp", nullptr);
    return "C:/Temp";
  }
  // No final separator, except the one of a drive's root ("C:/").
  return without_final_slash(win32::narrow_path(std::wstring(buffer, n)), 3);
}

bool debugger_attached() { return ::IsDebuggerPresent() != FALSE; }

std::string current_directory() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return std::string();
  std::wstring path(size, L'\0');
  const DWORD n = ::GetCurrentDirectoryW(size, path.data());
  if (n == 0 || n >= size) return std::string();
  path.resize(n);
  return win32::narrow_path(path);
}

bool set_current_directory(const std::string& path) {
  return ::SetCurrentDirectoryW(win32::wide_text(path).c_str()) || win32::fail_with_last_error();
}

void os_version(int32_t* major, int32_t* minor) {
  *major = 0;
  *minor = 0;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto rtl_get_version =
      ntdll == nullptr ? nullptr
                       : reinterpret_cast<RtlGetVersionCall>(
                             reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
  if (rtl_get_version == nullptr || rtl_get_version(&info) != 0) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&info)) return;
#pragma GCC diagnostic pop
  }
  *major = static_cast<int32_t>(info.dwMajorVersion);
  *minor = static_cast<int32_t>(info.dwMinorVersion);
}

uint32_t run_seed() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  // The wall clock in 100 ns steps and the performance counter, with the
  // process id for two runs started at the same moment.
  const uint64_t wall = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const uint64_t mixed = wall ^ static_cast<uint64_t>(counter.QuadPart);
  return static_cast<uint32_t>(mixed ^ (mixed >> 32)) ^ (::GetCurrentProcessId() << 16);
}

void heap_keep_freed_memory() {
  // The Windows heap has no setting for it: blocks above its own limit
  // (about 1 MiB) always come from the system and go back when freed.
}

}  // namespace zrv::platform
