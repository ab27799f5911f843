// Grabs: rectangles of the screen (or of the target drawn into) taken into
// sprites, turned upright on a turned screen, exact on an enlarged one.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/context.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprite_internal.hpp"
#include "gfx/sprites.hpp"

namespace zrv {

namespace {

GLenum screen_pixel_format(const OpenGLVireo* r) { return r->bgra_supported ? GL_BGRA : GL_RGBA; }

// The pixel at window position (x, y from the bottom) as raw bytes.
void window_pixel_read(OpenGLVireo* r, int32_t x, int32_t y, uint8_t out[4]) {
  gpu::pixels_read(x, y, 1, 1, screen_pixel_format(r), out);
}

// Overwrites one window pixel (x, y from the bottom) with a colour.
void window_pixel_write(int32_t x, int32_t y, float red, float green, float blue, float alpha) {
  const float rgba[4] = {red, green, blue, alpha};
  gpu::pixel_clear(x, y, rgba);
}

}  // namespace

void screen_grab_to_sprite(OpenGLVireo* r, int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (r == nullptr || !sprite_id_valid(id)) return;
  SpriteRecord& s = r->sprites[id];
  s.frame_width = s.frame_height = 0;
  pixel_copy_free(r, id);
  // Only what the surface has can be taken: the rectangle keeps to it.
  int32_t surface_w = 0, surface_h = 0;
  // A target drawn through its frame buffer; the fallback draws in the
  // window.
  if (r->current_target >= 0 && r->targets[r->current_target].saved_binding != -1) {
    const int32_t sprite = r->targets[r->current_target].sprite;
    if (sprite >= 0) {
      surface_w = r->sprites[sprite].image_width;
      surface_h = r->sprites[sprite].image_height;
    }
  } else {
    const ScreenMapping m = renderer_screen_mapping(r);
    surface_w = m.screen_width();
    surface_h = m.screen_height();
  }
  if (r->gl_ready && w > 0 && h > 0) {
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + w, surface_w);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + h, surface_h);
    x = static_cast<int32_t>(x0);
    y = static_cast<int32_t>(y0);
    w = static_cast<int32_t>(std::max<int64_t>(x1 - x0, 0));
    h = static_cast<int32_t>(std::max<int64_t>(y1 - y0, 0));
  }
  if (w <= 0 || h <= 0) {
    sprite_delete(r, id);
    return;
  }
  if (!r->gl_ready) {
    record_sizes_set(s, w, h, w, h);
    return;
  }
  const int32_t pw = padded_size(w), ph = padded_size(h);
  const GLenum format = screen_pixel_format(r);
  // A texture of the padded size is used again, with its parameters.
  if (s.texture == 0 || s.padded_width != pw || s.padded_height != ph) {
    if (s.texture != 0) gpu::texture_delete(s.texture);
    s.texture = gpu::texture_create();
    gpu::texture_image(s.texture, pw, ph, format, nullptr, gpu::Sampling{true, false});
  }
  record_sizes_set(s, w, h, w, h);

  const bool alpha_bits = gpu::framebuffer_alpha();
  if (alpha_bits && r->orientation == 0) {
    gpu::texture_copy_framebuffer(s.texture, x, r->height - y - h, w, h);
    return;
  }

  // Read back: the logical rectangle in window pixels (bottom-up).
  const int32_t W = r->width, H = r->height;
  int32_t rx, ry, rw = w, rh = h;
  switch (r->orientation) {
    case 1:
      rx = W - y - h;
      ry = H - w - x;
      rw = h;
      rh = w;
      break;
    case 2:
      rx = W - x - w;
      ry = y;
      break;
    case 3:
      rx = y;
      ry = x;
      rw = h;
      rh = w;
      break;
    default:
      rx = x;
      ry = H - y - h;
      break;
  }
  std::vector<uint8_t> read(static_cast<size_t>(rw) * rh * 4);
  gpu::pixels_read(rx, ry, rw, rh, format, read.data());

  uint8_t key[4] = {0, 0, 0, 0};
  if (!alpha_bits) {
    // How the colour key looks on this screen: written into one pixel,
    // read, and the pixel restored.
    uint8_t saved[4];
    window_pixel_read(r, 4, 4, saved);
    const int32_t k = r->color_key;
    window_pixel_write(4, 4, (k & 0xFF) / 255.0f, ((k >> 8) & 0xFF) / 255.0f,
                       ((k >> 16) & 0xFF) / 255.0f, 1.0f);
    window_pixel_read(r, 4, 4, key);
    const bool bgra = format == GL_BGRA;
    const uint8_t red = bgra ? saved[2] : saved[0], blue = bgra ? saved[0] : saved[2];
    window_pixel_write(4, 4, red / 255.0f, saved[1] / 255.0f, blue / 255.0f, saved[3] / 255.0f);
  }

  // Texture row j (from the bottom) holds logical row h - 1 - j; the read
  // buffer is bottom-up in window pixels. Each orientation turns it back.
  std::vector<uint8_t> padded(static_cast<size_t>(pw) * ph * 4, 0);
  for (int32_t j = 0; j < h; ++j) {
    const int32_t ly = h - 1 - j;  // logical row, 0 = top
    uint8_t* out = padded.data() + static_cast<size_t>(j) * pw * 4;
    for (int32_t lx = 0; lx < w; ++lx) {
      // Window position (from the read rectangle's bottom-left) of the
      // logical pixel (lx, ly) of the grabbed rectangle.
      int32_t wx, wy;
      switch (r->orientation) {
        case 1:  // logical x goes down the window, logical y to the left
          wx = rw - 1 - ly;
          wy = rh - 1 - lx;
          break;
        case 2:
          wx = rw - 1 - lx;
          wy = ly;
          break;
        case 3:  // logical x goes up the window, logical y to the right
          wx = ly;
          wy = lx;
          break;
        default:
          wx = lx;
          wy = rh - 1 - ly;
          break;
      }
      const uint8_t* p = read.data() + (static_cast<size_t>(wy) * rw + wx) * 4;
      uint8_t* o = out + lx * 4;
      std::memcpy(o, p, 4);
      if (!alpha_bits) {
        o[3] = (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) ? 0 : 255;
      }
    }
  }
  gpu::texture_image(s.texture, pw, ph, format, padded.data(), gpu::Sampling{true, false});
}

