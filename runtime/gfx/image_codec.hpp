// RtImage, the decoded picture that passes from the image decoders to the
// sprite store, and the decoders and writer themselves: an own BMP decoder,
// PNG through libpng and JPEG through libjpeg.
#pragma once

#include <cstdint>
#include <cstdio>

namespace zrv {

struct RtImage {
  uint8_t alpha_in_file = 1;  // 1: alpha came from the file (or empty image); 0: made here
  int32_t width = 0;
  int32_t height = 0;
  uint8_t* pixels = nullptr;  // width x height x 4 bytes R, G, B, A, top row first (owned)
  int32_t capacity = 0;       // bytes allocated

  RtImage() = default;
  ~RtImage() { clear(); }
  RtImage(const RtImage&) = delete;
  RtImage& operator=(const RtImage&) = delete;
  RtImage(RtImage&& other) noexcept;
  RtImage& operator=(RtImage&& other) noexcept;

  // Frees the pixels and resets every field (alpha_in_file = 1).
  void clear();
  // Sizes the image to w x h zeroed pixels, reusing the block when it is big
  // enough. False (image empty) for sizes out of range or no memory.
  bool resize(int32_t w, int32_t h);
  bool empty() const { return pixels == nullptr || width == 0 || height == 0; }
  uint8_t* row(int32_t y) { return pixels + static_cast<int64_t>(y) * width * 4; }
  const uint8_t* row(int32_t y) const { return pixels + static_cast<int64_t>(y) * width * 4; }
};

// No colour key.
constexpr int32_t kNoColorKey = -1;

// Largest picture a decoder accepts, in pixels (each side at most 32767, the
// width and height a sprite can hold). Lowered by the fuzz harnesses.
int64_t image_pixel_limit();
void image_pixel_limit_set(int64_t pixels);
constexpr int32_t kImageMaxSide = 32767;

// Every pixel whose red | green << 8 | blue << 16 equals key becomes (0, 0, 0, 0).
void image_apply_color_key(RtImage& image, int32_t key);

// The decoders, on files and memory-file names: true with the picture in
// image; false leaves image empty and reports nothing.
bool image_decode_bmp(RtImage& image, const char* path, int32_t key);
bool image_decode_png(RtImage& image, const char* path, int32_t key);
bool image_decode_jpeg(RtImage& image, const char* path);
// BMP, then PNG, then JPEG; the first that succeeds.
bool image_decode_any(RtImage& image, const char* path, int32_t key);

// Writes PNG (name ends in ".png", any case), JPEG quality 80 (".jpg") or a
// 24-bit BMP where pixels with alpha other than 255 get the default colour
// key. True when the file was written; a failure leaves an existing file as
// it was, and *error (when given) holds the system error, 0 when none applies.
bool image_write(const char* path, const RtImage& image, int* error = nullptr);

}  // namespace zrv
