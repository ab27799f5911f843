// The GPU layer's batch: primitives of every kind of 2D drawing gathered
// into one vertex buffer and drawn with one call.
#include <algorithm>
#include <cstdlib>

#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/gpu_internal.hpp"

namespace zrv::gpu {

namespace {

bool batching_from_environment() {
  const char* v = std::getenv("ZRV_NO_BATCH");
  return v == nullptr || *v == '\0' || (v[0] == '0' && v[1] == '\0');
}

bool batch_on = batching_from_environment();

// Room for `count` more vertices of a primitive of mode, the batch drawn
// first when it holds another kind or has no room.
void room_make(GpuState& s, uint32_t mode, int32_t count) {
  if (s.vertex_count != 0 && (s.mode != mode || s.vertex_count + count > kBatchVertices)) flush();
  s.mode = mode;
  const size_t need = static_cast<size_t>(s.vertex_count + count) * kVertexFloats;
  if (s.vertices.size() < need) s.vertices.resize(need < 4096 ? 4096 : need * 2);
}

float* vertex_put(GpuState& s, float x, float y, bool projected, float u, float v,
                  const float* rgba, int32_t unit) {
  float* p = s.vertices.data() + static_cast<size_t>(s.vertex_count) * kVertexFloats;
  p[0] = x;
  p[1] = y;
  p[2] = projected ? 1.0f : 0.0f;
  p[3] = u;
  p[4] = v;
  p[5] = rgba[0];
  p[6] = rgba[1];
  p[7] = rgba[2];
  p[8] = rgba[3];
  p[9] = static_cast<float>(unit);
  ++s.vertex_count;
  return p;
}

// Puts the batch's bytes into the bound buffer, whose storage grows when it
// is too small and is written over otherwise: a new storage at every draw
// costs a software driver an allocation of its whole size.
void buffer_fill(GLenum target, int64_t& storage, int64_t bytes, const void* data) {
  if (bytes > storage) {
    storage = std::max<int64_t>(bytes, storage * 2);
    gl_driver.BufferData(target, static_cast<GLsizeiptr>(storage), nullptr, GL_STREAM_DRAW);
  }
  gl_driver.BufferSubData(target, 0, static_cast<GLsizeiptr>(bytes), data);
}

void primitive_done() {
  if (!batch_on) flush();
}

void corners_put(uint32_t mode, const Corner* v, int32_t count) {
  GpuState* s = state();
  if (s == nullptr || count <= 0) return;
  for (int32_t done = 0; done < count;) {
    // Lines go in pairs: a batch never splits one.
    int32_t n = count - done;
    if (n > kBatchVertices) n = kBatchVertices - (mode == GL_LINES ? kBatchVertices % 2 : 0);
    room_make(*s, mode, n);
    for (int32_t i = 0; i < n; ++i) {
      const Corner& c = v[done + i];
      vertex_put(*s, c.x, c.y, true, c.u, c.v, s->color, -1);
    }
    done += n;
  }
  primitive_done();
}

}  // namespace

void quad(Texture texture, const Sampling& sampling, const Corner c[4], QuadOrder order,
          bool projected) {
  GpuState* s = state();
  if (s == nullptr) return;
  Texture drawn = texture;
  Sampling with = sampling;
  Corner corners[4] = {c[0], c[1], c[2], c[3]};
  atlas_route(*s, &drawn, &with, corners, projected);
  quad_add(*s, drawn, with, corners, order, projected);
}

void quad_add(GpuState& s, Texture texture, const Sampling& sampling, const Corner c[4],
              QuadOrder order, bool projected) {
  room_make(s, GL_TRIANGLES, 4);
  const int32_t unit = unit_take(s, texture, sampling);
  // unit_take may have drawn the batch: the mode is set again.
  room_make(s, GL_TRIANGLES, 4);
  const auto first = static_cast<uint16_t>(s.vertex_count);
  for (int32_t i = 0; i < 4; ++i) {
    vertex_put(s, c[i].x, c[i].y, projected, c[i].u, c[i].v, s.color, unit);
  }
  static const uint16_t kFan[6] = {0, 1, 2, 0, 2, 3};
  static const uint16_t kStrip[6] = {0, 1, 2, 2, 1, 3};
  const uint16_t* order_of = order == QuadOrder::kFan ? kFan : kStrip;
  const size_t at = s.indices.size();
  s.indices.resize(at + 6);
  uint16_t* index = s.indices.data() + at;
  for (int32_t i = 0; i < 6; ++i) index[i] = static_cast<uint16_t>(first + order_of[i]);
  primitive_done();
}

void triangles(Texture texture, const Sampling& sampling, const Vertex* v, int32_t count,
               const uint16_t* indices, int32_t index_count) {
  GpuState* s = state();
  if (s == nullptr || count <= 0 || count > kBatchVertices || index_count <= 0) return;
  room_make(*s, GL_TRIANGLES, count);
  const int32_t unit = unit_take(*s, texture, sampling);
  room_make(*s, GL_TRIANGLES, count);
  const int32_t first = s->vertex_count;
  for (int32_t i = 0; i < count; ++i) {
    const float rgba[4] = {v[i].r, v[i].g, v[i].b, v[i].a};
    vertex_put(*s, v[i].x, v[i].y, false, v[i].u, v[i].v, rgba, unit);
  }
  for (int32_t i = 0; i < index_count; ++i) {
    s->indices.push_back(static_cast<uint16_t>(first + indices[i]));
  }
  primitive_done();
}

void lines(const Corner* v, int32_t count) { corners_put(GL_LINES, v, count - count % 2); }

void points(const Corner* v, int32_t count) { corners_put(GL_POINTS, v, count); }

void flush() {
  GpuState* s = state();
  if (s == nullptr || s->vertex_count == 0) return;
  framebuffer_drawn(*s);
  const GlApi& g = gl_driver;
  // The program with the fewest samplers that covers the batch's units.
  program_use(*s, program_for_units(s->units_used));
  g.BindBuffer(GL_ARRAY_BUFFER, s->vertex_buffer);
  buffer_fill(GL_ARRAY_BUFFER, s->vertex_buffer_bytes,
              static_cast<int64_t>(s->vertex_count) * kVertexFloats * sizeof(float),
              s->vertices.data());
  if (s->mode == GL_TRIANGLES) {
    buffer_fill(GL_ELEMENT_ARRAY_BUFFER, s->index_buffer_bytes,
                static_cast<int64_t>(s->indices.size() * sizeof(uint16_t)), s->indices.data());
    g.DrawElements(GL_TRIANGLES, static_cast<GLsizei>(s->indices.size()), GL_UNSIGNED_SHORT,
                   nullptr);
  } else {
    g.DrawArrays(s->mode, 0, s->vertex_count);
  }
  ++s->draws;
  ++s->draws_total;
  s->vertex_count = 0;
  s->indices.clear();
  s->units_used = 0;
}

bool batching() { return batch_on; }

void batching_set(bool on) {
  flush();
  batch_on = on;
}

}  // namespace zrv::gpu
