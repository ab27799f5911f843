#include "gfx/renderer.hpp"

#include "app/frame.hpp"

namespace zrv {

double frame_interval_for(double fps) {
  int32_t whole = static_cast<int32_t>(fps);
  return whole > 0 ? 1000.0 / whole : 2.0;
}

OpenGLVireo* renderer_create() { return new OpenGLVireo(); }

void renderer_destroy(OpenGLVireo* renderer) { delete renderer; }

int32_t window_create(OpenGLVireo* renderer, int32_t width, int32_t height, int32_t depth,
                      int32_t frame_rate, int32_t multisample, int32_t full_screen) {
  if (renderer == nullptr) return -1;
  renderer->width = width;
  renderer->height = height;
  renderer->multisample = multisample;
  renderer->full_screen = full_screen;
  // The first clock reading of the run: the frame schedule starts here.
  renderer->frame_due = timer_elapsed_ms();
  renderer->frame_interval = frame_interval_for(frame_rate);
  return 0;
}

void window_destroy(OpenGLVireo* renderer) {
  if (renderer) renderer->window = nullptr;
}

void window_hide(OpenGLVireo* renderer) {}

void window_set_title(OpenGLVireo* renderer, const char* title) {}

void window_apply_mode(OpenGLVireo* renderer, int32_t full_screen) {
  if (renderer) renderer->full_screen = full_screen;
}

void renderer_end_target_redirect(OpenGLVireo* renderer) {}

void renderer_swap_buffers(OpenGLVireo* renderer) {}

void renderer_set_swap_interval(OpenGLVireo* renderer, int32_t interval) {}

void back_buffer_prepare(OpenGLVireo* renderer) {}

void renderer_reset_2d_state(OpenGLVireo* renderer) {}

void window_activate(OpenGLVireo* renderer) {}

}  // namespace zrv
