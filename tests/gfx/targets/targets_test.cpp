// Off-screen targets on a real window: drawing lands in the sprite, read
// back through sprite_to_array.
#include "gfx/targets.hpp"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/errors.hpp"
#include "file_bytes_of.hpp"
#include "gl_session.hpp"
#include "types/rt_array.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

std::string log_text() {
  std::ifstream in(log_path().c_str());
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Pixel (x, y) of a sprite read back, 0xAABBGGRR.
uint32_t sprite_px(const RtArray<int32_t>& pixels, int w, int x, int y) {
  return static_cast<uint32_t>(pixels.items[static_cast<size_t>(y) * w + x]);
}

TEST(Targets, CreatePadsAndDrawingLandsTopLeft) {
  REQUIRE_GL();
  fresh(0x000000);
  OpenGLVireo* r = ctx.renderer;
  target_create(0, 10, 100, 50);
  const SpriteRecord& s = r->sprites[10];
  EXPECT_EQ(s.padded_width, 128);
  EXPECT_EQ(s.padded_height, 64);
  EXPECT_EQ(s.image_width, 100);
  EXPECT_EQ(s.image_height, 50);
  EXPECT_FLOAT_EQ(s.u_max, 100.0f / 128);
  EXPECT_FLOAT_EQ(s.v_max, 50.0f / 64);
  const TargetRecord& t = r->targets[0];
  ASSERT_NE(t.fbo, 0);
  EXPECT_NE(t.depth_buffer, 0);
  EXPECT_EQ(t.saved_binding, -1);
  EXPECT_EQ(t.width, 128);
  EXPECT_EQ(t.height, 64);
  EXPECT_EQ(t.sprite, 10);

  solid_sprite(20, 3, 2, 0x0000FF);
  target_use(0);
  EXPECT_EQ(r->current_target, 0);
  EXPECT_EQ(screen_state.target_in_use, 0);
  EXPECT_EQ(r->viewport_w, 100);
  EXPECT_EQ(r->viewport_h, 50);
  sprite_draw(20, 0, 0);
  rect_fill(97, 48, 3, 2, 0x00FF00);  // the bottom-right corner
  target_use(-1);
  EXPECT_EQ(r->current_target, -1);
  EXPECT_EQ(screen_state.target_in_use, -1);
  EXPECT_EQ(r->viewport_w, kW);
  EXPECT_EQ(r->viewport_h, kH);

  // Nothing of it reached the screen.
  EXPECT_PX(0, 0, 0, 0, 0);
  EXPECT_PX(1, 1, 0, 0, 0);

  RtArray<int32_t> pixels;
  ASSERT_TRUE(sprite_to_array(pixels, 10));
  ASSERT_EQ(pixels.count, 100 * 50);
  EXPECT_EQ(sprite_px(pixels, 100, 0, 0), 0xFF0000FFu);
  EXPECT_EQ(sprite_px(pixels, 100, 2, 1), 0xFF0000FFu);
  EXPECT_EQ(sprite_px(pixels, 100, 3, 0) & 0x00FFFFFFu, 0u);
  EXPECT_EQ(sprite_px(pixels, 100, 0, 2) & 0x00FFFFFFu, 0u);
  EXPECT_EQ(sprite_px(pixels, 100, 99, 49) & 0x00FFFFFFu, 0x00FF00u);
  EXPECT_EQ(sprite_px(pixels, 100, 50, 25), 0u);  // still the empty picture

  // Drawing the sprite on the screen shows the picture the right way up.
  sprite_draw(10, 200, 100);
  EXPECT_PX(200, 100, 255, 0, 0);
  EXPECT_PX(299, 149, 0, 255, 0);

  // A second use continues on the same picture.
  target_use(0);
  rect_fill(50, 25, 1, 1, 0xFF0000);
  target_use(-1);
  ASSERT_TRUE(sprite_to_array(pixels, 10));
  EXPECT_EQ(sprite_px(pixels, 100, 50, 25), 0xFFFF0000u);
  EXPECT_EQ(sprite_px(pixels, 100, 0, 0), 0xFF0000FFu);

  // The frame flip's end of the redirection.
  target_use(0);
  renderer_end_target_redirect(r);
  EXPECT_EQ(r->current_target, -1);
  EXPECT_EQ(r->targets[0].saved_binding, -1);
  target_create(0, 10, 0, 0);
}

TEST(Targets, SaveWritesTheDrawnPicture) {
  REQUIRE_GL();
  fresh(0x000000);
  target_create(3, 11, 20, 10);
  target_use(3);
  rect_fill(0, 0, 20, 10, 0x00FFFF);
  rect_fill(5, 5, 1, 1, 0xFF0000);
  target_use(-1);
  const std::string dir = make_temp_dir("zrv_targets");
  const std::string file = dir + "/t.png";
  ASSERT_TRUE(sprite_save(11, RtString(file.c_str())));
  RtImage image;
  ASSERT_TRUE(image_decode_png(image, test::file_bytes_of(file.c_str()), kNoColorKey));
  unlink(file.c_str());
  rmdir(dir.c_str());
  ASSERT_EQ(image.width, 20);
  ASSERT_EQ(image.height, 10);
  EXPECT_EQ(image.row(0)[0], 255);
  EXPECT_EQ(image.row(0)[1], 255);
  EXPECT_EQ(image.row(0)[2], 0);
  EXPECT_EQ(image.row(5)[5 * 4 + 2], 255);
  EXPECT_EQ(image.row(5)[5 * 4 + 0], 0);
  target_create(3, 11, 0, 0);
}

TEST(Targets, RebindLogsAndFailures) {
  REQUIRE_GL();
  fresh(0x000000);
  OpenGLVireo* r = ctx.renderer;
  target_create(1, 12, 8, 8);
  TargetRecord& t = r->targets[1];
  ASSERT_TRUE(target_bind(t));
  EXPECT_FALSE(target_bind(t));
  target_unbind(t);
  EXPECT_EQ(t.saved_binding, -1);
  EXPECT_NE(log_text().find("Trying to rebind the same FBO again. Need to end first\n"),
            std::string::npos);

  TargetRecord spare;
  EXPECT_FALSE(target_build(spare, 0, 16, r->sprites[12].texture, true));
  EXPECT_NE(log_text().find("can't create FBO for neg dims 0x16\n"), std::string::npos);
  EXPECT_EQ(spare.fbo, 0);
  EXPECT_EQ(spare.sprite, -1);

  // A texture without a picture makes the frame buffer incomplete: logged,
  // tried without depth, released.
  GLuint bare = 0;
  gl.GenTextures(1, &bare);
  EXPECT_FALSE(target_build(spare, 16, 16, bare, true));
  gl.DeleteTextures(1, &bare);
  EXPECT_EQ(spare.fbo, 0);
  EXPECT_EQ(spare.depth_buffer, 0);
  const std::string log = log_text();
  EXPECT_NE(log.find("Trying without a depth buffer as a fallback...\n"), std::string::npos);
  EXPECT_NE(log.find("CAN'T CREATE FRAMEBUFFER (CREATESCREEN)\n"), std::string::npos);
  target_create(1, 12, 0, 0);
}

TEST(Targets, ZeroSizeDeletesTheSpriteAndFreeSlots) {
  REQUIRE_GL();
  fresh(0x000000);
  OpenGLVireo* r = ctx.renderer;
  for (int i = 0; i < kTargetCount; ++i) target_create(i, -1, 0, 0);
  EXPECT_EQ(target_free_get(), 31);
  solid_sprite(13, 4, 4, 0xFFFFFF);
  target_create(31, 13, 0, 10);
  EXPECT_EQ(r->sprites[13].image_width, 0);
  EXPECT_EQ(r->targets[31].fbo, 0);
  EXPECT_EQ(target_free_get(), 31);
  target_create(31, 13, 4, 4);
  EXPECT_EQ(target_free_get(), 30);
  target_create(32, 14, 4, 4);  // no such target
  EXPECT_EQ(r->sprites[14].image_width, 0);

  // Using a target that was never built keeps drawing on the screen.
  target_use(5);
  EXPECT_EQ(r->current_target, -1);
  rect_fill(0, 0, 2, 2, 0xFFFFFF);
  EXPECT_PX(1, 1, 255, 255, 255);
  target_use(-1);
  target_create(31, 13, 0, 0);

  // ... and keeps the logical screen: scale 2, logical (0, 0) at (80, 0).
  screen_logical_set(320, 240);
  target_use(5);
  EXPECT_EQ(screen_state.target_in_use, -1);
  rect_fill(0, 0, 2, 2, 0x00FF00);
  EXPECT_PX(80, 0, 0, 255, 0);
  EXPECT_PX(83, 3, 0, 255, 0);
  EXPECT_PX(0, 0, 255, 255, 255);
  screen_logical_set(0, 0);
}

TEST(Targets, ReloadedSpriteGetsItsTargetRebuilt) {
  REQUIRE_GL();
  fresh(0x000000);
  OpenGLVireo* r = ctx.renderer;
  target_create(2, 15, 32, 32);
  ASSERT_EQ(r->targets[2].sprite, 15);
  solid_sprite(15, 32, 32, 0x0000FF);  // a new texture in the slot
  target_sprite_reloaded(r, 15);
  ASSERT_EQ(r->targets[2].sprite, 15);
  ASSERT_NE(r->targets[2].fbo, 0);
  target_use(2);
  rect_fill(0, 0, 1, 1, 0x00FF00);
  target_use(-1);
  RtArray<int32_t> pixels;
  ASSERT_TRUE(sprite_to_array(pixels, 15));
  EXPECT_EQ(sprite_px(pixels, 32, 0, 0), 0xFF00FF00u);
  EXPECT_EQ(sprite_px(pixels, 32, 1, 0), 0xFF0000FFu);
  target_create(2, 15, 0, 0);
}

}  // namespace
}  // namespace gfx_test

