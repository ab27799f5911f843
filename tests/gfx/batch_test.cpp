// The GPU layer's batch: how many draws and state calls a frame costs, that
// colour, translucency, rotation and textures do not end a batch while the
// blend function does, that read-back in the middle of a frame sees every
// primitive drawn before it, and that a frame mixing all of it gives the
// same bytes with batching on and off.
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx/collision.hpp"
#include "gfx/font.hpp"
#include "gfx/gpu.hpp"
#include "gfx/targets.hpp"
#include "gfx/text.hpp"
#include "gl_session.hpp"
#include "memory_limit.hpp"
#include "zorvane.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

// Counts the driver calls of a few functions while it lives.
struct CallCount {
  static inline GlApi saved;
  static inline int draws = 0, binds = 0, parameters = 0, status_checks = 0;
  CallCount() {
    gpu::flush();
    saved = gl_driver;
    draws = binds = parameters = status_checks = 0;
    gpu::draws_taken();
    gl_driver.DrawArrays = [](GLenum m, GLint f, GLsizei n) {
      ++draws;
      saved.DrawArrays(m, f, n);
    };
    gl_driver.DrawElements = [](GLenum m, GLsizei n, GLenum type, const void* at) {
      ++draws;
      saved.DrawElements(m, n, type, at);
    };
    gl_driver.BindTexture = [](GLenum t, GLuint name) {
      ++binds;
      saved.BindTexture(t, name);
    };
    gl_driver.TexParameteri = [](GLenum t, GLenum p, GLint v) {
      ++parameters;
      saved.TexParameteri(t, p, v);
    };
    gl_driver.CheckFramebufferStatus = [](GLenum target) {
      ++status_checks;
      return saved.CheckFramebufferStatus(target);
    };
  }
  ~CallCount() {
    gpu::flush();
    gl_driver = saved;
  }
};

struct BatchingOn {
  explicit BatchingOn(bool on) { gpu::batching_set(on); }
  ~BatchingOn() { gpu::batching_set(true); }
};

struct AtlasOn {
  explicit AtlasOn(bool on) { gpu::atlas_set(on); }
  ~AtlasOn() { gpu::atlas_set(true); }
};

TEST(Batch, ColourTranslucencyRotationAndTexturesShareOneDraw) {
  REQUIRE_GL();
  fresh(0x000000);
  BatchingOn batching(true);
  const uint32_t colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  for (int t = 0; t < 4; ++t) {
    solid_sprite(10 + t, 8, 8, colours[t]);
    sprite_set_frames(10 + t, 4, 4);
  }
  // The first use of each texture copies it into the atlas.
  sprite_draw_rotated(11, 0, 0, 10);
  for (int t = 0; t < 4; ++t) sprite_draw(10 + t, 0, 0);
  gpu::flush();
  {
    CallCount c;
    for (int i = 0; i < 100; ++i) {
      blend_alpha(i % 3 == 0 ? -0.5 : -1);
      const int id = 10 + i % 4;
      if (i % 4 == 1) {
        sprite_draw_rotated(id, (i * 37) % 700, (i * 53) % 400, (i * 7) % 360);
      } else {
        sprite_draw(id, (i * 37) % 700, (i * 53) % 400);
      }
      sprite_draw_frame(id, i % 4, 10 * (i % 60), 440);
      rect_fill(10 * (i % 70), 460, 4, 4, i % 2 ? 0xFF0000 : 0x00FF00);
    }
    EXPECT_EQ(gpu::draws_taken(), 1);
    EXPECT_EQ(c.draws, 1);
    EXPECT_EQ(c.binds, 0);
    EXPECT_EQ(c.parameters, 0);
  }
  EXPECT_PX(10, 460, 0, 0, 255);  // the last fills: blue and green in turn
  EXPECT_PX(20, 460, 0, 255, 0);
  {
    // The blend function ends a batch; so does a ninth texture.
    CallCount c;
    blend_alpha(-1);
    sprite_draw(10, 0, 0);
    blend_alpha(1);
    sprite_draw(10, 0, 0);
    EXPECT_EQ(gpu::draws_taken(), 2);
    // Textures too large for the atlas each take a unit.
    for (int t = 0; t < 9; ++t) solid_sprite(20 + t, 1100, 2, 0x101010 * (t + 1));
    gpu::draws_taken();
    for (int t = 0; t < 9; ++t) sprite_draw(20 + t, 0, 300 + 2 * t);
    EXPECT_EQ(gpu::draws_taken(), 2);
    EXPECT_PX(0, 300, 16, 16, 16);
    EXPECT_PX(0, 316, 144, 144, 144);
  }
}

