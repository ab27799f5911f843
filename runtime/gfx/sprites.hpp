// The sprite store: numbered slots holding OpenGL textures, loading from
// image files, sprite sheets, pixel arrays, screen grabs, read-back and
// saving.
#pragma once

#include <cstdint>
#include <string>

#include "base/rt_string.hpp"
#include "gfx/renderer.hpp"
#include "types/rt_array.hpp"

namespace zrv {

struct RtImage;

// Commands.
// Loads an image file into slot id. The slot is freed first; a file that is
// missing or cannot be decoded reports error 3 and leaves the slot free. An
// empty name only frees the slot.
void sprite_load(const RtString& file, int32_t id);
void sprite_load_normal_map(const RtString& file, int32_t id);
// sprite_load, then the frame size when the slot holds an image.
void sprite_load_sheet(const RtString& file, int32_t id, int32_t frame_width, int32_t frame_height);
void sprite_set_frames(int32_t id, int32_t frame_width, int32_t frame_height);
void sprite_size_get(int32_t id, int32_t* width, int32_t* height);
void sprite_size_get(int32_t id, double* width, double* height);
// Highest free slot from 65503 down, -1 when none.
int32_t sprite_free_get();
uint32_t sprite_texture_get(int32_t id);
void sprite_delete_all();
// Pixels are int32 0xAABBGGRR, row after row from the top.
bool sprite_from_array(RtArray<int32_t>& pixels, int32_t id, int32_t width, int32_t height);
bool sprite_to_array(RtArray<int32_t>& pixels, int32_t id);
bool image_file_to_array(const RtString& file, int32_t* width, int32_t* height,
                         RtArray<int32_t>& pixels);
void sprite_grab(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height);
void color_key_set(int32_t color);
// Image files of a sprite and of the window (PNG, JPEG or BMP by the name);
// error 3 when saving fails.
bool sprite_save(int32_t id, const RtString& file);
bool screen_save(const RtString& file);

// Whether a slot holds an image (the slot is not free).
bool sprite_slot_used(int32_t id);
// Highest free slot from 65503 down other than except, -1 when none.
int32_t sprite_free_slot(const OpenGLVireo* r, int32_t except = -1);

// Puts the picture of a watched file that changed on disk into every slot
// (and the background) loaded from it, frame sizes kept. The number of
// places reloaded; a file that does not decode leaves the old pictures and
// says why.
int32_t pictures_reload_file(const std::string& path, std::string* why);

// Renderer operations.
void sprite_delete(OpenGLVireo* r, int32_t id);
bool sprite_from_image(OpenGLVireo* r, int32_t id, RtImage& image, int32_t normal_map);
// Uploads the rectangle (x0, y0, w, h) of the image (w or h 0: to the
// image's edge) into record's texture, padded and flipped.
bool texture_create(OpenGLVireo* r, const RtImage& image, int32_t x0, int32_t y0, int32_t w,
                    int32_t h, SpriteRecord* record, int32_t normal_map, int32_t nearest);
bool sprite_read_back(OpenGLVireo* r, int32_t id, RtImage& image);
void screen_grab_to_sprite(OpenGLVireo* r, int32_t id, int32_t x, int32_t y, int32_t w, int32_t h);
void alpha_bleed(RtImage& image);
// Decodes a picture file as sprites take it: the colour key made
// transparent, and a picture without alpha bled at its edges. Null, or why
// it could not be read.
const char* picture_read(RtImage& image, const char* path, int32_t color_key);
void normal_map_convert(uint8_t* pixels, int32_t width, int32_t height);

// Texture size of an image side: powers of two from 16 up.
int32_t padded_size(int32_t size);
// The off-screen target that draws into sprite id, -1 when none.
int32_t target_of_sprite(const OpenGLVireo* r, int32_t id);

}  // namespace zrv
