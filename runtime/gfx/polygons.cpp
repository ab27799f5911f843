// Polygons: fans, triangle lists and strips of vertices with colours and
// texture coordinates of their own, drawn as indexed triangles.
#include <vector>

#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/gpu.hpp"
#include "gfx/renderer.hpp"

namespace zrv {

namespace {

struct PolyVertex {
  float x, y, u, v;
  uint8_t red, green, blue, alpha;
};

// One polygon is open at a time.
struct PolyState {
  std::vector<PolyVertex> vertices;
  int32_t count = 0;
  int32_t mode = 0;  // 0 fan, 1 triangles, 2 strip
  bool colored = false;
  bool split = false;
  float inv_width = 1.0f;
  float inv_height = 1.0f;
  int32_t sprite = -1;
};
PolyState poly;

void poly_append(const PolyVertex& v) {
  // Growth: 64 vertices first, then doubling.
  if (poly.count >= static_cast<int32_t>(poly.vertices.size())) {
    poly.vertices.resize(poly.vertices.empty() ? 64 : poly.vertices.size() * 2);
  }
  poly.vertices[poly.count++] = v;
}

// The triangles of the polygon's mode as indices into its vertices.
void triangle_indices(int32_t mode, int32_t count, std::vector<uint16_t>& out) {
  out.clear();
  for (int32_t i = 0; i + 2 < count; i += mode == 1 ? 3 : 1) {
    if (mode == 0) {
      out.insert(out.end(), {0, static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i + 2)});
    } else if (mode == 1 || i % 2 == 0) {
      out.insert(out.end(), {static_cast<uint16_t>(i), static_cast<uint16_t>(i + 1),
                             static_cast<uint16_t>(i + 2)});
    } else {
      // A strip's odd triangles turn the other way round.
      out.insert(out.end(), {static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i),
                             static_cast<uint16_t>(i + 2)});
    }
  }
}

}  // namespace

void poly_start(int32_t id, int32_t mode) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  poly.count = 0;
  if (poly.vertices.empty()) poly.vertices.resize(64);
  poly.colored = false;
  poly.mode = mode;
  poly.sprite = sprite_id_valid(id) ? id : -1;
  if (poly.sprite >= 0) {
    const SpriteRecord& s = r->sprites[id];
    poly.inv_width = s.padded_width > 0 ? 1.0f / s.padded_width : 0.0f;
    poly.inv_height = s.padded_height > 0 ? 1.0f / s.padded_height : 0.0f;
  }
  poly.split = false;
}

void poly_vertex(double x, double y, double tx, double ty, int32_t color) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  PolyVertex v{};
  v.x = static_cast<float>(x);
  v.y = static_cast<float>(y);
  if (poly.sprite >= 0) {
    v.u = static_cast<float>(tx * poly.inv_width);
    v.v = static_cast<float>((r->sprites[poly.sprite].image_height - ty) * poly.inv_height);
  }
  if (color == 0xFFFFFF) {
    v.red = v.green = v.blue = 255;
  } else {
    poly.colored = true;
    v.red = static_cast<uint8_t>(color);
    v.green = static_cast<uint8_t>(color >> 8);
    v.blue = static_cast<uint8_t>(color >> 16);
  }
  if (color == r->color_key) {
    v.alpha = 0;
  } else {
    v.alpha = r->current_alpha != 1.0f ? static_cast<uint8_t>(r->current_alpha * 255) : 255;
  }
  poly_append(v);
  if (poly.split) {
    poly_append(v);
    poly.split = false;
  }
}

void poly_new_strip() {
  if (poly.count == 0 || poly.split) return;
  poly.split = true;
  const PolyVertex last = poly.vertices[poly.count - 1];
  poly_append(last);
}

void poly_end() {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || !r->gl_ready || poly.count == 0 || poly.mode < 0 || poly.mode > 2) return;
  if (poly.count > gpu::kBatchVertices) return;
  static std::vector<gpu::Vertex> vertices;
  static std::vector<uint16_t> indices;
  // Colours of their own when any vertex has one or the drawing is
  // translucent; otherwise the plain white of textured drawing.
  const bool colors = poly.colored || r->current_alpha != 1.0f;
  vertices.resize(static_cast<size_t>(poly.count));
  for (int32_t i = 0; i < poly.count; ++i) {
    const PolyVertex& p = poly.vertices[i];
    gpu::Vertex& v = vertices[i];
    v = gpu::Vertex{p.x, p.y, p.u, p.v, 1, 1, 1, 1};
    if (colors) {
      constexpr float kByte = 1.0f / 255.0f;
      v.r = p.red * kByte;
      v.g = p.green * kByte;
      v.b = p.blue * kByte;
      v.a = p.alpha * kByte;
    }
  }
  triangle_indices(poly.mode, poly.count, indices);
  if (indices.empty()) return;
  const gpu::Texture texture = poly.sprite >= 0 ? r->sprites[poly.sprite].texture : 0;
  gpu::triangles(texture, sprite_sampling(r, false), vertices.data(), poly.count, indices.data(),
                 static_cast<int32_t>(indices.size()));
}

}  // namespace zrv
