// Video pictures in the game's OpenGL window: the media player draws each
// picture into a texture of the destination size (a frame buffer object),
// which is then put on the cleared back buffer at the destination rectangle
// and shown. Without frame buffer objects the player draws straight into
// the window, fitting the picture itself.
#include "gfx/video_surface.hpp"

#include <algorithm>

#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/matrix.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "platform/media.hpp"
#include "platform/platform.hpp"

namespace zrv {

void* video_gl_lookup(const char* name) { return platform::backend().gl_proc_address(name); }

// The pixels the player draws into and where they go on the screen.
class VideoSurface {
 public:
  VideoSurface(platform::Window* window, int32_t cw, int32_t ch, const VideoRect& rect)
      : window_(window), cw_(cw), ch_(ch), rect_(rect) {
    if (!gpu::framebuffers_supported() || rect.w <= 0 || rect.h <= 0) return;
    texture_ = gpu::texture_create();
    gpu::texture_image(texture_, rect.w, rect.h, GL_RGBA, nullptr, kSampling);
    fbo_ = gpu::framebuffer_create();
    gpu::framebuffer_bind(fbo_);
    gpu::framebuffer_attach(texture_);
    const bool complete = gpu::framebuffer_status() == GL_FRAMEBUFFER_COMPLETE;
    gpu::framebuffer_bind(0);
    if (!complete) release();
  }
  ~VideoSurface() { release(); }
  VideoSurface(const VideoSurface&) = delete;
  VideoSurface& operator=(const VideoSurface&) = delete;

  // Draws the player's newest picture, if there is one, and shows it.
  void show(platform::MediaPlayer* player) {
    if (!platform::media().frame_pending(player)) return;
    // The player draws with OpenGL behind the layer's back: what the batch
    // holds goes first, and what the player changed is forgotten after.
    gpu::flush();
    if (fbo_ != 0) {
      platform::media().render_frame(player, fbo_, rect_.w, rect_.h);
      gpu::state_forget();
      put_on_screen();
    } else {
      platform::media().render_frame(player, 0, cw_, ch_);
      gpu::state_forget();
    }
    gpu::flush();
    platform::backend().gl_swap(window_);
    platform::media().frame_shown(player);
  }

 private:
  static constexpr gpu::Sampling kSampling{true, true};

  void release() {
    if (fbo_ != 0) gpu::framebuffer_delete(fbo_);
    if (texture_ != 0) gpu::texture_delete(texture_);
    fbo_ = 0;
    texture_ = 0;
  }

  // The texture at the destination rectangle on a black back buffer.
  void put_on_screen() {
    gpu::framebuffer_bind(0);
    float projection[16];
    matrix::identity(projection);
    matrix::ortho(projection, 0, static_cast<float>(cw_), static_cast<float>(ch_), 0, -1, 1);
    gpu::viewport_set(0, 0, cw_, ch_, projection, 1.0f);
    gpu::blend_set(gpu::Blend::kOff);
    gpu::alpha_test_set(1.0f);
    gpu::alpha_writes_set(false);
    const float black[4] = {0, 0, 0, 1};
    gpu::clear(black, true, true, false);
    gpu::color_set(1, 1, 1, 1);
    const auto x0 = static_cast<float>(rect_.x), y0 = static_cast<float>(rect_.y);
    const auto x1 = static_cast<float>(rect_.x + rect_.w);
    const auto y1 = static_cast<float>(rect_.y + rect_.h);
    // The texture holds the picture bottom row first.
    const gpu::Corner c[4] = {{x0, y0, 0, 1}, {x1, y0, 1, 1}, {x1, y1, 1, 0}, {x0, y1, 0, 0}};
    gpu::quad(texture_, kSampling, c, gpu::QuadOrder::kFan);
  }

  platform::Window* window_;
  int32_t cw_, ch_;
  VideoRect rect_;
  gpu::Texture texture_ = 0;
  uint32_t fbo_ = 0;
};

VideoSurface* video_surface_create(platform::Window* window, int32_t cw, int32_t ch,
                                   const VideoRect& rect) {
  return new VideoSurface(window, cw, ch, rect);
}

void video_surface_show(VideoSurface* surface, platform::MediaPlayer* player) {
  if (surface != nullptr) surface->show(player);
}

void video_surface_destroy(VideoSurface* surface) { delete surface; }

void video_surface_restore_2d(OpenGLVireo* r) { state_reset_2d(r); }

VideoRect video_fit(int32_t sw, int32_t sh, int32_t cw, int32_t ch) {
  VideoRect rect;
  if (sw <= 0 || sh <= 0 || cw <= 0 || ch <= 0) return rect;
  const double scale = std::min(static_cast<double>(cw) / sw, static_cast<double>(ch) / sh);
  rect.w = static_cast<int32_t>(sw * scale);
  rect.h = static_cast<int32_t>(sh * scale);
  rect.x = (cw - rect.w) / 2;
  rect.y = (ch - rect.h) / 2;
  return rect;
}

}  // namespace zrv
