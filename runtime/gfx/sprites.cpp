#include "gfx/sprites.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/paths.hpp"
#include "gfx/draw.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/screen.hpp"
#include "gfx/targets.hpp"

namespace zrv {

namespace {

// Texture side used without a context (headless runs keep sizes only).
constexpr int32_t kHeadlessTextureLimit = 16384;

bool gl_usable(const OpenGLVireo* r) { return r != nullptr && r->gl_ready; }

// The context's largest texture side, asked once per context.
int32_t texture_limit(OpenGLVireo* r) {
  if (!gl_usable(r)) return kHeadlessTextureLimit;
  if (r->texture_limit == 0) {
    GLint m = 0;
    gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &m);
    r->texture_limit = m > 0 ? m : kHeadlessTextureLimit;
  }
  return r->texture_limit;
}

void record_sizes_set(SpriteRecord& s, int32_t image_w, int32_t image_h, int32_t tex_w,
                      int32_t tex_h) {
  const int32_t pw = padded_size(tex_w), ph = padded_size(tex_h);
  s.padded_width = static_cast<int16_t>(pw);
  s.padded_height = static_cast<int16_t>(ph);
  s.image_width = static_cast<int16_t>(image_w);
  s.image_height = static_cast<int16_t>(image_h);
  // The part of the image the texture holds (all of it unless it was cut
  // to the largest texture size).
  s.u_max = static_cast<float>(tex_w) / static_cast<float>(pw);
  s.v_max = static_cast<float>(tex_h) / static_cast<float>(ph);
}

void pixel_copy_free(OpenGLVireo* r, int32_t id) {
  delete[] r->pixel_copies[id];
  r->pixel_copies[id] = nullptr;
}

void texture_params(GLint filter) {
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
}

// A framebuffer object on a texture, for reading a texture back or drawing
// into it; the previous binding comes back when it goes.
class ScratchFramebuffer {
 public:
  ScratchFramebuffer(uint32_t texture) {
    if (!fbo_supported || gl_ext.glBindFramebufferEXT == nullptr ||
        gl_ext.glFramebufferTexture2DEXT == nullptr ||
        gl_ext.glCheckFramebufferStatusEXT == nullptr ||
        gl_ext.glDeleteFramebuffersEXT == nullptr) {
      return;
    }
    gl_ext.glGenFramebuffersEXT(1, &fbo_);
    if (fbo_ == 0) return;
    gl.GetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &saved_);
    framebuffer_bind(fbo_);
    gl_ext.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                     texture, 0);
    ok_ = gl_ext.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
  }
  ~ScratchFramebuffer() {
    if (fbo_ == 0) return;
    framebuffer_bind(static_cast<GLuint>(saved_));
    gl_ext.glDeleteFramebuffersEXT(1, &fbo_);
  }
  ScratchFramebuffer(const ScratchFramebuffer&) = delete;
  ScratchFramebuffer& operator=(const ScratchFramebuffer&) = delete;
  bool ok() const { return ok_; }

 private:
  GLuint fbo_ = 0;
  GLint saved_ = 0;
  bool ok_ = false;
};

GLenum screen_pixel_format(const OpenGLVireo* r) { return r->bgra_supported ? GL_BGRA : GL_RGBA; }

bool framebuffer_has_alpha(OpenGLVireo* r) {
  GLint bits = 0;
  gl.GetIntegerv(GL_ALPHA_BITS, &bits);
  return bits > 0;
}

// The pixel at window position (x, y from the bottom) as raw bytes.
void window_pixel_read(OpenGLVireo* r, int32_t x, int32_t y, uint8_t out[4]) {
  gl.ReadPixels(x, y, 1, 1, screen_pixel_format(r), GL_UNSIGNED_BYTE, out);
}

