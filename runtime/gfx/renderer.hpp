// The renderer object: owns the window, its OpenGL context and every 2D table
// (sprites, off-screen targets, background images, pixel copies).
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/gpu.hpp"
#include "platform/platform.hpp"

namespace zrv {

constexpr int32_t kSpriteSlotCount = 65537;    // ids 0..65536
constexpr int32_t kFirstFontSprite = 65504;    // ids 65504..65535 hold the font sheets
constexpr int32_t kLastProgramSprite = 65503;  // highest id of the program's own slots

inline bool sprite_id_valid(int32_t id) { return id >= 0 && id < kSpriteSlotCount; }
constexpr int32_t kTargetCount = 32;
constexpr int32_t kBackgroundCount = 8;
constexpr int32_t kFontCount = 32;
// Scratch slot of the off-screen targets' back-buffer fallback (the saved
// screen). Beyond the font sheets, so that it clobbers no program slot.
constexpr int32_t kTargetScratchSprite = 65536;

// The measured glyph of one character code in a font sheet.
struct GlyphRecord {
  uint8_t left = 0;     // first opaque column within the cell
  uint8_t advance = 0;  // proportional advance in pixels
  float u_left = 0.0f;  // texture coordinates of the glyph's edges
  float u_right = 0.0f;
};

// One slot of the sprite table. Free when image_width is 0.
struct SpriteRecord {
  uint32_t texture;      // texture name, 0 = none
  float u_max;           // image_width / padded_width
  float v_max;           // image_height / padded_height
  int16_t padded_width;  // power of two, at least 16
  int16_t padded_height;
  int16_t image_width;  // 0 = free slot
  int16_t image_height;
  int16_t frame_width;  // sheet frame size, 0 = not a sheet
  int16_t frame_height;
};

// One off-screen target (drawing redirected into a sprite's texture).
struct TargetRecord {
  int32_t fbo = 0;
  int32_t depth_buffer = 0;
  int32_t saved_binding = -1;  // framebuffer to restore on unbind, -1 = not bound
  int32_t width = 0;           // size the frame buffer was built with
  int32_t height = 0;
  int32_t sprite = -1;  // sprite whose texture is the colour attachment
};

class OpenGLVireo {
 public:
  OpenGLVireo();           // renderer_construct
  virtual ~OpenGLVireo();  // renderer_destroy
  OpenGLVireo(const OpenGLVireo&) = delete;
  OpenGLVireo& operator=(const OpenGLVireo&) = delete;

  // Text vertex buffer: x, y, z, u, v floats per vertex.
  std::vector<float> text_vertices;
  int32_t text_vertex_count = 0;
  int32_t text_vertex_capacity = 0;  // in vertices

  SpriteRecord* sprites = nullptr;  // kSpriteSlotCount records

  float current_alpha = 0.0f;  // alpha of the current drawing colour
  // The colour sprites are multiplied with (red, green, blue, alpha from 0
  // to 1) and the colour of text: kept until the game sets them again.
  float tint[4] = {1, 1, 1, 1};
  float text_color[3] = {1, 1, 1};
  int64_t sprites_drawn = 0;     // sprites and frames drawn since the start
  float alpha_threshold = 1.0f;  // alpha-test threshold, 1 = off
  uint8_t clear_enabled = 1;     // clear the colour buffer of each new back buffer
  uint8_t depth_clear_pending = 1;
  uint8_t bgra_supported = 0;

  TargetRecord targets[kTargetCount];
  int32_t current_target = -1;  // -1 = the screen

  uint8_t** pixel_copies = nullptr;  // kSpriteSlotCount alpha masks or null

  // Entry 0 is the screen background, entry 3 the line input's saved screen.
  int32_t background_ids[kBackgroundCount];

  uint8_t smooth = 1;  // linear (1) or nearest (0) texture filtering