void sprite_grab(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height) {
  ctx.last_error = 0;
  if (!program_slot("sprite_grab", id)) return;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  const ScreenState& st = screen_state;
  if (st.screen_scale <= 1 || st.target_in_use != -1 || !r->gl_ready) {
    screen_grab_to_sprite(r, id, x, y, width, height);
    return;
  }
  // Enlarged screen: each logical pixel of the rectangle is the window
  // pixel at its centre, exactly as drawn (no filtering). The rectangle
  // keeps to the logical screen.
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + width, st.logical_width);
  const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + height, st.logical_height);
  const int32_t scratch = sprite_free_slot(r, id);  // often the highest free slot itself
  if (x1 <= x0 || y1 <= y0 || scratch < 0) {
    screen_grab_to_sprite(r, id, 0, 0, 0, 0);  // nothing to take: the slot is emptied
    return;
  }
  const int32_t w = static_cast<int32_t>(x1 - x0), h = static_cast<int32_t>(y1 - y0);
  const ScreenMapping m = renderer_screen_mapping(r);
  int32_t sx0, sy0, sx1, sy1;
  m.from_logical(static_cast<int32_t>(x0), static_cast<int32_t>(y0), &sx0, &sy0);
  m.from_logical(static_cast<int32_t>(x1 - 1), static_cast<int32_t>(y1 - 1), &sx1, &sy1);
  screen_grab_to_sprite(r, scratch, sx0, sy0, sx1 - sx0 + 1, sy1 - sy0 + 1);
  RtImage big, exact;
  if (sprite_read_back(r, scratch, big) && exact.resize(w, h)) {
    for (int32_t j = 0; j < h; ++j) {
      for (int32_t i = 0; i < w; ++i) {
        int32_t sx, sy;
        m.from_logical(static_cast<int32_t>(x0) + i, static_cast<int32_t>(y0) + j, &sx, &sy);
        std::memcpy(exact.row(j) + i * 4, big.row(sy - sy0) + (sx - sx0) * 4, 4);
      }
    }
    exact.alpha_in_file = 1;
    sprite_from_image(r, id, exact, 0);
  }
  sprite_delete(r, scratch);
}

}  // namespace zrv
