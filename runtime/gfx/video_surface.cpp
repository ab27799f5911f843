// Video pictures in the game's OpenGL window: the media player draws each
// picture into a texture of the destination size (a frame buffer object),
// which is then put on the cleared back buffer at the destination rectangle
// and shown. Without frame buffer objects the player draws straight into
// the window, fitting the picture itself.
#include "gfx/video_surface.hpp"

#include <algorithm>

#include "gfx/gl_api.hpp"
#include "gfx/quad_batch.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "platform/media.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

// Entry points beyond the 2D set: the player leaves its own program,
// buffers and frame buffer bound, which the drawing here and the 2D state
// after the clip must undo.
struct VideoGl {
  void (*UseProgram)(GLuint) = nullptr;
  void (*BindBuffer)(GLenum, GLuint) = nullptr;
  void (*BindVertexArray)(GLuint) = nullptr;
  void (*ActiveTexture)(GLenum) = nullptr;
  void (*ClientActiveTexture)(GLenum) = nullptr;
  void (*GenFramebuffers)(GLsizei, GLuint*) = nullptr;
  void (*DeleteFramebuffers)(GLsizei, const GLuint*) = nullptr;
  void (*BindFramebuffer)(GLenum, GLuint) = nullptr;
  void (*FramebufferTexture2D)(GLenum, GLenum, GLenum, GLuint, GLint) = nullptr;
  GLenum (*CheckFramebufferStatus)(GLenum) = nullptr;
};

}  // namespace

void* video_gl_lookup(const char* name) { return platform::backend().gl_proc_address(name); }

namespace {

template <class Fn>
void fetch(Fn*& fn, const char* name, const char* alternative = nullptr) {
  fn = reinterpret_cast<Fn*>(video_gl_lookup(name));
  if (fn == nullptr && alternative) fn = reinterpret_cast<Fn*>(video_gl_lookup(alternative));
}

VideoGl load_video_gl() {
  VideoGl g;
  fetch(g.UseProgram, "glUseProgram", "glUseProgramObjectARB");
  fetch(g.BindBuffer, "glBindBuffer", "glBindBufferARB");
  fetch(g.BindVertexArray, "glBindVertexArray");
  fetch(g.ActiveTexture, "glActiveTexture", "glActiveTextureARB");
  fetch(g.ClientActiveTexture, "glClientActiveTexture", "glClientActiveTextureARB");
  fetch(g.GenFramebuffers, "glGenFramebuffers", "glGenFramebuffersEXT");
  fetch(g.DeleteFramebuffers, "glDeleteFramebuffers", "glDeleteFramebuffersEXT");
  fetch(g.BindFramebuffer, "glBindFramebuffer", "glBindFramebufferEXT");
  fetch(g.FramebufferTexture2D, "glFramebufferTexture2D", "glFramebufferTexture2DEXT");
  fetch(g.CheckFramebufferStatus, "glCheckFramebufferStatus", "glCheckFramebufferStatusEXT");
  return g;
}

}  // namespace

