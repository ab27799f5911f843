// WAV files come from the game's media or its appended archive: any bytes
// must be read without touching memory outside them, and an accepted file's
// samples must lie inside the input, right behind a "data" chunk header
// (at least the RIFF header and a 16-byte format chunk come first).
#include "sound/wav_reader.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zrv::WavFormat format;
  std::span<const uint8_t> samples;
  if (!zrv::wav_read({data, size}, &format, &samples)) return 0;
  const size_t start = static_cast<size_t>(samples.data() - data);
  if (start < 44 || start > size || samples.size() > size - start) std::abort();
  if (std::memcmp(data + start - 8, "data", 4) != 0) std::abort();
  // The samples are the bytes as they are: reading again gives the same.
  zrv::WavFormat again;
  std::span<const uint8_t> samples_again;
  if (!zrv::wav_read({data, size}, &again, &samples_again)) std::abort();
  if (samples_again.data() != samples.data() || samples_again.size() != samples.size())
    std::abort();
  if (std::memcmp(&format, &again, sizeof format) != 0) std::abort();
  return 0;
}
