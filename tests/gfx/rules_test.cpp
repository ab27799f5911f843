// Rules that need no OpenGL context: size and scale arithmetic, the
// orientation mappings, the pixel operations of the sprite store, and a
// renderer without a window (headless runs).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprites.hpp"
#include "zorvane.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

// A renderer without a window as the current one for the test's duration.
struct WindowlessRenderer {
  OpenGLVireo r;
  OpenGLVireo* saved = ctx.renderer;
  ScreenState saved_state = screen_state;
  WindowlessRenderer(int32_t w, int32_t h) {
    r.width = w;
    r.height = h;
    ctx.renderer = &r;
    screen_state.screen_scale = 0;
    screen_state.target_in_use = -1;
  }
  ~WindowlessRenderer() {
    ctx.renderer = saved;
    screen_state = saved_state;
  }
};

TEST(Rules, PaddedSizeDoublesFromSixteen) {
  EXPECT_EQ(padded_size(1), 16);
  EXPECT_EQ(padded_size(16), 16);
  EXPECT_EQ(padded_size(17), 32);
  EXPECT_EQ(padded_size(32), 32);
  EXPECT_EQ(padded_size(33), 64);
  EXPECT_EQ(padded_size(480), 512);
  EXPECT_EQ(padded_size(800), 1024);
  EXPECT_EQ(padded_size(16384), 16384);
}

TEST(Rules, LogicalScreenScaleSnapsAndCentres) {
  EXPECT_EQ(screen_scale_snap(10.24f), 10.0f);
  EXPECT_EQ(screen_scale_snap(7.9f), 4.0f);
  EXPECT_EQ(screen_scale_snap(8.0f), 8.0f);
  EXPECT_EQ(screen_scale_snap(3.5f), 3.0f);
  EXPECT_EQ(screen_scale_snap(2.5f), 2.0f);
  EXPECT_EQ(screen_scale_snap(1.5f), 1.5f);
  EXPECT_EQ(screen_scale_snap(1.49f), 1.0f);
  EXPECT_EQ(screen_scale_snap(0.5f), 1.0f);

  {
    WindowlessRenderer w(1280, 1024);
    screen_logical_set(100, 100);
    EXPECT_EQ(screen_state.screen_scale, 10.0f);
    EXPECT_EQ(screen_state.screen_offset_x, 140);
    EXPECT_EQ(screen_state.screen_offset_y, 12);
    EXPECT_EQ(w.r.viewport_x, 140);
    EXPECT_EQ(w.r.viewport_y, 12);
    EXPECT_EQ(w.r.viewport_w, 1000);
    EXPECT_EQ(w.r.viewport_h, 1000);
    int32_t x, y, vw, vh;
    viewport_get(&x, &y, &vw, &vh);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(vw, 100);
    EXPECT_EQ(vh, 100);
    double dx, dy, dw, dh;
    viewport_get(&dx, &dy, &dw, &dh);
    EXPECT_EQ(dw, 100.0);
  }
  {
    WindowlessRenderer w(800, 480);
    screen_logical_set(320, 240);
    EXPECT_EQ(screen_state.screen_scale, 2.0f);
    EXPECT_EQ(screen_state.screen_offset_x, 80);
    EXPECT_EQ(screen_state.screen_offset_y, 0);
    // A turned screen exchanges the surface's sides first.
    screen_logical_set(0, 0);
    w.r.orientation = 1;
    screen_logical_set(240, 320);
    // A = min(480 / 240, 800 / 320) = 2.
    EXPECT_EQ(screen_state.screen_scale, 2.0f);
    EXPECT_EQ(screen_state.screen_offset_x, 0);
    EXPECT_EQ(screen_state.screen_offset_y, 80);
    screen_logical_set(-1, 5);
    EXPECT_EQ(screen_state.screen_scale, 0.0f);
    EXPECT_EQ(w.r.virtual_width, 800);  // the next viewport fixed it again
  }
}

TEST(Rules, OrientationMappingsAndTheirInverse) {
  WindowlessRenderer w(800, 480);
  const int32_t W = 800, H = 480;
  struct Case {
    int n;
    int mx, my;  // screen_point_map (30, 20)
  } cases[] = {{0, 30, 20}, {1, 20, W - 1 - 30}, {2, W - 1 - 30, H - 1 - 20}, {3, H - 1 - 20, 30}};
  for (const Case& c : cases) {
    w.r.orientation = c.n;
    int32_t x, y;
    screen_point_map(&w.r, 30, 20, &x, &y);
    EXPECT_EQ(x, c.mx) << c.n;
    EXPECT_EQ(y, c.my) << c.n;
    int32_t bx, by;
    screen_point_unmap(&w.r, x, y, &bx, &by);
    EXPECT_EQ(bx, 30) << c.n;
    EXPECT_EQ(by, 20) << c.n;
    int32_t dx, dy;
    screen_vector_map(&w.r, 3, 0, &dx, &dy);
    int32_t x2, y2;
    screen_point_map(&w.r, 33, 20, &x2, &y2);
    EXPECT_EQ(dx, x2 - x) << c.n;
    EXPECT_EQ(dy, y2 - y) << c.n;
  }
}

