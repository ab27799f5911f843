// The window's placement: windowed and centred in the work area, or full
// screen in a display mode of the play-field's size.
#include "base/clock.hpp"
#include "base/context.hpp"
#include "base/errors.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"

namespace zrv {

void screen_mode_apply(OpenGLVireo* r, int32_t width, int32_t height, int32_t color_depth,
                       int32_t full_screen) {
  if (r == nullptr) return;
  if (width != 0) r->width = width;
  if (height != 0) r->height = height;
  if (color_depth != 0) r->color_depth = color_depth;
  r->virtual_width = r->virtual_height = 0;
  window_set_windowed(r);
  if (full_screen != 0) {
    window_set_full_screen(r);
  } else {
    window_set_windowed(r);
  }
}

void window_set_windowed(OpenGLVireo* r) {
  if (r == nullptr) return;
  platform::Backend& b = platform::backend();
  if (r->window_handle != nullptr) {
    if (r->is_full_screen) {
      b.window_leave_full_screen(r->window_handle);
      sleep_ms(500);
    }
    platform::Rect area;
    if (!b.work_area(r->window_handle, &area)) {
      area.w = ctx.desktop_width;
      area.h = ctx.desktop_height;
    }
    // Centred in the work area, measured from the desktop origin.
    const int32_t left = (area.w - r->width) / 2;
    const int32_t top = (area.h - r->height) / 2;
    b.window_place(r->window_handle, left, top, r->width, r->height, false);
    b.window_show(r->window_handle);
    b.window_activate(r->window_handle);
  }
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
  r->is_full_screen = 0;
}

bool window_set_full_screen(OpenGLVireo* r) {
  if (r == nullptr) return false;
  platform::Backend& b = platform::backend();
  platform::DisplayMode mode;
  mode.width = r->width;
  mode.height = r->height;
  platform::DisplayMode desktop;
  const int32_t desktop_bits = b.desktop_mode(&desktop) ? desktop.bits : 0;
  if (r->color_depth != 0 && r->color_depth != desktop_bits) mode.bits = r->color_depth;
  bool ok = r->window_handle != nullptr && b.window_full_screen(r->window_handle, mode);
  if (!ok && r->window_handle != nullptr) {
    mode.bits = 0;
    ok = b.window_full_screen(r->window_handle, mode);
  }
  if (!ok) {
    b.beep();
    log_write("No Fullscreen Mode available\n");
    window_set_windowed(r);
    return false;
  }
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
  b.window_show(r->window_handle);
  b.window_activate(r->window_handle);
  viewport_apply(r, 0, 0, 0, 0, 1.0f);
  r->is_full_screen = 1;
  return true;
}

}  // namespace zrv
