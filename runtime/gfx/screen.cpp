#include "gfx/screen.hpp"

#include <algorithm>
#include <cmath>

#include "base/activation.hpp"
#include "base/clamped.hpp"
#include "base/clock.hpp"
#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/paths.hpp"
#include "gfx/draw.hpp"
#include "gfx/font.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/renderer.hpp"
#include "gfx/scene3d.hpp"
#include "gfx/sprites.hpp"
#include "gfx/targets.hpp"

namespace zrv {

namespace {

ScreenState make_screen_state() {
  ScreenState s;
  for (int32_t& c : s.cap_cache) c = kCapUndetermined;
  return s;
}

const GLenum kCapEnums[kCapCount] = {GL_BLEND,
                                     GL_ALPHA_TEST,
                                     GL_COLOR_MATERIAL,
                                     GL_CULL_FACE,
                                     GL_LIGHTING,
                                     GL_STENCIL_TEST,
                                     GL_DEPTH_TEST,
                                     GL_FOG,
                                     GL_DITHER,
                                     GL_LINE_SMOOTH,
                                     GL_POINT_SMOOTH,
                                     GL_NORMALIZE,
                                     GL_POLYGON_SMOOTH,
                                     GL_POLYGON_OFFSET_POINT,
                                     GL_AUTO_NORMAL,
                                     GL_TEXTURE_2D,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0};

bool gl_usable(const OpenGLVireo* r) { return r != nullptr && r->gl_ready; }

void leave_3d() {
  if (ctx.scene3d) ctx.scene3d->leave_3d();
}

bool rotated_quarter(const OpenGLVireo* r) { return renderer_screen_mapping(r).quarter_turned(); }

// Step 3 of the logical screen set-up: the scaled viewport, or the whole
// surface.
void logical_viewport_apply(OpenGLVireo* r) {
  ScreenState& s = screen_state;
  if (s.screen_scale != 0 && s.target_in_use == -1) {
    leave_3d();
    s.logical_viewport[0] = s.logical_viewport[1] = 0;
    s.logical_viewport[2] = s.logical_width;
    s.logical_viewport[3] = s.logical_height;
    viewport_apply(r, s.screen_offset_x, s.screen_offset_y,
                   int32_clamped(static_cast<double>(s.screen_scale) * s.logical_width),
                   int32_clamped(static_cast<double>(s.screen_scale) * s.logical_height),
                   s.screen_scale);
  } else {
    viewport_apply(r, 0, 0, 0, 0, 1.0f);
  }
}

}  // namespace

ScreenState screen_state = make_screen_state();

namespace {

void cap_set(int32_t cap, int32_t on) {
  OpenGLVireo* r = ctx.renderer;
  if (!gl_usable(r) || cap < 0 || cap >= kCapCount || kCapEnums[cap] == 0) return;
  if (screen_state.cap_cache[cap] == on) return;
  if (on) {
    gl.Enable(kCapEnums[cap]);
  } else {
    gl.Disable(kCapEnums[cap]);
  }
  screen_state.cap_cache[cap] = on;
}

}  // namespace

// Normal drawing: no alpha test, blending with the source alpha, opaque white.
static void draw_modes_reset(OpenGLVireo* r) {
  cap_disable(kCapAlphaTest);
  r->alpha_threshold = 1.0f;
  cap_enable(kCapBlend);
  blend_func_set(GL_ONE_MINUS_SRC_ALPHA);
  r->current_alpha = 1.0f;
  color_set(1, 1, 1, 1);
}

void cap_enable(int32_t cap) { cap_set(cap, 1); }
void cap_disable(int32_t cap) { cap_set(cap, 0); }

void color_set(float red, float green, float blue, float alpha) {
  OpenGLVireo* r = ctx.renderer;
  if (!gl_usable(r)) return;
  float* c = screen_state.color_cache;
  if (c[0] == red && c[1] == green && c[2] == blue && c[3] == alpha) return;
  gl.Color4f(red, green, blue, alpha);
  c[0] = red;
  c[1] = green;
  c[2] = blue;
  c[3] = alpha;
}

void blend_func_set(uint32_t destination) {
  if (!gl_usable(ctx.renderer)) return;
  int32_t& cached = screen_state.blend_destination;
  if (cached == static_cast<int32_t>(destination)) return;
  gl.BlendFunc(GL_SRC_ALPHA, destination);
  cached = static_cast<int32_t>(destination);
}

void alpha_writes_set(bool on) {
  if (!gl_usable(ctx.renderer)) return;
  int32_t& cached = screen_state.alpha_writes;
  if (cached == (on ? 1 : 0)) return;
  gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, on ? GL_TRUE : GL_FALSE);
  cached = on ? 1 : 0;
}

