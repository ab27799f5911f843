// Helpers for the image tests: an independent reference decode through
// libpng's whole-image interface, small writers for test pictures, and
// picture comparison.
#pragma once

#include <png.h>
#include <stdio.h>

#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files_test_util.hpp"
#include "gfx/image_codec.hpp"

namespace zrv::test {

using Bytes = std::vector<uint8_t>;

inline std::string testdata(const std::string& rel) {
  return std::string(ZRV_TESTDATA_DIR) + "/" + rel;
}

// A decoded picture as RGBA bytes.
struct Picture {
  bool ok = false;
  int channels = 0;  // channels of the file after expansion (reference decodes)
  int width = 0;
  int height = 0;
  Bytes rgba;
};

inline Picture picture_of(const RtImage& image) {
  Picture p;
  p.ok = !image.empty();
  p.width = image.width;
  p.height = image.height;
  if (p.ok)
    p.rgba.assign(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * 4);
  return p;
}

// libpng's own whole-image read: palette, low-bit grey and tRNS expanded,
// 16-bit samples stripped, no gamma handling. Grey becomes R = G = B.
inline Picture reference_png(const std::string& path) {
  Picture p;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return p;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    p.ok = false;
    return p;
  }
  png_init_io(png, f);
  png_read_png(png, info, PNG_TRANSFORM_EXPAND | PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_PACKING,
               nullptr);
  p.width = static_cast<int>(png_get_image_width(png, info));
  p.height = static_cast<int>(png_get_image_height(png, info));
  p.channels = png_get_channels(png, info);
  png_bytepp rows = png_get_rows(png, info);
  p.rgba.resize(static_cast<size_t>(p.width) * p.height * 4);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const png_bytep s = rows[y] + x * p.channels;
      uint8_t* o = &p.rgba[(static_cast<size_t>(y) * p.width + x) * 4];
      switch (p.channels) {
        case 1:
          o[0] = o[1] = o[2] = s[0];
          o[3] = 255;
          break;
        case 2:
          o[0] = o[1] = o[2] = s[0];
          o[3] = s[1];
          break;
        case 3:
          o[0] = s[0];
          o[1] = s[1];
          o[2] = s[2];
          o[3] = 255;
          break;
        default:
          o[0] = s[0];
          o[1] = s[1];
          o[2] = s[2];
          o[3] = s[3];
          break;
      }
    }
  }
  p.ok = true;
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return p;
}

// Largest difference of any channel; -1 when the sizes differ.
inline int max_difference(const Picture& a, const Picture& b, bool with_alpha = true) {
  if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) return -1;
  int worst = 0;
  for (size_t i = 0; i < a.rgba.size(); ++i) {
    if (!with_alpha && i % 4 == 3) continue;
    worst = std::max(worst, std::abs(a.rgba[i] - b.rgba[i]));
  }
  return worst;
}

inline double psnr_rgb(const Picture& a, const Picture& b) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = 0; i < a.rgba.size() && i < b.rgba.size(); ++i) {
    if (i % 4 == 3) continue;
    double d = static_cast<double>(a.rgba[i]) - b.rgba[i];
    sum += d * d;
    ++n;
  }
  if (n == 0) return 0;
  if (sum == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(n)));
}

// Writes a PNG of the given colour type with libpng (8 bits per sample).
// trns: for grey/RGB the transparent colour, for palettes the alpha table.
inline bool write_test_png(const std::string& path, int width, int height, int color_type,
                           const Bytes& samples, const std::vector<png_color>& palette = {},
                           const Bytes& trns_alpha = {}, const png_color_16* trns_color = nullptr) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               color_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!trns_alpha.empty() || trns_color != nullptr) {
    png_set_tRNS(png, info, trns_alpha.empty() ? nullptr : trns_alpha.data(),
                 static_cast<int>(trns_alpha.size()), trns_color);
  }
  png_write_info(png, info);
  const int channels = color_type == PNG_COLOR_TYPE_RGB    ? 3
                       : color_type == PNG_COLOR_TYPE_RGBA ? 4
                       : color_type == PNG_COLOR_TYPE_GA   ? 2
                                                           : 1;
  for (int y = 0; y < height; ++y) {
    png_write_row(png, samples.data() + static_cast<size_t>(y) * width * channels);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace zrv::test