TEST(Batch, ASamplingChangeOfATextureInTheBatchDrawsWhatCameBefore) {
  REQUIRE_GL();
  fresh(0x000000);
  BatchingOn batching(true);
  // Two halves: blue on the left, red on the right; stretched far, linear
  // filtering blends them in the middle, nearest does not.
  RtImage two;
  image_fill(two, 2, 1, [](int x, int) { return x == 0 ? 0xFFFF0000u : 0xFF0000FFu; });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, 30, two, 0));
  smooth_set(1);
  sprite_draw_stretched(30, 0, 0, 160, 10);
  smooth_set(0);
  sprite_draw_stretched(30, 0, 20, 160, 10);
  smooth_set(1);
  const Rgba linear = px(80, 5), nearest = px(40, 25);
  EXPECT_GT(linear.r, 20) << str(linear);
  EXPECT_GT(linear.b, 20) << str(linear);
  EXPECT_PX(40, 25, 0, 0, 255);
  EXPECT_EQ(nearest.r, 0);
}

TEST(Batch, ChangesBehindTheCachesAreSeen) {
  REQUIRE_GL();
  fresh(0x000000);
  BatchingOn batching(true);
  solid_sprite(12, 4, 4, 0x0000FF);
  sprite_draw(12, 0, 0);
  // A new picture in the same slot, even under the same texture name.
  solid_sprite(12, 4, 4, 0x00FF00);
  sprite_draw(12, 10, 0);
  EXPECT_PX(0, 0, 255, 0, 0);
  EXPECT_PX(10, 0, 0, 255, 0);
  // Another user of OpenGL binds its own texture, and the layer is told.
  solid_sprite(13, 4, 4, 0xFF0000);
  gl.BindTexture(GL_TEXTURE_2D, ctx.renderer->sprites[13].texture);
  gpu::state_forget();
  sprite_draw(12, 20, 0);
  EXPECT_PX(20, 0, 0, 255, 0);
  // Deleting a texture of the batch and making another that gets its name.
  sprite_draw(12, 25, 0);
  sprite_delete(ctx.renderer, 12);
  solid_sprite(14, 4, 4, 0xFFFFFF);
  sprite_draw(14, 30, 0);
  EXPECT_PX(25, 0, 0, 255, 0);
  EXPECT_PX(30, 0, 255, 255, 255);
  // A colour left by a fill does not tint the next sprite or text.
  rect_fill(40, 0, 4, 4, 0x0000FF);
  sprite_draw(14, 50, 0);
  EXPECT_PX(50, 0, 255, 255, 255);
  // Pictures that change after they were drawn (copied into the atlas) are
  // drawn as they are now: a target drawn into again, a grab taken again
  // into the same texture, whole and turned.
  target_create(2, 15, 8, 8);
  for (const uint32_t colour : {0x0000FFu, 0x00FF00u}) {
    target_use(2);
    rect_fill(0, 0, 8, 8, static_cast<int32_t>(colour));
    target_use(-1);
    rect_fill(100, 100, 8, 8, static_cast<int32_t>(colour ^ 0xFFFFFF));
    sprite_grab(16, 100, 100, 8, 8);
    const int x = colour == 0x0000FFu ? 60 : 90;
    sprite_draw(15, x, 0);
    sprite_draw_rotated(15, x, 20, 90);
    sprite_draw(16, x + 10, 0);
    sprite_draw_rotated(16, x + 10, 20, 90);
  }
  EXPECT_PX(62, 2, 255, 0, 0);
  EXPECT_PX(62, 22, 255, 0, 0);
  EXPECT_PX(72, 2, 0, 255, 255);
  EXPECT_PX(72, 22, 0, 255, 255);
  EXPECT_PX(92, 2, 0, 255, 0);
  EXPECT_PX(92, 22, 0, 255, 0);
  EXPECT_PX(102, 2, 255, 0, 255);
  EXPECT_PX(102, 22, 255, 0, 255);
  target_create(2, -1, 0, 0);
}