  platform::Window* window_handle = nullptr;
  int32_t width = 0;  // drawing area in pixels
  int32_t height = 0;
  int32_t virtual_width = 0;  // logical screen, 0 = same as width/height
  int32_t virtual_height = 0;
  int32_t color_depth = 0;  // requested colour bits, 0 = desktop depth
  uint8_t is_full_screen = 0;
  int32_t viewport_x = 0, viewport_y = 0, viewport_w = 0, viewport_h = 0;
  int32_t orientation = 0;  // quarter turns 0..3
  int32_t color_key = 0x8000FF;
  int32_t font_color_key = 0;
  float font_scale[kFontCount] = {};
  GlyphRecord glyphs[kFontCount][256];
  double frame_due = 0.0;                 // runtime clock time the current frame is due
  double frame_interval = 1000.0 / 60.0;  // ms between frames
  void* instance_handle = nullptr;
  platform::GlContext* gl_context = nullptr;

  // Set once the OpenGL functions are loaded for the context: drawing is
  // possible. False without a window (headless runs).
  bool gl_ready = false;
  int32_t texture_limit = 0;  // largest texture side of the context, 0 = not asked yet
  // Everything the GPU layer knows of the context's state, and its batch.
  gpu::GpuState gpu;
};

OpenGLVireo* renderer_create();
void renderer_destroy(OpenGLVireo* renderer);

// Creates the window (hidden) and its OpenGL context, logs every step and
// starts the frame schedule. Returns 0 on success, -1 when the window
// cannot be created. Without a display (headless) there is no window and no
// context: the frame schedule and every table exist and 0 is returned. The
// caller applies the full-screen or windowed placement afterwards.
int32_t window_create(OpenGLVireo* renderer, int32_t width, int32_t height, int32_t color_depth,
                      int32_t frame_rate, int32_t multisample);
// Deletes every sprite, returns to the windowed placement, releases the
// context from the window and destroys the window.
void window_destroy(OpenGLVireo* renderer);
// Leaves full screen, hides the window and pumps pending messages.
void window_hide(OpenGLVireo* renderer);
void window_set_title(OpenGLVireo* renderer, const char* title);
// Windowed placement or the full-screen display mode (start-up step 11).
void window_apply_mode(OpenGLVireo* renderer, int32_t full_screen);
// Brings the window to the front and makes it active.
void window_activate(OpenGLVireo* renderer);

// Frame presentation (the frame loop calls these in its order).
// Ends drawing into an off-screen target so that drawing goes to the screen,
// with the whole-screen viewport.
void renderer_end_target_redirect(OpenGLVireo* renderer);
// overlay: drawn over the finished frame after the --screenshot picture is
// taken from it.
void renderer_swap_buffers(OpenGLVireo* renderer, void (*overlay)(OpenGLVireo*) = nullptr);
void renderer_set_swap_interval(OpenGLVireo* renderer, int32_t interval);
// Viewport, back buffer, alpha test, blending and colour back to their
// per-frame state (frame reset steps 1 to 5).
void renderer_reset_2d_state(OpenGLVireo* renderer);

// Exact-token search in the window system's extension string (the OpenGL
// one when the window system gives none).
bool wgl_extension_present(const char* name);
// Whether name is one word of a space-separated extension list.
bool extension_listed(const char* list, const char* name);
// Whether the current context really offers the entry point: core in its
// version, or brought by an extension that it or its window system lists.
bool gl_function_offered(const char* name);
// A multisample pixel format for the sample count (0 = any), 0 when none.
int32_t multisample_format_choose(int32_t samples);

// Whether the renderer name is that of a software OpenGL driver (Mesa's
// llvmpipe, softpipe and swrast, and the GDI generic driver).
bool gl_renderer_is_software(const char* renderer_name);
// Whether the software-driver message box may be shown: never in scripted,
// headless, CI or test runs, nor on a virtual (Xvfb) display.
bool software_warning_box_allowed();

// Moves the frame's due time on after the wait: a late frame catches up by
// at most one interval; one more than two intervals late restarts from now.
void renderer_due_advance(OpenGLVireo* r, double now);

// Frame interval rule shared by window creation and frame_rate_set.
double frame_interval_for(double fps);

// The largest texture size of the context (0 without one).
int32_t max_texture_size();

}  // namespace zrv
