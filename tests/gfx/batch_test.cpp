// The quad batch and the state caches: how many OpenGL calls a run of
// quads costs, that read-back in the middle of a frame sees every quad drawn
// before it, and that a frame mixing textures, blend modes, text, targets
// and read-back gives the same bytes with batching on and off.
#include <vector>

#include "gfx/collision.hpp"
#include "gfx/font.hpp"
#include "gfx/quad_batch.hpp"
#include "gfx/targets.hpp"
#include "gfx/text.hpp"
#include "gl_session.hpp"
#include "zorvane.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

// Counts the calls of a few `gl` functions while it lives.
struct CallCount {
  static inline GlApi saved;
  static inline int draws = 0, binds = 0, parameters = 0, pointers = 0;
  CallCount() {
    saved = gl;
    draws = binds = parameters = pointers = 0;
    gl.DrawArrays = [](GLenum m, GLint f, GLsizei n) {
      ++draws;
      saved.DrawArrays(m, f, n);
    };
    gl.DrawElements = [](GLenum m, GLsizei n, GLenum type, const void* at) {
      ++draws;
      saved.DrawElements(m, n, type, at);
    };
    gl.VertexPointer = [](GLint size, GLenum type, GLsizei stride, const void* at) {
      ++pointers;
      saved.VertexPointer(size, type, stride, at);
    };
    gl.BindTexture = [](GLenum t, GLuint name) {
      ++binds;
      saved.BindTexture(t, name);
    };
    gl.TexParameteri = [](GLenum t, GLenum p, GLint v) {
      ++parameters;
      saved.TexParameteri(t, p, v);
    };
  }
  ~CallCount() { gl = saved; }
};

struct BatchingOn {
  explicit BatchingOn(bool on) { quad_batching_set(on); }
  ~BatchingOn() { quad_batching_set(true); }
};

GLint bound_parameter(GLenum which) {
  GLint v = 0;
  gl.GetTexParameteriv(GL_TEXTURE_2D, which, &v);
  return v;
}

TEST(Batch, ARunOfQuadsIsOneDrawAndRepeatsNoState) {
  REQUIRE_GL();
  fresh(0x000000);
  BatchingOn batching(true);
  solid_sprite(10, 8, 8, 0x0000FF);
  solid_sprite(11, 8, 8, 0x00FF00);
  sprite_set_frames(10, 4, 4);
  sprite_set_frames(11, 4, 4);
  sprite_draw(10, 0, 0);  // the texture's filter and wrap mode are set once
  sprite_draw(11, 0, 0);
  quad_batch_flush();
  {
    CallCount c;
    for (int i = 0; i < 25; ++i) {
      sprite_draw(11, 10 * i, 20);
      sprite_draw_stretched(11, 10 * i, 40, 5, 5);
      sprite_draw_zoomed(11, 10 * i, 60, 2.0, 1.0);
      sprite_draw_frame(11, 0, 10 * i, 80);
    }
    // Filled rectangles of one colour are one draw too.
    for (int i = 0; i < 20; ++i) rect_fill(10 * i, 100, 4, 4, 0xFF0000);
    EXPECT_PX(0, 20, 0, 255, 0);  // the read draws what waits
    EXPECT_EQ(c.draws, 2);
    EXPECT_EQ(c.binds, 0);
    EXPECT_EQ(c.parameters, 0);
    EXPECT_EQ(c.pointers, 0);  // the batch's arrays did not move
    EXPECT_PX(190, 100, 0, 0, 255);
  }
  {
    // Two textures in turn: one bind and one draw each, still no parameters.
    CallCount c;
    for (int i = 0; i < 40; ++i) sprite_draw(10 + i % 2, 10 * i, 200);
    EXPECT_PX(0, 200, 255, 0, 0);
    EXPECT_PX(10, 200, 0, 255, 0);
    EXPECT_EQ(c.draws, 40);
    EXPECT_EQ(c.binds, 40);
    EXPECT_EQ(c.parameters, 0);
  }
  // Stretched frames clamp, plain frames repeat, each set when it changes.
  sprite_draw_frame_stretched(10, 1, 300, 300, 8, 8);
  EXPECT_EQ(bound_parameter(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  sprite_draw_frame(10, 1, 300, 300);
  EXPECT_EQ(bound_parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
  smooth_set(0);
  sprite_draw(10, 300, 300);
  EXPECT_EQ(bound_parameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  smooth_set(1);
  sprite_draw(10, 300, 300);
  EXPECT_EQ(bound_parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
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
  // Another texture bound past texture_bind, as the rule asks it to be told.
  solid_sprite(13, 4, 4, 0xFF0000);
  gl.BindTexture(GL_TEXTURE_2D, ctx.renderer->sprites[13].texture);
  ctx.renderer->bound_sprite = -1;
  sprite_draw(12, 20, 0);
  EXPECT_PX(20, 0, 0, 255, 0);
  // Deleting the bound texture and making another that gets its name.
  sprite_delete(ctx.renderer, 12);
  solid_sprite(14, 4, 4, 0xFFFFFF);
  sprite_draw(14, 30, 0);
  EXPECT_PX(30, 0, 255, 255, 255);
  // A colour left by a fill does not tint the next sprite or text.
  rect_fill(40, 0, 4, 4, 0x0000FF);
  sprite_draw(14, 50, 0);
  EXPECT_PX(50, 0, 255, 255, 255);
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

TEST(Batch, AMixedFrameIsByteForByteTheSameWithBatchingOff) {
  REQUIRE_GL();
  std::vector<int32_t> read_on, read_off;
  std::vector<uint8_t> on, off;
  {
    BatchingOn batching(true);
    on = mixed_frame(read_on);
  }
  {
    BatchingOn batching(false);
    off = mixed_frame(read_off);
  }
  ASSERT_EQ(on.size(), off.size());
  size_t differ = 0, first = on.size();
  for (size_t i = 0; i < on.size(); ++i) {
    if (on[i] != off[i]) {
      if (differ++ == 0) first = i;
    }
  }
  EXPECT_EQ(differ, 0u) << "first at pixel " << first / 4 % kW << "," << kH - 1 - first / 4 / kW;
  EXPECT_EQ(read_on, read_off);
  // The reads saw what was drawn before them: the blue fill, the grab of
  // it, the target's green square (solid where the sprite was not drawn).
  ASSERT_EQ(read_on.size(), 5u);
  EXPECT_EQ(read_on[0], 0x0000FF);
  EXPECT_EQ(read_on[1], 0x0000FF);
  EXPECT_EQ(read_on[2], 1);
  EXPECT_EQ(read_on[3], 0);
  EXPECT_EQ(read_on[4] & 0xFFFFFF, 0x00FF00);
}

}  // namespace
}  // namespace gfx_test
