// A presented frame prepares its new back buffer once: one clear, with or
// without a background image.
#include "gl_session.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

int g_clears = 0;
decltype(gl_driver.Clear) g_real_clear = nullptr;

void counting_clear(GLbitfield mask) {
  ++g_clears;
  g_real_clear(mask);
}

// The clears of one present_frame.
int clears_of_one_frame() {
  g_clears = 0;
  g_real_clear = gl_driver.Clear;
  gl_driver.Clear = counting_clear;
  present_frame();
  gl_driver.Clear = g_real_clear;
  return g_clears;
}

TEST(FramePresentation, EachFrameClearsTheBackBufferOnce) {
  REQUIRE_GL();
  fresh(0x203040);
  EXPECT_EQ(clears_of_one_frame(), 1);
  rect_fill(10, 10, 5, 5, 0xFFFFFF);
  EXPECT_EQ(clears_of_one_frame(), 1);
  EXPECT_PX(12, 12, 0x40, 0x30, 0x20);

  // A background image is drawn on the new back buffer; its alpha is still
  // cleared, once.
  OpenGLVireo* r = gl_session();
  solid_sprite(7, 64, 32, 0x00FF00);
  r->background_ids[0] = 7;
  EXPECT_EQ(clears_of_one_frame(), 1);
  EXPECT_PX(5, 5, 0, 255, 0);
  r->background_ids[0] = -1;
  sprite_delete(r, 7);
}

}  // namespace
}  // namespace gfx_test
