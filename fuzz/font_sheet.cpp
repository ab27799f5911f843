// Fuzzes the glyph measuring of font sheets: the input is either an image
// file (BMP or PNG, as font_load_file decodes it) or, otherwise, a raw RGBA
// picture whose first two bytes give its size. Every record must stay
// inside its cell and the sheet's texture.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gfx/font.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/sprites.hpp"
#include "private_log.hpp"

namespace {

void check(const zrv::RtImage& sheet) {
  const int32_t pw = zrv::padded_size(sheet.width);
  zrv::GlyphRecord g[256];
  zrv::font_glyphs_measure(sheet, pw, g);
  const zrv::SheetLayout l = zrv::font_sheet_layout(sheet.width, sheet.height);
  const int32_t advance_max = l.cell_width < 255 ? l.cell_width : 255;
  for (int c = 0; c < 256; ++c) {
    if (g[c].advance > advance_max) __builtin_trap();
    if (l.cell_width > 0 && g[c].left >= l.cell_width) __builtin_trap();
    if (g[c].u_left < 0.0f || g[c].u_right < g[c].u_left || g[c].u_right > 1.0f) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool limited = (zrv::image_pixel_limit_set(int64_t{1} << 20), true);
  (void)limited;
  if (data == nullptr || size < 2 || size > 0xFFFFFFFFu) return 0;
  zrv::RtImage image;
  if ((data[0] == 'B' && data[1] == 'M') || (size >= 8 && std::memcmp(data, "\x89PNG", 4) == 0)) {
    fuzz::private_log();  // PNG sheets log libpng's warnings
    if (zrv::image_decode(image, {data, size}, 0)) check(image);
    fuzz::drop_private_log();
    return 0;
  }
  const int32_t w = data[0] + 1, h = data[1] + 1;
  if (!image.resize(w, h)) return 0;
  const size_t bytes = static_cast<size_t>(w) * h * 4;
  const size_t n = size - 2 < bytes ? size - 2 : bytes;
  std::memcpy(image.pixels, data + 2, n);
  check(image);
  return 0;
}