// Overwrites one window pixel (x, y from the bottom) with a colour, leaving
// the clear colour as it was.
void window_pixel_write(int32_t x, int32_t y, float red, float green, float blue, float alpha) {
  GLfloat saved[4];
  gl.GetFloatv(GL_COLOR_CLEAR_VALUE, saved);
  gl.Enable(GL_SCISSOR_TEST);
  gl.Scissor(x, y, 1, 1);
  gl.ClearColor(red, green, blue, alpha);
  gl.Clear(GL_COLOR_BUFFER_BIT);
  gl.Disable(GL_SCISSOR_TEST);
  gl.ClearColor(saved[0], saved[1], saved[2], saved[3]);
}

}  // namespace

int32_t padded_size(int32_t size) {
  int32_t p = 8;
  do {
    p *= 2;
  } while (p < size);
  return p;
}

int32_t target_of_sprite(const OpenGLVireo* r, int32_t id) {
  for (int32_t i = 0; i < kTargetCount; ++i) {
    if (r->targets[i].fbo != 0 && r->targets[i].sprite == id) return i;
  }
  return -1;
}

bool sprite_slot_used(int32_t id) {
  const OpenGLVireo* r = ctx.renderer;
  return r != nullptr && sprite_id_valid(id) && r->sprites[id].image_width > 0;
}

void sprite_delete(OpenGLVireo* r, int32_t id) {
  if (r == nullptr || !sprite_id_valid(id)) return;
  pixel_copy_free(r, id);
  SpriteRecord& s = r->sprites[id];
  if (s.texture != 0 && gl_usable(r)) {
    texture_bind(r, -1, -1, nullptr);
    gl.DeleteTextures(1, &s.texture);
  }
  s.texture = 0;
  s.filter_known = s.wrap_known = 0;
  s.u_max = 1.0f;
  s.v_max = 1.0f;
  s.padded_width = -1;
  s.padded_height = -1;
  s.image_width = 0;
  s.image_height = 0;
}

bool texture_create(OpenGLVireo* r, const RtImage& image, int32_t x0, int32_t y0, int32_t w,
                    int32_t h, SpriteRecord* record, int32_t normal_map, int32_t nearest) {
  if (!gl_usable(r) || record == nullptr || image.pixels == nullptr) return false;
  const int32_t limit = texture_limit(r);
  if (w == 0) w = image.width - x0;
  if (h == 0) h = image.height - y0;
  if (w < 1 || h < 1) return false;
  if (w > limit) w = limit;
  if (h > limit) h = limit;
  const int32_t pw = padded_size(w), ph = padded_size(h);

  std::vector<uint8_t> buffer(static_cast<size_t>(pw) * ph * 4, 0);
  for (int32_t row = 0; row < h; ++row) {
    const int32_t sy = y0 + row;
    if (sy < 0 || sy >= image.height) continue;
    uint8_t* out = buffer.data() + static_cast<size_t>(h - 1 - row) * pw * 4;
    for (int32_t c = 0; c < w; ++c) {
      const int32_t sx = x0 + c;
      if (sx < 0 || sx >= image.width) continue;
      std::memcpy(out + c * 4, image.row(sy) + sx * 4, 4);
    }
  }

  gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
  gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  gl.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);

  if (record->texture == 0) {
    gl.GenTextures(1, &record->texture);
  } else {
    // The old picture goes; its name is used again.
    gl.DeleteTextures(1, &record->texture);
  }
  gl.BindTexture(GL_TEXTURE_2D, record->texture);
  texture_params(nearest ? GL_NEAREST : GL_LINEAR);
  record->wrap_known = 1;
  record->filter_known = nearest ? 1 : 2;
  if (normal_map) normal_map_convert(buffer.data(), pw, ph);
  gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pw, ph, 0, GL_RGBA, GL_UNSIGNED_BYTE, buffer.data());
  // Whatever texture_bind recorded is not what is bound now.
  r->bound_sprite = -1;
  return true;
}

