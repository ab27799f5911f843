// Pictures out of textures: a sprite read back into an image or an array,
// and sprites and the screen saved as image files.
#include <cstring>
#include <vector>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/paths.hpp"
#include "gfx/gpu.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprite_internal.hpp"
#include "gfx/sprites.hpp"

namespace zrv {

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
  if (const char* why = picture_read(image, path.c_str(), key)) {
    path_resolved_release(path);
    error_say(kErrNoSuchFile, "image_file_to_array: '%s': %s", file.c_str(), why);
    return false;
  }
  *width = image.width;
  *height = image.height;
  image_to_array(image, pixels);
  return true;
}

bool sprite_read_back(OpenGLVireo* r, int32_t id, RtImage& image) {
  if (r == nullptr || !r->gl_ready || !sprite_id_valid(id)) return false;
  const SpriteRecord& s = r->sprites[id];
  if (s.image_width <= 0 || s.image_height <= 0 || s.texture == 0) return false;
  // The texture may hold only the top-left part of a very large image.
  const int32_t w = s.image_width < s.padded_width ? s.image_width : s.padded_width;
  const int32_t h = s.image_height < s.padded_height ? s.image_height : s.padded_height;
  if (!image.resize(w, h)) return false;
  // Drawing into a target ends here, as target_use(-1) would end it: the
  // commands go back to the (logical) screen.
  renderer_end_target_redirect(r);
  if (!gpu::texture_read(s.texture, w, h, image.pixels)) {
    image.clear();
    return false;
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

}  // namespace zrv
