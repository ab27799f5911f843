// The GPU layer's textures and framebuffer objects: which texture each unit
// holds, the parameters each texture has, pictures in and out.
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/gpu_internal.hpp"

namespace zrv::gpu {

void unit_select(GpuState& s, int32_t unit) {
  if (s.active_unit == unit) return;
  gl_driver.ActiveTexture(GL_TEXTURE0 + unit);
  s.active_unit = unit;
}

void sampling_apply(GpuState& s, Texture texture, const Sampling& sampling) {
  auto known = s.sampling.find(texture);
  if (known != s.sampling.end() && known->second == sampling) return;
  const GlApi& g = gl_driver;
  const GLint filter = sampling.linear ? GL_LINEAR : GL_NEAREST;
  const GLint wrap = sampling.clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
  if (known == s.sampling.end() || known->second.linear != sampling.linear) {
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  }
  if (known == s.sampling.end() || known->second.clamp != sampling.clamp) {
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  }
  s.sampling[texture] = sampling;
}

void flush_if_sampled(GpuState& s, Texture texture) {
  for (int32_t i = 0; i < s.units_used; ++i) {
    if (s.units[i] == texture) {
      flush();
      return;
    }
  }
}

int32_t unit_take(GpuState& s, Texture texture, const Sampling& sampling) {
  if (texture == 0) return -1;
  for (int32_t i = 0; i < s.units_used; ++i) {
    if (s.units[i] != texture) continue;
    auto known = s.sampling.find(texture);
    if (known != s.sampling.end() && known->second == sampling) return i;
    // Its parameters change under the batch: what was drawn with the old
    // ones is drawn first.
    flush();
    break;
  }
  if (s.units_used == kUnits) flush();
  const int32_t unit = s.units_used++;
  const bool bound = s.units[unit] == texture;
  auto known = s.sampling.find(texture);
  if (bound && known != s.sampling.end() && known->second == sampling) return unit;
  unit_select(s, unit);
  if (!bound) {
    gl_driver.BindTexture(GL_TEXTURE_2D, texture);
    s.units[unit] = texture;
  }
  sampling_apply(s, texture, sampling);
  return unit;
}

void texture_work_bind(GpuState& s, Texture texture) {
  // Outside the batch's units; with all of them taken, after the batch.
  if (s.units_used == kUnits) flush();
  const int32_t unit = s.units_used;
  unit_select(s, unit);
  if (s.units[unit] != texture) {
    gl_driver.BindTexture(GL_TEXTURE_2D, texture);
    s.units[unit] = texture;
  }
}

Texture texture_create() {
  GpuState* s = state();
  if (s == nullptr) return 0;
  GLuint name = 0;
  gl_driver.GenTextures(1, &name);
  return name;
}

int32_t texture_size_limit() {
  if (state() == nullptr) return 0;
  GLint m = 0;
  gl_driver.GetIntegerv(GL_MAX_TEXTURE_SIZE, &m);
  return m;
}

void texture_delete(Texture texture) {
  GpuState* s = state();
  if (s == nullptr || texture == 0) return;
  flush_if_sampled(*s, texture);
  gl_driver.DeleteTextures(1, &texture);
  texture_forgotten(*s, texture);
  // Deleting unbinds it everywhere; the name may come back for another.
  for (Texture& t : s->units) {
    if (t == texture) t = 0;
  }
  s->sampling.erase(texture);
}

void texture_image(Texture texture, int32_t w, int32_t h, uint32_t format, const void* pixels,
                   const Sampling& sampling) {
  GpuState* s = state();
  if (s == nullptr || texture == 0) return;
  flush_if_sampled(*s, texture);
  texture_work_bind(*s, texture);
  sampling_apply(*s, texture, sampling);
  // OpenGL ES takes the format itself as the internal format.
  const GLint internal = s->es ? static_cast<GLint>(format) : GL_RGBA8;
  gl_driver.TexImage2D(GL_TEXTURE_2D, 0, internal, w, h, 0, format, GL_UNSIGNED_BYTE, pixels);
  TextureInfo& info = s->textures[texture];
  info.w = w;
  info.h = h;
  info.format = format;
  info.version = s->next_version++;
}

void texture_copy_framebuffer(Texture texture, int32_t x, int32_t y, int32_t w, int32_t h) {
  GpuState* s = state();
  if (s == nullptr || texture == 0) return;
  // The batch is part of the picture copied.
  flush();
  texture_work_bind(*s, texture);
  gl_driver.CopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x, y, w, h);
  texture_changed(*s, texture);
}