namespace {

// Makes the image the picture of a slot that is free already.
bool sprite_upload(OpenGLVireo* r, int32_t id, RtImage& image, int32_t normal_map) {
  if (image.width <= 0 || image.height <= 0 || image.pixels == nullptr) return false;
  const bool font_slot = id >= kFirstFontSprite;
  SpriteRecord& s = r->sprites[id];
  const int32_t limit = texture_limit(r);
  const int32_t tex_w = image.width < limit ? image.width : limit;
  const int32_t tex_h = image.height < limit ? image.height : limit;
  if (!gl_usable(r)) {
    // No context: the slot keeps the sizes, so that size queries and sheets
    // work the same; there is nothing to draw with.
    record_sizes_set(s, image.width, image.height, tex_w, tex_h);
    return true;
  }
  if (!texture_create(r, image, 0, 0, 0, 0, &s, font_slot ? 0 : normal_map, font_slot ? 1 : 0)) {
    sprite_delete(r, id);
    return false;
  }
  record_sizes_set(s, image.width, image.height, tex_w, tex_h);
  // A target drawing into this sprite must follow the new texture.
  target_sprite_reloaded(r, id);
  return true;
}

}  // namespace

bool sprite_from_image(OpenGLVireo* r, int32_t id, RtImage& image, int32_t normal_map) {
  if (r == nullptr || !sprite_id_valid(id)) return false;
  sprite_delete(r, id);
  return sprite_upload(r, id, image, normal_map);
}

namespace {

// The program's slots are 0..65503; the ones above hold the fonts and the
// runtime's scratch picture. False, with error 7 said, for any other.
bool program_slot(const char* command, int32_t id) {
  if (id >= 0 && id <= kLastProgramSprite) return true;
  if (id > kLastProgramSprite && id < kSpriteSlotCount) {
    error_say(kErrOutOfMemory,
              "%s: slot %d is reserved (%d.. hold the fonts); program slots are 0..%d", command, id,
              kFirstFontSprite, kLastProgramSprite);
  } else {
    error_say(kErrOutOfMemory, "%s: slot %d out of range 0..%d", command, id, kLastProgramSprite);
  }
  return false;
}

void sprite_load_with(const char* command, const RtString& file, int32_t id, int32_t normal_map) {
  ctx.last_error = 0;
  if (!program_slot(command, id)) return;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) {
    if (!file.empty())
      error_say(kErrNoSuchFile, "%s: '%s': the runtime has not started", command, file.c_str());
    return;
  }
  // A failed load leaves the slot free, as an empty name does.
  sprite_delete(r, id);
  if (file.empty()) return;
  RtString path = file;
  if (!path_resolve(path)) {
    error_say(kErrNoSuchFile, "%s: '%s': no such file", command, file.c_str());
    return;
  }
  RtImage image;
  if (const char* why = image_read(image, path.c_str(), r->color_key)) {
    path_resolved_release(path);
    error_say(kErrNoSuchFile, "%s: '%s': %s", command, file.c_str(), why);
    return;
  }
  if (image.alpha_in_file == 0) alpha_bleed(image);
  if (!sprite_upload(r, id, image, normal_map)) {
    error_say(kErrNoSuchFile, "%s: '%s': no texture could be made of it", command, file.c_str());
  }
}

}  // namespace

void sprite_load(const RtString& file, int32_t id) { sprite_load_with("sprite_load", file, id, 0); }

void sprite_load_normal_map(const RtString& file, int32_t id) {
  sprite_load_with("sprite_load_normal_map", file, id, 1);
}

void sprite_load_sheet(const RtString& file, int32_t id, int32_t frame_width,
                       int32_t frame_height) {
  sprite_load(file, id);
  if (sprite_slot_used(id)) sprite_set_frames(id, frame_width, frame_height);
}

void sprite_set_frames(int32_t id, int32_t frame_width, int32_t frame_height) {
  ctx.last_error = 0;
  if (!sprite_slot_used(id)) return;
  SpriteRecord& s = ctx.renderer->sprites[id];
  s.frame_width = static_cast<int16_t>(frame_width);
  s.frame_height = static_cast<int16_t>(frame_height);
}

