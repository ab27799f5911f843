// The quad batch: the 2D drawing commands (sprites, frames, their stretched,
// zoomed and rotated forms, text, filled rectangles) do not draw their quads
// one by one; they append them here, and one call draws all of them.
//
// The rule that keeps the picture the same: the quads waiting in the batch
// share every piece of OpenGL state, because nothing changes the state while
// any are waiting. Every function of the `gl` table draws the batch before
// it does its own work, so a state change (binding, filtering, wrap mode,
// blending, colour, matrices, client arrays), a read-back (pixels, grabs,
// texture images), a texture upload or deletion and any other direct use of
// OpenGL sees the picture complete. The state caches make no OpenGL call
// while the state stays as it is, which is what lets a run of quads grow.
// What goes past the `gl` table draws the batch itself: the buffer swap,
// the framebuffer and texture-unit calls of `gl_ext`, and the video player.
//
// ZRV_NO_BATCH=1 in the environment draws every quad at once (the same
// triangles, one call each), for comparing pictures.
#pragma once

#include <cstdint>

namespace zrv {

struct QuadVertex {
  float x, y, u, v;
};

// The most quads one call draws; a full batch is drawn before it grows.
constexpr int32_t kQuadBatchCapacity = 16384;

// Quads waiting (0 when the batch is empty).
extern int32_t quad_batch_count;

// Appends the quad of the triangle fan v[0..3], triangles (0, 1, 2) and
// (0, 2, 3) as a fan gives them.
void quad_batch_add_fan(const QuadVertex v[4]);
// Appends the quad of the triangle strip v[0..3], triangles (0, 1, 2) and
// (2, 1, 3) as a strip gives them.
void quad_batch_add_strip(const QuadVertex v[4]);
// Draws the waiting quads with one call and empties the batch.
void quad_batch_flush();
// The check inline: every call through the GL function table asks.
inline void quad_batch_flush_pending() {
  if (quad_batch_count != 0) quad_batch_flush();
}

// Batching on (the default, unless ZRV_NO_BATCH is set) or off.
bool quad_batching_enabled();
void quad_batching_set(bool on);

}  // namespace zrv
