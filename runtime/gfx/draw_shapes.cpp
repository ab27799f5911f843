// Rectangles filled and outlined, pixels, and lines thin and thick.
#include <cmath>

#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/matrix.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"

namespace zrv {

namespace {

// The box of (x, y, w, h); a negative w or h reaches left or up from (x, y).
struct Box {
  float x0, y0, x1, y1;
};
Box rect_box(int32_t x, int32_t y, int32_t w, int32_t h) {
  return {w >= 0 ? static_cast<float>(x) : edge(x, static_cast<int64_t>(w) + 1),
          h >= 0 ? static_cast<float>(y) : edge(y, static_cast<int64_t>(h) + 1),
          w >= 0 ? edge(x, w) : edge(x, 1), h >= 0 ? edge(y, h) : edge(y, 1)};
}

}  // namespace

void rect_fill(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr) return;
  const Box b = rect_box(x, y, w, h);
  primitive_color_set(r, color);
  box_fill(b.x0, b.y0, b.x1, b.y1);
}

void box_fill(float x0, float y0, float x1, float y1) {
  const gpu::Corner c[4] = {{x1, y0, 0, 0}, {x0, y0, 0, 0}, {x0, y1, 0, 0}, {x1, y1, 0, 0}};
  gpu::quad(0, gpu::Sampling{}, c, gpu::QuadOrder::kFan);
}

void rect_draw(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || w == 0 || h == 0) return;
  // The same box rect_fill covers, its border one pixel wide: four boxes
  // that do not overlap, so that a translucent outline is even.
  const auto [x0, y0, x1, y1] = rect_box(x, y, w, h);
  primitive_color_set(r, color);
  box_fill(x0, y0, x1, y0 + 1);
  if (y1 - y0 < 2) return;
  box_fill(x0, y1 - 1, x1, y1);
  box_fill(x0, y0 + 1, x0 + 1, y1 - 1);
  if (x1 - x0 >= 2) box_fill(x1 - 1, y0 + 1, x1, y1 - 1);
}

void line_draw_thick(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t thickness,
                     int32_t color) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || thickness <= 0) return;
  primitive_color_set(r, color);
  // A box along the line through the pixels' centres, as wide as the
  // thickness and reaching half a pixel past each end, so that both end
  // pixels are covered as line_draw covers them.
  const double cx1 = x1 + 0.5, cy1 = y1 + 0.5, cx2 = x2 + 0.5, cy2 = y2 + 0.5;
  const double dx = cx2 - cx1, dy = cy2 - cy1;
  const double length = std::sqrt(dx * dx + dy * dy);
  const double half = thickness / 2.0;
  double ux = 1, uy = 0;  // along the line; a single point is a square
  if (length > 0) {
    ux = dx / length;
    uy = dy / length;
  }
  const double ax = -ux * 0.5, ay = -uy * 0.5;   // half a pixel back
  const double nx = -uy * half, ny = ux * half;  // half a thickness across
  auto at = [](double x, double y) {
    return gpu::Corner{static_cast<float>(x), static_cast<float>(y), 0, 0};
  };
  const gpu::Corner c[4] = {at(cx1 + ax + nx, cy1 + ay + ny), at(cx1 + ax - nx, cy1 + ay - ny),
                            at(cx2 - ax - nx, cy2 - ay - ny), at(cx2 - ax + nx, cy2 - ay + ny)};
  gpu::quad(0, gpu::Sampling{}, c, gpu::QuadOrder::kFan);
}

void pixel_set(int32_t x, int32_t y, int32_t color) { rect_fill(x, y, 1, 1, color); }

int32_t pixel_get(int32_t x, int32_t y) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr) return 0;
  // Logical position to window pixels (the inverse of the window-to-screen
  // mapping the mouse uses): the centre of the logical pixel on an enlarged
  // logical screen, then the screen's turn. A target's pixels are its own.
  int32_t wx = x, wy = y;
  if (r->current_target < 0) {
    const ScreenMapping m = renderer_screen_mapping(r);
    m.from_logical(x, y, &wx, &wy);
    m.to_window(wx, wy, &wx, &wy);
  }
  int32_t t = r->height;
  if (r->current_target >= 0) {
    const int32_t sprite = r->targets[r->current_target].sprite;
    t = sprite >= 0 ? r->sprites[sprite].image_height : 0;
  }
  uint8_t p[4] = {0, 0, 0, 0};
  gpu::pixels_read(wx, t - wy - 1, 1, 1, r->bgra_supported ? GL_BGRA : GL_RGBA, p);
  const uint8_t red = r->bgra_supported ? p[2] : p[0];
  const uint8_t blue = r->bgra_supported ? p[0] : p[2];
  return red | p[1] << 8 | blue << 16;
}

void line_draw(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr) return;
  primitive_color_set(r, color);
  // The projection moved by 3/8 of a pixel puts the line on the pixels the
  // rasteriser's diamond rule picks for integer ends; the corners are
  // projected here (see matrix.hpp).
  float mvp[16];
  matrix::copy(mvp, gpu::projection());
  matrix::translate(mvp, 0.375f, 0.375f, 0.0f);
  const float z = gpu::zoom();
  if (z != 1.0f) matrix::scale(mvp, z, z, z);
  gpu::Corner v[2] = {{static_cast<float>(x1), static_cast<float>(y1), 0, 0},
                      {static_cast<float>(x2), static_cast<float>(y2), 0, 0}};
  for (gpu::Corner& c : v) matrix::apply(mvp, c.x, c.y, &c.x, &c.y);
  gpu::lines(v, 2);
  // The end point is always set.
  gpu::points(v + 1, 1);
}

}  // namespace zrv
