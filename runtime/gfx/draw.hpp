// Drawing: whole, stretched, zoomed and rotated sprites, frames of sprite
// sheets, filled rectangles, pixels, lines and polygons, and the modes that
// apply to all of them (blend/alpha mode, alpha test, texture filtering).
// Coordinates are logical pixels, origin top-left, y downwards; sprites are
// placed by their top-left corner; angles are degrees.
#pragma once

#include <cstdint>

namespace zrv {

class OpenGLVireo;

// Draws slot id with its top-left corner at (x, y); a free slot draws nothing.
void sprite_draw(int32_t id, int32_t x, int32_t y);
void sprite_draw_stretched(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h);
void sprite_draw_zoomed(int32_t id, int32_t x, int32_t y, double zoom_x, double zoom_y);
void sprite_draw_rotated(int32_t id, int32_t x, int32_t y, double angle);
void sprite_draw_rotozoom(int32_t id, int32_t x, int32_t y, double angle, double zoom);
// Draws one frame of a sheet at (x, y); frames are numbered row by row from
// the top-left. A slot without frame size draws nothing.
void sprite_draw_frame(int32_t id, int32_t frame, int32_t x, int32_t y);
void sprite_draw_frame_stretched(int32_t id, int32_t frame, int32_t x, int32_t y, int32_t w,
                                 int32_t h);
void sprite_draw_frame_rotozoom(int32_t id, int32_t frame, int32_t x, int32_t y, double angle,
                                double zoom);

// Colours are 0x00BBGGRR; the colour key draws transparent.
void rect_fill(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color);
void pixel_set(int32_t x, int32_t y, int32_t color);
int32_t pixel_get(int32_t x, int32_t y);
void line_draw(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color);

// Blend mode: < 0 normal transparency with alpha |value|, 0 no blending,
// > 0 additive; alpha is capped at 1. -1 is normal drawing.
void blend_alpha(double value);
// Texels with alpha not above the threshold are not drawn; >= 1 switches the
// test off.
void alpha_test_set(double threshold);
void smooth_set(int32_t flag);

// Polygons: mode 0 triangle fan, 1 separate triangles, 2 triangle strip;
// (tx, ty) are texel coordinates from the image's top-left.
void poly_start(int32_t id, int32_t mode);
void poly_vertex(double x, double y, double tx, double ty, int32_t color);
void poly_new_strip();
void poly_end();

// Renderer helpers. names: a table of texture names by slot, or null.
void texture_bind(OpenGLVireo* r, int32_t id, int32_t id2, const uint32_t* names);
struct QuadVertex {
  float x, y, u, v;
};
void quad_draw(OpenGLVireo* r, const QuadVertex vertices[4]);
// Sets the filters of the bound texture by `smooth`.
void texture_filter_apply(OpenGLVireo* r);
// Switches a client array (GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY ...)
// through its cache entry in screen_state. The 2D draws leave the vertex
// and texture-coordinate arrays enabled with pointers into their own
// vertices, so any other code that draws from client arrays sets both
// pointers first, or switches the arrays off through this call.
void client_array_set(uint32_t array, int32_t& cached, bool on);

}  // namespace zrv
