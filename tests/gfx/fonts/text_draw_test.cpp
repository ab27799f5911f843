// Fonts loaded from real files and printed on a real window, checked by
// reading the pixels back.
#include <unistd.h>

#include <string>

#include "base/errors.hpp"
#include "gfx/font.hpp"
#include "gfx/text.hpp"
#include "gl_session.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kYellow = 0x00FFFF;

// A sheet of w x h with some glyph columns painted (colours 0x00BBGGRR).
struct Paint {
  int code, c0, c1;
  uint32_t color;
};

std::string sheet_file(const std::string& dir, const char* name, int w, int h,
                       std::initializer_list<Paint> paint) {
  RtImage sheet;
  EXPECT_TRUE(sheet.resize(w, h));
  const SheetLayout l = font_sheet_layout(w, h);
  for (const Paint& p : paint) {
    const int x0 = (p.code % 16) * l.cell_width, y0 = (p.code / 16) * l.cell_height;
    for (int y = 0; y < l.cell_height; ++y) {
      for (int x = p.c0; x <= p.c1; ++x) {
        uint8_t* o = sheet.row(y0 + y) + (x0 + x) * 4;
        o[0] = p.color & 0xFF;
        o[1] = (p.color >> 8) & 0xFF;
        o[2] = (p.color >> 16) & 0xFF;
        o[3] = 255;
      }
    }
  }
  const std::string path = dir + "/" + name;
  EXPECT_TRUE(image_write(path.c_str(), sheet));
  return path;
}

class Text : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = make_temp_dir("zrv_fonts");
    // Proportional sheet, 128 codes in 10 x 9 cells.
    wide_ = sheet_file(dir_, "wide.png", 160, 72,
                       {{'A', 2, 5, kRed}, {'B', 0, 9, kGreen}, {'j', 1, 3, kBlue}});
    tall_ = sheet_file(dir_, "tall.png", 144, 160, {{200, 0, 8, kYellow}, {72, 0, 8, kBlue}});
  }
  void TearDown() override {
    unlink(wide_.c_str());
    unlink(tall_.c_str());
    rmdir(dir_.c_str());
  }
  std::string dir_, wide_, tall_;
};

TEST_F(Text, ProportionalPrintStartsAtTheCeilingPixel) {
  REQUIRE_GL();
  fresh(0x000000);
  font_load(RtString(wide_.c_str()), 3);
  ASSERT_EQ(ctx.last_error, 0);
  EXPECT_EQ(font_get(), 3);
  text_print(RtString("AB"), 10.2, 5.0, 1);
  // 'A': opaque columns 2..5 of its cell, advance 5 from pen x 11.
  EXPECT_PX(10, 6, 0, 0, 0);
  for (int x = 11; x <= 14; ++x) EXPECT_PX(x, 6, 255, 0, 0);
  EXPECT_PX(15, 6, 0, 0, 0);  // the spacing column
  // 'B' fills its cell: 10 pixels from x 16.
  EXPECT_PX(16, 5, 0, 255, 0);
  EXPECT_PX(25, 13, 0, 255, 0);
  EXPECT_PX(26, 13, 0, 0, 0);
  EXPECT_PX(16, 4, 0, 0, 0);  // cell height 9: rows 5..13
  EXPECT_PX(16, 14, 0, 0, 0);
}

TEST_F(Text, FixedPrintUsesWholeCells) {
  REQUIRE_GL();
  fresh(0x000000);
  font_load(RtString(wide_.c_str()), 3);
  text_print(RtString("AB"), 100, 50, 0);
  EXPECT_PX(101, 50, 0, 0, 0);
  for (int x = 102; x <= 105; ++x) EXPECT_PX(x, 50, 255, 0, 0);
  EXPECT_PX(106, 50, 0, 0, 0);
  EXPECT_PX(110, 58, 0, 255, 0);
  EXPECT_PX(119, 58, 0, 255, 0);
  EXPECT_PX(120, 58, 0, 0, 0);
}

TEST_F(Text, SpacePrintsAsWideAsJ) {
  REQUIRE_GL();
  fresh(0x000000);
  font_load(RtString(wide_.c_str()), 3);
  // 'j' columns 1..3: advance 4; so does the space before 'B'.
  text_print(RtString(" B"), 200, 100, 1);
  EXPECT_PX(203, 100, 0, 0, 0);
  EXPECT_PX(204, 100, 0, 255, 0);
  EXPECT_PX(213, 100, 0, 255, 0);
  EXPECT_EQ(text_width(RtString(" B"), 1), 14);
}

