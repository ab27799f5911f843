// Fuzzes the PNG decoder with the input as the bytes of a file.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/errors.hpp"
#include "gfx/image_codec.hpp"

namespace {

// The decoder logs libpng's warnings, one line per input: the log goes to a
// folder of this run's own and is dropped after each input, so that it
// neither grows without bound nor lands in the shared temporary folder.
const std::string& private_log() {
  static const std::string path = [] {
    static char dir[] = "/tmp/zrv_fuzz_pngXXXXXX";
    if (mkdtemp(dir) == nullptr) return std::string();
    setenv("TMPDIR", dir, 1);
    std::atexit([] {
      unlink(zrv::log_path().c_str());
      rmdir(dir);
    });
    return std::string(zrv::log_path().c_str());
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool limited = (zrv::image_pixel_limit_set(int64_t{1} << 22), true);
  (void)limited;
  const std::string& log = private_log();
  zrv::RtImage image;
  if (zrv::image_decode_png(image, {data, size}, 0x8000FF)) {
    // Touch every pixel: the sanitizers check the whole buffer is ours.
    volatile uint32_t sum = 0;
    for (int64_t i = 0; i < int64_t{image.width} * image.height * 4; ++i)
      sum = sum + image.pixels[i];
    if (image.alpha_in_file > 1 || image.width <= 0 || image.height <= 0) __builtin_trap();
  }
  if (!log.empty()) unlink(log.c_str());
  return 0;
}
