#include "gfx/font.hpp"

#include <array>
#include <cstring>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/file_bytes.hpp"
#include "files/paths.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/sprites.hpp"

namespace zrv {

int32_t current_font = 0;

namespace {

// The built-in glyphs of codes 32..127, six rows of five columns each.
// Capitals and digits stand on row 4; row 5 holds descenders.
constexpr const char* kGlyphRows[96][6] = {
    {".....", ".....", ".....", ".....", ".....", "....."},  // space
    {"..#..", "..#..", "..#..", ".....", "..#..", "....."},  // !
    {".#.#.", ".#.#.", ".....", ".....", ".....", "....."},  // "
    {".#.#.", "#####", ".#.#.", "#####", ".#.#.", "....."},  // #
    {".####", "#.#..", ".###.", "..#.#", "####.", "..#.."},  // $
    {"##..#", "##.#.", "..#..", ".#.##", "#..##", "....."},  // %
    {".##..", "#..#.", ".##..", "#..#.", ".##.#", "....."},  // &
    {"..#..", "..#..", ".....", ".....", ".....", "....."},  // '
    {"...#.", "..#..", "..#..", "..#..", "...#.", "....."},  // (
    {".#...", "..#..", "..#..", "..#..", ".#...", "....."},  // )
    {".....", ".#.#.", "..#..", ".#.#.", ".....", "....."},  // *
    {".....", "..#..", ".###.", "..#..", ".....", "....."},  // +
    {".....", ".....", ".....", ".....", "..#..", ".#..."},  // ,
    {".....", ".....", ".###.", ".....", ".....", "....."},  // -
    {".....", ".....", ".....", ".....", "..#..", "....."},  // .
    {"....#", "...#.", "..#..", ".#...", "#....", "....."},  // /
    {".###.", "#..##", "#.#.#", "##..#", ".###.", "....."},  // 0
    {"..#..", ".##..", "..#..", "..#..", ".###.", "....."},  // 1
    {".###.", "#...#", "..##.", ".#...", "#####", "....."},  // 2
    {"####.", "....#", ".###.", "....#", "####.", "....."},  // 3
    {"#..#.", "#..#.", "#####", "...#.", "...#.", "....."},  // 4
    {"#####", "#....", "####.", "....#", "####.", "....."},  // 5
    {".###.", "#....", "####.", "#...#", ".###.", "....."},  // 6
    {"#####", "...#.", "..#..", ".#...", ".#...", "....."},  // 7
    {".###.", "#...#", ".###.", "#...#", ".###.", "....."},  // 8
    {".###.", "#...#", ".####", "....#", ".###.", "....."},  // 9
    {".....", "..#..", ".....", "..#..", ".....", "....."},  // :
    {".....", "..#..", ".....", "..#..", ".#...", "....."},  // ;
    {"...#.", "..#..", ".#...", "..#..", "...#.", "....."},  // <
    {".....", ".###.", ".....", ".###.", ".....", "....."},  // =
    {".#...", "..#..", "...#.", "..#..", ".#...", "....."},  // >
    {".###.", "....#", "..##.", ".....", "..#..", "....."},  // ?
    {".###.", "#.###", "#.#.#", "#.##.", ".###.", "....."},  // @
    {".###.", "#...#", "#####", "#...#", "#...#", "....."},  // A
    {"####.", "#...#", "####.", "#...#", "####.", "....."},  // B
    {".####", "#....", "#....", "#....", ".####", "....."},  // C
    {"####.", "#...#", "#...#", "#...#", "####.", "....."},  // D
    {"#####", "#....", "####.", "#....", "#####", "....."},  // E
    {"#####", "#....", "####.", "#....", "#....", "....."},  // F
    {".####", "#....", "#.###", "#...#", ".###.", "....."},  // G
    {"#...#", "#...#", "#####", "#...#", "#...#", "....."},  // H
    {".###.", "..#..", "..#..", "..#..", ".###.", "....."},  // I
    {"..###", "...#.", "...#.", "#..#.", ".##..", "....."},  // J
    {"#..#.", "#.#..", "##...", "#.#..", "#..#.", "....."},  // K
    {"#....", "#....", "#....", "#....", "#####", "....."},  // L
    {"#...#", "##.##", "#.#.#", "#...#", "#...#", "....."},  // M
    {"#...#", "##..#", "#.#.#", "#..##", "#...#", "....."},  // N
    {".###.", "#...#", "#...#", "#...#", ".###.", "....."},  // O
    {"####.", "#...#", "####.", "#....", "#....", "....."},  // P
    {".###.", "#...#", "#.#.#", "#..#.", ".##.#", "....."},  // Q
    {"####.", "#...#", "####.", "#..#.", "#...#", "....."},  // R
    {".####", "#....", ".###.", "....#", "####.", "....."},  // S
    {"#####", "..#..", "..#..", "..#..", "..#..", "....."},  // T
    {"#...#", "#...#", "#...#", "#...#", ".###.", "....."},  // U
    {"#...#", "#...#", "#...#", ".#.#.", "..#..", "....."},  // V
    {"#...#", "#...#", "#.#.#", "##.##", "#...#", "....."},  // W
    {"#...#", ".#.#.", "..#..", ".#.#.", "#...#", "....."},  // X
    {"#...#", ".#.#.", "..#..", "..#..", "..#..", "....."},  // Y
    {"#####", "...#.", "..#..", ".#...", "#####", "....."},  // Z
    {".###.", ".#...", ".#...", ".#...", ".###.", "....."},  // [
    {"#....", ".#...", "..#..", "...#.", "....#", "....."},  // backslash
    {".###.", "...#.", "...#.", "...#.", ".###.", "....."},  // ]
    {"..#..", ".#.#.", ".....", ".....", ".....", "....."},  // ^
    {".....", ".....", ".....", ".....", ".....", "#####"},  // _
    {".#...", "..#..", ".....", ".....", ".....", "....."},  // `
    {".....", ".###.", "#..#.", "#..#.", ".####", "....."},  // a
    {"#....", "#....", "###..", "#..#.", "###..", "....."},  // b
    {".....", ".###.", "#....", "#....", ".###.", "....."},  // c
    {"...#.", "...#.", ".###.", "#..#.", ".###.", "....."},  // d
    {".....", ".##..", "####.", "#....", ".###.", "....."},  // e
    {"..##.", ".#...", "###..", ".#...", ".#...", "....."},  // f
    {".....", ".###.", "#..#.", ".###.", "...#.", ".##.."},  // g
    {"#....", "#....", "###..", "#..#.", "#..#.", "....."},  // h
    {".#...", ".....", "##...", ".#...", "###..", "....."},  // i
    {"..#..", ".....", ".##..", "..#..", "..#..", "##..."},  // j
    {"#....", "#..#.", "#.#..", "##...", "#.#..", "....."},  // k
    {"##...", ".#...", ".#...", ".#...", "###..", "....."},  // l
    {".....", "##.#.", "#.#.#", "#.#.#", "#...#", "....."},  // m
    {".....", "###..", "#..#.", "#..#.", "#..#.", "....."},  // n
    {".....", ".##..", "#..#.", "#..#.", ".##..", "....."},  // o
    {".....", "###..", "#..#.", "#..#.", "###..", "#...."},  // p
    {".....", ".###.", "#..#.", "#..#.", ".###.", "...#."},  // q
    {".....", "#.##.", "##...", "#....", "#....", "....."},  // r
    {".....", ".###.", "##...", "..##.", "###..", "....."},  // s
    {".#...", "###..", ".#...", ".#...", "..##.", "....."},  // t
    {".....", "#..#.", "#..#.", "#..#.", ".###.", "....."},  // u
    {".....", "#...#", "#...#", ".#.#.", "..#..", "....."},  // v
    {".....", "#...#", "#.#.#", "#.#.#", ".#.#.", "....."},  // w
    {".....", "#..#.", ".##..", ".##..", "#..#.", "....."},  // x
    {".....", "#..#.", "#..#.", ".###.", "...#.", ".##.."},  // y
    {".....", "####.", "..#..", ".#...", "####.", "....."},  // z
    {"..##.", "..#..", ".#...", "..#..", "..##.", "....."},  // {
    {"..#..", "..#..", "..#..", "..#..", "..#..", "..#.."},  // |
    {".##..", "..#..", "...#.", "..#..", ".##..", "....."},  // }
    {".....", ".#...", "#.#.#", "...#.", ".....", "....."},  // ~
    {"#####", "#####", "#####", "#####", "#####", "....."},  // 127: a block
};

constexpr std::array<int32_t, 128> masks_build() {
  std::array<int32_t, 128> m{};
  for (int32_t c = 32; c < 128; ++c) {
    int32_t bits = 0;
    for (int32_t row = 0; row < 6; ++row) {
      for (int32_t col = 0; col < 5; ++col) {
        if (kGlyphRows[c - 32][row][col] == '#') bits |= 1 << (row * 5 + col);
      }
    }
    m[static_cast<size_t>(c)] = bits;
  }
  return m;
}

// Codes 0..31 are control codes and stay blank.
constexpr std::array<int32_t, 128> kMasks = masks_build();

bool font_slot_valid(int32_t f) { return f >= 0 && f < kFontCount; }

uint8_t byte_clamp(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

}  // namespace

int32_t font_default_mask(int32_t code) { return code >= 0 && code < 128 ? kMasks[code] : 0; }

bool font_default_image(RtImage& image) {
  if (!image.resize(128, 64)) return false;
  image.alpha_in_file = 1;
  auto glyph_at = [](int32_t x, int32_t y) {
    const int32_t code = (y / 8) * 16 + x / 8;
    const int32_t col = x % 8 - 1, row = y % 8 - 1;
    if (col < 0 || col >= 5 || row < 0 || row >= 6) return false;
    return (kMasks[code] >> (row * 5 + col) & 1) != 0;
  };
  for (int32_t y = 0; y < 64; ++y) {
    for (int32_t x = 0; x < 128; ++x) {
      uint8_t* p = image.row(y) + x * 4;
      if (glyph_at(x, y)) {
        p[0] = p[1] = p[2] = p[3] = 255;
        continue;
      }
      const bool next_to_glyph = (x > 0 && glyph_at(x - 1, y)) || (x < 127 && glyph_at(x + 1, y)) ||
                                 (y > 0 && glyph_at(x, y - 1)) || (y < 63 && glyph_at(x, y + 1));
      if (next_to_glyph) {
        p[0] = p[1] = p[2] = 8;
        p[3] = 255;
      }
    }
  }
  return true;
}

SheetLayout font_sheet_layout(int32_t width, int32_t height) {
  SheetLayout l;
  l.cell_width = width / 16;
  if (width >= height) {
    l.codes = 128;
    l.cell_height = height / 8;
  } else {
    l.codes = 256;
    l.cell_height = height / 16;
  }
  return l;
}

void font_glyphs_measure(const RtImage& sheet, int32_t padded_width, GlyphRecord out[256]) {
  for (int32_t c = 0; c < 256; ++c) out[c] = GlyphRecord{};
  if (sheet.pixels == nullptr || sheet.width <= 0 || sheet.height <= 0) return;
  const SheetLayout l = font_sheet_layout(sheet.width, sheet.height);
  const int32_t cw = l.cell_width, ch = l.cell_height;
  const float pw = padded_width > 0 ? static_cast<float>(padded_width) : 1.0f;
  auto column_opaque = [&](int32_t x0, int32_t y0, int32_t col) {
    for (int32_t y = 0; y < ch; ++y) {
      if (sheet.row(y0 + y)[(x0 + col) * 4 + 3] != 0) return true;
    }
    return false;
  };
  for (int32_t c = 0; c < l.codes; ++c) {
    const int32_t column = c % 16;
    const int32_t x0 = column * cw, y0 = (c / 16) * ch;
    int32_t left = 0;
    int32_t width = cw;
    bool empty = true;
    for (int32_t col = 0; col < cw; ++col) {
      if (column_opaque(x0, y0, col)) {
        left = col;
        empty = false;
        break;
      }
    }
    if (!empty) {
      int32_t right = left;
      for (int32_t col = cw - 1; col >= left; --col) {
        if (column_opaque(x0, y0, col)) {
          right = col;
          break;
        }
      }
      width = right - left + 1;
      if (left + width < cw) ++width;  // one spacing column when the cell has room
    }
    GlyphRecord& g = out[c];
    g.left = byte_clamp(left);
    g.advance = byte_clamp(width);
    g.u_left = static_cast<float>(left + cw * column) / pw;
    g.u_right = static_cast<float>(left + width + cw * column) / pw;
    if (c == 'j') {
      // A space is as wide as a "j".
      GlyphRecord& space = out[static_cast<uint8_t>(' ')];
      space.u_left = 0.0f;
      space.advance = g.advance;
      space.u_right = g.u_right - g.u_left;
    }
    if (l.codes == 128) out[c + 128] = g;
  }
}

const char* font_load_file(OpenGLVireo* r, int32_t f, const char* path) {
  if (r == nullptr || !font_slot_valid(f)) return "no such font";
  r->font_scale[f] = 1.0f;
  const int32_t id = kFirstFontSprite + f;
  RtImage image;
  // Font sheets are BMP or PNG files; JPEG is not tried.
  if (const char* why = image_read(image, path, r->font_color_key, false)) {
    sprite_delete(r, id);
    return why;
  }
  font_glyphs_measure(image, padded_size(image.width), r->glyphs[f]);
  return sprite_from_image(r, id, image, 0) ? nullptr : "no texture could be made of it";
}

void font_build_default(OpenGLVireo* r, int32_t f) {
  if (r == nullptr || !font_slot_valid(f)) return;
  r->font_scale[f] = 4.0f;
  RtImage image;
  if (!font_default_image(image)) return;
  // A font slot gets nearest filtering; 128 x 64 is its own padded size.
  sprite_from_image(r, kFirstFontSprite + f, image, 0);
  for (int32_t c = 0; c < 256; ++c) {
    GlyphRecord& g = r->glyphs[f][c];
    g.left = 0;
    g.advance = 8;
    g.u_left = static_cast<float>(8 * (c % 16)) / 128.0f;
    g.u_right = g.u_left + 8.0f / 128.0f;
  }
}

void font_load(const RtString& file, int32_t f) {
  ctx.last_error = 0;
  OpenGLVireo* r = ctx.renderer;
  if (file.empty()) {
    if (r != nullptr && font_slot_valid(f)) font_load_file(r, f, "");
    return;
  }
  if (f < 0 || f >= kFontCount) {
    error_say(kErrOutOfMemory, "font_load: font %d out of range 0..%d", f, kFontCount - 1);
    return;
  }
  if (r == nullptr) return;
  current_font = f;
  r->font_scale[f] = 1.0f;
  RtString path = file;
  const char* why = path_resolve(path) ? font_load_file(r, f, path.c_str()) : "no such file";
  if (why == nullptr) return;
  path_resolved_release(path);
  error_say(kErrNoSuchFile, "font_load: '%s': %s", file.c_str(), why);
  font_build_default(r, f);
}

void font_set(int32_t f, double scale) {
  if (f < 0 || f >= kFontCount) {
    error_say(kErrOutOfMemory, "font_set: font %d out of range 0..%d", f, kFontCount - 1);
    return;
  }
  current_font = f;
  if (ctx.renderer != nullptr) ctx.renderer->font_scale[f] = static_cast<float>(scale);
}

int32_t font_get() { return current_font; }

int32_t font_free_get() {
  const OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return -1;
  for (int32_t f = kFontCount - 1; f >= 0; --f) {
    if (r->sprites[kFirstFontSprite + f].image_width / 16 == 0) return f;
  }
  return -1;
}

void font_glyph_size(double* width, double* height) {
  const OpenGLVireo* r = ctx.renderer;
  double w = 0, h = 0;
  if (r != nullptr && font_slot_valid(current_font)) {
    const SpriteRecord& s = r->sprites[kFirstFontSprite + current_font];
    const SheetLayout l = font_sheet_layout(s.image_width, s.image_height);
    const double scale = r->font_scale[current_font];
    w = l.cell_width * scale;
    h = l.cell_height * scale;
  }
  if (width) *width = w;
  if (height) *height = h;
}

void font_glyph_size(int32_t* width, int32_t* height) {
  double w = 0, h = 0;
  font_glyph_size(&w, &h);
  if (width) *width = static_cast<int32_t>(w);
  if (height) *height = static_cast<int32_t>(h);
}

void font_system_load(OpenGLVireo* r) {
  if (r == nullptr) return;
  static const char* const kNames[] = {"Media/smalfont.png", "Media/smalfont.bmp", "smalfont.png",
                                       "smalfont.bmp"};
  for (const char* name : kNames) {
    RtString probe(name);
    if (!path_resolve(probe)) continue;
    font_load(RtString(name), 0);
    break;
  }
  font_set(0, 1.0);
}

}  // namespace zrv
