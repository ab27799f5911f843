// One real window with its OpenGL context per test process (a virtual X
// display with Mesa in the test runs), and helpers that read pixels back
// from the back buffer.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/frame.hpp"
#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprites.hpp"
#include "platform/platform.hpp"

namespace gfx_test {

constexpr int kW = 800;
constexpr int kH = 480;

struct Rgba {
  int r, g, b, a;
};

inline std::string make_temp_dir(const char* stem) {
  std::string pattern = std::string("/tmp/") + stem + "XXXXXX";
  char* made = mkdtemp(pattern.data());
  return made ? std::string(made) : std::string("/tmp");
}

// The session: created on first use, kept for the process.
inline zrv::OpenGLVireo* gl_session() {
  static zrv::OpenGLVireo* renderer = [] {
    // The log goes to a folder of the process's own, removed at the end.
    static std::string tmp = make_temp_dir("zrv_gfx_session");
    setenv("TMPDIR", tmp.c_str(), 1);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(tmp, ec);
    });
    setenv("ZRV_NO_DIALOGS", "1", 1);
    zrv::platform::select_backend(false);
    zrv::timer_init();
    zrv::ctx.renderer = zrv::renderer_create();
    zrv::window_create(zrv::ctx.renderer, kW, kH, 0, 60, 0);
    zrv::screen_mode_apply(zrv::ctx.renderer, kW, kH, 0, 0);
    return zrv::ctx.renderer;
  }();
  return renderer;
}

// Desktop OpenGL calls the runtime has no use for, with which tests look
// inside textures. A test that binds a texture itself tells the GPU layer
// (gpu::state_forget) before drawing again.
struct DesktopGl {
  void (*GetTexImage)(GLenum, GLint, GLenum, GLenum, void*) = nullptr;
  void (*GetTexLevelParameteriv)(GLenum, GLint, GLenum, GLint*) = nullptr;
};
inline const DesktopGl& desktop_gl() {
  static const DesktopGl g = [] {
    DesktopGl d;
    zrv::platform::Backend& b = zrv::platform::backend();
    d.GetTexImage = reinterpret_cast<decltype(d.GetTexImage)>(b.gl_proc_address("glGetTexImage"));
    d.GetTexLevelParameteriv = reinterpret_cast<decltype(d.GetTexLevelParameteriv)>(
        b.gl_proc_address("glGetTexLevelParameteriv"));
    return d;
  }();
  return g;
}

// Skips the test when there is no display to open a window on.
#define REQUIRE_GL()                                                 \
  do {                                                               \
    zrv::OpenGLVireo* session_ = gfx_test::gl_session();             \
    if (session_ == nullptr || !session_->gl_ready) {                \
      GTEST_SKIP() << "no display with OpenGL (run under xvfb-run)"; \
    }                                                                \
  } while (0)

// Back to the default 2D state on an 800 x 480 surface, cleared to colour.
inline void fresh(int32_t clear = 0x000000) {
  zrv::OpenGLVireo* r = gl_session();
  zrv::screen_state.screen_scale = 0;
  zrv::screen_state.target_in_use = -1;
  r->orientation = 0;
  r->width = kW;
  r->height = kH;
  r->virtual_width = r->virtual_height = 0;
  r->color_key = 0x8000FF;
  zrv::sprite_delete_all();
  zrv::state_reset_2d(r);
  zrv::clear_color_apply(r, clear);
}

// The back buffer's pixel at window position (x, y), y from the top.
inline Rgba px(int x, int y) {
  uint8_t p[4] = {0, 0, 0, 0};
  zrv::gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
  zrv::gl.ReadPixels(x, gl_session()->height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2], p[3]};
}

inline bool near(const Rgba& a, const Rgba& b, int tolerance = 2) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

inline std::string str(const Rgba& c) {
  char s[48];
  std::snprintf(s, sizeof s, "(%d,%d,%d,%d)", c.r, c.g, c.b, c.a);
  return s;
}

inline ::testing::AssertionResult px_is(int x, int y, int r, int g, int b, int tolerance = 2) {
  const Rgba got = px(x, y);
  if (near(got, Rgba{r, g, b, 255}, tolerance)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << str(got)
                                       << ", want (" << r << "," << g << "," << b << ")";
}

#define EXPECT_PX(x, y, R, G, B) EXPECT_TRUE(gfx_test::px_is(x, y, R, G, B))

// An image of w x h pixels from a function of (x, y) giving 0xAABBGGRR.
template <class Fn>
void image_fill(zrv::RtImage& image, int w, int h, Fn color) {
  ASSERT_TRUE(image.resize(w, h));
  image.alpha_in_file = 1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t c = color(x, y);
      uint8_t* p = image.row(y) + x * 4;
      p[0] = c & 0xFF;
      p[1] = (c >> 8) & 0xFF;
      p[2] = (c >> 16) & 0xFF;
      p[3] = (c >> 24) & 0xFF;
    }
  }
}

// A sprite of one opaque colour (0x00BBGGRR).
inline void solid_sprite(int32_t id, int w, int h, uint32_t color) {
  zrv::RtImage image;
  image_fill(image, w, h, [&](int, int) { return color | 0xFF000000u; });
  ASSERT_TRUE(zrv::sprite_from_image(gl_session(), id, image, 0));
}

}  // namespace gfx_test
