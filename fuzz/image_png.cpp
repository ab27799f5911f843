// Fuzzes the PNG decoder with the input as the bytes of a file. The chunk
// checksums are made right before the decode: a random change almost
// always breaks one, and libpng would stop at the checksum without ever
// reading what the change made.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/image_codec.hpp"
#include "private_log.hpp"

namespace {

uint32_t big_endian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Writes the right checksum after each whole chunk after the signature.
void fix_checksums(std::vector<uint8_t>& file) {
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint64_t length = big_endian(&file[at]);
    if (length > file.size() - at - 12) break;
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, &file[at + 4], static_cast<uInt>(length + 4)));
    uint8_t* out = &file[at + 8 + length];
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    at += 12 + length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool limited = (zrv::image_pixel_limit_set(int64_t{1} << 22), true);
  (void)limited;
  fuzz::private_log();  // libpng warnings are logged
  std::vector<uint8_t> file(data, data + size);
  fix_checksums(file);
  zrv::RtImage image;
  if (zrv::image_decode_png(image, {file.data(), file.size()}, 0x8000FF)) {
    // Touch every pixel: the sanitizers check the whole buffer is ours.
    volatile uint32_t sum = 0;
    for (int64_t i = 0; i < int64_t{image.width} * image.height * 4; ++i)
      sum = sum + image.pixels[i];
    if (image.alpha_in_file > 1 || image.width <= 0 || image.height <= 0) __builtin_trap();
  }
  fuzz::drop_private_log();
  return 0;
}
