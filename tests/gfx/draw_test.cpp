// Drawing commands on a real OpenGL context, checked by reading the pixels
// back from the back buffer.
#include "gl_session.hpp"
#include "zorvane.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

TEST(Draw, SpritePlacedByItsTopLeftCornerTexelForTexel) {
  REQUIRE_GL();
  fresh(0x000000);
  RtImage image;
  // Every texel a different colour: red = 40 x, green = 60 y, blue 200.
  image_fill(image, 4, 3, [](int x, int y) {
    return 0xFF000000u | 200u << 16 | static_cast<uint32_t>(60 * y) << 8 |
           static_cast<uint32_t>(40 * x + 10);
  });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, 7, image, 0));
  sprite_draw(7, 10, 20);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_PX(10 + x, 20 + y, 40 * x + 10, 60 * y, 200);
  }
  EXPECT_PX(9, 20, 0, 0, 0);
  EXPECT_PX(14, 20, 0, 0, 0);
  EXPECT_PX(10, 19, 0, 0, 0);
  EXPECT_PX(10, 23, 0, 0, 0);

  // Nearest filtering gives the same texels.
  smooth_set(0);
  sprite_draw(7, 100, 200);
  EXPECT_PX(100, 200, 10, 0, 200);
  EXPECT_PX(103, 202, 130, 120, 200);

  // A free slot draws nothing.
  sprite_delete(ctx.renderer, 7);
  sprite_draw(7, 300, 300);
  EXPECT_PX(300, 300, 0, 0, 0);
}

// A 3 x 2 sheet of 40 x 26 frames (120 x 52), frame k filled with colour k.
const uint32_t kFrameColors[6] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00};

void sheet_make(int32_t id) {
  RtImage image;
  image_fill(image, 120, 52,
             [](int x, int y) { return 0xFF000000u | kFrameColors[(y / 26) * 3 + x / 40]; });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, id, image, 0));
  sprite_set_frames(id, 40, 26);
}

Rgba color_of(uint32_t c) {
  return {static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
          static_cast<int>((c >> 16) & 0xFF), 255};
}

TEST(Draw, FramesOfASheetRowByRowWithWrapAround) {
  REQUIRE_GL();
  fresh(0x000000);
  sheet_make(100);
  for (int frame = 0; frame < 6; ++frame) {
    const int x = 10 + frame * 50, y = 10;
    sprite_draw_frame(100, frame, x, y);
    const Rgba want = color_of(kFrameColors[frame]);
    for (auto [dx, dy] : {std::pair{0, 0}, {39, 0}, {0, 25}, {39, 25}, {20, 13}}) {
      EXPECT_PX(x + dx, y + dy, want.r, want.g, want.b) << "frame " << frame;
    }
    EXPECT_PX(x + 40, y, 0, 0, 0);
    EXPECT_PX(x, y + 26, 0, 0, 0);
  }
  // Frame 4 of 3 per row: row 1, column 1.
  sprite_draw_frame(100, 4, 400, 100);
  EXPECT_PX(420, 113, 255, 0, 255);

  // Frame 7 lies below the image: v runs negative and repeats from the top
  // of the texture: the padding rows (transparent) above, then the first
  // frame row's top rows (frame 1, same column) below.
  sprite_draw_frame(100, 7, 500, 100);
  EXPECT_PX(520, 101, 0, 0, 0);
  EXPECT_PX(520, 124, 0, 255, 0);

  // A sheet narrower than one frame: no frame per row, the frame number is
  // the column.
  RtImage narrow;
  image_fill(narrow, 30, 26, [](int, int) { return 0xFF0080FFu; });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, 101, narrow, 0));
  sprite_set_frames(101, 40, 26);
  sprite_draw_frame(101, 0, 600, 100);
  EXPECT_PX(610, 110, 255, 128, 0);
  // Column 1 runs from u = 40 / 32 to 80 / 32 of the 32-texel texture and
  // repeats it: texels 8..31 (the last two are padding), then 0..7.
  smooth_set(0);
  sprite_draw_frame(101, 1, 600, 200);
  EXPECT_PX(610, 210, 255, 128, 0);
  EXPECT_PX(621, 210, 255, 128, 0);
  EXPECT_PX(622, 210, 0, 0, 0);
  EXPECT_PX(623, 210, 0, 0, 0);
  EXPECT_PX(625, 210, 255, 128, 0);
  smooth_set(1);

  // Without a frame size nothing is drawn.
  solid_sprite(102, 40, 26, 0xFFFFFF);
  sprite_draw_frame(102, 0, 700, 300);
  EXPECT_PX(710, 310, 0, 0, 0);

  // Nor without an image: a deleted sheet, or one whose reload failed,
  // keeps its frame size and still draws nothing.
  sheet_make(103);
  sprite_delete(ctx.renderer, 103);
  sheet_make(104);
  sprite_load(RtString("/no/such/sheet.png"), 104);
  for (int32_t id : {103, 104}) {
    ASSERT_EQ(ctx.renderer->sprites[id].frame_width, 40) << id;
    sprite_draw_frame(id, 0, 10, 300);
    sprite_draw_frame_stretched(id, 0, 100, 300, 40, 26);
    sprite_draw_frame_rotozoom(id, 0, 200, 300, 0.0, 1.0);
    for (int x : {20, 110, 220}) EXPECT_PX(x, 310, 0, 0, 0) << "sheet " << id << " at " << x;
  }
}