// A frame that mixes all of it; returns the window's bytes and appends
// what it read back on the way.
std::vector<uint8_t> mixed_frame(std::vector<int32_t>& read) {
  fresh(0x202020);
  OpenGLVireo* r = ctx.renderer;
  RtImage a, b;
  image_fill(a, 20, 12, [](int x, int y) {
    return (x + y) % 3 == 0 ? 0x00000000u : 0xFF000000u | (x * 12) << 8 | (y * 20);
  });
  image_fill(b, 16, 16, [](int x, int y) { return 0x80FF0000u | (x * 16) << 8 | (y * 16); });
  EXPECT_TRUE(sprite_from_image(r, 20, a, 0));
  EXPECT_TRUE(sprite_from_image(r, 21, b, 0));
  sprite_set_frames(20, 10, 6);
  target_create(3, 22, 32, 32);
  font_build_default(r, 0);
  font_set(0, 2.0);

  for (int i = 0; i < 30; ++i) {
    sprite_draw(20 + i % 2, (i * 37) % 700, (i * 53) % 400);
    sprite_draw(20, (i * 41) % 700, (i * 29) % 400);
  }
  blend_alpha(-0.5);
  for (int i = 0; i < 12; ++i) sprite_draw_frame(20, i % 4, 10 * i, 300);
  blend_alpha(1);
  sprite_draw_frame_stretched(20, 2, 100, 100, 60, 30);
  sprite_draw_frame_rotozoom(20, 1, 200, 100, 30, 2.0);
  sprite_draw_rotozoom(21, 300, 100, 45, 1.5);
  blend_alpha(0);
  sprite_draw_stretched(21, 400, 100, 50, 20);
  blend_alpha(-1);
  alpha_test_set(0.5);
  sprite_draw_zoomed(20, 500, 100, 3.0, 2.0);
  alpha_test_set(1);
  rect_fill(600, 20, 30, 30, 0x0000FF);
  text_print(RtString("Batched text 123"), 10, 420, 1);
  smooth_set(0);
  sprite_draw_stretched(20, 600, 200, 80, 48);
  smooth_set(1);
  text_print(RtString("fixed cells"), 10, 440, 0);
  line_draw(10, 470, 300, 400, 0x00FFFF);
  pixel_set(5, 5, 0xFF00FF);
  poly_start(21, 0);
  poly_vertex(320, 300, 0, 0, 0xFF0000);
  poly_vertex(380, 300, 16, 0, 0x00FF00);
  poly_vertex(380, 360, 16, 16, 0xFFFFFF);
  poly_vertex(320, 360, 0, 16, 0x0000FF);
  poly_end();

  // Read-back in the middle: what it reads was drawn just before.
  read.push_back(pixel_get(610, 30));
  rect_fill(620, 60, 10, 10, read.back());
  sprite_grab(23, 600, 20, 40, 40);
  sprite_draw(23, 700, 300);
  read.push_back(pixel_get(710, 310));

  // Into a target and back; collision reads the target's picture.
  target_use(3);
  rect_fill(0, 0, 16, 16, 0x00FF00);
  sprite_draw(21, 8, 8);
  target_use(-1);
  sprite_draw(22, 740, 400);
  solid_sprite(24, 4, 4, 0xFFFFFF);
  read.push_back(sprite_collision(22, 0, 0, 24, 4, 4) ? 1 : 0);
  read.push_back(sprite_collision(22, 0, 0, 24, 28, 28) ? 1 : 0);
  RtArray<int32_t> pixels;
  EXPECT_TRUE(sprite_to_array(pixels, 22));
  read.push_back(pixels(0));
  text_print(RtString("after"), 700, 460, 1);

  std::vector<uint8_t> bytes(static_cast<size_t>(kW) * kH * 4);
  gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
  gl.ReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
  target_create(3, -1, 0, 0);
  return bytes;
}

// Both ways of the frame compared byte for byte, with the reads made on
// the way.
void frames_match(const std::vector<uint8_t>& on, const std::vector<uint8_t>& off) {
  ASSERT_EQ(on.size(), off.size());
  size_t differ = 0, first = on.size();
  for (size_t i = 0; i < on.size(); ++i) {
    if (on[i] != off[i]) {
      if (differ++ == 0) first = i;
    }
  }
  EXPECT_EQ(differ, 0u) << "first at pixel " << first / 4 % kW << "," << kH - 1 - first / 4 / kW;
}