void sprite_size_get(int32_t id, int32_t* width, int32_t* height) {
  ctx.last_error = 0;
  *width = *height = 0;
  const OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || !sprite_id_valid(id)) return;
  *width = r->sprites[id].image_width;
  *height = r->sprites[id].image_height;
}

void sprite_size_get(int32_t id, double* width, double* height) {
  int32_t w, h;
  sprite_size_get(id, &w, &h);
  *width = w;
  *height = h;
}

int32_t sprite_free_slot(const OpenGLVireo* r, int32_t except) {
  if (r == nullptr) return -1;
  for (int32_t id = kLastProgramSprite; id >= 0; --id) {
    if (id != except && r->sprites[id].image_width == 0) return id;
  }
  return -1;
}

int32_t sprite_free_get() {
  ctx.last_error = 0;
  return sprite_free_slot(ctx.renderer);
}

uint32_t sprite_texture_get(int32_t id) {
  ctx.last_error = 0;
  const OpenGLVireo* r = ctx.renderer;
  if (r == nullptr || !sprite_id_valid(id)) return 0;
  return r->sprites[id].texture;
}

void sprite_delete_all() {
  ctx.last_error = 0;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  for (int32_t id = 0; id <= 65535; ++id) sprite_delete(r, id);
  for (int32_t i = 0; i < kBackgroundCount; ++i) background_remove(r, i);
}

bool sprite_from_array(RtArray<int32_t>& pixels, int32_t id, int32_t width, int32_t height) {
  ctx.last_error = 0;
  if (!program_slot("sprite_from_array", id)) return false;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return false;
  if (static_cast<int64_t>(width) * height != pixels.count) return false;
  // Both sizes negative give a positive product too; there is no such image.
  if (width <= 0 || height <= 0) return false;
  RtImage image;
  if (!image.resize(width, height)) return false;
  image.alpha_in_file = 1;
  const int32_t n = width * height;
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t v = static_cast<uint32_t>(pixels(i));
    uint8_t* p = image.pixels + static_cast<int64_t>(i) * 4;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
  }
  return sprite_from_image(r, id, image, 0);
}

namespace {

void image_to_array(const RtImage& image, RtArray<int32_t>& pixels) {
  const int32_t n = image.width * image.height;
  array_dim(pixels, n);
  if (pixels.count < n) return;  // the array could not be sized
  for (int32_t i = 0; i < n; ++i) {
    const uint8_t* p = image.pixels + static_cast<int64_t>(i) * 4;
    pixels(i) =
        static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                             static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
  }
}

}  // namespace

bool sprite_to_array(RtArray<int32_t>& pixels, int32_t id) {
  ctx.last_error = 0;
  OpenGLVireo* r = ctx.renderer;
  if (!sprite_slot_used(id) || r->sprites[id].image_height == 0) return false;
  RtImage image;
  if (!sprite_read_back(r, id, image)) return false;
  image_to_array(image, pixels);
  return true;
}

bool image_file_to_array(const RtString& file, int32_t* width, int32_t* height,
                         RtArray<int32_t>& pixels) {
  ctx.last_error = 0;
  RtString path = file;
  if (!path_resolve(path)) {
    error_say(kErrNoSuchFile, "image_file_to_array: '%s': no such file", file.c_str());
    return false;
  }
  const int32_t key = ctx.renderer ? ctx.renderer->color_key : 0x8000FF;
  RtImage image;
  if (const char* why = image_read(image, path.c_str(), key)) {
    path_resolved_release(path);
    error_say(kErrNoSuchFile, "image_file_to_array: '%s': %s", file.c_str(), why);
    return false;
  }
  if (image.alpha_in_file == 0) alpha_bleed(image);
  *width = image.width;
  *height = image.height;
  image_to_array(image, pixels);
  return true;
}