TEST(Draw, StretchedZoomedAndRotatedQuadsCoverTheirBoxes) {
  REQUIRE_GL();
  fresh(0x000000);
  solid_sprite(1, 4, 4, 0x0000FF);
  // Linear filtering with repeat softens the outermost pixels of an
  // enlarged picture; the inside is the texel colour.
  sprite_draw_stretched(1, 150, 160, 20, 10);
  EXPECT_PX(160, 165, 255, 0, 0);
  EXPECT_LT(px(150, 160).r, 250);
  // Nearest filtering gives the boxes exactly.
  smooth_set(0);
  sprite_draw_stretched(1, 50, 60, 20, 10);
  EXPECT_PX(50, 60, 255, 0, 0);
  EXPECT_PX(69, 69, 255, 0, 0);
  EXPECT_PX(70, 65, 0, 0, 0);
  EXPECT_PX(60, 70, 0, 0, 0);
  EXPECT_PX(49, 65, 0, 0, 0);

  // Zoom 2 keeps the picture centred on the unzoomed one: 10 x 10 at
  // (100, 100) covers (95, 95) to (114, 114).
  solid_sprite(2, 10, 10, 0x00FF00);
  sprite_draw_zoomed(2, 100, 100, 2.0, 2.0);
  EXPECT_PX(95, 95, 0, 255, 0);
  EXPECT_PX(114, 114, 0, 255, 0);
  EXPECT_PX(94, 100, 0, 0, 0);
  EXPECT_PX(115, 100, 0, 0, 0);
  // A negative zoom mirrors: the right half comes out on the left.
  RtImage halves;
  image_fill(halves, 10, 10, [](int x, int) { return x < 5 ? 0xFF0000FFu : 0xFFFF0000u; });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, 3, halves, 0));
  sprite_draw_zoomed(3, 200, 100, -1.0, 1.0);
  EXPECT_PX(201, 105, 0, 0, 255);
  EXPECT_PX(208, 105, 255, 0, 0);

  // A 20 x 10 picture, left half red, right half blue, turned by 90
  // degrees about its centre (310, 205): it stands 10 x 20 on
  // (305, 195)-(315, 215), the right half on top (counter-clockwise).
  RtImage wide;
  image_fill(wide, 20, 10, [](int x, int) { return x < 10 ? 0xFF0000FFu : 0xFFFF0000u; });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, 4, wide, 0));
  sprite_draw_rotated(4, 300, 200, 90.0);
  EXPECT_PX(310, 197, 0, 0, 255);
  EXPECT_PX(310, 212, 255, 0, 0);
  EXPECT_PX(306, 205, 255, 0, 0) << "edge of the turned box";
  EXPECT_PX(303, 205, 0, 0, 0);
  EXPECT_PX(317, 205, 0, 0, 0);
  EXPECT_PX(310, 193, 0, 0, 0);
  // Zoom 2 and 0 degrees: 40 x 20 about the same centre.
  sprite_draw_rotozoom(4, 300, 300, 0.0, 2.0);
  EXPECT_PX(291, 296, 255, 0, 0);
  EXPECT_PX(328, 313, 0, 0, 255);
  EXPECT_PX(288, 305, 0, 0, 0);

  // A stretched free slot fills its box untextured in the current colour.
  sprite_draw_stretched(50, 400, 400, 5, 5);
  EXPECT_PX(402, 402, 255, 255, 255);

  // Frames: stretched and turned.
  sheet_make(100);
  sprite_draw_frame_stretched(100, 4, 500, 10, 80, 52);
  EXPECT_PX(501, 11, 255, 0, 255);
  EXPECT_PX(579, 61, 255, 0, 255);
  EXPECT_PX(582, 30, 0, 0, 0);
  sprite_draw_frame_rotozoom(100, 2, 600, 300, 90.0, 1.0);
  // 40 x 26 frame turned: 26 x 40 about (620, 313).
  EXPECT_PX(620, 296, 0, 0, 255);
  EXPECT_PX(620, 330, 0, 0, 255);
  EXPECT_PX(605, 313, 0, 0, 0);
}

