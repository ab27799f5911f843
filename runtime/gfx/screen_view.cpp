// The screen as the drawing sees it: viewport and projection, the logical
// (scaled) screen, the orientation, sizes, and the mapping of window pixels
// to the screen.
#include <algorithm>
#include <cmath>

#include "base/clamped.hpp"
#include "base/context.hpp"
#include "gfx/gpu.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/matrix.hpp"
#include "gfx/renderer.hpp"
#include "gfx/scene3d.hpp"
#include "gfx/screen.hpp"
#include "gfx/targets.hpp"

namespace zrv {

ScreenState screen_state;

namespace {

void leave_3d() {
  if (ctx.scene3d) ctx.scene3d->leave_3d();
}

bool rotated_quarter(const OpenGLVireo* r) { return renderer_screen_mapping(r).quarter_turned(); }

// The logical screen's scaled viewport, or the whole surface.
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

float screen_scale_snap(float a) {
  if (a >= 10) return std::floor(a);
  for (float v : {8.0f, 4.0f, 3.0f, 2.0f, 1.5f}) {
    if (a >= v) return v;
  }
  return 1.0f;
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
  if (r->gl_ready) {
    // The window rectangle's corner in 64 bits: the logical one may lie
    // anywhere in the int32 range.
    const auto corner = [](int64_t v) { return int32_clamped(v); };
    const int64_t X = x, Y = y, Wd = w, Ht = h;
    int32_t vx = x, vy = corner(target_height - Ht - Y), vw = w, vh = h;
    float projection[16];
    matrix::identity(projection);
    if (!target) {
      // The quarter turns, column-major.
      static const float kTurns[4][16] = {
          {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},    // identity
          {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},   // (x, y) -> (y, -x)
          {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},  // (x, y) -> (-x, -y)
          {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};  // (x, y) -> (-y, x)
      matrix::copy(projection, kTurns[r->orientation & 3]);
      const int64_t W = r->width, H = r->height;
      switch (r->orientation) {
        case 1:
          vx = corner(W - Y - Ht), vy = corner(H - Wd - X), vw = h, vh = w;
          break;
        case 2:
          vx = corner(W - X - Wd), vy = y;
          break;
        case 3:
          vx = y, vy = x, vw = h, vh = w;
          break;
        default:
          vy = corner(H - Ht - Y);
          break;
      }
    }
    matrix::ortho(projection, 0, static_cast<float>(w), static_cast<float>(h), 0, -1, 1);
    gpu::viewport_set(vx, vy, vw, vh, projection, target ? 1.0f : zoom);
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

}  // namespace zrv