bool sprite_read_back(OpenGLVireo* r, int32_t id, RtImage& image) {
  if (!gl_usable(r) || !sprite_id_valid(id)) return false;
  const SpriteRecord& s = r->sprites[id];
  if (s.image_width <= 0 || s.image_height <= 0 || s.texture == 0) return false;
  // The texture may hold only the top-left part of a very large image.
  const int32_t w = s.image_width < s.padded_width ? s.image_width : s.padded_width;
  const int32_t h = s.image_height < s.padded_height ? s.image_height : s.padded_height;
  if (!image.resize(w, h)) return false;
  // Drawing into a target ends here, as target_use(-1) would end it: the
  // commands go back to the (logical) screen.
  renderer_end_target_redirect(r);
  {
    ScratchFramebuffer fb(s.texture);
    if (!fb.ok()) {
      image.clear();
      return false;
    }
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.ReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels);
  }
  // OpenGL gives the bottom row first.
  std::vector<uint8_t> tmp(static_cast<size_t>(w) * 4);
  for (int32_t y = 0; y < h / 2; ++y) {
    uint8_t* a = image.row(y);
    uint8_t* b = image.row(h - 1 - y);
    std::memcpy(tmp.data(), a, tmp.size());
    std::memcpy(a, b, tmp.size());
    std::memcpy(b, tmp.data(), tmp.size());
  }
  image.alpha_in_file = 1;
  return true;
}

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
  if (gl_usable(r) && w > 0 && h > 0) {
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
  if (!gl_usable(r)) {
    record_sizes_set(s, w, h, w, h);
    return;
  }
  const int32_t pw = padded_size(w), ph = padded_size(h);
  const GLenum format = screen_pixel_format(r);
  if (s.texture != 0 && s.padded_width == pw && s.padded_height == ph) {
    gl.BindTexture(GL_TEXTURE_2D, s.texture);
  } else {
    if (s.texture != 0) gl.DeleteTextures(1, &s.texture);
    s.texture = 0;
    gl.GenTextures(1, &s.texture);
    gl.BindTexture(GL_TEXTURE_2D, s.texture);
    texture_params(GL_LINEAR);
    s.wrap_known = 1;
    s.filter_known = 2;
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pw, ph, 0, format, GL_UNSIGNED_BYTE, nullptr);
  }
  r->bound_sprite = -1;
  record_sizes_set(s, w, h, w, h);

  const bool alpha_bits = framebuffer_has_alpha(r);
  if (alpha_bits && r->orientation == 0) {
    gl.CopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x, r->height - y - h, w, h);
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
  gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
  gl.ReadPixels(rx, ry, rw, rh, format, GL_UNSIGNED_BYTE, read.data());

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
  gl.BindTexture(GL_TEXTURE_2D, s.texture);
  gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
  gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pw, ph, 0, format, GL_UNSIGNED_BYTE, padded.data());
}

