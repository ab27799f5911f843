// Circles and ellipses, filled and outlined. They are drawn row by row as
// boxes of whole pixels: the same pixels with and without batching, on
// every driver, and a run of them stays in one batch with sprites.
#include <cmath>
#include <cstdint>
#include <vector>

#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/renderer.hpp"

namespace zrv {

namespace {

// Larger radii only cost time: nothing is that big on a screen.
constexpr int32_t kRadiusLimit = 16384;

int32_t radius_clamped(int32_t r) { return r > kRadiusLimit ? kRadiusLimit : r; }

// The half widths of the rows dy = -ry .. ry: a pixel (dx, dy) from the
// centre pixel is inside when its centre lies in the ellipse of radii
// rx + 1/2 and ry + 1/2 (so a radius 0 is the centre pixel alone).
std::vector<int32_t> half_widths(int32_t rx, int32_t ry) {
  std::vector<int32_t> out(static_cast<size_t>(ry) * 2 + 1);
  const double a = rx + 0.5, b = ry + 0.5;
  for (int32_t dy = -ry; dy <= ry; ++dy) {
    const double t = dy / b;
    out[static_cast<size_t>(dy + ry)] = static_cast<int32_t>(std::floor(a * std::sqrt(1 - t * t)));
  }
  return out;
}

void row_fill(int32_t cx, int32_t y, int32_t from, int32_t to) {
  box_fill(static_cast<float>(static_cast<int64_t>(cx) + from), static_cast<float>(y),
           static_cast<float>(static_cast<int64_t>(cx) + to + 1), static_cast<float>(y) + 1);
}

void ellipse(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t color, bool filled) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || !r->gl_ready || rx < 0 || ry < 0) return;
  rx = radius_clamped(rx);
  ry = radius_clamped(ry);
  primitive_color_set(r, color);
  const std::vector<int32_t> hw = half_widths(rx, ry);
  auto width_at = [&](int32_t dy) { return dy < -ry || dy > ry ? -1 : hw[dy + ry]; };
  for (int32_t dy = -ry; dy <= ry; ++dy) {
    const int32_t w = width_at(dy);
    const int32_t row = static_cast<int32_t>(static_cast<int64_t>(y) + dy);
    if (filled) {
      row_fill(x, row, -w, w);
      continue;
    }
    // The outline: the pixels inside with a neighbour (left, right, above,
    // below) outside.
    int32_t inner = w - 1;
    if (width_at(dy - 1) < inner) inner = width_at(dy - 1);
    if (width_at(dy + 1) < inner) inner = width_at(dy + 1);
    if (inner < 0) {
      row_fill(x, row, -w, w);
    } else {
      row_fill(x, row, -w, -inner - 1);
      row_fill(x, row, inner + 1, w);
    }
  }
}

}  // namespace

void ellipse_fill(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t color) {
  ellipse(x, y, rx, ry, color, true);
}

void ellipse_draw(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t color) {
  ellipse(x, y, rx, ry, color, false);
}

void circle_fill(int32_t x, int32_t y, int32_t radius, int32_t color) {
  ellipse(x, y, radius, radius, color, true);
}

void circle_draw(int32_t x, int32_t y, int32_t radius, int32_t color) {
  ellipse(x, y, radius, radius, color, false);
}

}  // namespace zrv