TEST_F(Text, CodesBeyondAHundredTwentySevenWrapOnANarrowSheet) {
  REQUIRE_GL();
  fresh(0x000000);
  font_load(RtString(wide_.c_str()), 3);
  // 193 = 65 + 128 prints as 'A'; 128 ends the text.
  text_print(RtString("\xC1\x80"
                      "B"),
             300, 100, 1);
  EXPECT_PX(300, 101, 255, 0, 0);
  EXPECT_PX(305, 101, 0, 0, 0);
  EXPECT_PX(306, 101, 0, 0, 0);  // no 'B'
  EXPECT_PX(310, 101, 0, 0, 0);
}

TEST_F(Text, TallSheetPrintsItsUpperCodes) {
  REQUIRE_GL();
  fresh(0x000000);
  font_load(RtString(tall_.c_str()), 5);
  ASSERT_EQ(ctx.last_error, 0);
  text_print(RtString("\xC8H"), 20, 300, 0);
  // 9 x 10 cells.
  EXPECT_PX(20, 300, 255, 255, 0);
  EXPECT_PX(28, 309, 255, 255, 0);
  EXPECT_PX(29, 300, 0, 0, 255);
  EXPECT_PX(37, 309, 0, 0, 255);
  EXPECT_PX(38, 300, 0, 0, 0);
  EXPECT_PX(20, 310, 0, 0, 0);
  int32_t w = 0, h = 0;
  font_glyph_size(&w, &h);
  EXPECT_EQ(w, 9);
  EXPECT_EQ(h, 10);
}

TEST_F(Text, WidthSumsAdvancesTimesScale) {
  REQUIRE_GL();
  fresh(0x000000);
  const std::string ab =
      sheet_file(dir_, "ab.png", 160, 72, {{'a', 0, 3, kRed}, {'b', 0, 4, kRed}});
  font_load(RtString(ab.c_str()), 7);
  unlink(ab.c_str());
  font_set(7, 2.0);
  EXPECT_EQ(text_width(RtString("ab"), 1), 22);
  EXPECT_EQ(text_width(RtString("ab"), 0), 40);
  double gw = 0, gh = 0;
  font_glyph_size(&gw, &gh);
  EXPECT_DOUBLE_EQ(gw, 20.0);
  EXPECT_DOUBLE_EQ(gh, 18.0);
  // Scaled printing: 'a' is 10 pixels wide at scale 2, spacing 2 more.
  text_print(RtString("a"), 50, 200, 1);
  EXPECT_PX(50, 200, 255, 0, 0);
  EXPECT_PX(57, 217, 255, 0, 0);
  EXPECT_PX(58, 200, 0, 0, 0);
  EXPECT_PX(50, 218, 0, 0, 0);
}

TEST_F(Text, BuiltInFontWithItsOutline) {
  REQUIRE_GL();
  fresh(0xFF0000);  // blue
  font_build_default(ctx.renderer, 9);
  EXPECT_FLOAT_EQ(ctx.renderer->font_scale[9], 4.0f);
  font_set(9, 1.0);
  text_print(RtString("HI"), 40, 40, 1);
  EXPECT_PX(41, 41, 255, 255, 255);  // H, top-left pixel
  EXPECT_PX(42, 41, 8, 8, 8);        // its outline
  EXPECT_PX(43, 41, 0, 0, 255);      // background between the strokes
  EXPECT_PX(45, 41, 255, 255, 255);
  EXPECT_PX(40, 41, 8, 8, 8);
  EXPECT_PX(42, 43, 255, 255, 255);  // the bar
  EXPECT_PX(50, 41, 255, 255, 255);  // I at 48: top row ".###."
  EXPECT_EQ(text_width(RtString("HI"), 1), 16);
  // At the built-in scale every pixel is 4 x 4.
  font_set(9, 4.0);
  text_print(RtString("H"), 100, 100, 0);
  EXPECT_PX(104, 104, 255, 255, 255);
  EXPECT_PX(107, 107, 255, 255, 255);
  EXPECT_PX(108, 104, 8, 8, 8);
  EXPECT_PX(112, 104, 0, 0, 255);
}

