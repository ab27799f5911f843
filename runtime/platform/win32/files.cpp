// Files by descriptor and their status on Windows: the C runtime's
// descriptors on handles that CreateFileW opened.
#include "platform/files.hpp"

#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "platform/whole_transfer.hpp"
#include "platform/win32/file_handles.hpp"
#include "platform/win32/system_errors.hpp"
#include "platform/win32/text.hpp"

namespace zrv::platform {

namespace {

// The C runtime's reads and writes take an unsigned int count.
constexpr int64_t kChunk = 1 << 30;

}  // namespace

bool file_status(const char* path, FileStatus* status) {
  return win32::path_status(win32::wide_text(path), true, status);
}

bool link_status(const char* path, FileStatus* status) {
  return win32::path_status(win32::wide_text(path), false, status);
}

bool file_status_open(int fd, FileStatus* status) {
  const intptr_t handle = ::_get_osfhandle(fd);
  if (handle == -1) {
    errno = EBADF;
    return false;
  }
  return win32::handle_status(reinterpret_cast<void*>(handle), status);
}

int file_open_read(const char* path) {
  return win32::descriptor_open(win32::wide_text(path), GENERIC_READ, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL);
}

int file_open_create(const char* path) {
  // Emptied here rather than by CREATE_ALWAYS, which refuses hidden files.
  const int fd = win32::descriptor_open(win32::wide_text(path), GENERIC_READ | GENERIC_WRITE,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (fd < 0) return -1;
  HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (::GetFileType(h) == FILE_TYPE_DISK && !::SetEndOfFile(h)) {
    win32::fail_with_last_error();
    const int saved = errno;
    ::_close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

int file_open_write(const char* path) {
  return win32::descriptor_open(win32::wide_text(path), GENERIC_WRITE, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL);
}

int64_t file_read(int fd, void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  return whole_transfer(count, [&](int64_t done, int64_t left) {
    return static_cast<int64_t>(
        ::_read(fd, out + done, static_cast<unsigned>(std::min(left, kChunk))));
  });
}

bool file_write(int fd, const void* data, int64_t count) {
  const auto* in = static_cast<const uint8_t*>(data);
  return whole_transfer(count, [&](int64_t done, int64_t left) {
           return static_cast<int64_t>(
               ::_write(fd, in + done, static_cast<unsigned>(std::min(left, kChunk))));
         }) == count;
}

int64_t file_seek(int fd, int64_t offset, SeekFrom from) {
  return ::_lseeki64(fd, offset, from == SeekFrom::End ? SEEK_END : SEEK_SET);
}

bool file_close(int fd) { return ::_close(fd) == 0; }

}  // namespace zrv::platform
