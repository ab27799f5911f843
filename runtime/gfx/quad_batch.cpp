#include "gfx/quad_batch.hpp"

#include <cstdlib>
#include <vector>

#include "gfx/draw.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/screen.hpp"

namespace zrv {

int32_t quad_batch_count = 0;

namespace {

// A quad is its four corners and the six indices of its two triangles, so
// that quads of any kind follow one another in one draw and each corner is
// transformed once. Indices are 16 bits: a full batch has 65536 corners.
constexpr int32_t kCornersPerQuad = 4;
constexpr int32_t kIndicesPerQuad = 6;
static_assert(kQuadBatchCapacity * kCornersPerQuad <= 65536);

std::vector<QuadVertex> vertices;
std::vector<uint16_t> indices;

bool batching_from_environment() {
  const char* v = std::getenv("ZRV_NO_BATCH");
  return v == nullptr || *v == '\0' || (v[0] == '0' && v[1] == '\0');
}

bool batching = batching_from_environment();

// Puts a quad into the batch as two triangles, its corners taken in the
// order given (a fan and a strip number their corners differently).
void add_triangles(const QuadVertex v[4], const int (&order)[kIndicesPerQuad]) {
  if (quad_batch_count >= kQuadBatchCapacity) quad_batch_flush();
  const auto quad = static_cast<size_t>(quad_batch_count);
  if (vertices.size() < (quad + 1) * kCornersPerQuad) {
    const size_t quads = quad < 256 ? 256 : quad * 2;
    vertices.resize(quads * kCornersPerQuad);
    indices.resize(quads * kIndicesPerQuad);
  }
  QuadVertex* corners = vertices.data() + quad * kCornersPerQuad;
  for (int i = 0; i < kCornersPerQuad; ++i) corners[i] = v[i];
  uint16_t* index = indices.data() + quad * kIndicesPerQuad;
  const auto first = static_cast<uint16_t>(quad * kCornersPerQuad);
  for (int i = 0; i < kIndicesPerQuad; ++i) index[i] = static_cast<uint16_t>(first + order[i]);
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
  if (screen_state.batch_arrays != v) {
    gl.VertexPointer(2, GL_FLOAT, sizeof(QuadVertex), &v[0].x);
    gl.TexCoordPointer(2, GL_FLOAT, sizeof(QuadVertex), &v[0].u);
    screen_state.batch_arrays = v;
  }
  gl.DrawElements(GL_TRIANGLES, quads * kIndicesPerQuad, GL_UNSIGNED_SHORT, indices.data());
}

bool quad_batching_enabled() { return batching; }

void quad_batching_set(bool on) {
  quad_batch_flush_pending();
  batching = on;
}

}  // namespace zrv
