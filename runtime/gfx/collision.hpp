// Sprite collision: rectangles first, then pixel by pixel through alpha
// masks read back from the textures (made on the first test that needs
// them and kept as the sprite's pixel copy).
#pragma once

#include <cstdint>

namespace zrv {

class OpenGLVireo;

// Commands.
// Whether the whole sprites id1 at (x1, y1) and id2 at (x2, y2) share an
// opaque pixel.
bool sprite_collision(int32_t id1, int32_t x1, int32_t y1, int32_t id2, int32_t x2, int32_t y2);
// The same for one frame of each sheet, each drawn as sprite_draw_frame
// draws it; a sprite without frame size takes part whole.
bool sprite_frame_collision(int32_t id1, int32_t frame1, int32_t x1, int32_t y1, int32_t id2,
                            int32_t frame2, int32_t x2, int32_t y2);

// Renderer operations.
// Whether a pixel of [left, right) x [top, bottom) is opaque in both sprites,
// whose images have their top-left corners at (ox1, oy1) and (ox2, oy2).
bool pixel_overlap(OpenGLVireo* r, int32_t id1, int64_t ox1, int64_t oy1, int32_t id2, int64_t ox2,
                   int64_t oy2, int64_t left, int64_t top, int64_t right, int64_t bottom);
// Drops a sprite's alpha mask (its picture changed).
void collision_mask_free(OpenGLVireo* r, int32_t id);
// Whether the sprite has an alpha mask now.
bool collision_mask_present(const OpenGLVireo* r, int32_t id);

}  // namespace zrv
