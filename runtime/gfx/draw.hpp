// Drawing: whole, stretched, zoomed and rotated sprites, frames of sprite
// sheets, filled rectangles, pixels, lines and polygons, and the modes that
// apply to all of them (blend/alpha mode, alpha test, texture filtering).
// Coordinates are logical pixels, origin top-left, y downwards; sprites are
// placed by their top-left corner; angles are degrees.
#pragma once

#include <cstdint>

#include "gfx/quad_batch.hpp"

namespace zrv {

class OpenGLVireo;

// The drawing commands are declared in zorvane.hpp, the API; these are the
// ones the rest of the graphics code draws with.
void sprite_draw(int32_t id, int32_t x, int32_t y);
void sprite_draw_stretched(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h);
void rect_fill(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color);
void blend_alpha(double value);
void alpha_test_set(double threshold);

// Renderer helpers. names: a table of texture names by slot, or null.
// Binding a slot that is bound already makes no OpenGL call; code that
// binds a texture past this function sets r->bound_sprite to -1.
void texture_bind(OpenGLVireo* r, int32_t id, int32_t id2, const uint32_t* names);
// Appends the fan of four vertices to the batch with the bound texture
// clamped to its edges.
void quad_draw(OpenGLVireo* r, const QuadVertex vertices[4]);
// The filters and the wrap mode of the bound texture: by `smooth`, linear
// or nearest, clamped to the edges or repeated. A slot's record remembers
// what its texture has, so that only changes reach OpenGL.
void texture_filter_apply(OpenGLVireo* r);
void texture_filter_set(OpenGLVireo* r, bool linear);
void texture_wrap_set(OpenGLVireo* r, bool clamp);
// After an untextured primitive: the colour back to white at the current
// alpha (the primitives leave theirs current until textured drawing needs
// the plain one, so that a run of fills in one colour stays one batch).
void drawing_color_restore(const OpenGLVireo* r);
// Switches a client array (GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY ...)
// through its cache entry in screen_state. The 2D draws leave the vertex
// and texture-coordinate arrays enabled with pointers into their own
// vertices, so any other code that draws from client arrays sets both
// pointers first, or switches the arrays off through this call.
void client_array_set(uint32_t array, int32_t& cached, bool on);

}  // namespace zrv
