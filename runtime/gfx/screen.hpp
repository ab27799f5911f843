// The 2D drawing surface: window placement and full screen, viewport and
// orthographic projection, the logical (scaled) screen, orientation, the 2D
// default state, clear colour and background images.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "base/screen_mapping.hpp"

namespace zrv {

class OpenGLVireo;

// Program-wide screen state.
struct ScreenState {
  float screen_scale = 0.0f;  // enlargement of the logical screen, 0 = none
  int32_t screen_offset_x = 0;
  int32_t screen_offset_y = 0;
  int32_t logical_width = 0;
  int32_t logical_height = 0;
  // The viewport in the logical screen's own pixels as it was asked for
  // (x, y, w, h), which the scaled window viewport cannot give back exactly.
  int32_t logical_viewport[4] = {0, 0, 0, 0};
  int32_t target_in_use = -1;  // off-screen target the commands use, -1 = screen
  // The clear colour; its alpha counts in off-screen targets only.
  float clear_color[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};
extern ScreenState screen_state;

// Clears the colour buffer to the clear colour (only its alpha when colour
// is false), and the depth buffer with depth. The window's alpha becomes 1
// (it is not part of the picture, so that grabs and saves of the screen copy
// no holes); an off-screen target takes the colour's alpha.
void color_buffer_clear(OpenGLVireo* r, bool colour, bool depth);

// Commands.
void screen_logical_set(double width, double height);
void viewport_set(int32_t x, int32_t y, int32_t w, int32_t h);
void viewport_get(int32_t* x, int32_t* y, int32_t* w, int32_t* h);
void viewport_get(double* x, double* y, double* w, double* h);
void screen_orientation_set(int32_t n);
int32_t screen_orientation_get();
void screen_size_get(int32_t* width, int32_t* height);
void screen_size_get(double* width, double* height);
void desktop_size_get(int32_t* width, int32_t* height);
void desktop_size_get(double* width, double* height);
void screen_clear(int32_t color);
void background_load(const RtString& file);
void background_grab();

// Renderer operations.
void screen_mode_apply(OpenGLVireo* r, int32_t width, int32_t height, int32_t color_depth,
                       int32_t full_screen);
void window_set_windowed(OpenGLVireo* r);
bool window_set_full_screen(OpenGLVireo* r);
void viewport_apply(OpenGLVireo* r, int32_t x, int32_t y, int32_t w, int32_t h, float zoom);
void state_reset_2d(OpenGLVireo* r);
void clear_color_apply(OpenGLVireo* r, int32_t color);
void back_buffer_prepare(OpenGLVireo* r);
const char* background_load_file(OpenGLVireo* r, int32_t index, const char* path);
void background_grab_screen(OpenGLVireo* r, int32_t index);
void background_remove(OpenGLVireo* r, int32_t index);
void background_draw(OpenGLVireo* r, int32_t index);
// The renderer's mapping of window pixels to the screen (see
// base/screen_mapping.hpp), and its three uses.
ScreenMapping renderer_screen_mapping(const OpenGLVireo* r);
void screen_point_map(const OpenGLVireo* r, int32_t x, int32_t y, int32_t* ox, int32_t* oy);
void screen_point_unmap(const OpenGLVireo* r, int32_t x, int32_t y, int32_t* ox, int32_t* oy);
void screen_vector_map(const OpenGLVireo* r, int32_t dx, int32_t dy, int32_t* ox, int32_t* oy);

// The logical screen's snapped scale for a fit factor A.
float screen_scale_snap(float a);

// Start-up steps "clear screen" (no background, black, clearing on) and
// "mk2D" (2D state and projection).
void screen_clear_setup(OpenGLVireo* r);
void screen_state_2d_setup(OpenGLVireo* r);

}  // namespace zrv
