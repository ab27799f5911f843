// The JPEG decoder on libjpeg, reading from the file's bytes. The library's
// fatal errors jump back here instead of ending the process; its messages
// are not printed.
// clang-format off
#include <stdio.h>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <memory>
#include <vector>

#include "base/errors.hpp"
#include "gfx/image_codec.hpp"

namespace zrv {

namespace {

struct JpegReader {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr err{};
  std::jmp_buf jump{};
  bool created = false;
  bool data_ended = false;  // the file ended before the picture did
  std::vector<uint8_t> buffer;

  ~JpegReader() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

void on_error_exit(j_common_ptr cinfo) {
  auto* reader = static_cast<JpegReader*>(cinfo->client_data);
  std::longjmp(reader->jump, 1);
}

void on_message(j_common_ptr) {}

// libjpeg goes on past the end of a cut file (or of the data before the end
// marker), inventing grey rows; such a file is damaged here, so that a short
// file cannot claim a big picture.
void on_emit(j_common_ptr cinfo, int level) {
  const int code = cinfo->err->msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) {
    static_cast<JpegReader*>(cinfo->client_data)->data_ended = true;
  }
}

// What the library may take for a picture: enough for any real file, far
// less than a header can claim (progressive files need their whole picture's
// coefficients at once).
long memory_budget(size_t file_size) {
  const uint64_t budget = (uint64_t{64} << 20) + uint64_t{64} * file_size;
  return static_cast<long>(budget < (uint64_t{1} << 31) ? budget : uint64_t{1} << 31);
}

// Only plain locals live in this frame, so the jump skips no destructor.
bool read_jpeg(JpegReader* r, RtImage& image, std::span<const uint8_t> file) {
  r->cinfo.err = jpeg_std_error(&r->err);
  r->err.error_exit = on_error_exit;
  r->err.output_message = on_message;
  r->err.emit_message = on_emit;
  r->cinfo.client_data = r;  // kept by jpeg_create_decompress
  if (setjmp(r->jump)) return false;
  jpeg_create_decompress(&r->cinfo);
  r->created = true;
  r->cinfo.mem->max_memory_to_use = memory_budget(file.size());
  jpeg_mem_src(&r->cinfo, file.data(), static_cast<unsigned long>(file.size()));
  if (jpeg_read_header(&r->cinfo, TRUE) != JPEG_HEADER_OK) return false;
  if (r->cinfo.image_width > static_cast<JDIMENSION>(kImageMaxSide) ||
      r->cinfo.image_height > static_cast<JDIMENSION>(kImageMaxSide) ||
      static_cast<int64_t>(r->cinfo.image_width) * r->cinfo.image_height > image_pixel_limit()) {
    return false;
  }
  r->cinfo.do_fancy_upsampling = FALSE;
  if (!jpeg_start_decompress(&r->cinfo) || r->data_ended) return false;

  const int32_t w = static_cast<int32_t>(r->cinfo.output_width);
  const int32_t h = static_cast<int32_t>(r->cinfo.output_height);
  const int c = r->cinfo.output_components;
  if (c != 1 && c != 3 && c != 4) {
    char line[64];
    std::snprintf(line, sizeof line, "JPEG: Channels: %d not supported!\n", c);
    log_write(line);
    return false;
  }
  if (w <= 0 || h <= 0 || w > kImageMaxSide || h > kImageMaxSide ||
      static_cast<int64_t>(w) * h > image_pixel_limit()) {
    return false;
  }
  // The rows are kept as they arrive: memory grows with the data there is.
  const size_t stride = static_cast<size_t>(w) * static_cast<size_t>(c);
  std::vector<uint8_t> row_buffer(stride);
  while (r->cinfo.output_scanline < r->cinfo.output_height) {
    JSAMPROW row = row_buffer.data();
    if (jpeg_read_scanlines(&r->cinfo, &row, 1) != 1 || r->data_ended) return false;
    r->buffer.insert(r->buffer.end(), row_buffer.begin(), row_buffer.end());
  }

  if (!image.resize(w, h)) return false;
  const uint8_t* src = r->buffer.data();
  uint8_t* out = image.pixels;
  const int64_t count = static_cast<int64_t>(w) * h;
  for (int64_t i = 0; i < count; ++i, out += 4, src += c) {
    if (c == 1) {
      out[0] = out[1] = out[2] = src[0];
      out[3] = 255;
    } else if (c == 3) {
      out[0] = src[0];
      out[1] = src[1];
      out[2] = src[2];
      out[3] = 255;
    } else {
      out[0] = src[0];
      out[1] = src[1];
      out[2] = src[2];
      out[3] = src[3];
    }
  }
  image.alpha_in_file = c == 4 ? 1 : 0;
  return true;
}

}  // namespace

bool image_decode_jpeg(RtImage& image, std::span<const uint8_t> file) {
  image.clear();
  auto reader = std::make_unique<JpegReader>();
  if (!read_jpeg(reader.get(), image, file)) {
    image.clear();
    return false;
  }
  return true;
}

}  // namespace zrv
