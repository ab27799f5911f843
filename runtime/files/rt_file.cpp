// RtFile over the platform's file descriptors and shared memory blocks.
#include "files/rt_file.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "files/paths.hpp"
#include "platform/files.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

constexpr int64_t kLineChunk = 64;

// A carriage return right before the line's end is not part of the line.
void strip_carriage_return(char* line, int64_t* length) {
  if (*length > 0 && line[*length - 1] == '\r') {
    line[--*length] = 0;
  }
}

}  // namespace

RtFile::RtFile(RtFile&& other) noexcept
    : handle(other.handle),
      data(other.data),
      block(std::move(other.block)),
      size(other.size),
      pos(other.pos) {
  other.handle = -1;
  other.data = nullptr;
  other.size = 0;
  other.pos = 0;
}

RtFile& RtFile::operator=(RtFile&& other) noexcept {
  if (this != &other) {
    close();
    std::swap(handle, other.handle);
    std::swap(data, other.data);
    std::swap(block, other.block);
    std::swap(size, other.size);
    std::swap(pos, other.pos);
  }
  return *this;
}

bool RtFile::open_read(const char* name) {
  close();
  if (name == nullptr || name[0] == 0) return false;
  if (memfile_is_name(name)) {
    block = memfile_lookup(name, &data, &size);
    if (block == nullptr) return false;
    pos = 0;
    return true;
  }
  char native[kPathBufferSize];
  if (!path_to_platform(name, native)) return false;
  int fd = platform::file_open_read(native);
  if (fd < 0) return false;
  platform::FileStatus st;
  if (!platform::file_status_open(fd, &st)) {
    st.size = 0;
  } else if (st.is_folder) {
    // Directories are not files to read.
    platform::file_close(fd);
    return false;
  }
  handle = fd;
  size = st.size;
  pos = 0;
  return true;
}

namespace {

// The platform name of a file to write: memory-file names and names that
// do not fit are none.
bool writable_name(const char* name, char native[kPathBufferSize]) {
  return name != nullptr && name[0] != 0 && !memfile_is_name(name) &&
         path_to_platform(name, native);
}

}  // namespace

bool RtFile::open_create(const char* name) {
  close();
  char native[kPathBufferSize];
  if (!writable_name(name, native)) return false;
  // The full name first: deleting a folder of that name may move the
  // current folder out of it.
  const std::string full = path_absolute(native);
  path_delete(full.c_str());
  handle = platform::file_open_create(full.c_str());
  return handle >= 0;
}

bool RtFile::open_create_new(const char* name) {
  close();
  char native[kPathBufferSize];
  if (!writable_name(name, native)) return false;
  handle = platform::file_create_new(native);
  return handle >= 0;
}

bool RtFile::open_append(const char* name) {
  close();
  char native[kPathBufferSize];
  if (!writable_name(name, native)) return false;
  int fd = platform::file_open_write(native);
  if (fd < 0) return false;
  platform::FileStatus st;
  if (platform::file_status_open(fd, &st) && st.is_folder) {
    platform::file_close(fd);
    return false;
  }
  platform::file_seek(fd, 0, platform::SeekFrom::End);
  handle = fd;
  return true;
}

void RtFile::close() {
  if (handle >= 0) platform::file_close(handle);
  handle = -1;
  data = nullptr;
  block.reset();
  size = 0;
  pos = 0;
}

bool RtFile::read(void* buffer, int64_t count) {
  if (count < 0) return false;
  if (data != nullptr) {
    // Never touch bytes before the block or after its end.
    if (pos < 0 || pos > size) return false;
    count = std::min(count, size - pos);
    if (count > 0) std::memcpy(buffer, data + pos, static_cast<size_t>(count));
    pos += count;
    return true;
  }
  if (handle < 0 || pos < 0) return false;
  pos += count;
  return platform::file_read(handle, buffer, count) == count;
}

bool RtFile::write(const void* buffer, int64_t count) {
  if (count == 0) return true;
  if (count < 0 || handle < 0) return false;
  return platform::file_write(handle, buffer, count);
}

void RtFile::seek(int64_t offset, int origin) {
  if (!is_open()) return;
  if (origin < 0) {
    pos = size + offset;
  } else if (origin > 0) {
    pos += offset;
  } else {
    pos = offset;
  }
  if (handle >= 0 && pos >= 0) platform::file_seek(handle, pos, platform::SeekFrom::Start);
}

int64_t RtFile::query_size() const {
  if (data != nullptr) return size;
  if (handle < 0) return 0;
  platform::FileStatus st;
  if (!platform::file_status_open(handle, &st)) return 0;
  return st.size;
}

bool RtFile::read_line(char destination[kLineSize]) {
  if (data != nullptr) return read_line_memory(destination);
  if (handle >= 0) return read_line_file(destination);
  return false;
}

// Reads 64-byte chunks until a line feed shows up, the file ends or the
// 1024-byte budget is used; then puts the file pointer right behind the line
// so that no read-ahead has to be kept between calls.
bool RtFile::read_line_file(char destination[kLineSize]) {
  std::memset(destination, 0, kLineSize);
  if (pos < 0 || platform::file_seek(handle, pos, platform::SeekFrom::Start) < 0) return false;
  const int64_t start = pos;
  int64_t total = 0;
  while (total < kLineSize) {
    int64_t ask = std::min<int64_t>(kLineChunk, kLineSize - total);
    int64_t got = platform::file_read(handle, destination + total, ask);
    if (got < 0) return false;
    if (got == 0 && total == 0) return false;  // nothing left at all
    const char* lf = static_cast<const char*>(std::memchr(destination + total, '\n', got));
    if (lf != nullptr) {
      int64_t length = lf - destination;
      std::memset(destination + length, 0, static_cast<size_t>(kLineSize - length));
      pos = start + length + 1;
      platform::file_seek(handle, pos, platform::SeekFrom::Start);
      strip_carriage_return(destination, &length);
      return true;
    }
    total += got;
    if (got < ask) {
      // The end of the data ends the line, also right after a full chunk.
      pos = start + total;
      strip_carriage_return(destination, &total);
      return true;
    }
  }
  // A line longer than the destination: keep 1023 bytes and continue with
  // the next byte on the following read, so that nothing is lost.
  destination[kLineSize - 1] = 0;
  pos = start + kLineSize - 1;
  platform::file_seek(handle, pos, platform::SeekFrom::Start);
  return true;
}

bool RtFile::read_line_memory(char destination[kLineSize]) {
  return memory_line_read(data, size, &pos, destination);
}

bool memory_line_read(const uint8_t* data, int64_t size, int64_t* pos,
                      char destination[RtFile::kLineSize]) {
  constexpr int64_t kLineSize = RtFile::kLineSize;
  std::memset(destination, 0, kLineSize);
  if (*pos < 0 || *pos >= size) return false;
  const int64_t window = std::min<int64_t>(size - *pos, kLineSize);
  const uint8_t* from = data + *pos;
  const void* lf = std::memchr(from, '\n', static_cast<size_t>(window));
  int64_t length = 0;
  if (lf != nullptr) {
    length = static_cast<const uint8_t*>(lf) - from;
    std::memcpy(destination, from, static_cast<size_t>(length));
    *pos += length + 1;
    strip_carriage_return(destination, &length);
  } else if (window < kLineSize) {
    length = window;
    std::memcpy(destination, from, static_cast<size_t>(length));
    *pos += length;
    strip_carriage_return(destination, &length);
  } else {
    std::memcpy(destination, from, kLineSize - 1);
    *pos += kLineSize - 1;
  }
  return true;
}

}  // namespace zrv
