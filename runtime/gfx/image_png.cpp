// The PNG decoder on libpng, reading from the file's bytes. libpng errors
// jump back here and fail the decode. Warnings (a damaged ancillary chunk,
// a dubious colour profile) do not: files like that open everywhere else,
// so they are only logged, once per file.
// Nothing of a failed decode outlives the call.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.hpp"
#include "gfx/image_codec.hpp"

namespace zrv {

namespace {

// Room for a 1023-byte path and the message around it.
constexpr size_t kMessageSize = 1100;

struct PngReader {
  std::span<const uint8_t> file;
  size_t pos = 0;
  std::string first_warning;
  int warnings = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<uint8_t> data;
  std::vector<png_bytep> rows;
  const char* why = "damaged PNG image";  // the reason of a failed decode

  ~PngReader() {
    if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  }
};

void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void on_warning(png_structp png, png_const_charp message) {
  auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
  if (reader->warnings++ == 0) reader->first_warning = message != nullptr ? message : "";
}

void warnings_log(const PngReader& r, const char* path) {
  if (r.warnings == 0) return;
  char more[32] = "";
  if (r.warnings > 1) std::snprintf(more, sizeof more, " (and %d more)", r.warnings - 1);
  char line[kMessageSize + 256];
  std::snprintf(line, sizeof line, "PNG warning in %s: %.200s%s\n", path, r.first_warning.c_str(),
                more);
  log_write(line);
}

void on_read(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
  if (length > reader->file.size() - reader->pos) png_error(png, "read beyond the end of the data");
  std::memcpy(out, reader->file.data() + reader->pos, length);
  reader->pos += length;
}

// Runs libpng; every libpng error lands back at the setjmp. Only plain
// locals live in this frame, so the jump skips no destructor.
bool read_png(PngReader* r, RtImage& image, const char* path, int32_t key) {
  if (setjmp(png_jmpbuf(r->png))) return false;

  png_set_read_fn(r->png, r, on_read);
  png_set_user_limits(r->png, kImageMaxSide, kImageMaxSide);
  png_read_info(r->png, r->info);

  const png_uint_32 width = png_get_image_width(r->png, r->info);
  const png_uint_32 height = png_get_image_height(r->png, r->info);
  if (static_cast<int64_t>(width) * height > image_pixel_limit()) {
    r->why = "PNG image too large";
    return false;
  }
  const int color_type = png_get_color_type(r->png, r->info);
  const int bit_depth = png_get_bit_depth(r->png, r->info);
  // Deflate makes at most 1032 bytes of one: a file too short to hold its
  // rows is refused before anything of its size is allocated.
  const int64_t raw_row =
      (static_cast<int64_t>(width) * png_get_channels(r->png, r->info) * bit_depth + 7) / 8 + 1;
  if (raw_row * height > static_cast<int64_t>(r->file.size()) * 1032) return false;

  const bool has_trns = png_get_valid(r->png, r->info, PNG_INFO_tRNS) != 0;
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
  if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
  if (has_trns) png_set_tRNS_to_alpha(r->png);
  // Grey with alpha (from the file, or from a transparency chunk) becomes
  // RGBA, as ImageMagick and most editors write a white shape on clear.
  if (color_type == PNG_COLOR_TYPE_GRAY_ALPHA || (color_type == PNG_COLOR_TYPE_GRAY && has_trns))
    png_set_gray_to_rgb(r->png);
  if (bit_depth == 16) png_set_strip_16(r->png);
  if (bit_depth < 8) png_set_packing(r->png);
  png_set_interlace_handling(r->png);
  png_read_update_info(r->png, r->info);

  const int channels = png_get_channels(r->png, r->info);
  r->why = "unsupported PNG image";
  if (channels != 1 && channels != 3 && channels != 4) return false;
  const int depth = png_get_bit_depth(r->png, r->info);
  if (depth != 8) {
    char line[kMessageSize];
    std::snprintf(line, sizeof line, "File %s has bit depth %d.\n", path, depth);
    console_print(line);
    console_print("Only bit depth of 8 is supported.\n");
    return false;
  }
  const int type = png_get_color_type(r->png, r->info);
  if (type != PNG_COLOR_TYPE_GRAY && type != PNG_COLOR_TYPE_RGB &&
      type != PNG_COLOR_TYPE_RGB_ALPHA) {
    char line[kMessageSize];
    std::snprintf(line, sizeof line, "File %s has unsupported color type.\n", path);
    console_print(line);
    console_print("Types GRAY, RGB and RGB_ALPHA are supported.\n");
    return false;
  }

  r->why = "damaged PNG image";
  const size_t row_bytes = png_get_rowbytes(r->png, r->info);
  if (row_bytes < static_cast<size_t>(width) * channels) return false;
  r->data.resize(row_bytes * height);
  r->rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) r->rows[y] = r->data.data() + y * row_bytes;
  png_read_image(r->png, r->rows.data());

  if (!image.resize(static_cast<int32_t>(width), static_cast<int32_t>(height))) return false;
  for (png_uint_32 y = 0; y < height; ++y) {
    const uint8_t* src = r->rows[y];
    uint8_t* out = image.row(static_cast<int32_t>(y));
    for (png_uint_32 x = 0; x < width; ++x, out += 4) {
      if (channels == 1) {
        out[0] = out[1] = out[2] = src[x];
        out[3] = 255;
      } else if (channels == 3) {
        std::memcpy(out, src + x * 3, 3);
        out[3] = 255;
      } else {
        std::memcpy(out, src + x * 4, 4);
      }
    }
  }
  if (channels == 3) image_apply_color_key(image, key);
  image.alpha_in_file = channels == 4 ? 1 : 0;
  return true;
}

}  // namespace

bool image_decode_png(RtImage& image, std::span<const uint8_t> file, int32_t key, const char* path,
                      const char** why) {
  image.clear();
  if (path == nullptr) path = "";
  if (why != nullptr) *why = "not a PNG image";
  if (file.size() < 4 || std::memcmp(file.data() + 1, "PNG", 3) != 0) return false;
  auto reader = std::make_unique<PngReader>();
  reader->file = file;

  reader->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, reader.get(), on_error, on_warning);
  if (reader->png == nullptr) return false;
  reader->info = png_create_info_struct(reader->png);
  if (reader->info == nullptr) return false;
  const bool ok = read_png(reader.get(), image, path, key);
  warnings_log(*reader, path);
  if (!ok) image.clear();
  if (!ok && why != nullptr) *why = reader->why;
  return ok;
}

}  // namespace zrv