namespace gfx_test {
namespace {

using namespace zrv;

// Without framebuffer objects drawing goes to the back buffer under the
// target's picture and is copied into the sprite when the target ends.
TEST(Targets, BackBufferFallback) {
  REQUIRE_GL();
  fresh(0x000000);
  OpenGLVireo* r = ctx.renderer;
  solid_sprite(kLastProgramSprite, 2, 2, 0xFFFFFF);  // a program slot the fallback must keep
  target_create(4, 16, 16, 8);
  ASSERT_NE(r->targets[4].fbo, 0);
  rect_fill(0, 0, kW, kH, 0x0000FF);  // the screen before
  fbo_supported = false;
  target_use(4);
  EXPECT_EQ(r->current_target, 4);
  rect_fill(0, 0, 4, 4, 0x00FF00);
  target_use(-1);
  fbo_supported = true;
  EXPECT_EQ(r->current_target, -1);
  // The screen is back as it was (the fallback draws in the window's
  // bottom-left corner).
  for (int y = kH - 8; y < kH; ++y) {
    for (int x = 0; x < 20; ++x) ASSERT_TRUE(px_is(x, y, 255, 0, 0)) << x << "," << y;
  }
  // The sprite holds the drawing; the rest of it is clear.
  RtImage image;
  ASSERT_TRUE(sprite_read_back(r, 16, image));
  ASSERT_EQ(image.width, 16);
  ASSERT_EQ(image.height, 8);
  EXPECT_EQ(image.row(0)[1], 255);
  EXPECT_EQ(image.row(3)[3 * 4 + 1], 255);
  EXPECT_EQ(image.row(0)[0], 0);
  EXPECT_EQ(image.row(5)[10 * 4 + 3], 0);  // not drawn: transparent
  EXPECT_EQ(r->sprites[kLastProgramSprite].image_width, 2);
  target_create(4, 16, 0, 0);
}

}  // namespace
}  // namespace gfx_test
