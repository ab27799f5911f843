// The modes every drawing follows: blending and translucency, the alpha
// test, texture filtering, the drawing colour, and the 2D state they start
// from.
#include <cmath>

#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/gpu.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"

namespace zrv {

namespace {

// A colour 0x00BBGGRR as red, green and blue from 0 to 1.
void channels_of(int32_t color, float out[3]) {
  for (int32_t i = 0; i < 3; ++i) out[i] = ((color >> (8 * i)) & 0xFF) / 255.0f;
}

}  // namespace

OpenGLVireo* drawing_renderer() {
  OpenGLVireo* r = ctx.renderer;
  return r != nullptr && r->gl_ready ? r : nullptr;
}

gpu::Sampling sprite_sampling(const OpenGLVireo* r, bool clamp) {
  return gpu::Sampling{r->smooth != 0, clamp};
}

void textured_color_set(const OpenGLVireo* r) {
  gpu::color_set(r->tint[0], r->tint[1], r->tint[2], r->tint[3] * r->current_alpha);
}

void text_color_apply(const OpenGLVireo* r) {
  gpu::color_set(r->text_color[0], r->text_color[1], r->text_color[2], r->current_alpha);
}

UntintedDrawing::UntintedDrawing(OpenGLVireo* r) : r_(r) {
  for (int32_t i = 0; i < 4; ++i) {
    saved_[i] = r->tint[i];
    r->tint[i] = 1.0f;
  }
}

UntintedDrawing::~UntintedDrawing() {
  for (int32_t i = 0; i < 4; ++i) r_->tint[i] = saved_[i];
}

void sprite_tint_set(int32_t color, int32_t alpha) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  const int32_t a = alpha < 0 ? 0 : alpha > 255 ? 255 : alpha;
  channels_of(color, r->tint);
  r->tint[3] = a / 255.0f;
}

void text_color_set(int32_t color) {
  OpenGLVireo* r = ctx.renderer;
  if (r != nullptr) channels_of(color, r->text_color);
}

void primitive_color_set(const OpenGLVireo* r, int32_t color) {
  float c[3];
  channels_of(color, c);
  gpu::color_set(c[0], c[1], c[2], color == r->color_key ? 0.0f : r->current_alpha);
}

void draw_modes_reset(OpenGLVireo* r) {
  gpu::alpha_test_set(1.0f);
  r->alpha_threshold = 1.0f;
  gpu::blend_set(gpu::Blend::kAlpha);
  r->current_alpha = 1.0f;
  gpu::color_set(1, 1, 1, 1);
}

void blend_alpha(double value) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  const float a = static_cast<float>(value);
  gpu::blend_set(a == 0 ? gpu::Blend::kOff : a > 0 ? gpu::Blend::kAdd : gpu::Blend::kAlpha);
  const float magnitude = std::fabs(a);
  r->current_alpha = a == 0 ? 1.0f : (magnitude < 1 ? magnitude : 1.0f);
  gpu::color_set(1, 1, 1, r->current_alpha);
}

void alpha_test_set(double threshold) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  r->alpha_threshold = threshold >= 1 ? 1.0f : static_cast<float>(threshold);
  gpu::alpha_test_set(r->alpha_threshold);
}

void smooth_set(int32_t flag) {
  if (ctx.renderer) ctx.renderer->smooth = flag != 0;
}

void state_reset_2d(OpenGLVireo* r) {
  if (r == nullptr) return;
  // Whatever the layer knew may have been changed behind it.
  gpu::state_forget();
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
  gpu::alpha_writes_set(r->current_target >= 0);
  r->smooth = 1;
  draw_modes_reset(r);
}

void renderer_reset_2d_state(OpenGLVireo* r) {
  if (r == nullptr) return;
  viewport_set(0, 0, 0, 0);
  back_buffer_prepare(r);
  draw_modes_reset(r);
}

}  // namespace zrv
