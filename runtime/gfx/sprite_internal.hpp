// What the sprite store's own files share.
#pragma once

#include <cstdint>

#include "gfx/renderer.hpp"
#include "types/rt_array.hpp"

namespace zrv {

struct RtImage;

// The context's largest texture side, asked once per context (a large
// default without one: headless runs keep sizes only).
int32_t texture_limit(OpenGLVireo* r);
// The record's sizes for an image of image_w x image_h whose texture holds
// tex_w x tex_h of it.
void record_sizes_set(SpriteRecord& s, int32_t image_w, int32_t image_h, int32_t tex_w,
                      int32_t tex_h);
// Makes the image the picture of a slot that is free already.
bool sprite_upload(OpenGLVireo* r, int32_t id, RtImage& image, int32_t normal_map);
void pixel_copy_free(OpenGLVireo* r, int32_t id);
// The program's slots are 0..65503; the ones above hold the fonts and the
// runtime's scratch picture. False, with error 7 said, for any other.
bool program_slot(const char* command, int32_t id);
// Pixels as int32 0xAABBGGRR, row after row from the top.
void image_to_array(const RtImage& image, RtArray<int32_t>& pixels);

// The files pictures were loaded from, remembered while media are watched
// (--watch) so that a change reloads them into the same place.
void sprite_source_note(int32_t id, const RtString& resolved, int32_t color_key,
                        int32_t normal_map);
void sprite_source_forget(int32_t id);
void background_source_note(const RtString& resolved);
void background_source_forget();

}  // namespace zrv
