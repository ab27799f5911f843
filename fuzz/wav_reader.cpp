// WAV files come from the game's media or its appended archive: any bytes
// must be read without touching memory outside them, and an accepted file's
// samples must lie inside the input.
#include "sound/wav_reader.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/rt_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zrv::RtFile file;
  file.data = data;
  file.size = static_cast<int64_t>(size);
  zrv::WavFormat format;
  uint32_t length = 0;
  const bool header = zrv::wav_read_header(file, &format, &length);
  if (header) {
    if (file.pos < 12 || file.pos + static_cast<int64_t>(length) > file.size) std::abort();
    if (length > 0 && std::memcmp(data + file.pos - 8, "data", 4) != 0) std::abort();
  }
  // The whole read agrees with the header and copies the bytes as they are.
  const int64_t start = file.pos;
  zrv::RtFile again;
  again.data = data;
  again.size = static_cast<int64_t>(size);
  std::vector<uint8_t> samples;
  zrv::WavFormat format2;
  const bool whole = zrv::wav_read(again, &format2, &samples);
  if (whole != header) std::abort();
  if (whole) {
    if (samples.size() != length) std::abort();
    if (length > 0 && std::memcmp(samples.data(), data + start, length) != 0) std::abort();
    if (std::memcmp(&format, &format2, sizeof format) != 0) std::abort();
  }
  file.data = nullptr;  // not owned
  again.data = nullptr;
  return 0;
}
