// The sprite slots: loading pictures into them, their sizes and frames,
// freeing them, and the colour key.
#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/paths.hpp"
#include "gfx/gpu.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprite_internal.hpp"
#include "gfx/sprites.hpp"

namespace zrv {

void pixel_copy_free(OpenGLVireo* r, int32_t id) {
  delete[] r->pixel_copies[id];
  r->pixel_copies[id] = nullptr;
}

int32_t target_of_sprite(const OpenGLVireo* r, int32_t id) {
  for (int32_t i = 0; i < kTargetCount; ++i) {
    if (r->targets[i].fbo != 0 && r->targets[i].sprite == id) return i;
  }
  return -1;
}

bool sprite_slot_used(int32_t id) {
  const OpenGLVireo* r = ctx.renderer;
  return r != nullptr && sprite_id_valid(id) && r->sprites[id].image_width > 0;
}

void sprite_delete(OpenGLVireo* r, int32_t id) {
  if (r == nullptr || !sprite_id_valid(id)) return;
  sprite_source_forget(id);
  pixel_copy_free(r, id);
  SpriteRecord& s = r->sprites[id];
  if (s.texture != 0 && r->gl_ready) gpu::texture_delete(s.texture);
  s.texture = 0;
  s.u_max = 1.0f;
  s.v_max = 1.0f;
  s.padded_width = -1;
  s.padded_height = -1;
  s.image_width = 0;
  s.image_height = 0;
}

bool program_slot(const char* command, int32_t id) {
  if (id >= 0 && id <= kLastProgramSprite) return true;
  if (id > kLastProgramSprite && id < kSpriteSlotCount) {
    error_say(kErrOutOfMemory,
              "%s: slot %d is reserved (%d.. hold the fonts); program slots are 0..%d", command, id,
              kFirstFontSprite, kLastProgramSprite);
  } else {
    error_say(kErrOutOfMemory, "%s: slot %d out of range 0..%d", command, id, kLastProgramSprite);
  }
  return false;
}

namespace {

void sprite_load_with(const char* command, const RtString& file, int32_t id, int32_t normal_map) {
  ctx.last_error = 0;
  if (!program_slot(command, id)) return;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) {
    if (!file.empty())
      error_say(kErrNoSuchFile, "%s: '%s': the runtime has not started", command, file.c_str());
    return;
  }
  // A failed load leaves the slot free, as an empty name does.
  sprite_delete(r, id);
  if (file.empty()) return;
  RtString path = file;
  if (!path_resolve(path)) {
    error_say(kErrNoSuchFile, "%s: '%s': no such file", command, file.c_str());
    return;
  }
  RtImage image;
  if (const char* why = picture_read(image, path.c_str(), r->color_key)) {
    path_resolved_release(path);
    error_say(kErrNoSuchFile, "%s: '%s': %s", command, file.c_str(), why);
    return;
  }
  if (!sprite_upload(r, id, image, normal_map)) {
    error_say(kErrNoSuchFile, "%s: '%s': no texture could be made of it", command, file.c_str());
    return;
  }
  sprite_source_note(id, path, r->color_key, normal_map);
}

}  // namespace

void sprite_load(const RtString& file, int32_t id) { sprite_load_with("sprite_load", file, id, 0); }

void sprite_load_normal_map(const RtString& file, int32_t id) {
  sprite_load_with("sprite_load_normal_map", file, id, 1);
}

void sprite_load_sheet(const RtString& file, int32_t id, int32_t frame_width,
                       int32_t frame_height) {
  sprite_load(file, id);
  if (sprite_slot_used(id)) sprite_set_frames(id, frame_width, frame_height);
}

void sprite_set_frames(int32_t id, int32_t frame_width, int32_t frame_height) {
  ctx.last_error = 0;
  if (!sprite_slot_used(id)) return;
  SpriteRecord& s = ctx.renderer->sprites[id];
  s.frame_width = static_cast<int16_t>(frame_width);
  s.frame_height = static_cast<int16_t>(frame_height);
}

void sprite_size_get(int32_t id, int32_t* width, int32_t* height) {
  ctx.last_error = 0;
  *width = *height = 0;
  const OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || !sprite_id_valid(id)) return;
  *width = r->sprites[id].image_width;
  *height = r->sprites[id].image_height;
}

void sprite_size_get(int32_t id, double* width, double* height) {
  int32_t w, h;
  sprite_size_get(id, &w, &h);
  *width = w;
  *height = h;
}

int32_t sprite_free_slot(const OpenGLVireo* r, int32_t except) {
  if (r == nullptr) return -1;
  for (int32_t id = kLastProgramSprite; id >= 0; --id) {
    if (id != except && r->sprites[id].image_width == 0) return id;
  }
  return -1;
}

int32_t sprite_free_get() {
  ctx.last_error = 0;
  return sprite_free_slot(ctx.renderer);
}

uint32_t sprite_texture_get(int32_t id) {
  ctx.last_error = 0;
  const OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || !sprite_id_valid(id)) return 0;
  return r->sprites[id].texture;
}

void sprite_delete_all() {
  ctx.last_error = 0;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  for (int32_t id = 0; id <= 65535; ++id) sprite_delete(r, id);
  for (int32_t i = 0; i < kBackgroundCount; ++i) background_remove(r, i);
}

void color_key_set(int32_t color) {
  ctx.last_error = 0;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  r->color_key = color;
  r->font_color_key = color;
}

}  // namespace zrv
