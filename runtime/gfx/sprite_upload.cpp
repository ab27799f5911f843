// Pictures into textures: uploading an image padded to powers of two and
// turned bottom row first, arrays of pixels, and the preparation of
// pictures (alpha bleeding, normal maps).
#include <cmath>
#include <cstring>
#include <vector>

#include "base/context.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/sprite_internal.hpp"
#include "gfx/sprites.hpp"
#include "gfx/targets.hpp"

namespace zrv {

namespace {

// Texture side used without a context (headless runs keep sizes only).
constexpr int32_t kHeadlessTextureLimit = 16384;

}  // namespace

int32_t texture_limit(OpenGLVireo* r) {
  if (r == nullptr || !r->gl_ready) return kHeadlessTextureLimit;
  if (r->texture_limit == 0) {
    const int32_t m = gpu::texture_size_limit();
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

int32_t padded_size(int32_t size) {
  int32_t p = 8;
  do {
    p *= 2;
  } while (p < size);
  return p;
}

bool texture_create(OpenGLVireo* r, const RtImage& image, int32_t x0, int32_t y0, int32_t w,
                    int32_t h, SpriteRecord* record, int32_t normal_map, int32_t nearest) {
  if (r == nullptr || !r->gl_ready || record == nullptr || image.pixels == nullptr) return false;
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

  // The old picture goes with its texture; a new one takes its place.
  if (record->texture != 0) gpu::texture_delete(record->texture);
  record->texture = gpu::texture_create();
  if (normal_map) normal_map_convert(buffer.data(), pw, ph);
  gpu::texture_image(record->texture, pw, ph, GL_RGBA, buffer.data(),
                     gpu::Sampling{!nearest, false});
  return true;
}

bool sprite_upload(OpenGLVireo* r, int32_t id, RtImage& image, int32_t normal_map) {
  if (image.width <= 0 || image.height <= 0 || image.pixels == nullptr) return false;
  const bool font_slot = id >= kFirstFontSprite;
  SpriteRecord& s = r->sprites[id];
  const int32_t limit = texture_limit(r);
  const int32_t tex_w = image.width < limit ? image.width : limit;
  const int32_t tex_h = image.height < limit ? image.height : limit;
  if (!r->gl_ready) {
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

bool sprite_from_image(OpenGLVireo* r, int32_t id, RtImage& image, int32_t normal_map) {
  if (r == nullptr || !sprite_id_valid(id)) return false;
  sprite_delete(r, id);
  return sprite_upload(r, id, image, normal_map);
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

const char* picture_read(RtImage& image, const char* path, int32_t color_key) {
  if (const char* why = image_read(image, path, color_key)) return why;
  if (image.alpha_in_file == 0) alpha_bleed(image);
  return nullptr;
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