TEST(Draw, BlendModesHalveAddAndReplace) {
  REQUIRE_GL();
  fresh(0x646464);                  // (100, 100, 100)
  solid_sprite(1, 8, 8, 0xC8C8C8);  // 200
  solid_sprite(2, 8, 8, 0x3C3C3C);  // 60

  blend_alpha(-0.5);
  EXPECT_FLOAT_EQ(ctx.renderer->current_alpha, 0.5f);
  sprite_draw(1, 10, 10);
  EXPECT_PX(12, 12, 150, 150, 150);

  blend_alpha(1);
  sprite_draw(2, 30, 10);
  EXPECT_PX(32, 12, 160, 160, 160);
  // Above 1 is additive with alpha 1.
  blend_alpha(2);
  EXPECT_FLOAT_EQ(ctx.renderer->current_alpha, 1.0f);
  sprite_draw(2, 50, 10);
  EXPECT_PX(52, 12, 160, 160, 160);
  // 0.25 additive: 100 + 60 / 4.
  blend_alpha(0.25);
  sprite_draw(2, 70, 10);
  EXPECT_PX(72, 12, 115, 115, 115);

  // -3 is normal drawing, as -1.
  blend_alpha(-3);
  EXPECT_FLOAT_EQ(ctx.renderer->current_alpha, 1.0f);
  sprite_draw(2, 90, 10);
  EXPECT_PX(92, 12, 60, 60, 60);

  // 0: no blending at all; transparent texels replace the picture.
  RtImage holes;
  image_fill(holes, 8, 8, [](int x, int) { return x < 4 ? 0x00FFFFFFu : 0xFF0000FFu; });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, 3, holes, 0));
  blend_alpha(-1);
  sprite_draw(3, 110, 10);
  EXPECT_PX(111, 12, 100, 100, 100);
  EXPECT_PX(116, 12, 255, 0, 0);
  blend_alpha(0);
  EXPECT_FLOAT_EQ(ctx.renderer->current_alpha, 1.0f);
  sprite_draw(3, 130, 10);
  EXPECT_PX(131, 12, 255, 255, 255) << "written as they are, not blended";
  // With the alpha test on they stay out.
  alpha_test_set(0.5);
  sprite_draw(3, 150, 10);
  EXPECT_PX(151, 12, 100, 100, 100);
  EXPECT_PX(156, 12, 255, 0, 0);
  blend_alpha(-1);

  // The alpha test hides texels of alpha 0.5 and less.
  RtImage steps;
  image_fill(steps, 8, 8, [](int x, int) { return x < 4 ? 0x800000FFu : 0x810000FFu; });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, 4, steps, 0));
  smooth_set(0);
  alpha_test_set(128.0 / 255.0);
  EXPECT_FLOAT_EQ(ctx.renderer->alpha_threshold, 128.0f / 255.0f);
  sprite_draw(4, 170, 10);
  EXPECT_PX(171, 12, 100, 100, 100);
  EXPECT_NE(px(176, 12).r, 100);
  alpha_test_set(1);
  EXPECT_FLOAT_EQ(ctx.renderer->alpha_threshold, 1.0f);

  // Untextured primitives take the current alpha too.
  blend_alpha(-0.5);
  rect_fill(200, 10, 5, 5, 0xC8C8C8);
  EXPECT_PX(202, 12, 150, 150, 150);
  blend_alpha(-1);
  rect_fill(210, 10, 5, 5, 0xC8C8C8);
  EXPECT_PX(212, 12, 200, 200, 200);
}

