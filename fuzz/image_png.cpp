// Fuzzes the PNG decoder with the input as the bytes of a file.
#include <cstddef>
#include <cstdint>

#include "gfx/image_codec.hpp"
#include "private_log.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool limited = (zrv::image_pixel_limit_set(int64_t{1} << 22), true);
  (void)limited;
  fuzz::private_log();  // libpng warnings are logged
  zrv::RtImage image;
  if (zrv::image_decode_png(image, {data, size}, 0x8000FF)) {
    // Touch every pixel: the sanitizers check the whole buffer is ours.
    volatile uint32_t sum = 0;
    for (int64_t i = 0; i < int64_t{image.width} * image.height * 4; ++i)
      sum = sum + image.pixels[i];
    if (image.alpha_in_file > 1 || image.width <= 0 || image.height <= 0) __builtin_trap();
  }
  fuzz::drop_private_log();
  return 0;
}
