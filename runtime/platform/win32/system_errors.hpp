// The system's error codes (GetLastError) as the errno values the
// runtime's callers test for and print with strerror.
#pragma once

namespace zrv::platform::win32 {

int errno_of(unsigned long system_error);
// Sets errno from GetLastError(); returns false for the caller's return.
bool fail_with_last_error();

}  // namespace zrv::platform::win32
