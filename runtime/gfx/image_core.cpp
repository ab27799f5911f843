// RtImage storage, the colour key and the choice of decoder.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "files/file_bytes.hpp"
#include "gfx/image_codec.hpp"

namespace zrv {

namespace {
// 8192 x 8192: far beyond any texture this runtime uploads, and a bound on
// what a hostile header can make a decoder allocate (256 MiB).
std::atomic<int64_t> g_pixel_limit{int64_t{1} << 26};
}  // namespace

int64_t image_pixel_limit() { return g_pixel_limit.load(std::memory_order_relaxed); }

void image_pixel_limit_set(int64_t pixels) {
  g_pixel_limit.store(pixels > 0 ? pixels : 1, std::memory_order_relaxed);
}

RtImage::RtImage(RtImage&& other) noexcept
    : alpha_in_file(other.alpha_in_file),
      width(other.width),
      height(other.height),
      pixels(other.pixels),
      capacity(other.capacity) {
  other.pixels = nullptr;
  other.clear();
}

RtImage& RtImage::operator=(RtImage&& other) noexcept {
  if (this != &other) {
    clear();
    std::swap(alpha_in_file, other.alpha_in_file);
    std::swap(width, other.width);
    std::swap(height, other.height);
    std::swap(pixels, other.pixels);
    std::swap(capacity, other.capacity);
  }
  return *this;
}

void RtImage::clear() {
  std::free(pixels);
  pixels = nullptr;
  alpha_in_file = 1;
  width = 0;
  height = 0;
  capacity = 0;
}

bool RtImage::resize(int32_t w, int32_t h) {
  if (w <= 0 || h <= 0 || w > kImageMaxSide || h > kImageMaxSide ||
      static_cast<int64_t>(w) * h > image_pixel_limit()) {
    clear();
    return false;
  }
  const int64_t bytes = static_cast<int64_t>(w) * h * 4;
  if (bytes > INT32_MAX) {
    clear();
    return false;
  }
  if (pixels == nullptr || bytes > capacity) {
    std::free(pixels);
    pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
    if (pixels == nullptr) {
      clear();
      return false;
    }
    capacity = static_cast<int32_t>(bytes);
  } else {
    std::memset(pixels, 0, static_cast<size_t>(bytes));
  }
  width = w;
  height = h;
  return true;
}

void image_apply_color_key(RtImage& image, int32_t key) {
  if (key == kNoColorKey || image.empty()) return;
  const uint32_t k = static_cast<uint32_t>(key);
  uint8_t* p = image.pixels;
  const int64_t count = static_cast<int64_t>(image.width) * image.height;
  for (int64_t i = 0; i < count; ++i, p += 4) {
    const uint32_t rgb =
        p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
    if (rgb == k) std::memset(p, 0, 4);
  }
}

ImageFormat image_format_of(std::span<const uint8_t> file) {
  const uint8_t* b = file.data();
  if (file.size() >= 2 && b[0] == 'B' && b[1] == 'M') return ImageFormat::kBmp;
  // Only bytes 1 to 3: libpng itself checks the whole signature.
  if (file.size() >= 4 && std::memcmp(b + 1, "PNG", 3) == 0) return ImageFormat::kPng;
  if (file.size() >= 2 && b[0] == 0xFF && b[1] == 0xD8) return ImageFormat::kJpeg;
  return ImageFormat::kUnknown;
}

bool image_decode(RtImage& image, std::span<const uint8_t> file, int32_t key, const char* path) {
  switch (image_format_of(file)) {
    case ImageFormat::kBmp:
      return image_decode_bmp(image, file, key);
    case ImageFormat::kPng:
      return image_decode_png(image, file, key, path);
    case ImageFormat::kJpeg:
      return image_decode_jpeg(image, file);
    case ImageFormat::kUnknown:
      break;
  }
  image.clear();
  return false;
}

bool image_decode_any(RtImage& image, const char* path, int32_t key) {
  return image_read(image, path, key) == nullptr;
}

const char* image_read(RtImage& image, const char* path, int32_t key, bool allow_jpeg) {
  image.clear();
  FileBytes file;
  if (path == nullptr || *path == '\0' || !file_read_bytes(path, &file)) return "cannot be read";
  switch (image_format_of(file.bytes)) {
    case ImageFormat::kUnknown:
      return allow_jpeg ? "not a BMP, PNG or JPEG image" : "not a BMP or PNG image";
    case ImageFormat::kBmp:
      return image_decode_bmp(image, file.bytes, key) ? nullptr
                                                      : "damaged or unsupported BMP image";
    case ImageFormat::kPng: {
      const char* why = nullptr;
      return image_decode_png(image, file.bytes, key, path, &why) ? nullptr : why;
    }
    case ImageFormat::kJpeg:
      if (!allow_jpeg) return "a JPEG image, where only BMP and PNG are taken";
      return image_decode_jpeg(image, file.bytes) ? nullptr : "damaged or unsupported JPEG image";
  }
  return "not a picture";
}

}  // namespace zrv