// The pixels the player draws into and where they go on the screen.
class VideoSurface {
 public:
  VideoSurface(platform::Window* window, int32_t cw, int32_t ch, const VideoRect& rect)
      : window_(window), cw_(cw), ch_(ch), rect_(rect), g_(load_video_gl()) {
    if (!g_.GenFramebuffers || !g_.BindFramebuffer || !g_.FramebufferTexture2D ||
        !g_.CheckFramebufferStatus || rect.w <= 0 || rect.h <= 0) {
      return;
    }
    gl.GenTextures(1, &texture_);
    gl.BindTexture(GL_TEXTURE_2D, texture_);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rect.w, rect.h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                  nullptr);
    gl.BindTexture(GL_TEXTURE_2D, 0);
    g_.GenFramebuffers(1, &fbo_);
    g_.BindFramebuffer(GL_FRAMEBUFFER, fbo_);
    g_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    const bool complete = g_.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    g_.BindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!complete) release();
  }
  ~VideoSurface() { release(); }
  VideoSurface(const VideoSurface&) = delete;
  VideoSurface& operator=(const VideoSurface&) = delete;

  // Draws the player's newest picture, if there is one, and shows it.
  void show(platform::MediaPlayer* player) {
    if (!platform::media().frame_pending(player)) return;
    // The player draws past the `gl` table.
    quad_batch_flush_pending();
    if (fbo_ != 0) {
      platform::media().render_frame(player, fbo_, rect_.w, rect_.h);
      undo_player_state();
      put_on_screen();
    } else {
      platform::media().render_frame(player, 0, cw_, ch_);
      undo_player_state();
    }
    platform::backend().gl_swap(window_);
    platform::media().frame_shown(player);
  }

 private:
  void release() {
    if (fbo_ != 0 && g_.DeleteFramebuffers) g_.DeleteFramebuffers(1, &fbo_);
    if (texture_ != 0) gl.DeleteTextures(1, &texture_);
    fbo_ = 0;
    texture_ = 0;
  }

  void undo_player_state() {
    if (g_.BindFramebuffer) g_.BindFramebuffer(GL_FRAMEBUFFER, 0);
    if (g_.UseProgram) g_.UseProgram(0);
    if (g_.BindVertexArray) g_.BindVertexArray(0);
    if (g_.BindBuffer) {
      g_.BindBuffer(GL_ARRAY_BUFFER, 0);
      g_.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
      g_.BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
      g_.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
    if (g_.ActiveTexture) {
      g_.ActiveTexture(GL_TEXTURE1);
      gl.Disable(GL_TEXTURE_2D);
      g_.ActiveTexture(GL_TEXTURE0);
    }
    if (g_.ClientActiveTexture) g_.ClientActiveTexture(GL_TEXTURE0);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
  }

  // The texture at the destination rectangle on a black back buffer.
  void put_on_screen() {
    gl.Viewport(0, 0, cw_, ch_);
    gl.MatrixMode(GL_PROJECTION);
    gl.PushMatrix();
    gl.LoadIdentity();
    gl.Ortho(0, cw_, ch_, 0, -1, 1);
    gl.MatrixMode(GL_MODELVIEW);
    gl.PushMatrix();
    gl.LoadIdentity();
    for (GLenum cap : {GL_BLEND, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_SCISSOR_TEST, GL_STENCIL_TEST,
                       GL_LIGHTING, GL_FOG, GL_CULL_FACE}) {
      gl.Disable(cap);
    }
    GLfloat clear[4] = {0, 0, 0, 0};
    gl.GetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.ClearColor(clear[0], clear[1], clear[2], clear[3]);

    gl.Enable(GL_TEXTURE_2D);
    gl.BindTexture(GL_TEXTURE_2D, texture_);
    gl.Color4f(1, 1, 1, 1);
    const auto x0 = static_cast<GLfloat>(rect_.x), y0 = static_cast<GLfloat>(rect_.y);
    const auto x1 = static_cast<GLfloat>(rect_.x + rect_.w);
    const auto y1 = static_cast<GLfloat>(rect_.y + rect_.h);
    // The texture holds the picture bottom row first.
    const GLfloat vertices[8] = {x0, y0, x1, y0, x1, y1, x0, y1};
    const GLfloat uv[8] = {0, 1, 1, 1, 1, 0, 0, 0};
    gl.DisableClientState(GL_COLOR_ARRAY);
    gl.EnableClientState(GL_VERTEX_ARRAY);
    gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
    gl.VertexPointer(2, GL_FLOAT, 0, vertices);
    gl.TexCoordPointer(2, GL_FLOAT, 0, uv);
    screen_state.batch_arrays = nullptr;
    gl.DrawArrays(GL_TRIANGLE_FAN, 0, 4);
    gl.BindTexture(GL_TEXTURE_2D, 0);

    gl.MatrixMode(GL_PROJECTION);
    gl.PopMatrix();
    gl.MatrixMode(GL_MODELVIEW);
    gl.PopMatrix();
  }

  platform::Window* window_;
  int32_t cw_, ch_;
  VideoRect rect_;
  VideoGl g_;
  GLuint texture_ = 0;
  GLuint fbo_ = 0;
};

namespace {

// The 2D drawing state the game expects, after the player and the clip's
// drawing changed it behind the renderer's caches.
void restore_2d_state(OpenGLVireo* r) {
  for (float& c : screen_state.color_cache) c = -1.0f;
  gl.BindTexture(GL_TEXTURE_2D, 0);
  r->bound_sprite = -1;
  r->bound_sprite2 = -1;
  state_reset_2d(r);
}

}  // namespace

VideoSurface* video_surface_create(platform::Window* window, int32_t cw, int32_t ch,
                                   const VideoRect& rect) {
  return new VideoSurface(window, cw, ch, rect);
}

void video_surface_show(VideoSurface* surface, platform::MediaPlayer* player) {
  if (surface != nullptr) surface->show(player);
}

void video_surface_destroy(VideoSurface* surface) { delete surface; }

void video_surface_restore_2d(OpenGLVireo* r) { restore_2d_state(r); }

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
