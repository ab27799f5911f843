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

// mode >= 1 read (through the archive), 0 write (replaces), < 0 append.
int32_t file_open(uint32_t channel, const RtString& name, int32_t mode);
void file_close(uint32_t channel);
// Lowest channel that is not open, -1 when all are.
int32_t file_free_channel();
// origin < 0 from the end, > 0 from the current position, 0 from the start.
void file_seek(uint32_t channel, int64_t offset, int32_t origin);
int64_t file_position(uint32_t channel);
int32_t file_at_end(uint32_t channel);

void file_write_line(uint32_t channel, const RtString& text);
void file_write_string(uint32_t channel, const RtString& text);
void file_write_float(uint32_t channel, double value);
void file_write_double(uint32_t channel, double value);
void file_write_u32(uint32_t channel, int32_t value);
void file_write_u16(uint32_t channel, int32_t value);
void file_write_u8(uint32_t channel, int32_t value);
void file_write_i32(uint32_t channel, int32_t value);
void file_write_i16(uint32_t channel, int32_t value);
void file_write_i8(uint32_t channel, int32_t value);

void file_read_line(uint32_t channel, RtString& out);
void file_read_line_int(uint32_t channel, int32_t& out);
void file_read_line_number(uint32_t channel, double& out);
void file_read_string(uint32_t channel, RtString& out, int32_t count);
void file_read_float(uint32_t channel, double& out);
void file_read_double(uint32_t channel, double& out);
void file_read_u32(uint32_t channel, int32_t& out);
void file_read_u16(uint32_t channel, int32_t& out);
void file_read_u8(uint32_t channel, int32_t& out);
void file_read_i32(uint32_t channel, int32_t& out);
void file_read_i16(uint32_t channel, int32_t& out);
void file_read_i8(uint32_t channel, int32_t& out);

// Shutdown: closes every channel (flushing and releasing the platform files)
// and frees the channel table.
void file_channels_close_all();

}  // namespace zrv
