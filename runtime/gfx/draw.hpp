// Drawing: whole, stretched, zoomed and rotated sprites, frames of sprite
// sheets, filled rectangles, pixels, lines and polygons, and the modes that
// apply to all of them (blend/alpha mode, alpha test, texture filtering).
// Coordinates are logical pixels, origin top-left, y downwards; sprites are
// placed by their top-left corner; angles are degrees. Everything goes to
// the GPU layer's batch (gpu.hpp).
#pragma once

#include <cstdint>

#include "gfx/gpu.hpp"

namespace zrv {

class OpenGLVireo;

// The drawing commands are declared in zorvane.hpp, the API; these are the
// ones the rest of the graphics code draws with.
void sprite_draw(int32_t id, int32_t x, int32_t y);
void sprite_draw_stretched(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h);
void rect_fill(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color);
void blend_alpha(double value);
void alpha_test_set(double threshold);

// The renderer when drawing is possible (a window with its context), else
// null.
OpenGLVireo* drawing_renderer();
// A position plus a size as a vertex coordinate, without int32 overflow.
inline float edge(int32_t position, int64_t size) {
  return static_cast<float>(static_cast<int64_t>(position) + size);
}

// The sampling a sprite's texture is drawn with: filtered by `smooth`,
// clamped to its edges or repeated.
gpu::Sampling sprite_sampling(const OpenGLVireo* r, bool clamp);
// Sprites take the tint at the current alpha; text its colour.
void textured_color_set(const OpenGLVireo* r);
void text_color_apply(const OpenGLVireo* r);
// The runtime's own sprite draws (backgrounds, targets) are never tinted.
class UntintedDrawing {
 public:
  explicit UntintedDrawing(OpenGLVireo* r);
  ~UntintedDrawing();
  UntintedDrawing(const UntintedDrawing&) = delete;
  UntintedDrawing& operator=(const UntintedDrawing&) = delete;

 private:
  OpenGLVireo* r_;
  float saved_[4];
};
// Fills the box (x0, y0)-(x1, y1) of logical pixels in the colour set.
void box_fill(float x0, float y0, float x1, float y1);
// The colour of an untextured primitive (0xBBGGRR) at the current alpha;
// the colour key draws transparent.
void primitive_color_set(const OpenGLVireo* r, int32_t color);

// Normal drawing: no alpha test, blending with the source alpha, opaque
// white.
void draw_modes_reset(OpenGLVireo* r);

}  // namespace zrv
