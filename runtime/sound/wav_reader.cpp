// The WAV reader. Every read checks that all the bytes are there, so a file
// cut short anywhere fails instead of leaving parts of the header unset.
#include "sound/wav_reader.hpp"

#include <cstring>

namespace zrv {

namespace {

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A read position in the file's bytes; skips may move it past the end,
// where every read fails.
struct Cursor {
  std::span<const uint8_t> file;
  int64_t pos = 0;

  int64_t size() const { return static_cast<int64_t>(file.size()); }
  bool in_file() const { return pos >= 0 && pos <= size(); }
  // The next count bytes, null when they are not all there.
  const uint8_t* take(int64_t count) {
    if (!in_file() || count > size() - pos) return nullptr;
    const uint8_t* at = file.data() + pos;
    pos += count;
    return at;
  }
};

// Moves past the rest of a chunk. RIFF pads chunks of odd length to an even
// one with a zero byte; some writers leave the pad out, so the byte is only
// taken when it is zero (a chunk identifier never starts with one).
bool skip_chunk_rest(Cursor& in, uint32_t rest, uint32_t length) {
  in.pos += rest;
  if (length % 2 == 1) {
    const uint8_t* pad = in.take(1);
    if (pad == nullptr) return false;
    if (*pad != 0) --in.pos;
  }
  return in.in_file();
}

// Reads chunk headers until one named id; its length goes to *length and the
// cursor stands at its contents.
bool find_chunk(Cursor& in, const char id[4], uint32_t* length) {
  for (;;) {
    const uint8_t* header = in.take(8);
    if (header == nullptr) return false;
    const uint32_t n = u32(header + 4);
    if (std::memcmp(header, id, 4) == 0) {
      *length = n;
      return true;
    }
    if (!skip_chunk_rest(in, n, n)) return false;
  }
}

}  // namespace

bool wav_read(std::span<const uint8_t> file, WavFormat* format, std::span<const uint8_t>* samples) {
  Cursor in{file};
  const uint8_t* riff = in.take(12);
  if (riff == nullptr) return false;
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return false;

  uint32_t fmt_length = 0;
  if (!find_chunk(in, "fmt ", &fmt_length)) return false;
  // A shorter format chunk has no sample size; reading 16 bytes anyway
  // would take the next chunk's header for it.
  if (fmt_length < 16) return false;
  const uint8_t* fmt = in.take(16);
  if (fmt == nullptr) return false;
  format->format_tag = u16(fmt);
  format->channels = u16(fmt + 2);
  format->samples_per_sec = u32(fmt + 4);
  format->avg_bytes_per_sec = u32(fmt + 8);
  format->block_align = u16(fmt + 12);
  format->bits_per_sample = u16(fmt + 14);
  if (!skip_chunk_rest(in, fmt_length - 16, fmt_length)) return false;

  uint32_t length = 0;
  if (!find_chunk(in, "data", &length)) return false;
  const uint8_t* data = in.take(length);
  if (data == nullptr) return false;
  *samples = {data, length};
  return true;
}

}  // namespace zrv
