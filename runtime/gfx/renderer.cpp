// The renderer object, window and OpenGL context creation, the software
// driver warning, hiding and destruction.
#include "gfx/renderer.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/activation.hpp"
#include "base/clock.hpp"
#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/platform_info.hpp"
#include "files/rt_file.hpp"
#include "gfx/backup.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/screen.hpp"
#include "gfx/screenshot.hpp"
#include "gfx/sprites.hpp"
#include "gfx/targets.hpp"

namespace zrv {

namespace {

// Process-wide: the warning is given once, the renderer name fetched once.
bool software_driver_warned = false;
bool gl_renderer_fetched = false;
std::string gl_renderer_name;

const char kBuiltInDriverText[] =
    "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
    "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\nper HARDWARE "
    "unterst\xFCtzt!";

void log_line(const char* text) {
  log_write(text);
  log_write("\n");
}

platform::PixelFormatRequest pixel_format_for(int32_t color_depth, int32_t multisample) {
  platform::PixelFormatRequest f;
  f.color_bits = color_depth < 24 ? color_depth : 24;
  f.alpha_bits = 8;
  f.depth_bits = 24;
  f.stencil_bits = 8;
  f.multisample = multisample;
  f.samples = 0;
  return f;
}

// The context's functions and the GPU layer's programs: drawing is possible.
bool context_ready(OpenGLVireo* r) {
  r->gl_ready = r->gl_context != nullptr && gl_api_load();
  r->texture_limit = 0;
  if (r->gl_ready && !gpu::context_begin(r)) {
    log_write("can't make the shader programs: no drawing\n");
    r->gl_ready = false;
  }
  return r->gl_ready;
}

bool context_make(OpenGLVireo* r) {
  platform::Backend& b = platform::backend();
  if (r->gl_context == nullptr) r->gl_context = b.gl_context_create(r->window_handle);
  if (!b.gl_make_current(r->window_handle, r->gl_context)) {
    b.gl_context_delete(r->gl_context);
    r->gl_context = b.gl_context_create(r->window_handle);
    b.gl_make_current(r->window_handle, r->gl_context);
  }
  return context_ready(r);
}

// Reads the first 2047 bytes of "opengldriver.txt" (a memory file works
// too) into a zero-filled buffer.
void driver_text_read(char buffer[2048]) {
  std::memset(buffer, 0, 2048);
  RtFile f;
  if (!f.open_read("opengldriver.txt")) return;
  int64_t n = f.query_size();
  if (n > 2047) n = 2047;
  if (n > 0) f.read(buffer, n);
}

void software_driver_check(OpenGLVireo* r) {
  if (software_driver_warned) return;
  platform::PixelFormatInfo info;
  if (!platform::backend().gl_describe_format(r->window_handle, &info)) return;
  if (!gl_renderer_fetched && r->gl_ready) {
    gl_renderer_name = gpu::context_string(GL_RENDERER);
    gl_renderer_fetched = true;
  }
  if (!gl_renderer_is_software(gl_renderer_name.c_str())) return;
  log_line("*** OpenGL Software Emulation - update driver!");
  software_driver_warned = true;
  // Said where a script or a remote user sees it too.
  console_print_error(("*** OpenGL Software Emulation - update driver! (OpenGL renderer: " +
                       gl_renderer_name + ")\n")
                          .c_str());
  char text[2048];
  driver_text_read(text);
  if (!software_warning_box_allowed()) return;
  platform::backend().message_box("No OpenGL Hardware Drivers",
                                  text[0] != 0 ? text : kBuiltInDriverText,
                                  platform::MessageIcon::Exclamation);
  // A termination request closed the box: the program ends now.
  quit_request_take();
}

// Every entry point the extension strings promise.
void extensions_load(OpenGLVireo* r) {
  const std::string extensions = gpu::extensions();
  if (extensions.empty()) {
    r->bgra_supported = 0;
    log_write("BGRA ext NOT supported\n(null)\n");
    return;
  }
  const char* ext = extensions.c_str();
  // The window system's extensions (display sync) are named in its own
  // string, not in OpenGL's.
  std::string all = ext;
  if (const char* ws = platform::backend().gl_window_system_extensions()) {
    all += ' ';
    all += ws;
  }
  gl_ext_load(all.c_str());
  r->bgra_supported = std::strstr(ext, "_texture_format_BGRA8888") != nullptr ||
                      std::strstr(ext, "GL_EXT_bgra") != nullptr;
  if (r->bgra_supported) {
    log_write("BGRA ext supported\n");
  } else {
    log_write("BGRA ext NOT supported\n");
    log_write(ext);
    log_write("\n");
  }
}

}  // namespace

OpenGLVireo::OpenGLVireo() {
  sprites = new SpriteRecord[kSpriteSlotCount]();
  pixel_copies = new uint8_t*[kSpriteSlotCount]();
  for (int32_t& id : background_ids) id = -1;
  backup_path_remove(this);
}

OpenGLVireo::~OpenGLVireo() {
  target_end(this);
  for (TargetRecord& t : targets) target_release(t);
  window_destroy(this);
  if (gl_context) {
    platform::backend().gl_context_delete(gl_context);
    gl_context = nullptr;
    gl_ready = false;
  }
  delete[] pixel_copies;
  pixel_copies = nullptr;
  delete[] sprites;
  sprites = nullptr;
  backup_path_remove(this);
}

OpenGLVireo* renderer_create() {
  // Input reads the screen's mapping from the renderer of the context.
  screen_mapping_source_set([] { return renderer_screen_mapping(ctx.renderer); });
  platform_info_gl_source_set(gl_function_offered);
  return new OpenGLVireo();
}

void renderer_destroy(OpenGLVireo* renderer) { delete renderer; }

double frame_interval_for(double fps) {
  int32_t whole = static_cast<int32_t>(fps);
  return whole > 0 ? 1000.0 / whole : 2.0;
}

bool gl_renderer_is_software(const char* name) {
  if (name == nullptr) return false;
  // Mesa's software rasterisers, and the generic driver of the desktop.
  return std::strstr(name, "llvmpipe") != nullptr || std::strstr(name, "softpipe") != nullptr ||
         std::strstr(name, "swrast") != nullptr || std::strcmp(name, "Software Rasterizer") == 0 ||
         std::strcmp(name, "Mesa Windows GDI Driver") == 0;
}

bool software_warning_box_allowed() {
  if (platform::backend().is_headless()) return false;
  // Scripted runs have nobody to click the box away.
  const RuntimeOptions& o = ctx.options;
  if (o.headless || o.frames > 0 || !o.keys_file.empty() || !o.replay_file.empty() ||
      !o.screenshot_file.empty()) {
    return false;
  }
  for (const char* name : {"ZRV_NO_DIALOGS", "CI"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') return false;
  }
  return platform::backend().display_watched();
}

int32_t max_texture_size() {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || !r->gl_ready) return 0;
  return gpu::texture_size_limit();
}

bool wgl_extension_present(const char* name) {
  platform::Backend& b = platform::backend();
  const char* ext = b.gl_window_system_extensions();
  if (ext == nullptr) {
    log_lookup_failed(b.gl_window_system_extensions_call());
    return extension_listed(gpu::extensions().c_str(), name);
  }
  return extension_listed(ext, name);
}

int32_t multisample_format_choose(int32_t samples) {
  platform::Backend& b = platform::backend();
  if (!wgl_extension_present(b.gl_multisample_extension())) return 0;
  if (b.gl_proc_address(b.gl_multisample_chooser()) == nullptr) {
    log_lookup_failed(b.gl_multisample_chooser());
    return 0;
  }
  int32_t format = b.gl_multisample_probe(samples);
  if (format > 0) return format;
  while (samples / 2 != 0) {
    samples >>= 1;
    format = b.gl_multisample_probe(samples);
    if (format > 0) return format;
  }
  return 0;
}

int32_t window_create(OpenGLVireo* r, int32_t width, int32_t height, int32_t color_depth,
                      int32_t frame_rate, int32_t multisample) {
  if (r == nullptr) return -1;
  platform::Backend& b = platform::backend();
  if (gl_swap_interval) gl_swap_interval(0);
  r->frame_interval = frame_interval_for(frame_rate);

  if (b.is_headless()) {
    // No window and no context: the sizes and the frame schedule only.
    r->width = width;
    r->height = height;
    r->color_depth = color_depth;
    r->virtual_width = r->virtual_height = 0;
    r->is_full_screen = 0;
    r->frame_due = timer_elapsed_ms();
    return 0;
  }

  r->instance_handle = nullptr;
  log_line("WIN32 init video");
  platform::DisplayMode desktop;
  if (b.desktop_mode(&desktop)) {
    ctx.desktop_width = desktop.width;
    ctx.desktop_height = desktop.height;
  } else {
    desktop.bits = 24;
  }

  if (color_depth == 0) color_depth = desktop.bits;
  const platform::PixelFormatRequest format = pixel_format_for(color_depth, 0);
  r->window_handle = b.window_create("Zorvane", width, height, format);
  if (r->window_handle == nullptr) return -1;
  b.event_window_set(r->window_handle);

  int32_t client_w = 0, client_h = 0;
  b.window_client_size(r->window_handle, &client_w, &client_h);
  if (width == 0) width = client_w;
  if (height == 0) height = client_h;
  r->is_full_screen = 0;
  r->color_depth = color_depth;
  r->height = height;
  r->width = width;

  context_make(r);

  if (multisample != 0 && multisample_format_choose(0) != 0) {
    window_destroy(r);
    // The first context goes with its window; the multisample window gets
    // a context of its own.
    if (r->gl_context) {
      b.gl_context_delete(r->gl_context);
      r->gl_context = nullptr;
    }
    r->window_handle = b.window_create("Zorvane", width, height, pixel_format_for(color_depth, 1));
    if (r->window_handle == nullptr) return -1;
    b.event_window_set(r->window_handle);
    r->gl_context = b.gl_context_create(r->window_handle);
    b.gl_make_current(r->window_handle, r->gl_context);
    context_ready(r);
  }

  software_driver_check(r);

  // A new context writes alpha; the clear leaves it as the window wants.
  color_buffer_clear(r, true, true);

  r->color_depth = color_depth;
  r->height = height;
  r->width = width;
  r->virtual_width = r->virtual_height = 0;
  r->is_full_screen = 0;

  log_line("get accurate timer - 1st call");
  r->frame_due = timer_elapsed_ms();
  log_line("flip - 1st call");
  renderer_swap_buffers(r);
  back_buffer_prepare(r);
  renderer_due_advance(r, timer_elapsed_ms());

  if (r->gl_ready) {
    extensions_load(r);
    const int32_t limit = gpu::texture_size_limit();
    char line[64];
    std::snprintf(line, sizeof line, "Texture size limit: %d\n", static_cast<int>(limit));
    log_write(line);
  }
  log_line("init fbo");
  if (r->gl_ready) target_entry_points_load();

  b.window_hide(r->window_handle);

  log_line("2D VP");
  state_reset_2d(r);
  log_line("GL window ready");
  return 0;
}

void window_destroy(OpenGLVireo* r) {
  if (r == nullptr) return;
  if (r->sprites != nullptr) {
    for (int32_t id = 0; id <= 65535; ++id) sprite_delete(r, id);
  }
  for (int32_t& bg : r->background_ids) {
    if (bg >= 0) sprite_delete(r, bg);
    bg = -1;
  }
  if (r->window_handle == nullptr) return;
  platform::Backend& b = platform::backend();
  window_set_windowed(r);
  // What waits in the batch belongs to this context.
  gpu::flush();
  b.gl_release_current(r->window_handle);
  r->gl_ready = false;
  b.event_window_set(nullptr);
  b.window_destroy(r->window_handle);
  r->window_handle = nullptr;
  r->width = r->height = 0;
}

void window_hide(OpenGLVireo* r) {
  if (r == nullptr || r->window_handle == nullptr) return;
  platform::Backend& b = platform::backend();
  if (r->is_full_screen) b.window_leave_full_screen(r->window_handle);
  b.window_hide(r->window_handle);
  r->is_full_screen = 0;
}

void window_set_title(OpenGLVireo* r, const char* title) {
  if (r == nullptr || r->window_handle == nullptr) return;
  platform::backend().window_set_title(r->window_handle, title ? title : "");
}

void window_apply_mode(OpenGLVireo* r, int32_t full_screen) {
  if (r == nullptr || r->window_handle == nullptr) return;
  if (full_screen) {
    window_set_full_screen(r);
  } else {
    window_set_windowed(r);
  }
}

void window_activate(OpenGLVireo* r) {
  if (r == nullptr || r->window_handle == nullptr) return;
  platform::Backend& b = platform::backend();
  b.window_show(r->window_handle);
  b.window_activate(r->window_handle);
}

void renderer_end_target_redirect(OpenGLVireo* r) {
  if (r == nullptr || r->current_target < 0) return;
  target_end(r);
  screen_state.target_in_use = -1;
  viewport_set(0, 0, 0, 0);
}

void renderer_swap_buffers(OpenGLVireo* r, void (*overlay)(OpenGLVireo*)) {
  if (r == nullptr || r->window_handle == nullptr) return;
  gpu::flush();
  if (r->gl_ready) screenshot_capture_if_due(r);
  if (overlay != nullptr) {
    overlay(r);
    gpu::flush();
  }
  platform::backend().gl_swap(r->window_handle);
}

void renderer_set_swap_interval(OpenGLVireo* r, int32_t interval) {
  if (gl_swap_interval) gl_swap_interval(interval);
}

void renderer_due_advance(OpenGLVireo* r, double now) {
  if (now <= r->frame_due + r->frame_interval) {
    r->frame_due += r->frame_interval;
  } else if (now <= r->frame_due + 2 * r->frame_interval) {
    r->frame_due += 2 * r->frame_interval;
  } else {
    r->frame_due = now + r->frame_interval;
  }
}

}  // namespace zrv