TEST(Draw, RectanglesPixelsAndLines) {
  REQUIRE_GL();
  fresh(0x000000);
  // Negative sizes count back from the given corner, which is included.
  rect_fill(10, 10, -3, 2, 0x0000FF);
  for (int x = 8; x <= 10; ++x) {
    EXPECT_PX(x, 10, 255, 0, 0);
    EXPECT_PX(x, 11, 255, 0, 0);
  }
  EXPECT_PX(7, 10, 0, 0, 0);
  EXPECT_PX(11, 10, 0, 0, 0);
  EXPECT_PX(9, 12, 0, 0, 0);
  EXPECT_PX(9, 9, 0, 0, 0);
  rect_fill(50, 50, 3, -2, 0x00FF00);
  EXPECT_PX(50, 49, 0, 255, 0);
  EXPECT_PX(52, 50, 0, 255, 0);
  EXPECT_PX(50, 48, 0, 0, 0);
  EXPECT_PX(50, 51, 0, 0, 0);
  EXPECT_PX(53, 50, 0, 0, 0);

  // The colour key draws transparent.
  rect_fill(60, 60, 4, 4, 0x8000FF);
  EXPECT_PX(61, 61, 0, 0, 0);

  pixel_set(100, 100, 0x123456);
  EXPECT_PX(100, 100, 0x56, 0x34, 0x12);
  EXPECT_EQ(pixel_get(100, 100), 0x123456);
  EXPECT_PX(101, 100, 0, 0, 0);
  EXPECT_PX(100, 101, 0, 0, 0);

  // Lines set both end points.
  line_draw(20, 30, 40, 30, 0xFFFFFF);
  EXPECT_PX(20, 30, 255, 255, 255);
  EXPECT_PX(40, 30, 255, 255, 255);
  EXPECT_PX(30, 30, 255, 255, 255);
  EXPECT_PX(41, 30, 0, 0, 0);
  EXPECT_PX(19, 30, 0, 0, 0);
  line_draw(200, 200, 200, 220, 0xFF0000);
  EXPECT_PX(200, 200, 0, 0, 255);
  EXPECT_PX(200, 220, 0, 0, 255);
  EXPECT_PX(200, 221, 0, 0, 0);
  // Both ends equal: exactly that pixel.
  line_draw(300, 300, 300, 300, 0x00FF00);
  EXPECT_PX(300, 300, 0, 255, 0);
  for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
    EXPECT_PX(300 + dx, 300 + dy, 0, 0, 0);
  }
  // Afterwards sprites draw in white again.
  solid_sprite(1, 2, 2, 0x808080);
  sprite_draw(1, 400, 400);
  EXPECT_PX(400, 400, 128, 128, 128);
}

// Arguments at the ends of their ranges: nothing overflows (the sanitizer
// build stops at any undefined arithmetic), collisions are found where the
// sprites meet, and drawing goes on as before.
TEST(Draw, ExtremeArgumentsStayDefined) {
  REQUIRE_GL();
  fresh();
  solid_sprite(1, 4, 4, 0xFFFFFF);
  sprite_set_frames(1, 2, 2);
  for (const int32_t at : {INT32_MAX, INT32_MAX - 3, INT32_MIN, INT32_MIN + 1}) {
    sprite_draw(1, at, at);
    sprite_draw_stretched(1, at, at, INT32_MAX, INT32_MIN);
    sprite_draw_zoomed(1, at, at, 1e12, -1e12);
    sprite_draw_rotozoom(1, at, at, 1e300, 1e12);
    rect_fill(at, at, INT32_MAX, INT32_MIN, 0xFF);
    for (const int32_t frame : {INT32_MAX, INT32_MIN}) {
      sprite_draw_frame(1, frame, at, at);
      sprite_draw_frame_stretched(1, frame, at, at, INT32_MIN, INT32_MAX);
      sprite_draw_frame_rotozoom(1, frame, at, at, -1e300, 1e12);
      sprite_frame_collision(1, frame, at, at, 1, frame, at, at);
    }
    viewport_set(at, at, at, at);
  }
  // Two sprites at the far end overlap by two pixels each way.
  EXPECT_TRUE(sprite_collision(1, INT32_MAX - 2, INT32_MAX - 2, 1, INT32_MAX - 3, INT32_MAX - 3));
  EXPECT_FALSE(sprite_collision(1, INT32_MAX, INT32_MAX, 1, INT32_MIN, INT32_MIN));
  EXPECT_TRUE(sprite_frame_collision(1, 3, INT32_MAX - 1, 0, 1, 3, INT32_MAX - 1, 0));
  for (const double size : {1e308, 1e-300, -1e308, 0.5}) {
    screen_logical_set(size, size);
    int32_t w = 0, h = 0;
    screen_size_get(&w, &h);
    EXPECT_GT(w, 0) << size;
    EXPECT_LE(w, 32767) << size;
  }
  screen_logical_set(0, 0);
  viewport_set(0, 0, 0, 0);
  rect_fill(3, 3, 1, 1, 0x00FF00);
  EXPECT_PX(3, 3, 0, 255, 0);
}

