// Descriptors on handles of CreateFileW, and what GetFileInformationByHandle
// and its kin record of a file: its volume's serial number and index on the
// volume are the device and inode, its link count drops to 0 once it is
// being removed. Permission bits are what Windows has of them: all may read,
// all may write unless the file is read-only, folders may be entered.
#include "platform/win32/file_handles.hpp"

#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "platform/win32/system_errors.hpp"

namespace zrv::platform::win32 {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// 100-nanosecond steps since 1601 to seconds and nanoseconds since 1970.
void unix_time(int64_t ticks, int64_t* seconds, int32_t* nanoseconds) {
  const int64_t since_1970 = ticks - 116444736000000000LL;
  int64_t s = since_1970 / 10000000;
  int64_t rest = since_1970 % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --s;
  }
  *seconds = s;
  *nanoseconds = static_cast<int32_t>(rest * 100);
}

int64_t ticks_of(const FILETIME& ft) {
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

uint32_t mode_of(DWORD attributes) {
  uint32_t mode = 0444;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) mode |= 0222;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) mode |= 0111;
  return mode;
}

}  // namespace

int descriptor_of(void* handle) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_NOINHERIT);
  if (fd < 0) {
    ::CloseHandle(handle);
    errno = EMFILE;
  }
  return fd;
}

int descriptor_open(const std::wstring& path, uint32_t access, uint32_t disposition,
                    uint32_t attributes) {
  if (path.empty()) {
    errno = ENOENT;
    return -1;
  }
  HANDLE h =
      ::CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    errno = errno_of(error);
    // Windows refuses a folder as a file; POSIX says what it is.
    if (error == ERROR_ACCESS_DENIED) {
      const DWORD found = ::GetFileAttributesW(path.c_str());
      if (found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY) != 0)
        errno = EISDIR;
    }
    return -1;
  }
  return descriptor_of(h);
}

bool handle_status(void* handle, FileStatus* status) {
  *status = FileStatus{};
  const DWORD type = ::GetFileType(handle);
  if (type != FILE_TYPE_DISK) {
    if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) return fail_with_last_error();
    // A console, a pipe or a device such as NUL: neither folder nor file.
    status->mode = 0666;
    status->links = 1;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info)) return fail_with_last_error();
  status->is_folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status->is_regular = !status->is_folder;
  if (!status->is_folder) {
    status->size =
        static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  }
  unix_time(ticks_of(info.ftLastWriteTime), &status->modified_seconds,
            &status->modified_nanoseconds);
  // The change of the record has a time of its own where the file system
  // keeps one.
  FILE_BASIC_INFO basic;
  if (::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) &&
      basic.ChangeTime.QuadPart != 0) {
    unix_time(basic.ChangeTime.QuadPart, &status->changed_seconds, &status->changed_nanoseconds);
  } else {
    status->changed_seconds = status->modified_seconds;
    status->changed_nanoseconds = status->modified_nanoseconds;
  }
  status->mode = mode_of(info.dwFileAttributes);
  status->device = info.dwVolumeSerialNumber;
  status->inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  status->links = info.nNumberOfLinks;
  FILE_STANDARD_INFO standard;
  if (::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) &&
      standard.DeletePending) {
    status->links = 0;
  }
  return true;
}

bool path_status(const std::wstring& path, bool follow, FileStatus* status) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  // Folders open only with backup semantics; reading the record needs no
  // access to the content.
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                           flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail_with_last_error();
  bool ok = handle_status(h, status);
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (ok && !follow && ::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) &&
      (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
      (tag.ReparseTag == IO_REPARSE_TAG_SYMLINK || tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT)) {
    // A symbolic link or a junction: a link, whatever it leads to.
    status->is_link = true;
    status->is_folder = false;
    status->is_regular = false;
  }
  ::CloseHandle(h);
  return ok;
}

}  // namespace zrv::platform::win32
