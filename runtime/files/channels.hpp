// File channels: eight numbered streams opened by number and read or written
// value by value (text lines, raw strings, floats and 1-, 2- and 4-byte
// integers, little-endian in the file). The commands are strict: a bad
// channel number, a failed write or a read that cannot deliver its value
// reports the error and ends the program.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "files/rt_file.hpp"

namespace zrv {

constexpr uint32_t kFileChannelCount = 8;

// One channel. A stream on a memory block holds that block, so later name
// resolutions cannot free the bytes under the open channel.
struct FileChannel {
  RtFile stream;
  bool writable = false;  // opened for writing or appending

  FileChannel() = default;
  ~FileChannel() { close(); }
  FileChannel(const FileChannel&) = delete;
  FileChannel& operator=(const FileChannel&) = delete;

  void close();
};

// The channel commands (file_open, file_read_*, file_write_*, ...) are
// declared in zorvane.hpp, the API.

// Shutdown: closes every channel (flushing and releasing the platform files)
// and frees the channel table.
void file_channels_close_all();

}  // namespace zrv