void color_buffer_clear(OpenGLVireo* r, bool colour, uint32_t extra) {
  if (!gl_usable(r)) return;
  const float* c = screen_state.clear_color;
  if (screen_state.alpha_writes == 1) {
    if (!colour && extra == 0) return;
    gl.ClearColor(c[0], c[1], c[2], c[3]);
    gl.Clear((colour ? GL_COLOR_BUFFER_BIT : 0) | extra);
    return;
  }
  // The window: alpha is written for the clear only.
  gl.ClearColor(c[0], c[1], c[2], 1.0f);
  const GLboolean rgb = colour ? GL_TRUE : GL_FALSE;
  gl.ColorMask(rgb, rgb, rgb, GL_TRUE);
  gl.Clear(GL_COLOR_BUFFER_BIT | extra);
  gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  screen_state.alpha_writes = 0;
}

float screen_scale_snap(float a) {
  if (a >= 10) return std::floor(a);
  for (float v : {8.0f, 4.0f, 3.0f, 2.0f, 1.5f}) {
    if (a >= v) return v;
  }
  return 1.0f;
}

void screen_mode_apply(OpenGLVireo* r, int32_t width, int32_t height, int32_t color_depth,
                       int32_t full_screen) {
  if (r == nullptr) return;
  if (width != 0) r->width = width;
  if (height != 0) r->height = height;
  if (color_depth != 0) r->color_depth = color_depth;
  r->virtual_width = r->virtual_height = 0;
  window_set_windowed(r);
  if (full_screen != 0) {
    window_set_full_screen(r);
  } else {
    window_set_windowed(r);
  }
}

void window_set_windowed(OpenGLVireo* r) {
  if (r == nullptr) return;
  platform::Backend& b = platform::backend();
  if (r->window_handle != nullptr) {
    if (r->is_full_screen) {
      b.window_leave_full_screen(r->window_handle);
      sleep_ms(500);
    }
    platform::Rect area;
    if (!b.work_area(r->window_handle, &area)) {
      area.w = ctx.desktop_width;
      area.h = ctx.desktop_height;
    }
    // Centred in the work area, measured from the desktop origin.
    const int32_t left = (area.w - r->width) / 2;
    const int32_t top = (area.h - r->height) / 2;
    b.window_place(r->window_handle, left, top, r->width, r->height, false);
    b.window_show(r->window_handle);
    b.window_activate(r->window_handle);
  }
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
  r->is_full_screen = 0;
}

bool window_set_full_screen(OpenGLVireo* r) {
  if (r == nullptr) return false;
  platform::Backend& b = platform::backend();
  platform::DisplayMode mode;
  mode.width = r->width;
  mode.height = r->height;
  platform::DisplayMode desktop;
  const int32_t desktop_bits = b.desktop_mode(&desktop) ? desktop.bits : 0;
  if (r->color_depth != 0 && r->color_depth != desktop_bits) mode.bits = r->color_depth;
  bool ok = r->window_handle != nullptr && b.window_full_screen(r->window_handle, mode);
  if (!ok && r->window_handle != nullptr) {
    mode.bits = 0;
    ok = b.window_full_screen(r->window_handle, mode);
  }
  if (!ok) {
    b.beep();
    log_write("No Fullscreen Mode available\n");
    window_set_windowed(r);
    return false;
  }
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
  b.window_show(r->window_handle);
  b.window_activate(r->window_handle);
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
  r->is_full_screen = 1;
  return true;
}

