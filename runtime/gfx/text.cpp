#include "gfx/text.hpp"

#include <cmath>

#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/font.hpp"
#include "gfx/gpu.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"

namespace zrv {

int32_t text_vertex_capacity_for(int32_t capacity, int32_t need) {
  if (need < capacity) return capacity;
  if (kTextVertexMinimum > need) return kTextVertexMinimum;
  return kTextVertexStep * (need / kTextVertexStep + 1);
}

void text_draw(OpenGLVireo* r, int32_t f, const char* text, int32_t length, double x, double y,
               double z, int32_t proportional, int32_t scaled) {
  if (r == nullptr || text == nullptr || length <= 0 || f < 0 || f >= kFontCount) return;
  const int32_t need = length * 4;
  const int32_t capacity = text_vertex_capacity_for(r->text_vertex_capacity, need);
  if (capacity != r->text_vertex_capacity) {
    r->text_vertices.resize(static_cast<size_t>(capacity) * 5);  // keeps the old vertices
    r->text_vertex_capacity = capacity;
  }
  const int32_t id = kFirstFontSprite + f;
  const SpriteRecord& s = r->sprites[id];
  if (s.image_width <= 0 || s.image_height <= 0) return;

  const int32_t W = s.image_width, H = s.image_height;
  float gw = static_cast<float>(W / 16);
  float gh;
  const float u_step = s.u_max / 16.0f;
  float v_step;
  int32_t last_row, codes;
  if (W < H) {
    gh = static_cast<float>(H / 16);
    v_step = s.v_max / 16.0f;
    last_row = 15;
    codes = 256;
  } else {
    gh = static_cast<float>(H / 8);
    v_step = s.v_max / 8.0f;
    last_row = 7;
    codes = 128;
  }
  float px = static_cast<float>(std::ceil(x));
  const float top = static_cast<float>(std::ceil(y));
  const float scale = scaled ? r->font_scale[f] : 1.0f;
  gw *= scale;
  gh *= scale;
  const float zf = static_cast<float>(z);

  float* out = r->text_vertices.data();
  int32_t count = 0;
  auto vertex = [&](float vx, float vy, float u, float v) {
    float* p = out + static_cast<size_t>(count) * 5;
    p[0] = vx;
    p[1] = vy;
    p[2] = zf;
    p[3] = u;
    p[4] = v;
    ++count;
  };
  for (int32_t i = 0; i < length; ++i) {
    const int32_t c = static_cast<uint8_t>(text[i]) % codes;
    if (c == 0) break;
    const float v_bottom = v_step * static_cast<float>(last_row - c / 16);
    const float v_top = v_bottom + v_step;
    float u_left, u_right, advance;
    if (proportional) {
      const GlyphRecord& g = r->glyphs[f][c];
      u_left = g.u_left;
      u_right = g.u_right;
      advance = g.advance * scale;
    } else {
      u_left = static_cast<float>(c % 16) * u_step;
      u_right = u_left + u_step;
      advance = gw;
    }
    vertex(px, top + gh, u_left, v_bottom);
    vertex(px, top, u_left, v_top);
    vertex(px + advance, top + gh, u_right, v_bottom);
    vertex(px + advance, top, u_right, v_top);
    px += advance;
  }
  r->text_vertex_count = count;
  if (count == 0 || !r->gl_ready) return;
  // Off the 2D plane, past the depth range, nothing shows (depth is the
  // projection's z, the logical screen's zoom applied).
  if (!(std::fabs(zf * gpu::zoom()) <= 1.0f)) return;
  // Glyph cells sit edge to edge: nearest sampling keeps them from bleeding
  // into their neighbours. Each glyph is two triangles of the strip (the
  // ones that join a glyph to the next have no area).
  text_color_apply(r);
  const gpu::Sampling nearest{false, false};
  for (int32_t g = 0; g + 4 <= count; g += 4) {
    const float* p = out + static_cast<size_t>(g) * 5;
    const gpu::Corner v[4] = {{p[0], p[1], p[3], p[4]},
                              {p[5], p[6], p[8], p[9]},
                              {p[10], p[11], p[13], p[14]},
                              {p[15], p[16], p[18], p[19]}};
    gpu::quad(s.texture, nearest, v, gpu::QuadOrder::kStrip);
  }
}

void text_print(const RtString& text, double x, double y, int32_t proportional) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  text_draw(r, current_font, text.c_str(), static_cast<int32_t>(text.length), x, y, 0, proportional,
            1);
}

int32_t text_width(const RtString& text, int32_t proportional) {
  const OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || current_font < 0 || current_font >= kFontCount) return 0;
  double width = 0;
  if (proportional) {
    for (uint32_t i = 0; i < text.length; ++i) {
      width += r->glyphs[current_font][static_cast<uint8_t>(text.data[i])].advance;
    }
  } else {
    const SpriteRecord& s = r->sprites[kFirstFontSprite + current_font];
    width = static_cast<double>(text.length) * (s.image_width / 16);
  }
  return static_cast<int32_t>(width * r->font_scale[current_font]);
}

}  // namespace zrv
