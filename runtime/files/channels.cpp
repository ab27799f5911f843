// The eight file channels of the context and their value commands. Values
// are put together and taken apart byte by byte in little-endian order, so
// the file format is the same on every host byte order.
#include "files/channels.hpp"

#include <cerrno>
#include <cstring>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/paths.hpp"
#include "types/str_func.hpp"

namespace zrv {

namespace {

// A fatal command on a bad channel, an impossible read or a failed write:
// said in words, then the end.
void fail_and_end(int32_t code, const char* command, uint32_t channel, const char* why) {
  error_say(code, "%s: channel %u: %s", command, channel, why);
  program_end_fatal();
}

// Why a stream gives no more: the end of its data, or it is not open.
const char* read_failure(const FileChannel* ch) {
  if (!ch->stream.is_open()) return "not open for reading";
  return ch->writable ? "open for writing, not reading" : "read past the end";
}

FileChannel* slot(uint32_t channel) {
  FileChannel*& entry = ctx.file_channels[channel];
  if (entry == nullptr) entry = new FileChannel();
  return entry;
}

// The channel for every command under the common rule: a number above 7
// ends the program (null only when the program is already ending).
FileChannel* checked(const char* command, uint32_t channel) {
  if (channel >= kFileChannelCount) {
    fail_and_end(kErrOutOfMemory, command, channel, "out of range 0..7");
    return nullptr;
  }
  return slot(channel);
}

// False after ending the program.
bool write_bytes(const char* command, uint32_t channel, const void* bytes, int64_t count) {
  FileChannel* ch = checked(command, channel);
  if (ch == nullptr) return false;
  if (!ch->writable || !ch->stream.is_open() || ch->stream.is_memory()) {
    fail_and_end(kErrNoSuchFile, command, channel, "not open for writing");
    return false;
  }
  if (!ch->stream.write(bytes, count)) {
    fail_and_end(kErrNoSuchFile, command, channel, std::strerror(errno));
    return false;
  }
  return true;
}

// Reads count bytes into a zeroed buffer; false after ending the program.
bool read_bytes(const char* command, uint32_t channel, uint8_t* buffer, int64_t count) {
  std::memset(buffer, 0, static_cast<size_t>(count));
  FileChannel* ch = checked(command, channel);
  if (ch == nullptr) return false;
  // A channel opened for writing is never read, whatever its handle allows.
  if (ch->writable || !ch->stream.read(buffer, count)) {
    fail_and_end(kErrNoSuchFile, command, channel, read_failure(ch));
    return false;
  }
  return true;
}

void put_le(uint8_t* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t get_le(const uint8_t* in, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(in[i]) << (8 * i);
  return value;
}

// One line into a 1024-byte buffer; false after ending the program.
bool read_line_into(const char* command, uint32_t channel, char buffer[RtFile::kLineSize]) {
  FileChannel* ch = checked(command, channel);
  if (ch == nullptr) return false;
  // A line read looks ahead and moves the shared handle back: on a channel
  // opened for writing it would move where the next write goes.
  if (ch->writable || !ch->stream.read_line(buffer)) {
    fail_and_end(kErrNoSuchFile, command, channel, read_failure(ch));
    return false;
  }
  buffer[RtFile::kLineSize - 1] = 0;
  return true;
}

void write_int(const char* command, uint32_t channel, int32_t value, int bytes) {
  uint8_t buffer[4];
  put_le(buffer, static_cast<uint32_t>(value), bytes);
  write_bytes(command, channel, buffer, bytes);
}

// Reads an integer of 1, 2 or 4 bytes, sign-extended or zero-extended.
void read_int(const char* command, uint32_t channel, int32_t& out, int bytes, bool is_signed) {
  uint8_t buffer[4];
  if (!read_bytes(command, channel, buffer, bytes)) return;
  uint32_t raw = static_cast<uint32_t>(get_le(buffer, bytes));
  if (is_signed && bytes < 4) {
    const uint32_t sign = 1u << (8 * bytes - 1);
    raw = (raw ^ sign) - sign;
  }
  out = static_cast<int32_t>(raw);
}

}  // namespace

void FileChannel::close() {
  stream.close();
  writable = false;
}

int32_t file_open(uint32_t channel, const RtString& name, int32_t mode) {
  ctx.last_error = 0;
  if (channel >= kFileChannelCount) {
    error_say(kErrOutOfMemory, "file_open: channel %u out of range 0..7", channel);
    return 0;
  }
  FileChannel* ch = slot(channel);
  ch->close();

  if (mode >= 1) {
    RtString resolved = name;
    if (!path_resolve(resolved)) {
      error_say(kErrNoSuchFile, "file_open: '%s': no such file", name.c_str());
      return 0;
    }
    return ch->stream.open_read(resolved.c_str()) ? 1 : 0;
  }
  // Writing and appending see the disk alone.
  bool opened =
      mode == 0 ? ch->stream.open_create(name.c_str()) : ch->stream.open_append(name.c_str());
  if (!opened) {
    error_say(kErrNoSuchFile, "file_open: '%s': cannot be opened for %s: %s", name.c_str(),
              mode == 0 ? "writing" : "appending",
              memfile_is_name(name.c_str()) ? "a memory file is read-only" : std::strerror(errno));
    return 0;
  }
  ch->writable = true;
  return 1;
}

void file_close(uint32_t channel) {
  ctx.last_error = 0;
  FileChannel* ch = checked(__func__, channel);
  if (ch == nullptr) return;
  ch->close();
}

int32_t file_free_channel() {
  for (uint32_t i = 0; i < kFileChannelCount; ++i) {
    if (ctx.file_channels[i] == nullptr || !ctx.file_channels[i]->stream.is_open()) {
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

void file_seek(uint32_t channel, int64_t offset, int32_t origin) {
  FileChannel* ch = checked(__func__, channel);
  if (ch != nullptr) ch->stream.seek(offset, origin);
}

int64_t file_position(uint32_t channel) {
  FileChannel* ch = checked(__func__, channel);
  return ch != nullptr ? ch->stream.pos : 0;
}

int32_t file_at_end(uint32_t channel) {
  if (channel >= kFileChannelCount) {
    // No such channel has anything to read; a reading loop stops here.
    error_say(kErrOutOfMemory, "file_at_end: channel %u out of range 0..7", channel);
    return 1;
  }
  const FileChannel* ch = ctx.file_channels[channel];
  if (ch == nullptr) return 1;
  return ch->stream.at_end() ? 1 : 0;
}

void file_write_line(uint32_t channel, const RtString& text) {
  static const uint8_t kEnd[2] = {13, 10};
  if (write_bytes(__func__, channel, text.data, text.length))
    write_bytes(__func__, channel, kEnd, 2);
}

void file_write_string(uint32_t channel, const RtString& text) {
  write_bytes(__func__, channel, text.data, text.length);
}

void file_write_float(uint32_t channel, double value) {
  const float single = static_cast<float>(value);
  uint32_t bits = 0;
  std::memcpy(&bits, &single, 4);
  uint8_t buffer[4];
  put_le(buffer, bits, 4);
  write_bytes(__func__, channel, buffer, 4);
}

void file_write_double(uint32_t channel, double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, 8);
  uint8_t buffer[8];
  put_le(buffer, bits, 8);
  write_bytes(__func__, channel, buffer, 8);
}

void file_write_u32(uint32_t channel, int32_t value) { write_int(__func__, channel, value, 4); }
void file_write_u16(uint32_t channel, int32_t value) { write_int(__func__, channel, value, 2); }
void file_write_u8(uint32_t channel, int32_t value) { write_int(__func__, channel, value, 1); }
void file_write_i32(uint32_t channel, int32_t value) { write_int(__func__, channel, value, 4); }
void file_write_i16(uint32_t channel, int32_t value) { write_int(__func__, channel, value, 2); }
void file_write_i8(uint32_t channel, int32_t value) { write_int(__func__, channel, value, 1); }

void file_read_line(uint32_t channel, RtString& out) {
  char line[RtFile::kLineSize];
  if (read_line_into(__func__, channel, line)) out.assign(line);
}

void file_read_line_int(uint32_t channel, int32_t& out) {
  char line[RtFile::kLineSize];
  if (read_line_into(__func__, channel, line)) out = str_to_int(line);
}

void file_read_line_number(uint32_t channel, double& out) {
  char line[RtFile::kLineSize];
  if (read_line_into(__func__, channel, line)) out = str_to_float(line);
}

void file_read_string(uint32_t channel, RtString& out, int32_t count) {
  if (count <= 0) {
    out.assign("");
    return;
  }
  FileChannel* ch = checked(__func__, channel);
  if (ch == nullptr) return;
  const uint32_t room = static_cast<uint32_t>(count) + 32;
  out.reserve(room, false);
  std::memset(out.data, 0, out.capacity);
  out.length = 0;
  if (!ch->stream.read(out.data, count)) {
    fail_and_end(kErrNoSuchFile, __func__, channel, read_failure(ch));
    return;
  }
  // The length is the count asked for, whatever arrived: missing bytes of
  // a memory channel read as zero.
  out.length = static_cast<uint32_t>(count);
  out.data[count] = 0;
}

void file_read_float(uint32_t channel, double& out) {
  uint8_t buffer[4];
  if (!read_bytes(__func__, channel, buffer, 4)) return;
  const uint32_t bits = static_cast<uint32_t>(get_le(buffer, 4));
  float single = 0;
  std::memcpy(&single, &bits, 4);
  out = single;
}

void file_read_double(uint32_t channel, double& out) {
  uint8_t buffer[8];
  if (!read_bytes(__func__, channel, buffer, 8)) return;
  const uint64_t bits = get_le(buffer, 8);
  std::memcpy(&out, &bits, 8);
}

void file_read_u32(uint32_t channel, int32_t& out) { read_int(__func__, channel, out, 4, false); }
void file_read_u16(uint32_t channel, int32_t& out) { read_int(__func__, channel, out, 2, false); }
void file_read_u8(uint32_t channel, int32_t& out) { read_int(__func__, channel, out, 1, false); }
void file_read_i32(uint32_t channel, int32_t& out) { read_int(__func__, channel, out, 4, true); }
void file_read_i16(uint32_t channel, int32_t& out) { read_int(__func__, channel, out, 2, true); }
void file_read_i8(uint32_t channel, int32_t& out) { read_int(__func__, channel, out, 1, true); }

void file_channels_close_all() {
  for (uint32_t i = 0; i < kFileChannelCount; ++i) {
    delete ctx.file_channels[i];  // closes the stream and frees a kept block
    ctx.file_channels[i] = nullptr;
  }
}

}  // namespace zrv