TEST_F(Text, FailedLoadsAndSlotQueries) {
  REQUIRE_GL();
  fresh(0x000000);
  OpenGLVireo* r = ctx.renderer;
  font_load(RtString(wide_.c_str()), 4);
  EXPECT_EQ(r->sprites[kFirstFontSprite + 4].image_width, 160);

  // A missing file: error 3 and the built-in font in the slot.
  font_load(RtString((dir_ + "/none.png").c_str()), 4);
  EXPECT_EQ(ctx.last_error, kErrNoSuchFile);
  EXPECT_EQ(r->sprites[kFirstFontSprite + 4].image_width, 128);
  EXPECT_EQ(r->sprites[kFirstFontSprite + 4].image_height, 64);
  EXPECT_EQ(r->glyphs[4][+'A'].advance, 8);
  EXPECT_FLOAT_EQ(r->font_scale[4], 4.0f);

  // Slot 32 does not exist.
  font_load(RtString(wide_.c_str()), 32);
  EXPECT_EQ(ctx.last_error, kErrOutOfMemory);
  EXPECT_EQ(font_get(), 4);
  font_set(40, 1.0);
  EXPECT_EQ(ctx.last_error, kErrOutOfMemory);
  EXPECT_EQ(font_get(), 4);

  // The highest empty slot; an empty name empties a slot.
  for (int f = 0; f < kFontCount; ++f) font_load(RtString(""), f);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(r->sprites[kFirstFontSprite + 4].image_width, 0);
  EXPECT_EQ(font_free_get(), 31);
  font_build_default(r, 31);
  EXPECT_EQ(font_free_get(), 30);
  for (int f = 0; f < kFontCount; ++f) font_build_default(r, f);
  EXPECT_EQ(font_free_get(), -1);

  // Text with an empty sheet draws nothing.
  font_load(RtString(""), 2);
  font_set(2, 1.0);
  text_print(RtString("AB"), 10, 10, 0);
  EXPECT_PX(12, 12, 0, 0, 0);
}

TEST_F(Text, LongTextsGrowTheVertexBuffer) {
  REQUIRE_GL();
  fresh(0x000000);
  font_load(RtString(wide_.c_str()), 3);
  std::string text(300, 'B');
  text_print(RtString(text.c_str()), 0, 400, 1);
  EXPECT_EQ(ctx.renderer->text_vertex_count, 1200);
  EXPECT_EQ(ctx.renderer->text_vertex_capacity, 1280);
  EXPECT_PX(0, 400, 0, 255, 0);
  EXPECT_PX(799, 408, 0, 255, 0);
}

TEST_F(Text, SystemFontFoundInMedia) {
  REQUIRE_GL();
  fresh(0x000000);
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(ZRV_SOURCE_DIR "/assets"), 0);
  font_build_default(ctx.renderer, 0);
  font_system_load(ctx.renderer);
  ASSERT_EQ(chdir(saved), 0);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(font_get(), 0);
  EXPECT_FLOAT_EQ(ctx.renderer->font_scale[0], 1.0f);
  EXPECT_EQ(ctx.renderer->sprites[kFirstFontSprite].image_width, 128);
  EXPECT_EQ(ctx.renderer->sprites[kFirstFontSprite].image_height, 96);
  // The shipped font is proportional: "i" is narrower than "W".
  EXPECT_LT(ctx.renderer->glyphs[0][+'i'].advance, ctx.renderer->glyphs[0][+'W'].advance);

  // Without any of the files the built-in font stays.
  const std::string empty = make_temp_dir("zrv_nofont");
  ASSERT_EQ(chdir(empty.c_str()), 0);
  font_build_default(ctx.renderer, 0);
  font_system_load(ctx.renderer);
  ASSERT_EQ(chdir(saved), 0);
  rmdir(empty.c_str());
  EXPECT_EQ(ctx.renderer->sprites[kFirstFontSprite].image_width, 128);
  EXPECT_EQ(ctx.renderer->sprites[kFirstFontSprite].image_height, 64);
  EXPECT_FLOAT_EQ(ctx.renderer->font_scale[0], 1.0f);
}

}  // namespace
}  // namespace gfx_test