void sprite_grab(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height) {
  ctx.last_error = 0;
  if (!program_slot("sprite_grab", id)) return;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  const ScreenState& st = screen_state;
  if (st.screen_scale <= 1 || st.target_in_use != -1 || !gl_usable(r)) {
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

void color_key_set(int32_t color) {
  ctx.last_error = 0;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  r->color_key = color;
  r->font_color_key = color;
}

bool sprite_save(int32_t id, const RtString& file) {
  ctx.last_error = 0;
  OpenGLVireo* r = ctx.renderer;
  RtImage image;
  int error = 0;
  if (r == nullptr || !sprite_read_back(r, id, image)) {
    error_say(kErrNoSuchFile, "sprite_save: slot %d: no picture to save", id);
    return false;
  }
  if (!image_write(file.c_str(), image, &error)) {
    error_say(kErrNoSuchFile, "sprite_save: '%s': %s", file.c_str(),
              error != 0 ? std::strerror(error) : "not a name a file can take");
    return false;
  }
  return true;
}

bool screen_save(const RtString& file) {
  ctx.last_error = 0;
  OpenGLVireo* r = ctx.renderer;
  const int32_t slot = sprite_free_get();
  if (r == nullptr || slot < 0) {
    error_say(kErrNoSuchFile, "screen_save: '%s': %s", file.c_str(),
              r == nullptr ? "no screen" : "no free sprite slot to read the screen into");
    return false;
  }
  // The whole screen as the game sees it: turned a quarter, it is the
  // window's height wide.
  const ScreenMapping m = renderer_screen_mapping(r);
  screen_grab_to_sprite(r, slot, 0, 0, m.screen_width(), m.screen_height());
  RtImage image;
  int error = 0;
  const bool read = sprite_read_back(r, slot, image);
  const bool ok = read && image_write(file.c_str(), image, &error);
  sprite_delete(r, slot);
  if (!ok) {
    error_say(kErrNoSuchFile, "screen_save: '%s': %s", file.c_str(),
              !read        ? "the screen cannot be read back"
              : error != 0 ? std::strerror(error)
                           : "not a name a file can take");
  }
  return ok;
}

void alpha_bleed(RtImage& image) {
  const int32_t W = image.width, H = image.height;
  if (image.pixels == nullptr) return;
  for (int32_t y = 0; y < H; ++y) {
    for (int32_t x = 0; x < W; ++x) {
      uint8_t* p = image.row(y) + x * 4;
      if (p[3] != 0) continue;
      int32_t sum[3] = {0, 0, 0};
      int32_t n = 0;
      for (int32_t dy = -1; dy <= 1; ++dy) {
        for (int32_t dx = -1; dx <= 1; ++dx) {
          if (dx == 0 && dy == 0) continue;
          const int32_t nx = x + dx, ny = y + dy;
          // Only neighbours strictly inside the image count.
          if (nx < 1 || ny < 1 || nx > W - 2 || ny > H - 2) continue;
          const uint8_t* q = image.row(ny) + nx * 4;
          if (q[3] == 0) continue;
          for (int c = 0; c < 3; ++c) sum[c] += q[c];
          ++n;
        }
      }
      for (int c = 0; c < 3; ++c) p[c] = n > 0 ? static_cast<uint8_t>(sum[c] / n) : 0;
    }
  }
}

void normal_map_convert(uint8_t* pixels, int32_t W, int32_t H) {
  if (pixels == nullptr || W <= 0 || H <= 0) return;
  std::vector<float> height(static_cast<size_t>(W) * H);
  for (size_t i = 0; i < height.size(); ++i) height[i] = pixels[i * 4 + 2] / 255.0f;
  auto at = [&](int32_t x, int32_t y) {
    x = ((x % W) + W) % W;
    y = ((y % H) + H) % H;
    return height[static_cast<size_t>(y) * W + x];
  };
  for (int32_t y = 0; y < H; ++y) {
    for (int32_t x = 0; x < W; ++x) {
      const float a = at(x - 1, y + 1), b = at(x, y + 1), c = at(x + 1, y + 1);
      const float d = at(x - 1, y - 1), e = at(x, y - 1), f = at(x + 1, y - 1);
      const float g = at(x - 1, y), hh = at(x + 1, y);
      const float dx = -(c + f - a - d - 2 * g + 2 * hh);
      const float dy = -(f - c - a - 2 * b + d + 2 * e);
      const float n = 1.0f / std::sqrt(dx * dx + dy * dy + 1);
      uint8_t* p = pixels + (static_cast<size_t>(y) * W + x) * 4;
      p[0] = static_cast<uint8_t>((dx * n + 1) * 0.5f * 255);
      p[1] = static_cast<uint8_t>((dy * n + 1) * 0.5f * 255);
      p[2] = static_cast<uint8_t>((n + 1) * 0.5f * 255);
    }
  }
}

}  // namespace zrv
