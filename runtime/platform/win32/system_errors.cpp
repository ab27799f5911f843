// The system's error codes as errno values, for the ones a file or folder
// call gives; the rest is EINVAL, as the C runtime's own mapping makes it.
#include "platform/win32/system_errors.hpp"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>

namespace zrv::platform::win32 {

int errno_of(unsigned long system_error) {
  switch (system_error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_NO_MORE_FILES:
    case ERROR_DELETE_PENDING:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CANT_RESOLVE_FILENAME:
      return EACCES;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_BUSY:
    case ERROR_USER_MAPPED_FILE:
      return EBUSY;
    case ERROR_NO_UNICODE_TRANSLATION:
      return EILSEQ;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
      return EIO;
    default:
      return EINVAL;
  }
}

bool fail_with_last_error() {
  errno = errno_of(::GetLastError());
  return false;
}

}  // namespace zrv::platform::win32
