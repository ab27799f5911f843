// Glyph measuring of font sheets and the built-in font's sheet, without a
// window.
#include <gtest/gtest.h>

#include <set>

#include "gfx/font.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/text.hpp"

namespace {

using namespace zrv;

// Makes column range [c0, c1] of code c's cell opaque in a sheet.
void cell_columns(RtImage& sheet, int32_t code, int32_t c0, int32_t c1) {
  const SheetLayout l = font_sheet_layout(sheet.width, sheet.height);
  const int32_t x0 = (code % 16) * l.cell_width, y0 = (code / 16) * l.cell_height;
  for (int32_t y = 0; y < l.cell_height; ++y) {
    for (int32_t x = c0; x <= c1; ++x) {
      uint8_t* p = sheet.row(y0 + y) + (x0 + x) * 4;
      p[0] = 200;
      p[3] = 255;
    }
  }
}

TEST(FontSheet, LayoutByAspect) {
  const SheetLayout wide = font_sheet_layout(160, 72);
  EXPECT_EQ(wide.cell_width, 10);
  EXPECT_EQ(wide.cell_height, 9);
  EXPECT_EQ(wide.codes, 128);
  // Only a sheet taller than wide holds 256 codes; 160 x 144 is wide.
  const SheetLayout tall = font_sheet_layout(144, 160);
  EXPECT_EQ(tall.cell_width, 9);
  EXPECT_EQ(tall.cell_height, 10);
  EXPECT_EQ(tall.codes, 256);
  const SheetLayout wide144 = font_sheet_layout(160, 144);
  EXPECT_EQ(wide144.cell_width, 10);
  EXPECT_EQ(wide144.cell_height, 18);
  EXPECT_EQ(wide144.codes, 128);
  const SheetLayout square = font_sheet_layout(128, 128);
  EXPECT_EQ(square.codes, 128);
  EXPECT_EQ(square.cell_height, 16);
}

TEST(FontSheet, MeasuresLeftAdvanceAndSpacing) {
  RtImage sheet;
  ASSERT_TRUE(sheet.resize(160, 72));
  cell_columns(sheet, 'A', 2, 5);
  cell_columns(sheet, 'B', 0, 9);
  // A glyph with a gap inside is measured from its outer columns.
  cell_columns(sheet, 'C', 1, 1);
  cell_columns(sheet, 'C', 6, 7);
  GlyphRecord g[256];
  font_glyphs_measure(sheet, 256, g);

  EXPECT_EQ(g[+'A'].left, 2);
  EXPECT_EQ(g[+'A'].advance, 5);  // 4 columns and one of spacing
  EXPECT_FLOAT_EQ(g[+'A'].u_left, (2 + 10 * 1) / 256.0f);
  EXPECT_FLOAT_EQ(g[+'A'].u_right, (2 + 5 + 10 * 1) / 256.0f);

  EXPECT_EQ(g[+'B'].left, 0);
  EXPECT_EQ(g[+'B'].advance, 10);  // no room for spacing
  EXPECT_EQ(g[+'C'].left, 1);
  EXPECT_EQ(g[+'C'].advance, 8);

  // An empty cell is a whole cell wide.
  EXPECT_EQ(g[+'Z'].left, 0);
  EXPECT_EQ(g[+'Z'].advance, 10);
  EXPECT_FLOAT_EQ(g[+'Z'].u_left, 10 * ('Z' % 16) / 256.0f);
  EXPECT_FLOAT_EQ(g[+'Z'].u_right, (10 + 10 * ('Z' % 16)) / 256.0f);

  // 128 codes: 128..255 are copies of 0..127.
  for (int c = 0; c < 128; ++c) {
    EXPECT_EQ(g[c + 128].advance, g[c].advance) << c;
    EXPECT_EQ(g[c + 128].left, g[c].left) << c;
    EXPECT_FLOAT_EQ(g[c + 128].u_left, g[c].u_left) << c;
  }
}

TEST(FontSheet, SpaceIsAsWideAsJ) {
  RtImage sheet;
  ASSERT_TRUE(sheet.resize(160, 72));
  cell_columns(sheet, ' ', 0, 9);  // whatever the space cell holds
  cell_columns(sheet, 'j', 3, 5);
  GlyphRecord g[256];
  font_glyphs_measure(sheet, 256, g);
  EXPECT_EQ(g[+'j'].advance, 4);
  EXPECT_EQ(g[+' '].advance, 4);
  EXPECT_FLOAT_EQ(g[+' '].u_left, 0.0f);
  EXPECT_FLOAT_EQ(g[+' '].u_right, g[+'j'].u_right - g[+'j'].u_left);
}

TEST(FontSheet, TallSheetHoldsTwoHundredFiftySixCodes) {
  RtImage sheet;
  ASSERT_TRUE(sheet.resize(144, 160));
  cell_columns(sheet, 200, 4, 6);
  cell_columns(sheet, 72, 0, 1);
  cell_columns(sheet, 73, 0, 1);
  GlyphRecord g[256];
  font_glyphs_measure(sheet, 256, g);
  EXPECT_EQ(g[200].left, 4);
  EXPECT_EQ(g[200].advance, 4);
  EXPECT_EQ(g[72].advance, 3);
  EXPECT_EQ(g[72 + 129].advance, 9);  // not a copy of 73: its own (empty) cell
}

TEST(FontSheet, DegenerateSheetsMeasureWithoutReadingOutside) {
  GlyphRecord g[256];
  for (auto [w, h] : {std::pair{1, 1}, std::pair{15, 200}, std::pair{17, 3}, std::pair{300, 7}}) {
    RtImage sheet;
    ASSERT_TRUE(sheet.resize(w, h));
    for (int32_t i = 0; i < w * h; ++i) sheet.pixels[i * 4 + 3] = 255;
    font_glyphs_measure(sheet, 512, g);
    const SheetLayout l = font_sheet_layout(w, h);
    EXPECT_EQ(g[+'x'].advance, l.cell_width) << w << "x" << h;
  }
  // A cell wider than 255 pixels keeps the largest advance a record holds.
  RtImage wide;
  ASSERT_TRUE(wide.resize(16 * 300, 8));
  font_glyphs_measure(wide, 8192, g);
  EXPECT_EQ(g[+'x'].advance, 255);
}

TEST(BuiltInFont, PrintableCodesHaveDistinctGlyphs) {
  std::set<int32_t> seen;
  for (int c = 33; c < 127; ++c) {
    const int32_t m = font_default_mask(c);
    EXPECT_NE(m, 0) << "code " << c;
    EXPECT_EQ(m & ~((1 << 30) - 1), 0) << "code " << c << " uses bits beyond 5 x 6";
    EXPECT_TRUE(seen.insert(m).second) << "code " << c << " looks like another";
  }
  EXPECT_EQ(font_default_mask(' '), 0);
  for (int c = 0; c < 32; ++c) EXPECT_EQ(font_default_mask(c), 0) << c;
}

TEST(BuiltInFont, SheetFollowsTheOutlineRule) {
  RtImage image;
  ASSERT_TRUE(font_default_image(image));
  ASSERT_EQ(image.width, 128);
  ASSERT_EQ(image.height, 64);
  auto glyph = [](int x, int y) {
    if (x < 0 || y < 0 || x >= 128 || y >= 64) return false;
    const int col = x % 8 - 1, row = y % 8 - 1;
    if (col < 0 || col >= 5 || row < 0 || row >= 6) return false;
    return (font_default_mask((y / 8) * 16 + x / 8) >> (row * 5 + col) & 1) != 0;
  };
  int glyph_pixels = 0, outline_pixels = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 128; ++x) {
      const uint8_t* p = image.row(y) + x * 4;
      const bool g = glyph(x, y);
      const bool next = glyph(x - 1, y) || glyph(x + 1, y) || glyph(x, y - 1) || glyph(x, y + 1);
      if (g) {
        ++glyph_pixels;
        ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 255) << x << "," << y;
      } else if (next) {
        ++outline_pixels;
        ASSERT_TRUE(p[0] == 8 && p[1] == 8 && p[2] == 8 && p[3] == 255) << x << "," << y;
      } else {
        ASSERT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0) << x << "," << y;
      }
    }
  }
  EXPECT_GT(glyph_pixels, 500);
  EXPECT_GT(outline_pixels, glyph_pixels / 2);
  // "H": its top row has pixels in columns 0 and 4 of the mask.
  const int hx = ('H' % 16) * 8, hy = ('H' / 16) * 8;
  EXPECT_EQ(image.row(hy + 1)[(hx + 1) * 4], 255);
  EXPECT_EQ(image.row(hy + 1)[(hx + 5) * 4], 255);
  EXPECT_EQ(image.row(hy + 1)[(hx + 3) * 4 + 3], 0);
}

TEST(TextVertices, GrowthRule) {
  EXPECT_EQ(text_vertex_capacity_for(0, 4), 512);
  EXPECT_EQ(text_vertex_capacity_for(512, 100), 512);
  EXPECT_EQ(text_vertex_capacity_for(512, 512), 640);  // reaching the capacity grows
  EXPECT_EQ(text_vertex_capacity_for(512, 1000), 1024);
  EXPECT_EQ(text_vertex_capacity_for(0, 1024), 1152);
}

}  // namespace
