// WAV files: the RIFF/WAVE container with its "fmt " and "data" chunks.
#pragma once

#include <cstdint>
#include <span>

namespace zrv {

struct WavFormat {
  uint16_t format_tag = 0;  // not examined: the data is passed on as PCM
  uint16_t channels = 0;
  uint32_t samples_per_sec = 0;
  uint32_t avg_bytes_per_sec = 0;  // not used
  uint16_t block_align = 0;
  uint16_t bits_per_sample = 0;
};

// Reads the bytes of a whole WAV file: "RIFF" and "WAVE", then chunks one
// after the other until "fmt " (at least 16 bytes, longer ones are skipped
// past) and after it until "data". Other chunks are skipped; after a chunk
// of odd length a zero pad byte is skipped too, while a file written
// without pad bytes still reads. On success *samples is the sample data,
// inside the file's bytes and complete. False for anything else.
bool wav_read(std::span<const uint8_t> file, WavFormat* format, std::span<const uint8_t>* samples);

}  // namespace zrv