void viewport_apply(OpenGLVireo* r, int32_t x, int32_t y, int32_t w, int32_t h, float zoom) {
  if (r == nullptr) return;
  if (r->virtual_height == 0) {
    r->virtual_width = r->width;
    r->virtual_height = r->height;
  }
  const bool target = r->current_target != -1;
  int32_t target_height = 0;
  if (target) {
    const int32_t sprite = r->targets[r->current_target].sprite;
    if (sprite >= 0) target_height = r->sprites[sprite].image_height;
  }
  if (w < 1 || h < 1) {
    x = y = 0;
    if (target) {
      const int32_t sprite = r->targets[r->current_target].sprite;
      w = sprite >= 0 ? r->sprites[sprite].image_width : 0;
      h = target_height;
    } else if (rotated_quarter(r)) {
      w = r->virtual_height;
      h = r->virtual_width;
    } else {
      w = r->virtual_width;
      h = r->virtual_height;
    }
  }
  if (gl_usable(r)) {
    // The window rectangle's corner in 64 bits: the logical one may lie
    // anywhere in the int32 range.
    const auto corner = [](int64_t v) { return int32_clamped(v); };
    const int64_t X = x, Y = y, Wd = w, Ht = h;
    gl.MatrixMode(GL_PROJECTION);
    if (target) {
      gl.Viewport(x, corner(target_height - Ht - Y), w, h);
      gl.LoadIdentity();
    } else {
      // The quarter turns, column-major.
      static const GLfloat kTurns[4][16] = {
          {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},    // identity
          {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},   // (x, y) -> (y, -x)
          {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},  // (x, y) -> (-x, -y)
          {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};  // (x, y) -> (-y, x)
      gl.LoadMatrixf(kTurns[r->orientation & 3]);
      const int64_t W = r->width, H = r->height;
      switch (r->orientation) {
        case 1:
          gl.Viewport(corner(W - Y - Ht), corner(H - Wd - X), h, w);
          break;
        case 2:
          gl.Viewport(corner(W - X - Wd), y, w, h);
          break;
        case 3:
          gl.Viewport(y, x, h, w);
          break;
        default:
          gl.Viewport(x, corner(H - Ht - Y), w, h);
          break;
      }
    }
    gl.Ortho(0, w, h, 0, -1, 1);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    if (zoom != 1.0f && !target) gl.Scalef(zoom, zoom, zoom);
  }
  r->viewport_x = x;
  r->viewport_y = y;
  r->viewport_w = w;
  r->viewport_h = h;
}

void viewport_set(int32_t x, int32_t y, int32_t w, int32_t h) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  ScreenState& s = screen_state;
  float zoom = 1.0f;
  if (s.screen_scale != 0 && s.target_in_use == -1) {
    if (w <= 0) {
      x = y = 0;
      w = s.logical_width;
      h = s.logical_height;
    }
    const int32_t asked[4] = {x, y, w, h};
    std::copy(asked, asked + 4, s.logical_viewport);
    const double scale = s.screen_scale;
    x = int32_clamped(s.screen_offset_x + std::trunc(scale * x));
    y = int32_clamped(s.screen_offset_y + std::trunc(scale * y));
    w = int32_clamped(scale * w);
    h = int32_clamped(scale * h);
    zoom = s.screen_scale;
  }
  leave_3d();
  viewport_apply(r, x, y, w, h, zoom);
}

void viewport_get(int32_t* x, int32_t* y, int32_t* w, int32_t* h) {
  double dx, dy, dw, dh;
  viewport_get(&dx, &dy, &dw, &dh);
  *x = static_cast<int32_t>(dx);
  *y = static_cast<int32_t>(dy);
  *w = static_cast<int32_t>(dw);
  *h = static_cast<int32_t>(dh);
}

void viewport_get(double* x, double* y, double* w, double* h) {
  const OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) {
    *x = *y = *w = *h = 0;
    return;
  }
  const ScreenState& s = screen_state;
  if (s.screen_scale != 0 && s.target_in_use == -1) {
    // What viewport_set was given, in the logical screen's pixels.
    *x = s.logical_viewport[0];
    *y = s.logical_viewport[1];
    *w = s.logical_viewport[2];
    *h = s.logical_viewport[3];
    return;
  }
  *x = r->viewport_x;
  *y = r->viewport_y;
  *w = r->viewport_w;
  *h = r->viewport_h;
}