TEST(Draw, PolygonsTexturedColouredAndStrips) {
  REQUIRE_GL();
  fresh(0x000000);
  // An untextured coloured triangle fan (a square).
  poly_start(-1, 0);
  poly_vertex(10, 10, 0, 0, 0x0000FF);
  poly_vertex(30, 10, 0, 0, 0x0000FF);
  poly_vertex(30, 30, 0, 0, 0x0000FF);
  poly_vertex(10, 30, 0, 0, 0x0000FF);
  poly_end();
  EXPECT_PX(20, 20, 255, 0, 0);
  EXPECT_PX(31, 20, 0, 0, 0);

  // Separate triangles textured with texel coordinates from the top-left.
  RtImage halves;
  image_fill(halves, 16, 16, [](int, int y) { return y < 8 ? 0xFF00FF00u : 0xFFFF0000u; });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, 5, halves, 0));
  poly_start(5, 1);
  poly_vertex(100, 100, 0, 0, 0xFFFFFF);
  poly_vertex(116, 100, 16, 0, 0xFFFFFF);
  poly_vertex(116, 116, 16, 16, 0xFFFFFF);
  poly_vertex(100, 100, 0, 0, 0xFFFFFF);
  poly_vertex(116, 116, 16, 16, 0xFFFFFF);
  poly_vertex(100, 116, 0, 16, 0xFFFFFF);
  poly_end();
  EXPECT_PX(108, 102, 0, 255, 0);
  EXPECT_PX(108, 113, 0, 0, 255);

  // Two strips joined by degenerate triangles: nothing drawn between them.
  poly_start(-1, 2);
  poly_vertex(200, 200, 0, 0, 0x00FFFF);
  poly_vertex(200, 210, 0, 0, 0x00FFFF);
  poly_vertex(210, 200, 0, 0, 0x00FFFF);
  poly_vertex(210, 210, 0, 0, 0x00FFFF);
  poly_new_strip();
  poly_new_strip();  // a second break in a row adds nothing
  poly_vertex(300, 200, 0, 0, 0x00FFFF);
  poly_vertex(300, 210, 0, 0, 0x00FFFF);
  poly_vertex(310, 200, 0, 0, 0x00FFFF);
  poly_vertex(310, 210, 0, 0, 0x00FFFF);
  poly_end();
  EXPECT_PX(205, 205, 255, 255, 0);
  EXPECT_PX(305, 205, 255, 255, 0);
  EXPECT_PX(255, 205, 0, 0, 0);

  // Half alpha goes into the vertex colours.
  blend_alpha(-0.5);
  poly_start(-1, 0);
  poly_vertex(400, 400, 0, 0, 0xFFFFFF);
  poly_vertex(420, 400, 0, 0, 0xFFFFFF);
  poly_vertex(420, 420, 0, 0, 0xFFFFFF);
  poly_vertex(400, 420, 0, 0, 0xFFFFFF);
  poly_end();
  EXPECT_PX(410, 410, 127, 127, 127);
  blend_alpha(-1);
  // The colour is white again afterwards.
  solid_sprite(1, 2, 2, 0x808080);
  sprite_draw(1, 500, 400);
  EXPECT_PX(500, 400, 128, 128, 128);
}

}  // namespace
}  // namespace gfx_test
