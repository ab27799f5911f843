// The WAV reader. Every read checks that all the bytes arrived, so a file
// cut short anywhere fails instead of leaving parts of the header unset.
#include "sound/wav_reader.hpp"

#include <cstring>

#include "files/rt_file.hpp"

namespace zrv {

namespace {

bool read_exact(RtFile& file, void* buffer, int64_t count) {
  const int64_t before = file.pos;
  return file.read(buffer, count) && file.pos - before == count;
}

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Moves past the rest of a chunk. RIFF pads chunks of odd length to an even
// one with a zero byte; some writers leave the pad out, so the byte is only
// taken when it is zero (a chunk identifier never starts with one).
bool skip_chunk_rest(RtFile& file, uint32_t rest, uint32_t length) {
  file.seek(rest, 1);
  if (length % 2 == 1) {
    uint8_t pad = 0;
    if (!read_exact(file, &pad, 1)) return false;
    if (pad != 0) file.seek(-1, 1);
  }
  return file.pos >= 0 && file.pos <= file.size;
}

// Reads chunk headers until one named id; its length goes to *length and the
// stream stands at its contents.
bool find_chunk(RtFile& file, const char id[4], uint32_t* length) {
  for (;;) {
    uint8_t header[8];
    if (!read_exact(file, header, 8)) return false;
    const uint32_t n = u32(header + 4);
    if (std::memcmp(header, id, 4) == 0) {
      *length = n;
      return true;
    }
    if (!skip_chunk_rest(file, n, n)) return false;
  }
}

}  // namespace

bool wav_read_header(RtFile& file, WavFormat* format, uint32_t* data_length) {
  uint8_t riff[12];
  if (!read_exact(file, riff, 12)) return false;
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return false;

  uint32_t fmt_length = 0;
  if (!find_chunk(file, "fmt ", &fmt_length)) return false;
  // A shorter format chunk has no sample size; reading 16 bytes anyway
  // would take the next chunk's header for it.
  if (fmt_length < 16) return false;
  uint8_t fmt[16];
  if (!read_exact(file, fmt, 16)) return false;
  format->format_tag = u16(fmt);
  format->channels = u16(fmt + 2);
  format->samples_per_sec = u32(fmt + 4);
  format->avg_bytes_per_sec = u32(fmt + 8);
  format->block_align = u16(fmt + 12);
  format->bits_per_sample = u16(fmt + 14);
  if (!skip_chunk_rest(file, fmt_length - 16, fmt_length)) return false;

  uint32_t length = 0;
  if (!find_chunk(file, "data", &length)) return false;
  if (static_cast<int64_t>(length) > file.size - file.pos) return false;
  *data_length = length;
  return true;
}

bool wav_read(RtFile& file, WavFormat* format, std::vector<uint8_t>* samples) {
  uint32_t length = 0;
  if (!wav_read_header(file, format, &length)) return false;
  samples->resize(length);
  return length == 0 || read_exact(file, samples->data(), length);
}

}  // namespace zrv
