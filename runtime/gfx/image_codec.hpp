// RtImage, the decoded picture that passes from the image decoders to the
// sprite store, and the decoders and writer themselves: an own BMP decoder,
// PNG through libpng and JPEG through libjpeg.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

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

// The decoders, on the bytes of a whole file: true with the picture in
// image; false leaves image empty and reports nothing. The PNG decoder
// names the file (path) in the lines it prints for files it cannot take,
// and says why it failed in *why (when given): damaged, unsupported or too
// large.
bool image_decode_bmp(RtImage& image, std::span<const uint8_t> file, int32_t key);
bool image_decode_png(RtImage& image, std::span<const uint8_t> file, int32_t key,
                      const char* path = "", const char** why = nullptr);
bool image_decode_jpeg(RtImage& image, std::span<const uint8_t> file);

enum class ImageFormat { kUnknown, kBmp, kPng, kJpeg };
// The format the first bytes announce. Each decoder takes only files that
// start its own way, so this picks the one decoder that can succeed.
ImageFormat image_format_of(std::span<const uint8_t> file);
// The decoder the first bytes name; false for any other file.
bool image_decode(RtImage& image, std::span<const uint8_t> file, int32_t key,
                  const char* path = "");
// Reads a file or a live memory-file name once and decodes it: the same
// picture as trying BMP, then PNG, then JPEG on it.
bool image_decode_any(RtImage& image, const char* path, int32_t key);
// The same, saying why there is no picture: null when there is one, else
// the reason in words ("not a BMP, PNG or JPEG image", ...). allow_jpeg
// false refuses JPEG files (font sheets).
const char* image_read(RtImage& image, const char* path, int32_t key, bool allow_jpeg = true);

// Writes PNG (name ends in ".png", any case), JPEG quality 80 (".jpg") or a
// 24-bit BMP where pixels with alpha other than 255 get the default colour
// key. True when the file was written; a failure leaves an existing file as
// it was, and *error (when given) holds the system error, 0 when none applies.
bool image_write(const char* path, const RtImage& image, int* error = nullptr);

}  // namespace zrv
