// Circles and ellipses, filled and outlined. They are drawn row by row as
// boxes of whole pixels: the same pixels with and without batching, on
// every driver, and a run of them stays in one batch with sprites.
#include <cmath>
#include <cstdint>

#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/renderer.hpp"

namespace zrv {

namespace {

// Larger radii only cost time: nothing is that big on a screen.
constexpr int32_t kRadiusLimit = 16384;

int32_t radius_clamped(int32_t r) { return r > kRadiusLimit ? kRadiusLimit : r; }

// The pixels of a row as one or two runs from the centre column: from
// -w to -inner - 1 and from inner + 1 to w (inner < 0: one run -w .. w).
struct RowRuns {
  int32_t w = -1, inner = -1;
  bool operator==(const RowRuns& o) const { return w == o.w && inner == o.inner; }
};

// Rows first..last (from the centre row) with the same runs, as boxes.
void rows_fill(int32_t cx, int32_t cy, int32_t first, int32_t last, const RowRuns& runs) {
  const auto x_at = [&](int32_t dx) { return static_cast<float>(static_cast<int64_t>(cx) + dx); };
  const float top = static_cast<float>(static_cast<int64_t>(cy) + first);
  const float bottom = static_cast<float>(static_cast<int64_t>(cy) + last + 1);
  if (runs.inner < 0) {
    box_fill(x_at(-runs.w), top, x_at(runs.w + 1), bottom);
  } else {
    box_fill(x_at(-runs.w), top, x_at(-runs.inner), bottom);
    box_fill(x_at(runs.inner + 1), top, x_at(runs.w + 1), bottom);
  }
}

void ellipse(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t color, bool filled) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || rx < 0 || ry < 0) return;
  rx = radius_clamped(rx);
  ry = radius_clamped(ry);
  primitive_color_set(r, color);
  // The half width of row dy (-1 outside): a pixel (dx, dy) from the
  // centre pixel is inside when its centre lies in the ellipse of radii
  // rx + 1/2 and ry + 1/2 (so a radius 0 is the centre pixel alone).
  const double a = rx + 0.5, b = ry + 0.5;
  auto width_at = [&](int32_t dy) {
    if (dy < -ry || dy > ry) return -1;
    const double t = dy / b;
    return static_cast<int32_t>(std::floor(a * std::sqrt(1 - t * t)));
  };
  // Rows with the same runs make one box: a circle of radius 8 is 9 boxes,
  // not 17.
  RowRuns run;
  int32_t run_first = -ry;
  for (int32_t dy = -ry; dy <= ry + 1; ++dy) {
    RowRuns row;
    if (dy <= ry) {
      row.w = width_at(dy);
      // The outline: the pixels inside with a neighbour (left, right,
      // above, below) outside.
      if (!filled) {
        row.inner = row.w - 1;
        if (width_at(dy - 1) < row.inner) row.inner = width_at(dy - 1);
        if (width_at(dy + 1) < row.inner) row.inner = width_at(dy + 1);
      }
    }
    if (dy > -ry && (dy > ry || !(row == run))) {
      rows_fill(x, y, run_first, dy - 1, run);
      run_first = dy;
    }
    run = row;
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