void screen_logical_set(double a, double b) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  ScreenState& s = screen_state;
  // Less than a pixel is no logical screen; more than the largest picture
  // is that size (a scale of 1 and a screen reaching past the window).
  if (!(a >= 1) || !(b >= 1)) a = b = 0;
  a = std::min<double>(a, kImageMaxSide);
  b = std::min<double>(b, kImageMaxSide);
  if (a > 0 && b > 0) {
    s.screen_scale = 0;
    target_end(r);
    s.target_in_use = -1;
    viewport_set(0, 0, 0, 0);
    double pw = r->virtual_width, ph = r->virtual_height;
    if (rotated_quarter(r)) std::swap(pw, ph);
    const double fx = pw / a, fy = ph / b;
    const float fit = static_cast<float>(fx < fy ? fx : fy);
    const float scale = screen_scale_snap(fit);
    s.screen_scale = scale;
    s.screen_offset_x = int32_clamped((pw - a * scale) * 0.5);
    s.screen_offset_y = int32_clamped((ph - b * scale) * 0.5);
    s.logical_width = static_cast<int32_t>(a);
    s.logical_height = static_cast<int32_t>(b);
    r->virtual_width = s.logical_width;
    r->virtual_height = s.logical_height;
  } else {
    s.screen_scale = 0;
    r->virtual_width = r->virtual_height = 0;
  }
  logical_viewport_apply(r);
}

void screen_orientation_set(int32_t n) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  r->orientation = n < 0 ? 0 : n > 3 ? 3 : n;
  leave_3d();
  logical_viewport_apply(r);
}

int32_t screen_orientation_get() { return ctx.renderer ? ctx.renderer->orientation : 0; }

void screen_size_get(int32_t* width, int32_t* height) {
  double w, h;
  screen_size_get(&w, &h);
  *width = static_cast<int32_t>(w);
  *height = static_cast<int32_t>(h);
}

void screen_size_get(double* width, double* height) {
  const OpenGLVireo* r = ctx.renderer;
  *width = *height = 0;
  if (r == nullptr) return;
  if (r->current_target != -1) {
    const int32_t sprite = r->targets[r->current_target].sprite;
    if (sprite >= 0) {
      *width = r->sprites[sprite].image_width;
      *height = r->sprites[sprite].image_height;
    }
    return;
  }
  *width = rotated_quarter(r) ? r->virtual_height : r->virtual_width;
  *height = rotated_quarter(r) ? r->virtual_width : r->virtual_height;
}

void desktop_size_get(int32_t* width, int32_t* height) {
  *width = ctx.desktop_width;
  *height = ctx.desktop_height;
}

void desktop_size_get(double* width, double* height) {
  *width = ctx.desktop_width;
  *height = ctx.desktop_height;
}

void state_reset_2d(OpenGLVireo* r) {
  if (r == nullptr) return;
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
  for (int32_t& c : screen_state.cap_cache) c = kCapUndetermined;
  screen_state.unit1_texturing = kCapUndetermined;
  screen_state.vertex_array = kCapUndetermined;
  screen_state.texcoord_array = kCapUndetermined;
  screen_state.batch_arrays = nullptr;
  screen_state.alpha_writes = kCapUndetermined;
  screen_state.blend_destination = kCapUndetermined;
  screen_state.alpha_reference = -1.0f;
  alpha_writes_set(r->current_target >= 0);
  cap_disable(kCapDepthTest);
  cap_disable(kCapCullFace);
  if (gl_usable(r)) gl.FrontFace(GL_CCW);
  color_set(1, 1, 1, 1);
  for (int32_t cap :
       {kCapFog, kCapLineSmooth, kCapPointSmooth, kCapStencilTest, kCapNormalize, kCapLighting}) {
    cap_disable(cap);
  }
  if (gl_usable(r)) gl.ShadeModel(GL_FLAT);
  for (int32_t cap :
       {kCapColorMaterial, kCapDither, kCapPolygonSmooth, kCapPolygonOffsetPoint, kCapAutoNormal}) {
    cap_disable(cap);
  }
  if (gl_usable(r)) {
    gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    gl.Hint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
  }
  r->smooth = 1;
  texture_bind(r, -1, -1, nullptr);
  draw_modes_reset(r);
}

void renderer_reset_2d_state(OpenGLVireo* r) {
  if (r == nullptr) return;
  viewport_set(0, 0, 0, 0);
  back_buffer_prepare(r);
  draw_modes_reset(r);
}

void clear_color_apply(OpenGLVireo* r, int32_t color) {
  if (r == nullptr) return;
  if (color == -1) {
    r->clear_enabled = 0;
    return;
  }
  r->clear_enabled = 1;
  float* c = screen_state.clear_color;
  c[0] = (color & 0xFF) / 255.0f;
  c[1] = ((color >> 8) & 0xFF) / 255.0f;
  c[2] = ((color >> 16) & 0xFF) / 255.0f;
  c[3] = color == r->color_key ? 0.0f : 1.0f;
  color_buffer_clear(r, true, 0);
}

