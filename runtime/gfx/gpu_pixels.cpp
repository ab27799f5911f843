// The GPU layer's framebuffer: clears and read-back.
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/gpu_internal.hpp"

namespace zrv::gpu {

namespace {

void clear_color_set(GpuState& s, const float rgba[4]) {
  float* c = s.clear_color;
  if (c[0] == rgba[0] && c[1] == rgba[1] && c[2] == rgba[2] && c[3] == rgba[3]) return;
  gl_driver.ClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
  for (int i = 0; i < 4; ++i) c[i] = rgba[i];
}

}  // namespace

void clear(const float rgba[4], bool rgb, bool alpha, bool depth) {
  GpuState* s = state();
  if (s == nullptr || (!rgb && !alpha && !depth)) return;
  flush();
  framebuffer_drawn(*s);
  color_mask_set(*s, rgb, alpha);
  clear_color_set(*s, rgba);
  gl_driver.Clear(((rgb || alpha) ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0));
  color_mask_set(*s, true, s->alpha_writes == 1);
}

void pixel_clear(int32_t x, int32_t y, const float rgba[4]) {
  GpuState* s = state();
  if (s == nullptr) return;
  flush();
  framebuffer_drawn(*s);
  const GlApi& g = gl_driver;
  g.Enable(GL_SCISSOR_TEST);
  g.Scissor(x, y, 1, 1);
  clear_color_set(*s, rgba);
  g.Clear(GL_COLOR_BUFFER_BIT);
  g.Disable(GL_SCISSOR_TEST);
}

void pixels_read(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t format, void* out) {
  GpuState* s = state();
  if (s == nullptr || w <= 0 || h <= 0) return;
  flush();
  gl_driver.ReadPixels(x, y, w, h, format, GL_UNSIGNED_BYTE, out);
}

bool framebuffer_alpha() {
  GpuState* s = state();
  if (s == nullptr) return false;
  const GlApi& g = gl_driver;
  GLint bits = 0;
  while (g.GetError() != GL_NO_ERROR) {
  }
  g.GetIntegerv(GL_ALPHA_BITS, &bits);
  if (g.GetError() != GL_NO_ERROR && g.GetFramebufferAttachmentParameteriv != nullptr) {
    // A core context asks the attachment.
    const GLenum attachment = s->framebuffer != 0 ? GL_COLOR_ATTACHMENT0 : GL_BACK_LEFT;
    g.GetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment,
                                          GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE, &bits);
  }
  return bits > 0;
}

void finish() {
  if (state() == nullptr) return;
  flush();
  gl_driver.Finish();
}

}  // namespace zrv::gpu
