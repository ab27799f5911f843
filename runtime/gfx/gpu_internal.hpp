// What the GPU layer's own files share: the vertex format of the shaders
// and the helpers that keep the bound state in the record.
#pragma once

#include <cstdint>

#include "gfx/gpu.hpp"

namespace zrv::gpu {

// Attribute locations and the vertex format: x, y, projected (1 when x and
// y are clip coordinates already), u, v, r, g, b, a, unit (-1: none).
constexpr uint32_t kAttribPosition = 0;
constexpr uint32_t kAttribTexcoord = 1;
constexpr uint32_t kAttribColor = 2;
constexpr uint32_t kAttribUnit = 3;
constexpr int32_t kVertexFloats = 10;

// The program for a batch sampling `units` textures (0: colour alone).
int32_t program_for_units(int32_t units);
// Makes program p current with the uniforms of the state.
void program_use(GpuState& s, int32_t p);
// Points the vertex attributes into the vertex buffer.
void vertex_format_bind(GpuState& s);

// The colour mask (the red, green and blue bits together).
void color_mask_set(GpuState& s, bool rgb, bool alpha);
// Selects a texture unit for the calls that follow.
void unit_select(GpuState& s, int32_t unit);
// Binds a texture on a unit of its own outside the batch (unit 0 after a
// flush) for a change of its picture or parameters.
void texture_work_bind(GpuState& s, Texture texture);
// Gives the texture bound on the selected unit the sampling asked for.
void sampling_apply(GpuState& s, Texture texture, const Sampling& sampling);
// The unit texture samples in the batch, binding it when it is new to the
// batch; draws the batch first when a ninth texture comes or when a texture
// of the batch must change its sampling.
int32_t unit_take(GpuState& s, Texture texture, const Sampling& sampling);
// Draws the batch first when it samples the texture.
void flush_if_sampled(GpuState& s, Texture texture);
// Puts a quad into the batch as it is (quad() routes it through the atlas
// first).
void quad_add(GpuState& s, Texture texture, const Sampling& sampling, const Corner c[4],
              QuadOrder order, bool projected);

// The atlas (gpu_atlas.cpp). A quad's texture, sampling and coordinates as
// the atlas draws them, when it can; false leaves them as they are.
void atlas_begin(GpuState& s);
bool atlas_route(GpuState& s, Texture* texture, Sampling* sampling, Corner c[4], bool projected);
// A texture's picture changed (its copies are old), or it is gone.
void texture_changed(GpuState& s, Texture texture);
void texture_forgotten(GpuState& s, Texture texture);
// The bound framebuffer was drawn into: its texture changed.
void framebuffer_drawn(GpuState& s);

}  // namespace zrv::gpu