// The mixed frame drawn with a switch on and off: the same bytes, and the
// same reads on the way (returned).
template <class Switch>
std::vector<int32_t> mixed_frame_both_ways() {
  std::vector<int32_t> read_on, read_off;
  std::vector<uint8_t> on, off;
  {
    Switch on_(true);
    on = mixed_frame(read_on);
  }
  {
    Switch off_(false);
    off = mixed_frame(read_off);
  }
  frames_match(on, off);
  EXPECT_EQ(read_on, read_off);
  return read_on;
}

TEST(Batch, AMixedFrameIsByteForByteTheSameWithBatchingOff) {
  REQUIRE_GL();
  const std::vector<int32_t> read = mixed_frame_both_ways<BatchingOn>();
  // The reads saw what was drawn before them: the blue fill, the grab of
  // it, the target's green square (solid where the sprite was not drawn).
  ASSERT_EQ(read.size(), 5u);
  EXPECT_EQ(read[0], 0x0000FF);
  EXPECT_EQ(read[1], 0x0000FF);
  EXPECT_EQ(read[2], 1);
  EXPECT_EQ(read[3], 0);
  EXPECT_EQ(read[4] & 0xFFFFFF, 0x00FF00);
}

// The atlas's copies give what the textures themselves give: filtered
// edges read the same neighbours (repeated or clamped), frames, text,
// zooms, turns and the enlarged logical screen land on the same bytes.
TEST(Batch, TheAtlasDrawsTheTexturesOwnPixels) {
  REQUIRE_GL();
  mixed_frame_both_ways<AtlasOn>();
  const auto logical = [](bool atlas_on) {
    AtlasOn atlas(atlas_on);
    fresh(0x102030);
    screen_logical_set(320, 200);
    RtImage a;
    image_fill(a, 24, 10, [](int x, int y) { return 0xFF000000u | (x * 10) << 8 | (y * 25); });
    EXPECT_TRUE(sprite_from_image(ctx.renderer, 40, a, 0));
    for (int i = 0; i < 12; ++i) {
      sprite_draw(40, i * 25, 3 * i);
      sprite_draw_zoomed(40, i * 25, 60, 1.0 + i * 0.37, 1.5);
      sprite_draw_rotozoom(40, i * 25, 120, i * 31.0, 0.8 + i * 0.1);
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(kW) * kH * 4);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.ReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    screen_logical_set(0, 0);
    return bytes;
  };
  frames_match(logical(true), logical(false));
}

// Each new sprite is copied into the atlas through a framebuffer; whether
// that framebuffer is complete (in a browser, a wait for all queued
// drawing) is asked for the first texture of a format only.
TEST(Batch, NewSpritesAskOnceWhetherTheirCopiesCanBeMade) {
  REQUIRE_GL();
  fresh(0x000000);
  CallCount count;
  for (int i = 0; i < 6; ++i) {
    RtImage a;
    image_fill(a, 8, 8, [i](int, int) { return 0xFF000000u | (i * 40); });
    EXPECT_TRUE(sprite_from_image(ctx.renderer, 50 + i, a, 0));
    sprite_draw(50 + i, i * 10, 0);
  }
  gpu::flush();
  EXPECT_LE(CallCount::status_checks, 1);
  EXPECT_EQ(CallCount::draws, 1);  // the six textures were copied: one draw
}

}  // namespace
}  // namespace gfx_test

// A software driver's per-draw stores, megabytes each, are freed after the
// draw; with a GL context they stay in the heap for the next frame instead
// of coming back as fresh, zeroed pages.
TEST(Batch, MemoryFreedWhileDrawingStaysInTheHeap) {
  if (zrv::test::kSanitizedBuild) GTEST_SKIP() << "the sanitizer has its own allocator";
  ASSERT_NE(gfx_test::gl_session(), nullptr);
  constexpr size_t kBytes = 24u << 20;
  auto* block = static_cast<char*>(std::malloc(kBytes));
  ASSERT_NE(block, nullptr);
  std::memset(block, 1, kBytes);
  std::free(block);
  EXPECT_GE(mallinfo2().fordblks, kBytes);
}
