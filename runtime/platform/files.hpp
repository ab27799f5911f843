// Files by descriptor, and what the system records of a file by name or by
// descriptor. A call that fails leaves the system's error number in errno,
// as the system's own call did, for the caller's message.
#pragma once

#include <cstdint>

namespace zrv::platform {

// The system's record of a file.
struct FileStatus {
  bool is_folder = false;
  bool is_regular = false;       // an ordinary file: no folder, device, pipe or link
  bool is_link = false;          // only link_status sees links
  int64_t size = 0;              // bytes
  int64_t modified_seconds = 0;  // last write of the content, seconds since 1970 (UTC)
  int32_t modified_nanoseconds = 0;
  int64_t changed_seconds = 0;  // last change of the content or of the record
  int32_t changed_nanoseconds = 0;
  uint32_t mode = 0;               // permission bits (07777)
  uint64_t device = 0, inode = 0;  // together: the file's identity
  uint64_t links = 0;              // names the file has; 0 once removed
};

// false when there is no such file (or no access to its record).
bool file_status(const char* path, FileStatus* status);  // through a link
bool link_status(const char* path, FileStatus* status);  // a link itself
bool file_status_open(int fd, FileStatus* status);

// Descriptors that child processes do not inherit; -1 on failure. Files
// made are of mode 0666 less the process's mask.
int file_open_read(const char* path);
// For reading and writing; made when missing, emptied when there.
int file_open_create(const char* path);
// For writing, at the start; made when missing, kept as it is otherwise.
int file_open_write(const char* path);

// Reads until count bytes arrived or the file ends (interrupted reads go
// on): the bytes read, or -1 on an error.
int64_t file_read(int fd, void* buffer, int64_t count);
// Writes all count bytes (interrupted writes go on); false when the system
// refuses or takes none.
bool file_write(int fd, const void* data, int64_t count);
enum class SeekFrom { Start, End };
// The new position from the start, or -1.
int64_t file_seek(int fd, int64_t offset, SeekFrom from);
// false when the system reports an error (some report late write errors here).
bool file_close(int fd);

}  // namespace zrv::platform
