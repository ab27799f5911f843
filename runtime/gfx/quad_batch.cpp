#include "gfx/quad_batch.hpp"

#include <cstdlib>
#include <vector>

#include "gfx/draw.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/screen.hpp"

namespace zrv {

int32_t quad_batch_count = 0;

namespace {

// Six vertices a quad: two separate triangles, so that quads of any kind
// follow one another in one draw.
constexpr int32_t kVerticesPerQuad = 6;

std::vector<QuadVertex> vertices;

bool batching_from_environment() {
  const char* v = std::getenv("ZRV_NO_BATCH");
  return v == nullptr || *v == '\0' || (v[0] == '0' && v[1] == '\0');
}

bool batching = batching_from_environment();

QuadVertex* room_for_one() {
  if (quad_batch_count >= kQuadBatchCapacity) quad_batch_flush();
  const size_t need = static_cast<size_t>(quad_batch_count + 1) * kVerticesPerQuad;
  if (vertices.size() < need) vertices.resize(need < 1024 ? 1024 : need * 2);
  return vertices.data() + static_cast<size_t>(quad_batch_count) * kVerticesPerQuad;
}

// Puts a quad into the batch as two triangles, its corners taken in the
// order given (a fan and a strip number their corners differently).
void add_triangles(const QuadVertex v[4], const int (&order)[kVerticesPerQuad]) {
  QuadVertex* out = room_for_one();
  for (int i = 0; i < kVerticesPerQuad; ++i) out[i] = v[order[i]];
  ++quad_batch_count;
  if (!batching) quad_batch_flush();
}

}  // namespace

void quad_batch_add_fan(const QuadVertex v[4]) { add_triangles(v, {0, 1, 2, 0, 2, 3}); }

void quad_batch_add_strip(const QuadVertex v[4]) { add_triangles(v, {0, 1, 2, 2, 1, 3}); }

void quad_batch_flush() {
  const int32_t quads = quad_batch_count;
  if (quads == 0) return;
  // Emptied first: the calls below go through `gl`, which would draw the
  // batch again.
  quad_batch_count = 0;
  if (!gl.loaded) return;
  client_array_set(GL_VERTEX_ARRAY, screen_state.vertex_array, true);
  client_array_set(GL_TEXTURE_COORD_ARRAY, screen_state.texcoord_array, true);
  const QuadVertex* v = vertices.data();
  gl.VertexPointer(2, GL_FLOAT, sizeof(QuadVertex), &v[0].x);
  gl.TexCoordPointer(2, GL_FLOAT, sizeof(QuadVertex), &v[0].u);
  gl.DrawArrays(GL_TRIANGLES, 0, quads * kVerticesPerQuad);
}

bool quad_batching_enabled() { return batching; }

void quad_batching_set(bool on) {
  quad_batch_flush_pending();
  batching = on;
}

}  // namespace zrv
