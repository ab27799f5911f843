#include "gfx/targets.hpp"

#include "app/errors.hpp"
#include "gfx/draw.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprites.hpp"

namespace zrv {

int32_t target_saved_orientation = 0;

void target_release(TargetRecord& t) {
  if (fbo_supported && t.saved_binding != -1) {
    gl_ext.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(t.saved_binding));
    t.saved_binding = -1;
  }
  if (t.fbo != 0 && gl_ext.glDeleteFramebuffersEXT) {
    GLuint name = static_cast<GLuint>(t.fbo);
    gl_ext.glDeleteFramebuffersEXT(1, &name);
  }
  if (t.depth_buffer != 0 && gl_ext.glDeleteRenderbuffersEXT) {
    GLuint name = static_cast<GLuint>(t.depth_buffer);
    gl_ext.glDeleteRenderbuffersEXT(1, &name);
  }
  t = TargetRecord{};
}

bool target_bind(TargetRecord& t) {
  if (t.saved_binding != -1) {
    log_write("Trying to rebind the same FBO again. Need to end first\n");
    return false;
  }
  GLint current = 0;
  gl.GetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &current);
  t.saved_binding = current;
  gl_ext.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(t.fbo));
  return true;
}

void target_unbind(TargetRecord& t) {
  if (fbo_supported && t.saved_binding != -1) {
    gl_ext.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(t.saved_binding));
    t.saved_binding = -1;
  }
}

void target_end(OpenGLVireo* r) {
  if (r == nullptr || r->current_target < 0) return;
  TargetRecord& t = r->targets[r->current_target];
  if (fbo_supported && t.saved_binding != -1) {
    target_unbind(t);
  } else if (r->gl_ready && t.sprite >= 0) {
    // The back-buffer fallback: the picture drawn on the screen goes into
    // the sprite, and the saved screen (scratch sprite 65503) comes back.
    const SpriteRecord& s = r->sprites[t.sprite];
    screen_grab_to_sprite(r, t.sprite, 0, 0, s.image_width, s.image_height);
    rect_fill(0, 0, s.padded_width, s.padded_height, 0);
    sprite_draw(kLastProgramSprite, 0, 0);
    r->orientation = target_saved_orientation;
  }
  r->current_target = -1;
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
}

}  // namespace zrv
