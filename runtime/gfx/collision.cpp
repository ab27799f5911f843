#include "gfx/collision.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/context.hpp"
#include "gfx/gpu.hpp"
#include "gfx/renderer.hpp"

namespace zrv {

namespace {

// A mask block: width and height (int32 each), then one alpha byte per
// texel in texture row order (row 0 = the image's bottom row).
constexpr size_t kMaskHeader = 8;

const uint8_t* mask_make(OpenGLVireo* r, int32_t id) {
  if (r->pixel_copies[id] != nullptr) return r->pixel_copies[id];
  const SpriteRecord& s = r->sprites[id];
  if (!r->gl_ready || s.texture == 0) return nullptr;
  // The whole texture, as large as the record says it was made.
  const int32_t w = s.padded_width, h = s.padded_height;
  if (w < 1 || h < 1) return nullptr;
  const size_t texels = static_cast<size_t>(w) * static_cast<size_t>(h);
  std::vector<uint8_t> rgba(texels * 4);
  if (!gpu::texture_read(s.texture, w, h, rgba.data())) return nullptr;
  uint8_t* block = new uint8_t[kMaskHeader + std::max<size_t>(texels, 64)]();
  const int32_t size[2] = {w, h};
  std::memcpy(block, size, sizeof size);
  for (size_t i = 0; i < texels; ++i) block[kMaskHeader + i] = rgba[i * 4 + 3];
  r->pixel_copies[id] = block;
  return block;
}

// Positions are 64-bit: a sprite near the end of the int32 range still
// has its right and bottom edges.
struct Mask {
  const uint8_t* alpha;
  int32_t width, height, image_height;
  int64_t ox, oy;
  bool solid(int64_t x, int64_t y) const {
    const int64_t col = x - ox;
    const int64_t row = image_height - 1 - (y - oy);
    if (col < 0 || col >= width || row < 0 || row >= height) return false;
    return alpha[static_cast<size_t>(row) * width + col] != 0;
  }
};

bool mask_of(OpenGLVireo* r, int32_t id, int64_t ox, int64_t oy, Mask* m) {
  const uint8_t* block = mask_make(r, id);
  if (block == nullptr) return false;
  int32_t size[2];
  std::memcpy(size, block, sizeof size);
  *m = Mask{block + kMaskHeader, size[0], size[1], r->sprites[id].image_height, ox, oy};
  return true;
}

struct Box {
  int64_t x, y, w, h, ox, oy;
};

Box frame_box(const SpriteRecord& s, int32_t frame, int32_t x, int32_t y) {
  const int64_t fw = s.frame_width, fh = s.frame_height;
  if (fw <= 0 || fh <= 0) return {x, y, s.image_width, s.image_height, x, y};
  const int64_t per_row = std::max<int64_t>(1, s.image_width / fw);
  const int64_t column = frame % per_row, row = frame / per_row;
  return {x, y, fw, fh, x - fw * column, y - fh * row};
}

bool boxes_overlap(OpenGLVireo* r, int32_t id1, const Box& a, int32_t id2, const Box& b) {
  const int64_t left = std::max(a.x, b.x), right = std::min(a.x + a.w, b.x + b.w);
  const int64_t top = std::max(a.y, b.y), bottom = std::min(a.y + a.h, b.y + b.h);
  if (right < left || bottom < top) return false;
  return pixel_overlap(r, id1, a.ox, a.oy, id2, b.ox, b.oy, left, top, right, bottom);
}

}  // namespace

void collision_mask_free(OpenGLVireo* r, int32_t id) {
  if (r == nullptr || r->pixel_copies == nullptr || !sprite_id_valid(id)) return;
  delete[] r->pixel_copies[id];
  r->pixel_copies[id] = nullptr;
}

bool collision_mask_present(const OpenGLVireo* r, int32_t id) {
  return r != nullptr && r->pixel_copies != nullptr && sprite_id_valid(id) &&
         r->pixel_copies[id] != nullptr;
}

bool pixel_overlap(OpenGLVireo* r, int32_t id1, int64_t ox1, int64_t oy1, int32_t id2, int64_t ox2,
                   int64_t oy2, int64_t left, int64_t top, int64_t right, int64_t bottom) {
  if (r == nullptr || !sprite_id_valid(id1) || !sprite_id_valid(id2)) return false;
  if (left >= right || top >= bottom) return false;
  Mask a, b;
  if (!mask_of(r, id1, ox1, oy1, &a) || !mask_of(r, id2, ox2, oy2, &b)) return false;
  const int64_t cx = left + (right - left) / 2, cy = top + (bottom - top) / 2;
  if (a.solid(cx, cy) && b.solid(cx, cy)) return true;
  // Coarse to fine: every other pixel first, so that a large overlap is
  // found early.
  for (int32_t pass = 0; pass < 4; ++pass) {
    const int32_t dy = pass / 2, dx = pass % 2;
    for (int64_t y = top + dy; y < bottom; y += 2) {
      for (int64_t x = left + dx; x < right; x += 2) {
        if (a.solid(x, y) && b.solid(x, y)) return true;
      }
    }
  }
  return false;
}

bool sprite_collision(int32_t id1, int32_t x1, int32_t y1, int32_t id2, int32_t x2, int32_t y2) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || !sprite_id_valid(id1) || !sprite_id_valid(id2)) return false;
  const SpriteRecord& s1 = r->sprites[id1];
  const SpriteRecord& s2 = r->sprites[id2];
  const Box a{x1, y1, s1.image_width, s1.image_height, x1, y1};
  const Box b{x2, y2, s2.image_width, s2.image_height, x2, y2};
  return boxes_overlap(r, id1, a, id2, b);
}

bool sprite_frame_collision(int32_t id1, int32_t frame1, int32_t x1, int32_t y1, int32_t id2,
                            int32_t frame2, int32_t x2, int32_t y2) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || !sprite_id_valid(id1) || !sprite_id_valid(id2)) return false;
  return boxes_overlap(r, id1, frame_box(r->sprites[id1], frame1, x1, y1), id2,
                       frame_box(r->sprites[id2], frame2, x2, y2));
}

}  // namespace zrv
