// Files by descriptor and their status on POSIX systems.
#include "platform/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/whole_transfer.hpp"

namespace zrv::platform {

namespace {

void status_from_stat(const struct stat& st, FileStatus* status) {
  status->is_folder = S_ISDIR(st.st_mode);
  status->is_regular = S_ISREG(st.st_mode);
  status->is_link = S_ISLNK(st.st_mode);
  status->size = static_cast<int64_t>(st.st_size);
  status->modified_seconds = static_cast<int64_t>(st.st_mtim.tv_sec);
  status->modified_nanoseconds = static_cast<int32_t>(st.st_mtim.tv_nsec);
  status->changed_seconds = static_cast<int64_t>(st.st_ctim.tv_sec);
  status->changed_nanoseconds = static_cast<int32_t>(st.st_ctim.tv_nsec);
  status->mode = static_cast<uint32_t>(st.st_mode & 07777);
  status->device = static_cast<uint64_t>(st.st_dev);
  status->inode = static_cast<uint64_t>(st.st_ino);
  status->links = static_cast<uint64_t>(st.st_nlink);
}

}  // namespace

bool file_status(const char* path, FileStatus* status) {
  struct stat st;
  if (::stat(path, &st) != 0) return false;
  status_from_stat(st, status);
  return true;
}

bool link_status(const char* path, FileStatus* status) {
  struct stat st;
  if (::lstat(path, &st) != 0) return false;
  status_from_stat(st, status);
  return true;
}

bool file_status_open(int fd, FileStatus* status) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  status_from_stat(st, status);
  return true;
}

int file_open_read(const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC); }

int file_open_create(const char* path) {
  return ::open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int file_open_write(const char* path) { return ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666); }

int64_t file_read(int fd, void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  return whole_transfer(count, [&](int64_t done, int64_t left) {
    return static_cast<int64_t>(::read(fd, out + done, static_cast<size_t>(left)));
  });
}

bool file_write(int fd, const void* data, int64_t count) {
  const auto* in = static_cast<const uint8_t*>(data);
  return whole_transfer(count, [&](int64_t done, int64_t left) {
           return static_cast<int64_t>(::write(fd, in + done, static_cast<size_t>(left)));
         }) == count;
}

int64_t file_seek(int fd, int64_t offset, SeekFrom from) {
  return static_cast<int64_t>(
      ::lseek(fd, static_cast<off_t>(offset), from == SeekFrom::End ? SEEK_END : SEEK_SET));
}

bool file_close(int fd) { return ::close(fd) == 0; }

}  // namespace zrv::platform
