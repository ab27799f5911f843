// Off-screen targets: drawing redirected into a sprite's texture through a
// framebuffer object, with a fallback that draws on the back buffer and
// copies the result into the sprite.
#pragma once

#include <cstdint>

#include "gfx/renderer.hpp"

namespace zrv {

// The orientation kept while drawing into a target through the back-buffer
// fallback (which draws unrotated).
extern int32_t target_saved_orientation;

// Commands.
// Creates target index on sprite id with an empty (zero) picture of
// width x height; the texture is padded to powers of two.
void target_create(int32_t index, int32_t id, int32_t width, int32_t height);
// index >= 0 redirects drawing into that target, a negative index back to
// the screen; the viewport is re-applied either way.
void target_use(int32_t index);
// The highest index from 31 down that is not in use, -1 when none.
int32_t target_free_get();

// Renderer operations.
// Binds a framebuffer (0 = the window), with alpha writes for off-screen
// pictures only.
void framebuffer_bind(uint32_t name);
// Deletes the record's framebuffer and depth buffer and resets it.
void target_release(TargetRecord& t);
// Binds the record's framebuffer, remembering the binding to restore. False
// (and a log line) when it is bound already.
bool target_bind(TargetRecord& t);
void target_unbind(TargetRecord& t);
// Builds the record's framebuffer of width x height on a texture, trying
// 32, 24 and 16 bit depth and finally no depth buffer.
bool target_build(TargetRecord& t, int32_t width, int32_t height, uint32_t texture,
                  bool with_depth);
// Ends drawing into the current target: drawing goes to the screen again.
void target_end(OpenGLVireo* r);
void target_create(OpenGLVireo* r, int32_t index, int32_t id, int32_t width, int32_t height);
void target_use(OpenGLVireo* r, int32_t index);
// After slot id got a new texture (reloaded): a target drawing into it is
// rebuilt on the new texture.
void target_sprite_reloaded(OpenGLVireo* r, int32_t id);

}  // namespace zrv
