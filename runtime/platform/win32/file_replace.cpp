// A file written whole that takes the place of the old one only when
// complete: the new bytes go to a temporary file beside the target, which is
// flushed to the disk and moved over it. A failed write, or a process that
// dies half-way, leaves the old file as it was. The new file takes the old
// one's access list and its attributes (read-only, hidden, system), which
// stand for the mode; a read-only target, which Windows would not let go,
// gives way for the move. The temporary file is moved while still open,
// which its sharing modes permit.
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/first_error.hpp"
#include "platform/folders.hpp"
#include "platform/platform.hpp"
#include "platform/win32/file_handles.hpp"
#include "platform/win32/security.hpp"
#include "platform/win32/system_errors.hpp"
#include "platform/win32/text.hpp"

namespace zrv::platform {

namespace {

// FileRenameInfoEx, which the headers declare for later targets only.
constexpr auto kRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Distinguishes the temporary files of one process.
unsigned next_temp_serial() {
  static unsigned serial = 0;
  return ++serial;
}

// Moves the open file over the target by its handle, by POSIX's rules
// (Windows 10 1809 and later, NTFS): a target that others hold open goes
// all the same, their handles keep the old file. Elsewhere by name, which
// a target held open refuses. False with errno.
bool move_over(HANDLE file, const std::wstring& temp, const std::wstring& target) {
  const DWORD length = ::GetFullPathNameW(target.c_str(), 0, nullptr, nullptr);
  if (length > 0) {
    const size_t name_bytes = (length - 1) * sizeof(wchar_t);
    const size_t size = offsetof(FILE_RENAME_INFO, FileName) + name_bytes + sizeof(wchar_t);
    std::vector<uint64_t> storage((size + 7) / 8);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
    info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name_bytes);
    if (::GetFullPathNameW(target.c_str(), length, info->FileName, nullptr) == length - 1 &&
        ::SetFileInformationByHandle(file, kRenameInfoEx, info, static_cast<DWORD>(size))) {
      return true;
    }
  }
  return ::MoveFileExW(temp.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
         win32::fail_with_last_error();
}

bool fail(int* error) {
  if (error != nullptr) *error = errno;
  return false;
}

}  // namespace

bool replace_begin(const std::string& target, ReplaceTarget* t, int* error) {
  *t = ReplaceTarget{};
  if (error != nullptr) *error = 0;
  std::string native = target;
  FileStatus st;
  // A device or a pipe (NUL, \\.\pipe\x) is written in place: there is no
  // old content to keep, and nothing to move over it. A name in the device
  // space is not even asked for its status, which would connect to a pipe.
  const bool device_space = native.size() >= 4 && (native[0] == '\\' || native[0] == '/') &&
                            (native[1] == '\\' || native[1] == '/') && native[2] == '.' &&
                            (native[3] == '\\' || native[3] == '/');
  if (device_space || (win32::path_status(win32::wide_text(native), true, &st) && !st.is_regular &&
                       !st.is_folder)) {
    t->fd = win32::descriptor_open(win32::wide_text(native), GENERIC_WRITE, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL);
    if (t->fd < 0) return fail(error);
    t->in_place = true;
    t->target = native;
    return true;
  }
  // Through a symbolic link the file it leads to is replaced, not the link.
  std::string resolved;
  if (win32::path_status(win32::wide_text(native), false, &st) && st.is_link &&
      real_path(native.c_str(), &resolved)) {
    native = resolved;
  }
  const bool replaces = win32::path_status(win32::wide_text(native), true, &st) && st.is_regular;
  const std::string folder = native.substr(0, native.find_last_of("\\/:") + 1);
  // A short name of its own, so that long targets still fit the name limit.
  for (int attempt = 0; attempt < 16; ++attempt) {
    char leaf[48];
    std::snprintf(leaf, sizeof leaf, ".zrv%lx-%x.tmp", ::GetCurrentProcessId(), next_temp_serial());
    const std::string temp = folder + leaf;
    // DELETE: the commit moves it by its handle.
    const int fd = win32::descriptor_open(win32::wide_text(temp), GENERIC_WRITE | DELETE,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return fail(error);
    }
    if (replaces) win32::access_copy(win32::wide_text(native), win32::wide_text(temp));
    t->fd = fd;
    t->target = native;
    t->temp = temp;
    return true;
  }
  errno = EEXIST;
  return fail(error);
}

bool replace_commit(ReplaceTarget* t, int* error) {
  if (error != nullptr) *error = 0;
  if (t->fd < 0) return false;
  const int fd = t->fd;
  t->fd = -1;
  FirstError steps(error);
  if (!t->in_place) {
    const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    steps.check(::FlushFileBuffers(h) || win32::fail_with_last_error());
    if (steps.ok()) {
      const std::wstring target = win32::wide_text(t->target);
      const DWORD old = ::GetFileAttributesW(target.c_str());
      const bool exists = old != INVALID_FILE_ATTRIBUTES;
      const bool folder = exists && (old & FILE_ATTRIBUTE_DIRECTORY) != 0;
      // A fresh file replaces an empty folder of the same name.
      if (folder && (old & FILE_ATTRIBUTE_REPARSE_POINT) == 0) ::RemoveDirectoryW(target.c_str());
      const bool read_only = exists && !folder && (old & FILE_ATTRIBUTE_READONLY) != 0;
      if (read_only) ::SetFileAttributesW(target.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
      const bool moved = move_over(h, win32::wide_text(t->temp), target);
      if (!moved && read_only) {
        const int saved = errno;
        ::SetFileAttributesW(target.c_str(), old);
        errno = saved;
      }
      if (moved && exists && !folder && (old & kKeptAttributes) != 0) {
        ::SetFileAttributesW(target.c_str(), (old & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE);
      }
      steps.check(moved);
    }
  }
  steps.check(::_close(fd) == 0);
  if (!t->in_place && !steps.ok()) ::DeleteFileW(win32::wide_text(t->temp).c_str());
  *t = ReplaceTarget{};
  return steps.ok();
}

bool same_file(const char* a, const char* b) {
  FileStatus sa, sb;
  return a != nullptr && b != nullptr && win32::path_status(win32::wide_text(a), true, &sa) &&
         win32::path_status(win32::wide_text(b), true, &sb) && (sa.device != 0 || sa.inode != 0) &&
         sa.device == sb.device && sa.inode == sb.inode;
}

std::FILE* replace_stream(ReplaceTarget* t) {
  if (t->fd < 0) return nullptr;
  // A handle of its own on the same open file (and position), which
  // programs started from this one do not inherit.
  const HANDLE process = ::GetCurrentProcess();
  HANDLE copy = nullptr;
  if (!::DuplicateHandle(process, reinterpret_cast<HANDLE>(::_get_osfhandle(t->fd)), process, &copy,
                         0, FALSE, DUPLICATE_SAME_ACCESS)) {
    win32::fail_with_last_error();
    return nullptr;
  }
  const int fd = win32::descriptor_of(copy);
  if (fd < 0) return nullptr;
  std::FILE* stream = ::_fdopen(fd, "wb");
  if (stream == nullptr) ::_close(fd);
  return stream;
}

void replace_abort(ReplaceTarget* t) {
  if (t->fd < 0) return;
  ::_close(t->fd);
  if (!t->in_place) ::DeleteFileW(win32::wide_text(t->temp).c_str());
  *t = ReplaceTarget{};
}

}  // namespace zrv::platform
