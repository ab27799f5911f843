#include "gfx/targets.hpp"

#include <cstdio>
#include <vector>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "gfx/collision.hpp"
#include "gfx/draw.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprites.hpp"

namespace zrv {

int32_t target_saved_orientation = 0;

namespace {

void log_line_f(const char* format, int32_t a, int32_t b = 0) {
  char line[128];
  std::snprintf(line, sizeof line, format, static_cast<int>(a), static_cast<int>(b));
  log_write(line);
}

// Smallest power of two at least size, and at least 2.
int32_t power_of_two_at_least(int32_t size) {
  int32_t p = 2;
  while (p < size && p < (1 << 30)) p *= 2;
  return p;
}

}  // namespace

void framebuffer_bind(uint32_t name) {
  gpu::framebuffer_bind(name);
  gpu::alpha_writes_set(name != 0);
}

void target_release(TargetRecord& t) {
  if (fbo_supported && t.saved_binding != -1) {
    framebuffer_bind(static_cast<GLuint>(t.saved_binding));
    t.saved_binding = -1;
  }
  if (t.fbo != 0) gpu::framebuffer_delete(static_cast<uint32_t>(t.fbo));
  if (t.depth_buffer != 0) gpu::depth_buffer_delete(static_cast<uint32_t>(t.depth_buffer));
  t = TargetRecord{};
}

bool target_bind(TargetRecord& t) {
  if (t.saved_binding != -1) {
    log_write("Trying to rebind the same FBO again. Need to end first\n");
    return false;
  }
  if (!gpu::framebuffers_supported()) return false;
  t.saved_binding = static_cast<int32_t>(gpu::framebuffer_bound());
  framebuffer_bind(static_cast<GLuint>(t.fbo));
  return true;
}

void target_unbind(TargetRecord& t) {
  if (fbo_supported && t.saved_binding != -1) {
    framebuffer_bind(static_cast<GLuint>(t.saved_binding));
    t.saved_binding = -1;
  }
}

bool target_build(TargetRecord& t, int32_t w, int32_t h, uint32_t texture, bool with_depth) {
  target_release(t);
  if (w < 1 || h < 1) {
    log_line_f("can't create FBO for neg dims %dx%d\n", w, h);
    return false;
  }
  if (!gpu::framebuffers_supported()) return false;
  const uint32_t fbo = gpu::framebuffer_create();
  if (fbo == 0) {
    log_write("glGenFramebuffersExt failed\n");
    return false;
  }
  t.fbo = static_cast<int32_t>(fbo);
  target_bind(t);
  gpu::framebuffer_attach(texture);
  if (with_depth) {
    const uint32_t rb = gpu::depth_buffer_create();
    if (rb == 0) {
      log_write("glGenRenderbuffersExt failed\n");
      target_release(t);
      return false;
    }
    t.depth_buffer = static_cast<int32_t>(rb);
    if (!gpu::depth_buffer_storage(rb, 32, w, h)) {
      log_write("depth 32 failed, try 24\n");
      if (!gpu::depth_buffer_storage(rb, 24, w, h)) {
        log_write("depth 32 failed, try 16\n");
        gpu::depth_buffer_storage(rb, 16, w, h);
      }
    }
    gpu::depth_buffer_attach(rb);
  }
  const uint32_t status = gpu::framebuffer_status();
  if (status == 0) {
    log_line_f("glCheckFramebufferStatusExt()=0: glError=%x\n",
               static_cast<int32_t>(gpu::error_take()));
  }
  target_unbind(t);
  if (status == GL_FRAMEBUFFER_COMPLETE) {
    t.width = w;
    t.height = h;
    return true;
  }
  log_line_f("glBindRenderbufferExt failed %x\n", static_cast<int32_t>(status));
  target_release(t);
  if (with_depth) {
    log_write("Trying without a depth buffer as a fallback...\n");
    return target_build(t, w, h, texture, false);
  }
  log_write("CAN'T CREATE FRAMEBUFFER (CREATESCREEN)\n");
  return false;
}

void target_end(OpenGLVireo* r) {
  if (r == nullptr || r->current_target < 0) return;
  TargetRecord& t = r->targets[r->current_target];
  // A collision mask taken while the target was drawn into is stale now.
  if (t.sprite >= 0) collision_mask_free(r, t.sprite);
  if (fbo_supported && t.saved_binding != -1) {
    target_unbind(t);
  } else if (r->gl_ready && t.sprite >= 0) {
    // The back-buffer fallback: the picture drawn on the screen goes into
    // the sprite, and the saved screen comes back.
    // The target's viewport sits at the window's bottom-left corner.
    const SpriteRecord& s = r->sprites[t.sprite];
    screen_grab_to_sprite(r, t.sprite, 0, r->height - s.image_height, s.image_width,
                          s.image_height);
    gpu::alpha_writes_set(false);
    rect_fill(0, 0, s.padded_width, s.padded_height, 0);
    UntintedDrawing untinted(r);
    sprite_draw(kTargetScratchSprite, 0, 0);
    sprite_delete(r, kTargetScratchSprite);
    // The target's alpha was drawn (and maybe cleared) in the window.
    color_buffer_clear(r, false, false);
    r->orientation = target_saved_orientation;
  }
  r->current_target = -1;
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
}

void target_create(OpenGLVireo* r, int32_t index, int32_t id, int32_t w, int32_t h) {
  if (r == nullptr || index < 0 || index >= kTargetCount) return;
  target_end(r);
  target_release(r->targets[index]);
  // The scratch slot of the fallback is not the program's.
  if (id >= kTargetScratchSprite) return;
  if (id >= 0) sprite_delete(r, id);
  if (w < 1 || h < 1 || id < 0) return;
  const int32_t pw = power_of_two_at_least(w), ph = power_of_two_at_least(h);
  if (pw > kImageMaxSide || ph > kImageMaxSide) return;
  SpriteRecord& s = r->sprites[id];
  if (r->gl_ready) {
    const std::vector<uint8_t> zero(static_cast<size_t>(pw) * ph * 4, 0);
    s.texture = gpu::texture_create();
    gpu::texture_image(s.texture, pw, ph, GL_RGBA, zero.data(), gpu::Sampling{true, false});
  }
  s.padded_width = static_cast<int16_t>(pw);
  s.padded_height = static_cast<int16_t>(ph);
  s.image_width = static_cast<int16_t>(w);
  s.image_height = static_cast<int16_t>(h);
  s.frame_width = s.frame_height = 0;
  s.u_max = static_cast<float>(w) / static_cast<float>(pw);
  s.v_max = static_cast<float>(h) / static_cast<float>(ph);
  if (!r->gl_ready) return;
  TargetRecord& t = r->targets[index];
  if (target_build(t, pw, ph, s.texture, true)) t.sprite = id;
}

void target_use(OpenGLVireo* r, int32_t index) {
  if (r == nullptr) return;
  target_end(r);
  if (index < 0 || index >= kTargetCount) return;
  TargetRecord& t = r->targets[index];
  if (t.fbo == 0 || t.sprite < 0) return;
  r->current_target = index;
  const SpriteRecord& s = r->sprites[t.sprite];
  const int32_t W = s.image_width, H = s.image_height;
  if (fbo_supported && target_bind(t)) {
    viewport_apply(r, 0, 0, W, H, 1.0f);
  } else if (r->gl_ready) {
    // Fallback on the back buffer: drawing goes to the target's viewport
    // (the window's bottom-left corner, unrotated); the screen there is kept
    // in the scratch slot and the target's picture drawn over it.
    target_saved_orientation = r->orientation;
    r->orientation = 0;
    viewport_apply(r, 0, 0, W, H, 1.0f);
    const int32_t key = r->color_key;
    r->color_key = -1;
    screen_grab_to_sprite(r, kTargetScratchSprite, 0, r->height - H, W, H);
    r->color_key = key;
    gpu::alpha_writes_set(true);
    // The colour key with alpha 0 is written as it is (a blended fill of a
    // clear colour would leave the screen showing through), so that parts
    // the target never drew come back clear when the area is grabbed.
    const int32_t blend = r->gpu.blend;
    gpu::blend_set(gpu::Blend::kOff);
    rect_fill(0, 0, W, H, r->color_key);
    if (blend >= 0) gpu::blend_set(static_cast<gpu::Blend>(blend));
    UntintedDrawing untinted(r);
    sprite_draw(t.sprite, 0, 0);
  } else {
    r->current_target = -1;
  }
  collision_mask_free(r, t.sprite);
}

void target_sprite_reloaded(OpenGLVireo* r, int32_t id) {
  if (r == nullptr || id < 0 || id >= kSpriteSlotCount) return;
  for (TargetRecord& t : r->targets) {
    if (t.fbo == 0 || t.sprite != id) continue;
    const SpriteRecord& s = r->sprites[id];
    if (s.texture == 0) continue;
    if (target_build(t, s.padded_width, s.padded_height, s.texture, true)) t.sprite = id;
  }
}

void target_create(int32_t index, int32_t id, int32_t width, int32_t height) {
  target_create(ctx.renderer, index, id, width, height);
}

void target_use(int32_t index) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  if (index < 0) {
    target_end(r);
  } else {
    target_use(r, index);
  }
  // A target that cannot be used leaves drawing on the screen, with the
  // logical screen's scale and offset.
  screen_state.target_in_use = r->current_target >= 0 ? index : -1;
  viewport_set(0, 0, 0, 0);
}

int32_t target_free_get() {
  const OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return -1;
  for (int32_t i = kTargetCount - 1; i >= 0; --i) {
    if (r->targets[i].fbo == 0 || r->targets[i].sprite < 0) return i;
  }
  return -1;
}

}  // namespace zrv
