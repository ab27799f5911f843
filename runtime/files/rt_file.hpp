// RtFile: one stream over either a platform file or a block of memory, read
// through the same operations. A plain value: the file channels keep a table
// of them and every other command uses a local one.
#pragma once

#include <cstdint>

#include "files/paths.hpp"

namespace zrv {

class RtFile {
 public:
  // At most one of handle and data is set; the stream is open exactly when
  // one of them is.
  int handle = -1;                // platform file descriptor, -1 = none
  const uint8_t* data = nullptr;  // bytes of a memory block
  MemBlockRef block;              // keeps those bytes alive while open
  int64_t size = 0;               // block length, or file length at open for reading
  int64_t pos = 0;                // position from the start

  static constexpr int kLineSize = 1024;  // read_line destination, terminator included

  RtFile() = default;
  ~RtFile() { close(); }
  RtFile(const RtFile&) = delete;
  RtFile& operator=(const RtFile&) = delete;
  RtFile(RtFile&& other) noexcept;
  RtFile& operator=(RtFile&& other) noexcept;

  // Opens a file or a live memory-file name for reading.
  bool open_read(const char* name);
  // Deletes whatever exists under the name, then creates an empty file for
  // reading and writing. Memory-file names fail.
  bool open_create(const char* name);
  // Creates a file that did not exist (no link followed, mode 0600) for
  // reading and writing; fails when the name exists.
  bool open_create_new(const char* name);
  // Opens for writing at the end, creating the file when missing; size and
  // pos are 0. Memory-file names fail.
  bool open_append(const char* name);
  void close();
  bool is_open() const { return handle >= 0 || data != nullptr; }
  bool is_memory() const { return data != nullptr; }

  // File: pos advances by count; success only when all count bytes arrived.
  // Memory: the count is cut at the end of the block; success even when
  // fewer bytes (or none) were delivered. A closed stream fails.
  bool read(void* buffer, int64_t count);
  // Only file streams write; zero bytes always succeed. pos is not moved.
  bool write(const void* buffer, int64_t count);
  // origin < 0: from the end, > 0: from pos, 0: from the start.
  void seek(int64_t offset, int origin);
  // The current length: asks the platform for a file, else the block length.
  int64_t query_size() const;
  bool at_end() const { return pos >= size; }
  // Reads one line (up to a line feed, the end of the data or 1023 bytes)
  // into a 1024-byte destination, without the line feed and a carriage
  // return before it. False when nothing is left to read.
  bool read_line(char destination[kLineSize]);

 private:
  bool read_line_file(char destination[kLineSize]);
  bool read_line_memory(char destination[kLineSize]);
};

// read_line on bytes in memory: the line from *pos to the next line feed,
// the end of the data or 1023 bytes, with *pos moved past it.
bool memory_line_read(const uint8_t* data, int64_t size, int64_t* pos,
                      char destination[RtFile::kLineSize]);

}  // namespace zrv
