// The 2D drawing surface: window placement and full screen, viewport and
// orthographic projection, the logical (scaled) screen, orientation, the 2D
// default state with its capability and colour caches, clear colour and
// background images.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "base/screen_mapping.hpp"

namespace zrv {

class OpenGLVireo;

// Tracked OpenGL capabilities (entries of the capability cache).
enum GlCap : int32_t {
  kCapBlend,
  kCapAlphaTest,
  kCapColorMaterial,
  kCapCullFace,
  kCapLighting,
  kCapStencilTest,
  kCapDepthTest,
  kCapFog,
  kCapDither,
  kCapLineSmooth,
  kCapPointSmooth,
  kCapNormalize,
  kCapPolygonSmooth,
  kCapPolygonOffsetPoint,
  kCapAutoNormal,
  kCapTexture2D,
  kCapCount = 22,  // the rest belong to the 3D engine
};
constexpr int32_t kCapUndetermined = 0x7F7F7F7F;

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
  int32_t cap_cache[kCapCount];
  float color_cache[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
  int32_t target_in_use = -1;  // off-screen target the commands use, -1 = screen
  // 2D texturing on the second texture unit, cached like cap_cache:
  // selecting a unit is costly on some drivers, so texture_bind only visits
  // unit 1 when its state has to change.
  int32_t unit1_texturing = kCapUndetermined;
  // Client vertex and texture-coordinate arrays, cached the same way: the
  // 2D draws leave them enabled rather than switching them per quad.
  int32_t vertex_array = kCapUndetermined;
  int32_t texcoord_array = kCapUndetermined;
  // The vertex data the vertex and texture-coordinate pointers were last
  // set to by the quad batch, null when another drawing has set them since:
  // the batch points them again only when they moved (a change of the
  // arrays makes the driver validate its vertex state anew).
  const void* batch_arrays = nullptr;
  // Whether drawing writes alpha (the colour mask), cached the same way.
  int32_t alpha_writes = kCapUndetermined;
  // The blend function's destination factor (the source is always the
  // source alpha) and the alpha test's reference value, -1 = not known.
  int32_t blend_destination = kCapUndetermined;
  float alpha_reference = -1.0f;
  // The clear colour; its alpha counts in off-screen targets only.
  float clear_color[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};
extern ScreenState screen_state;

// Cached capability switches and colour: the OpenGL call is made only when
// the known state differs.
void cap_enable(int32_t cap);
void cap_disable(int32_t cap);
void color_set(float r, float g, float b, float a);
// Blending with the source alpha and the destination factor, cached.
void blend_func_set(uint32_t destination);
// The window's alpha is not part of the picture: it stays 1, so that grabs
// and saves of the screen copy no holes. Drawing into the window therefore
// leaves alpha alone (off), drawing into an off-screen picture writes it (on).
void alpha_writes_set(bool on);
// Clears the colour buffer to the clear colour (only its alpha when colour
// is false) together with the extra buffers (a GL buffer mask). The
// window's alpha becomes 1; an off-screen target takes the colour's alpha.
void color_buffer_clear(OpenGLVireo* r, bool colour, uint32_t extra);

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
