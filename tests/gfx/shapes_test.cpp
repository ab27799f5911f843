// Outlines, circles, ellipses, thick lines, the sprite tint and the text
// colour: their pixels, and that they stay in the batch.
#include "gfx/font.hpp"
#include "gl_session.hpp"
#include "zorvane.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

bool lit(int x, int y) {
  const Rgba p = px(x, y);
  return p.r != 0 || p.g != 0 || p.b != 0;
}

// The lit pixels of row y from x0 to x1 as a string of '#' and '.'.
std::string row(int y, int x0, int x1) {
  std::string s;
  for (int x = x0; x <= x1; ++x) s += lit(x, y) ? '#' : '.';
  return s;
}

TEST(Shapes, OutlinesCirclesEllipsesAndThickLines) {
  REQUIRE_GL();
  fresh(0x000000);
  rect_draw(10, 10, 5, 4, color::Green);
  EXPECT_EQ(row(10, 9, 15), ".#####.");
  EXPECT_EQ(row(11, 9, 15), ".#...#.");
  EXPECT_EQ(row(13, 9, 15), ".#####.");
  EXPECT_EQ(row(14, 9, 15), ".......");
  EXPECT_PX(10, 10, 0, 255, 0);

  // Radius 3: 7 pixels across, the rows shrinking toward the poles.
  circle_fill(100, 100, 3, color::Red);
  EXPECT_EQ(row(100, 96, 104), ".#######.");
  EXPECT_EQ(row(97, 96, 104), "...###...");
  EXPECT_EQ(row(96, 96, 104), ".........");
  EXPECT_PX(100, 100, 255, 0, 0);
  // The outline is closed and hollow.
  circle_draw(200, 100, 3, color::White);
  EXPECT_EQ(row(100, 196, 204), ".#.....#.");
  EXPECT_EQ(row(97, 196, 204), "...###...");
  EXPECT_EQ(row(98, 196, 204), "..#...#..");
  // Ellipses by their two radii.
  ellipse_fill(300, 100, 6, 2, color::Blue);
  EXPECT_EQ(row(100, 293, 307), ".#############.");
  EXPECT_FALSE(lit(300, 97));
  EXPECT_TRUE(lit(300, 98));
  ellipse_draw(400, 100, 6, 2, color::White);
  EXPECT_TRUE(lit(394, 100));
  EXPECT_FALSE(lit(400, 100));

  // Thickness 3 across a horizontal line, both ends included.
  line_draw_thick(10, 50, 20, 50, 3, color::Yellow);
  EXPECT_EQ(row(50, 9, 21), ".###########.");
  line_draw_thick(30, 60, 30, 70, 1, color::White);
  EXPECT_TRUE(lit(30, 60) && lit(30, 70));
  EXPECT_FALSE(lit(30, 59) || lit(30, 71) || lit(29, 65) || lit(31, 65));
  EXPECT_TRUE(lit(15, 49) && lit(15, 51));
  EXPECT_FALSE(lit(15, 48) || lit(15, 52));
}

TEST(Shapes, TintColoursSpritesAndFramesAndTextTakesItsColour) {
  REQUIRE_GL();
  fresh(0x000000);
  solid_sprite(5, 8, 8, 0xFFFFFF);
  sprite_set_frames(5, 4, 4);
  sprite_tint_set(rgb(255, 128, 0));
  sprite_draw(5, 0, 0);
  sprite_draw_frame(5, 1, 20, 0);
  sprite_tint_set(color::White, 128);
  sprite_draw(5, 40, 0);
  sprite_tint_set(color::White);
  sprite_draw(5, 60, 0);
  EXPECT_TRUE(px_is(2, 2, 255, 128, 0, 3));
  EXPECT_TRUE(px_is(21, 1, 255, 128, 0, 3));
  EXPECT_TRUE(px_is(42, 2, 128, 128, 128, 3));
  EXPECT_PX(62, 2, 255, 255, 255);

  // The built-in font in red: every lit pixel of "H" is red alone.
  font_build_default(ctx.renderer, 0);
  font_set(0, 1);
  text_color_set(color::Red);
  text_print("H", 100, 0, 0);
  text_color_set(color::White);
  int red = 0;
  for (int y = 0; y < 8; ++y) {
    for (int x = 100; x < 108; ++x) {
      const Rgba p = px(x, y);
      if (p.r > 0) ++red;
      EXPECT_EQ(p.g + p.b, 0) << x << "," << y;
    }
  }
  EXPECT_GT(red, 4);
}

TEST(Shapes, TintedSpritesAndShapesShareOneDraw) {
  REQUIRE_GL();
  fresh(0x000000);
  solid_sprite(6, 8, 8, 0xFFFFFF);
  sprite_draw(6, 0, 0);  // copied into the atlas before counting
  gpu::flush();
  gpu::draws_taken();
  for (int i = 0; i < 20; ++i) {
    sprite_tint_set(rgb(10 * i, 255, 0), 200);
    sprite_draw(6, 10 * i, 100);
    circle_fill(10 * i, 200, 4, color::Red);
  }
  sprite_tint_set(color::White);
  rect_draw(0, 0, 50, 50, color::Blue);
  ellipse_draw(300, 300, 20, 10, color::Green);
  line_draw_thick(0, 0, 100, 60, 4, color::Cyan);
  text_print("ONE DRAW", 0, 300, 1);
  gpu::flush();
  EXPECT_EQ(gpu::draws_taken(), 1);
}

}  // namespace
}  // namespace gfx_test
