// The renderer object: owns the window, its OpenGL context and the 2D tables.
#pragma once

#include <cstdint>

#include "platform/platform.hpp"

namespace zrv {

class OpenGLVireo {
public:
  platform::Window* window = nullptr;
  double frame_interval = 1000.0 / 60.0;  // ms between frames
  double frame_due = 0.0;                 // runtime clock time the current frame is due
  int32_t width = 0;
  int32_t height = 0;
  int32_t full_screen = 0;
  int32_t multisample = 0;
};

OpenGLVireo* renderer_create();
void renderer_destroy(OpenGLVireo* renderer);

// Creates the window and its context and starts the frame schedule. Returns
// 0 on success. Without a display (headless) there is no window, but the
// frame schedule and every table exist.
int32_t window_create(OpenGLVireo* renderer, int32_t width, int32_t height, int32_t depth,
                      int32_t frame_rate, int32_t multisample, int32_t full_screen);
void window_destroy(OpenGLVireo* renderer);
void window_hide(OpenGLVireo* renderer);
void window_set_title(OpenGLVireo* renderer, const char* title);
// Windowed placement or the full-screen display mode.
void window_apply_mode(OpenGLVireo* renderer, int32_t full_screen);
// Frame presentation (the frame loop calls these in its order).
// Ends drawing into an off-screen target so that drawing goes to the screen.
void renderer_end_target_redirect(OpenGLVireo* renderer);
void renderer_swap_buffers(OpenGLVireo* renderer);
void renderer_set_swap_interval(OpenGLVireo* renderer, int32_t interval);
// Background image or clear of the new back buffer.
void back_buffer_prepare(OpenGLVireo* renderer);
// Viewport, alpha test, blending and colour back to their per-frame state.
void renderer_reset_2d_state(OpenGLVireo* renderer);
// Brings the window to the front and makes it active.
void window_activate(OpenGLVireo* renderer);

// Frame interval rule shared by window creation and frame_rate_set.
double frame_interval_for(double fps);

}  // namespace zrv