TEST(Rules, AlphaBleedUsesOpaqueNeighboursInsideTheImage) {
  RtImage image;
  ASSERT_TRUE(image.resize(4, 4));
  auto set = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    uint8_t* p = image.row(y) + x * 4;
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
  };
  // Two opaque inner pixels; the border pixel (0, 0) is opaque too but lies
  // on the outermost row, so it never counts.
  set(1, 1, 100, 0, 50, 255);
  set(2, 1, 200, 100, 0, 255);
  set(0, 0, 255, 255, 255, 255);
  set(3, 3, 9, 9, 9, 0);  // transparent with a colour of its own
  alpha_bleed(image);
  const uint8_t* p = image.row(0) + 1 * 4;  // (1, 0): both inner pixels
  EXPECT_EQ(p[0], 150);
  EXPECT_EQ(p[1], 50);
  EXPECT_EQ(p[2], 25);
  EXPECT_EQ(p[3], 0);
  p = image.row(2) + 0 * 4;  // (0, 2): only (1, 1)
  EXPECT_EQ(p[0], 100);
  EXPECT_EQ(p[2], 50);
  p = image.row(1) + 0 * 4;  // (0, 1): (1, 1) only; (0, 0) is on the border
  EXPECT_EQ(p[0], 100);
  p = image.row(3) + 3 * 4;  // no opaque neighbour inside: black
  EXPECT_EQ(p[0] | p[1] | p[2], 0);
  EXPECT_EQ(p[3], 0);
  // Opaque pixels stay as they are.
  EXPECT_EQ(image.row(0)[0], 255);
}

TEST(Rules, NormalMapOfAFlatHeightFieldPointsUp) {
  std::vector<uint8_t> buffer(16 * 16 * 4, 77);
  normal_map_convert(buffer.data(), 16, 16);
  EXPECT_EQ(buffer[0], 127);
  EXPECT_EQ(buffer[1], 127);
  EXPECT_EQ(buffer[2], 255);
  EXPECT_EQ(buffer[3], 77) << "alpha kept";
  // A height step to the right tilts the normal to the left (red falls).
  std::vector<uint8_t> step(16 * 16 * 4, 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 8; x < 16; ++x) step[(y * 16 + x) * 4 + 2] = 255;
  }
  normal_map_convert(step.data(), 16, 16);
  EXPECT_LT(step[(4 * 16 + 7) * 4 + 0], 127);
  EXPECT_EQ(step[(4 * 16 + 7) * 4 + 1], 127);
}

TEST(Rules, WithoutAWindowLoadsKeepSizesAndDrawingDoesNothing) {
  WindowlessRenderer w(800, 480);
  const std::string dir = [] {
    char name[] = "/tmp/zrv_gfx_rulesXXXXXX";
    return std::string(mkdtemp(name));
  }();
  RtImage image;
  ASSERT_TRUE(image.resize(40, 26));
  ASSERT_TRUE(image_write((dir + "/duck.png").c_str(), image));
  ctx.last_error = 0;
  sprite_load_sheet(RtString((dir + "/duck.png").c_str()), 100, 40, 26);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_TRUE(sprite_slot_used(100));
  EXPECT_EQ(w.r.sprites[100].texture, 0u);
  EXPECT_EQ(w.r.sprites[100].padded_width, 64);
  EXPECT_FLOAT_EQ(w.r.sprites[100].v_max, 0.8125f);
  EXPECT_EQ(w.r.sprites[100].frame_width, 40);
  sprite_load(RtString((dir + "/missing.png").c_str()), 101);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_FALSE(sprite_slot_used(101));
  // Drawing and modes change only the state.
  sprite_draw(100, 0, 0);
  sprite_draw_frame(100, 1, 0, 0);
  rect_fill(0, 0, 5, 5, 0xFFFFFF);
  line_draw(0, 0, 5, 5, 0xFFFFFF);
  EXPECT_EQ(pixel_get(0, 0), 0);
  blend_alpha(-0.5);
  EXPECT_FLOAT_EQ(w.r.current_alpha, 0.5f);
  blend_alpha(0);
  EXPECT_FLOAT_EQ(w.r.current_alpha, 1.0f);
  // Size queries follow the surface.
  screen_mode_apply(&w.r, 800, 480, 0, 0);
  int32_t sw, sh;
  screen_size_get(&sw, &sh);
  EXPECT_EQ(sw, 800);
  EXPECT_EQ(sh, 480);
  RtArray<int32_t> pixels;
  EXPECT_FALSE(sprite_to_array(pixels, 100)) << "nothing to read back";
  unlink((dir + "/duck.png").c_str());
  rmdir(dir.c_str());
}

}  // namespace
}  // namespace gfx_test
