// WAV files: the RIFF/WAVE container with its "fmt " and "data" chunks.
#pragma once

#include <cstdint>
#include <vector>

namespace zrv {

class RtFile;

struct WavFormat {
  uint16_t format_tag = 0;  // not examined: the data is passed on as PCM
  uint16_t channels = 0;
  uint32_t samples_per_sec = 0;
  uint32_t avg_bytes_per_sec = 0;  // not used
  uint16_t block_align = 0;
  uint16_t bits_per_sample = 0;
};

// Reads the header of an open stream up to the sample data: "RIFF" and
// "WAVE", then chunks one after the other until "fmt " (at least 16 bytes,
// longer ones are skipped past) and after it until "data". Other chunks are
// skipped; after a chunk of odd length a zero pad byte is skipped too, while
// a file written without pad bytes still reads. On success the stream stands
// at the first sample byte and *data_length holds the sample length, which
// the stream is known to hold in full. False for anything else.
bool wav_read_header(RtFile& file, WavFormat* format, uint32_t* data_length);

// The header and the whole sample data.
bool wav_read(RtFile& file, WavFormat* format, std::vector<uint8_t>* samples);

}  // namespace zrv
