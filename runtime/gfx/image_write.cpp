// Writing an RtImage as PNG, JPEG or 24-bit BMP, chosen by the name's ending.
// The picture is encoded into memory first and then replaces the file in one
// go, so a write that fails (a full disk, say) leaves an old file whole.
// clang-format off
#include <stdio.h>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
// clang-format on
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "files/file_replace.hpp"
#include "files/paths.hpp"
#include "gfx/image_codec.hpp"

namespace zrv {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// True when the name ends in "." and the three letters ext (any case).
bool has_extension(const char* path, const char* ext, size_t min_length) {
  const size_t n = std::strlen(path);
  if (n < min_length || n < 4 || path[n - 4] != '.') return false;
  for (int i = 0; i < 3; ++i) {
    if (lower(path[n - 3 + i]) != ext[i]) return false;
  }
  return true;
}

// --- PNG ---

struct PngWriter {
  std::vector<uint8_t>* out = nullptr;
  bool failed = false;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<png_bytep> rows;

  ~PngWriter() {
    if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  }
};

void png_on_error(png_structp png, png_const_charp) {
  static_cast<PngWriter*>(png_get_error_ptr(png))->failed = true;
  png_longjmp(png, 1);
}

void png_on_warning(png_structp, png_const_charp) {}

void png_on_write(png_structp png, png_bytep bytes, png_size_t length) {
  auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
  w->out->insert(w->out->end(), bytes, bytes + length);
}

void png_on_flush(png_structp) {}

bool run_png(PngWriter* w, const RtImage& image) {
  if (setjmp(png_jmpbuf(w->png))) return false;
  png_set_write_fn(w->png, w, png_on_write, png_on_flush);
  png_set_IHDR(w->png, w->info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(w->png, w->info);
  w->rows.resize(static_cast<size_t>(image.height));
  for (int32_t y = 0; y < image.height; ++y)
    w->rows[y] = image.pixels + static_cast<int64_t>(y) * image.width * 4;
  png_write_image(w->png, w->rows.data());
  png_write_end(w->png, nullptr);
  return !w->failed;
}

bool encode_png(const RtImage& image, std::vector<uint8_t>& out) {
  auto w = std::make_unique<PngWriter>();
  w->out = &out;
  w->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, w.get(), png_on_error, png_on_warning);
  if (w->png != nullptr) w->info = png_create_info_struct(w->png);
  return w->info != nullptr && run_png(w.get(), image);
}

// --- JPEG ---

struct JpegWriter {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  std::jmp_buf jump{};
  bool created = false;
  std::vector<uint8_t> row;

  ~JpegWriter() {
    if (created) jpeg_destroy_compress(&cinfo);
  }
};

void jpeg_on_error_exit(j_common_ptr cinfo) {
  std::longjmp(static_cast<JpegWriter*>(cinfo->client_data)->jump, 1);
}

void jpeg_on_message(j_common_ptr) {}

bool run_jpeg(JpegWriter* w, const RtImage& image, unsigned char** bytes, unsigned long* size) {
  w->cinfo.err = jpeg_std_error(&w->err);
  w->err.error_exit = jpeg_on_error_exit;
  w->err.output_message = jpeg_on_message;
  w->cinfo.client_data = w;
  if (setjmp(w->jump)) return false;
  jpeg_create_compress(&w->cinfo);
  w->created = true;
  jpeg_mem_dest(&w->cinfo, bytes, size);
  w->cinfo.image_width = static_cast<JDIMENSION>(image.width);
  w->cinfo.image_height = static_cast<JDIMENSION>(image.height);
  w->cinfo.input_components = 3;
  w->cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&w->cinfo);
  jpeg_set_quality(&w->cinfo, 80, TRUE);
  jpeg_start_compress(&w->cinfo, TRUE);
  w->row.resize(static_cast<size_t>(image.width) * 3);
  while (w->cinfo.next_scanline < w->cinfo.image_height) {
    const uint8_t* src = image.row(static_cast<int32_t>(w->cinfo.next_scanline));
    for (int32_t x = 0; x < image.width; ++x) std::memcpy(&w->row[x * 3], src + x * 4, 3);
    JSAMPROW row = w->row.data();
    jpeg_write_scanlines(&w->cinfo, &row, 1);
  }
  jpeg_finish_compress(&w->cinfo);
  return true;
}

bool encode_jpeg(const RtImage& image, std::vector<uint8_t>& out) {
  unsigned char* bytes = nullptr;  // libjpeg grows it with malloc
  unsigned long size = 0;
  bool ok;
  {
    auto w = std::make_unique<JpegWriter>();
    ok = run_jpeg(w.get(), image, &bytes, &size);
  }
  if (ok) out.assign(bytes, bytes + size);
  std::free(bytes);
  return ok;
}

// --- BMP ---

void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  put16(p, v);
  put16(p + 2, v >> 16);
}

bool encode_bmp(const RtImage& image, std::vector<uint8_t>& out) {
  const int64_t w = image.width;
  const int64_t h = image.height;
  const int64_t row_size = (3 * w + 3) & ~int64_t{3};
  const int64_t file_size = 54 + h * row_size;
  if (file_size > UINT32_MAX) return false;
  uint8_t head[54] = {};
  head[0] = 'B';
  head[1] = 'M';
  put32(head + 2, static_cast<uint32_t>(file_size));
  put32(head + 10, 54);
  put32(head + 14, 40);
  put32(head + 18, static_cast<uint32_t>(w));
  put32(head + 22, static_cast<uint32_t>(h));
  put16(head + 26, 1);
  put16(head + 28, 24);
  put32(head + 38, 10000);
  put32(head + 42, 10000);

  out.assign(head, head + sizeof head);
  out.reserve(static_cast<size_t>(file_size));
  std::vector<uint8_t> row(static_cast<size_t>(row_size), 0);
  for (int64_t f = 0; f < h; ++f) {
    const uint8_t* src = image.row(static_cast<int32_t>(h - 1 - f));
    for (int64_t x = 0; x < w; ++x, src += 4) {
      uint8_t* bgr = &row[static_cast<size_t>(x * 3)];
      if (src[3] != 255) {
        // Transparency survives as the default colour key (red 255, blue 128).
        bgr[0] = 128;
        bgr[1] = 0;
        bgr[2] = 255;
      } else {
        bgr[0] = src[2];
        bgr[1] = src[1];
        bgr[2] = src[0];
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return true;
}

}  // namespace

bool image_write(const char* path, const RtImage& image, int* error) {
  if (error != nullptr) *error = 0;
  if (path == nullptr || path[0] == 0 || image.empty() || std::strlen(path) >= kPathBufferSize) {
    return false;
  }
  std::vector<uint8_t> bytes;
  const bool encoded = has_extension(path, "png", 5)   ? encode_png(image, bytes)
                       : has_extension(path, "jpg", 4) ? encode_jpeg(image, bytes)
                                                       : encode_bmp(image, bytes);
  return encoded &&
         file_replace_whole(path, bytes.data(), static_cast<int64_t>(bytes.size()), error);
}

}  // namespace zrv
