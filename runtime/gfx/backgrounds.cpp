// What each frame starts from: the clear colour or background image 0, and
// the background images themselves.
#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/paths.hpp"
#include "gfx/draw.hpp"
#include "gfx/font.hpp"
#include "gfx/gpu.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprite_internal.hpp"
#include "gfx/sprites.hpp"

namespace zrv {

void color_buffer_clear(OpenGLVireo* r, bool colour, bool depth) {
  if (r == nullptr || !r->gl_ready) return;
  const float* c = screen_state.clear_color;
  if (gpu::alpha_writes()) {
    gpu::clear(c, colour, colour, depth);
    return;
  }
  // The window: its alpha is cleared to opaque even where the colour stays.
  const float opaque[4] = {c[0], c[1], c[2], 1.0f};
  gpu::clear(opaque, colour, true, depth);
}

void clear_color_apply(OpenGLVireo* r, int32_t color) {
  if (r == nullptr) return;
  if (color == -1) {
    r->clear_enabled = 0;
    return;
  }
  r->clear_enabled = 1;
  float* c = screen_state.clear_color;
  c[0] = (color & 0xFF) / 255.0f;
  c[1] = ((color >> 8) & 0xFF) / 255.0f;
  c[2] = ((color >> 16) & 0xFF) / 255.0f;
  c[3] = color == r->color_key ? 0.0f : 1.0f;
  color_buffer_clear(r, true, false);
}

void back_buffer_prepare(OpenGLVireo* r) {
  if (r == nullptr) return;
  // A new back buffer's alpha is undefined: it is cleared even where its
  // colour is kept.
  if (r->background_ids[0] < 0) {
    color_buffer_clear(r, r->clear_enabled != 0, r->depth_clear_pending != 0);
    r->depth_clear_pending = 0;
    return;
  }
  color_buffer_clear(r, false, false);
  background_draw(r, 0);
}

void background_draw(OpenGLVireo* r, int32_t index) {
  if (r == nullptr || !r->gl_ready || index < 0 || index >= kBackgroundCount) return;
  const int32_t id = r->background_ids[index];
  if (id < 0) return;
  if (screen_state.screen_scale > 1) color_buffer_clear(r, true, false);
  UntintedDrawing untinted(r);
  sprite_draw(id, 0, 0);
}

void background_load(const RtString& file) {
  OpenGLVireo* r = ctx.renderer;
  ctx.last_error = 0;
  if (r == nullptr) return;
  RtString path = file;
  const char* why = "no such file";
  if (path_resolve(path)) {
    why = background_load_file(r, 0, path.c_str());
    if (why == nullptr) {
      background_source_note(path);
      background_draw(r, 0);
      return;
    }
    path_resolved_release(path);
  }
  error_say(kErrNoSuchFile, "background_load: '%s': %s", file.c_str(), why);
  background_remove(r, 0);
  clear_color_apply(r, 0);
}

const char* background_load_file(OpenGLVireo* r, int32_t index, const char* path) {
  if (r == nullptr || index < 0 || index >= kBackgroundCount) return "no such background";
  RtImage image;
  if (const char* why = image_read(image, path, kNoColorKey)) return why;
  if (image.width == 0 || image.height == 0) return "an empty picture";
  int32_t& id = r->background_ids[index];
  if (id >= 0) sprite_delete(r, id);
  id = sprite_free_slot(r);
  if (id >= 0 && sprite_from_image(r, id, image, 0)) return nullptr;
  id = -1;
  return "no free sprite slot for it";
}

void background_grab() { background_grab_screen(ctx.renderer, 0); }

void background_grab_screen(OpenGLVireo* r, int32_t index) {
  if (r == nullptr || index < 0 || index >= kBackgroundCount) return;
  int32_t& id = r->background_ids[index];
  if (id >= 0) sprite_delete(r, id);
  id = sprite_free_slot(r);
  if (id < 0) return;
  screen_grab_to_sprite(r, id, 0, 0, r->virtual_width, r->virtual_height);
  if (r->sprites[id].image_width == 0) id = -1;
}

void background_remove(OpenGLVireo* r, int32_t index) {
  if (r == nullptr || index < 0 || index >= kBackgroundCount) return;
  if (index == 0) background_source_forget();
  int32_t& id = r->background_ids[index];
  if (id >= 0) sprite_delete(r, id);
  id = -1;
}

void screen_clear(int32_t color) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  background_remove(r, 0);
  clear_color_apply(r, color);
}

void screen_clear_setup(OpenGLVireo* r) {
  background_remove(r, 0);
  clear_color_apply(r, 0);
}

void screen_state_2d_setup(OpenGLVireo* r) {
  state_reset_2d(r);
  font_build_default(r, 0);
}

}  // namespace zrv
