// Text output with the bitmap fonts: glyph quads from the font sheet, drawn
// as one triangle strip from the renderer's text vertex buffer.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"

namespace zrv {

class OpenGLVireo;

// Text vertex buffer growth: a step of 128 vertices, at least 512.
constexpr int32_t kTextVertexStep = 128;
constexpr int32_t kTextVertexMinimum = 512;

// Commands.
// Prints with the current font; the pen starts at (ceil(x), ceil(y)).
// Proportional: each glyph as wide as its measured advance; else fixed cells.
void text_print(const RtString& text, double x, double y, int32_t proportional);
// The width text would take with the current font and its scale.
int32_t text_width(const RtString& text, int32_t proportional);

// Renderer operations.
// Draws text with font f at (x, y, z); scaled: glyphs by the font's scale.
// A code of 0 (modulo the sheet's code count) ends the text.
void text_draw(OpenGLVireo* r, int32_t f, const char* text, int32_t length, double x, double y,
               double z, int32_t proportional, int32_t scaled);
// Makes room for `need` vertices by the growth rule; the new capacity.
int32_t text_vertex_capacity_for(int32_t capacity, int32_t need);

}  // namespace zrv
