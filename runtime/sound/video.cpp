// Video playback into the game's OpenGL window: the media player draws each
// picture into a texture of the destination size (a frame buffer object),
// which is then put on the cleared back buffer at the destination rectangle
// and shown. Without frame buffer objects the player draws straight into
// the window, fitting the picture itself.
#include "sound/video.hpp"

#include <algorithm>

#include "app/context.hpp"
#include "app/frame.hpp"
#include "files/archive.hpp"
#include "files/paths.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "input/keys.hpp"
#include "input/mouse.hpp"
#include "platform/devices_sdl.hpp"
#include "platform/platform.hpp"
#include "sound/music.hpp"

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

void* gl_lookup(const char* name) { return platform::backend().gl_proc_address(name); }

template <class Fn>
void fetch(Fn*& fn, const char* name, const char* alternative = nullptr) {
  fn = reinterpret_cast<Fn*>(gl_lookup(name));
  if (fn == nullptr && alternative) fn = reinterpret_cast<Fn*>(gl_lookup(alternative));
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
    if (!platform::media_frame_pending(player)) return;
    if (fbo_ != 0) {
      platform::media_render_frame(player, fbo_, rect_.w, rect_.h);
      undo_player_state();
      put_on_screen();
    } else {
      platform::media_render_frame(player, 0, cw_, ch_);
      undo_player_state();
    }
    platform::backend().gl_swap(window_);
    platform::media_frame_shown(player);
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

// The 2D drawing state the game expects, after the player and the clip's
// drawing changed it behind the renderer's caches.
void restore_2d_state(OpenGLVireo* r) {
  for (float& c : screen_state.color_cache) c = -1.0f;
  gl.BindTexture(GL_TEXTURE_2D, 0);
  r->bound_sprite = -1;
  r->bound_sprite2 = -1;
  state_reset_2d(r);
}

// Step 1: the file to play, a clip of the appended archive being written to
// a temporary file. Empty when not found.
bool find_clip(const RtString& name, char path[kPathBufferSize]) {
  path[0] = 0;
  if (name.empty() || name.length >= kPathBufferSize) return false;
  if (ArchiveHolder* holder = ctx.archive_holders[kFileHolder]) {
    return archive_lookup(holder, name.c_str(), path, false);
  }
  if (!file_exists(name.c_str())) return false;
  std::copy(name.c_str(), name.c_str() + name.length + 1, path);
  return true;
}

// The clip playing now, so that an end of the program in the middle of it
// (a signal, a close request) stops the player in order.
struct Playing {
  platform::MediaPlayer* player = nullptr;
  VideoSurface* surface = nullptr;
} g_playing;

void close_playing() {
  if (g_playing.player != nullptr) platform::media_stop(g_playing.player);
  delete g_playing.surface;
  platform::media_close(g_playing.player);
  g_playing = Playing{};
}

int32_t play(const RtString& name, bool loop) {
  char path[kPathBufferSize];
  if (!find_clip(name, path)) return 3;

  OpenGLVireo* r = ctx.renderer;
  platform::Window* window = r ? r->window_handle : nullptr;
  const bool drawn = r != nullptr && r->gl_ready && window != nullptr;
  platform::MediaPlayer* player = media_open_resolved(path, true, drawn ? gl_lookup : nullptr);
  if (!platform::media_loaded(player)) {
    platform::media_close(player);
    if (drawn) restore_2d_state(r);
    return 3;
  }

  const double start = 0;
  const double end = start + platform::media_length_ms(player);
  int32_t cw = 0, ch = 0;
  if (drawn) platform::backend().window_client_size(window, &cw, &ch);
  int32_t sw = cw, sh = ch;
  platform::media_video_size(player, &sw, &sh);
  const VideoRect rect = video_fit(sw, sh, cw, ch);
  VideoSurface* surface = drawn ? new VideoSurface(window, cw, ch, rect) : nullptr;
  g_playing = Playing{player, surface};

  // A key typed or a button held before the clip does not end it. Touch
  // and pointer buttons change only through the pump, so the wait for
  // their release pumps too; what was typed meanwhile is dropped.
  while (mouse_any_button()) {
    message_pump(ctx.win32_msg_handler, false);
    sleep_ms(10);
  }
  while (key_char_take()) {
  }

  platform::media_play(player);
  if (end > 0) {
    for (;;) {
      if (platform::media_position_ms(player) >= end) {
        if (!loop) break;
        platform::media_seek_start(player);
        platform::media_play(player);
      }
      if (key_char_take() || mouse_any_button()) break;
      music_loop_tick();
      message_pump(ctx.win32_msg_handler, false);
      if (surface) surface->show(player);
      platform::media_service(player);
      sleep_ms(2);
    }
  }

  close_playing();
  if (drawn) restore_2d_state(r);
  return 0;
}

}  // namespace

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

int32_t video_play(const RtString& name) { return play(name, false); }
void video_shutdown() { close_playing(); }
int32_t video_play_loop(const RtString& name) { return play(name, true); }

}  // namespace zrv