void back_buffer_prepare(OpenGLVireo* r) {
  if (r == nullptr) return;
  // A new back buffer's alpha is undefined: it is cleared even where its
  // colour is kept.
  if (r->background_ids[0] < 0) {
    color_buffer_clear(r, r->clear_enabled != 0, r->depth_clear_pending ? GL_DEPTH_BUFFER_BIT : 0);
    r->depth_clear_pending = 0;
    return;
  }
  color_buffer_clear(r, false, 0);
  background_draw(r, 0);
}

void background_draw(OpenGLVireo* r, int32_t index) {
  if (!gl_usable(r) || index < 0 || index >= kBackgroundCount) return;
  const int32_t id = r->background_ids[index];
  if (id < 0) return;
  if (screen_state.screen_scale > 1) color_buffer_clear(r, true, 0);
  sprite_draw(id, 0, 0);
}

void background_load(const RtString& file) {
  OpenGLVireo* r = ctx.renderer;
  ctx.last_error = 0;
  if (r == nullptr) return;
  RtString path = file;
  const char* why = "no such file";
  if (path_resolve(path)) {
    why = background_load_file(r, 0, path.c_str());
    if (why == nullptr) {
      background_draw(r, 0);
      return;
    }
    path_resolved_release(path);
  }
  error_say(kErrNoSuchFile, "background_load: '%s': %s", file.c_str(), why);
  background_remove(r, 0);
  clear_color_apply(r, 0);
}

const char* background_load_file(OpenGLVireo* r, int32_t index, const char* path) {
  if (r == nullptr || index < 0 || index >= kBackgroundCount) return "no such background";
  RtImage image;
  if (const char* why = image_read(image, path, kNoColorKey)) return why;
  if (image.width == 0 || image.height == 0) return "an empty picture";
  int32_t& id = r->background_ids[index];
  if (id >= 0) sprite_delete(r, id);
  id = sprite_free_slot(r);
  if (id >= 0 && sprite_from_image(r, id, image, 0)) return nullptr;
  id = -1;
  return "no free sprite slot for it";
}

void background_grab() { background_grab_screen(ctx.renderer, 0); }

void background_grab_screen(OpenGLVireo* r, int32_t index) {
  if (r == nullptr || index < 0 || index >= kBackgroundCount) return;
  int32_t& id = r->background_ids[index];
  if (id >= 0) sprite_delete(r, id);
  id = sprite_free_slot(r);
  if (id < 0) return;
  screen_grab_to_sprite(r, id, 0, 0, r->virtual_width, r->virtual_height);
  if (r->sprites[id].image_width == 0) id = -1;
}

void background_remove(OpenGLVireo* r, int32_t index) {
  if (r == nullptr || index < 0 || index >= kBackgroundCount) return;
  int32_t& id = r->background_ids[index];
  if (id >= 0) sprite_delete(r, id);
  id = -1;
}

void screen_clear(int32_t color) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  background_remove(r, 0);
  clear_color_apply(r, color);
}

ScreenMapping renderer_screen_mapping(const OpenGLVireo* r) {
  ScreenMapping m;
  if (r != nullptr) {
    m.orientation = r->orientation;
    m.width = r->width;
    m.height = r->height;
  }
  m.scale = screen_state.screen_scale;
  m.offset_x = screen_state.screen_offset_x;
  m.offset_y = screen_state.screen_offset_y;
  return m;
}

void screen_point_map(const OpenGLVireo* r, int32_t x, int32_t y, int32_t* ox, int32_t* oy) {
  renderer_screen_mapping(r).to_screen(x, y, ox, oy);
}

void screen_point_unmap(const OpenGLVireo* r, int32_t x, int32_t y, int32_t* ox, int32_t* oy) {
  renderer_screen_mapping(r).to_window(x, y, ox, oy);
}

void screen_vector_map(const OpenGLVireo* r, int32_t dx, int32_t dy, int32_t* ox, int32_t* oy) {
  // The same direction as screen_point_map (window to logical), so that a
  // relative motion ends where the mapped absolute position ends.
  renderer_screen_mapping(r).motion_to_screen(dx, dy, ox, oy);
}

void screen_clear_setup(OpenGLVireo* r) {
  background_remove(r, 0);
  clear_color_apply(r, 0);
}

void screen_state_2d_setup(OpenGLVireo* r) {
  state_reset_2d(r);
  font_build_default(r, 0);
}

}  // namespace zrv