bool framebuffers_supported() {
  const GlApi& g = gl_driver;
  return state() != nullptr && g.GenFramebuffers != nullptr && g.DeleteFramebuffers != nullptr &&
         g.BindFramebuffer != nullptr && g.FramebufferTexture2D != nullptr &&
         g.CheckFramebufferStatus != nullptr;
}

bool texture_read(Texture texture, int32_t w, int32_t h, uint8_t* out) {
  GpuState* s = state();
  if (s == nullptr || texture == 0 || !framebuffers_supported()) return false;
  // Through a framebuffer of its own: the one way OpenGL ES reads a texture.
  const uint32_t before = s->framebuffer;
  const uint32_t fb = framebuffer_create();
  if (fb == 0) return false;
  framebuffer_bind(fb);
  framebuffer_attach(texture);
  const bool ok = framebuffer_status() == GL_FRAMEBUFFER_COMPLETE;
  if (ok) pixels_read(0, 0, w, h, GL_RGBA, out);
  framebuffer_bind(before);
  framebuffer_delete(fb);
  return ok;
}

uint32_t framebuffer_create() {
  if (!framebuffers_supported()) return 0;
  GLuint name = 0;
  gl_driver.GenFramebuffers(1, &name);
  return name;
}

void framebuffer_delete(uint32_t framebuffer) {
  GpuState* s = state();
  if (s == nullptr || framebuffer == 0 || gl_driver.DeleteFramebuffers == nullptr) return;
  if (s->framebuffer == framebuffer) framebuffer_bind(0);
  gl_driver.DeleteFramebuffers(1, &framebuffer);
  s->attached.erase(framebuffer);
}

void framebuffer_attach(Texture texture) {
  GpuState* s = state();
  if (s == nullptr || gl_driver.FramebufferTexture2D == nullptr) return;
  flush();
  // Bound once, a name is a texture (of no picture yet, perhaps).
  texture_work_bind(*s, texture);
  gl_driver.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  s->attached[s->framebuffer] = texture;
}

uint32_t depth_buffer_create() {
  const GlApi& g = gl_driver;
  if (state() == nullptr || g.GenRenderbuffers == nullptr || g.BindRenderbuffer == nullptr) {
    return 0;
  }
  GLuint name = 0;
  g.GenRenderbuffers(1, &name);
  if (name != 0) g.BindRenderbuffer(GL_RENDERBUFFER, name);
  return name;
}

bool depth_buffer_storage(uint32_t buffer, int32_t bits, int32_t w, int32_t h) {
  const GlApi& g = gl_driver;
  if (state() == nullptr || buffer == 0 || g.RenderbufferStorage == nullptr) return false;
  const GLenum format = bits >= 32   ? GL_DEPTH_COMPONENT32
                        : bits >= 24 ? GL_DEPTH_COMPONENT24
                                     : GL_DEPTH_COMPONENT16;
  while (g.GetError() != GL_NO_ERROR) {
  }
  g.BindRenderbuffer(GL_RENDERBUFFER, buffer);
  g.RenderbufferStorage(GL_RENDERBUFFER, format, w, h);
  return g.GetError() != GL_INVALID_ENUM;
}

void depth_buffer_attach(uint32_t buffer) {
  if (state() == nullptr || gl_driver.FramebufferRenderbuffer == nullptr) return;
  gl_driver.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffer);
}

void depth_buffer_delete(uint32_t buffer) {
  if (state() == nullptr || buffer == 0 || gl_driver.DeleteRenderbuffers == nullptr) return;
  gl_driver.DeleteRenderbuffers(1, &buffer);
}

uint32_t framebuffer_status() {
  if (state() == nullptr || gl_driver.CheckFramebufferStatus == nullptr) return 0;
  return gl_driver.CheckFramebufferStatus(GL_FRAMEBUFFER);
}

uint32_t error_take() { return state() != nullptr ? gl_driver.GetError() : GL_NO_ERROR; }

}  // namespace zrv::gpu
