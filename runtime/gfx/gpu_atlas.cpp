// The GPU layer's atlas: copies of small textures gathered into a few large
// pages, so that a batch drawing many textures samples one or two.
//
// Why copies: a fragment shader choosing among texture units runs every
// branch on a software rasteriser, paying one texture read per unit for
// each pixel; a page is one read. The textures stay the pictures of record
// (uploads, grabs, targets and read-back use them); a copy is made, texel
// for texel and without a draw, when a texture is first drawn, and made
// again after its picture changed.
//
// Why the pixels stay the same. Each copy has a border of one texel holding
// what the texture's own wrap mode gives beyond its edges (the opposite
// edge for repeat, the edge itself for clamp): all that filtering reads for
// coordinates inside the texture. Where a copy is drawn from then depends
// on how the quad samples it:
// - A quad whose pixels each take one texel whole (axis-aligned, whole
//   pixels, one texel to a pixel, the screen enlarged by a power of two)
//   reads texel centres: any copy gives the same bytes, its coordinates
//   moved by an exact addition.
// - Any other quad (turned, stretched, zoomed) reads between texels, where
//   a coordinate moved by an addition would round differently. It draws
//   from a copy at a page's origin: its coordinates are only scaled by a
//   power of two (pages and textures have power-of-two sides), which every
//   step of the rasteriser carries exactly. Each page has one origin; a
//   texture without one keeps drawing from itself.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/gpu_internal.hpp"

namespace zrv::gpu {

namespace {

constexpr int32_t kPageSide = 2048;
constexpr int32_t kLargestCopied = 1024;  // sides of textures the atlas takes
constexpr int32_t kMostPages = 8;

bool atlas_from_environment() {
  const char* v = std::getenv("ZRV_NO_ATLAS");
  return v == nullptr || *v == '\0' || (v[0] == '0' && v[1] == '\0');
}

bool atlas_on = atlas_from_environment();

uint64_t atlas_key(Texture texture, const Sampling& sampling, bool origin) {
  return static_cast<uint64_t>(texture) << 3 | (origin ? 4u : 0u) | (sampling.clamp ? 2u : 0u) |
         (sampling.linear ? 1u : 0u);
}

bool power_of_two(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

// A place of w x h texels in the page, shelf by shelf; the page's last
// column and row are the border of its origin's copy.
bool page_take(AtlasPage& p, int32_t side, int32_t w, int32_t h, int32_t* x, int32_t* y) {
  const int32_t room = side - 1;
  if (w > room || h > room) return false;
  // Beside the others on the shelf when it is tall enough (an empty shelf
  // grows to its first), else on a new shelf above.
  if (p.cursor_x + w > room || (p.cursor_x > 0 && h > p.shelf_h)) {
    p.shelf_y += p.shelf_h;
    p.shelf_h = 0;
    p.cursor_x = 0;
  }
  if (p.shelf_y + h > room) return false;
  p.shelf_h = std::max(p.shelf_h, h);
  *x = p.cursor_x;
  *y = p.shelf_y;
  p.cursor_x += w;
  return true;
}

// A new page of the filter, false when there are enough.
bool page_add(GpuState& s, bool linear) {
  if (static_cast<int32_t>(s.pages.size()) >= kMostPages) return false;
  AtlasPage p;
  p.linear = linear;
  p.texture = texture_create();
  if (p.texture == 0) return false;
  texture_image(p.texture, s.page_side, s.page_side, GL_RGBA, nullptr, Sampling{linear, false});
  s.pages.push_back(p);
  return true;
}

// Empties the pages of one filter for copies to come.
void pages_clear(GpuState& s, bool linear) {
  flush();
  s.atlas_last.texture = 0;
  for (auto it = s.atlas.begin(); it != s.atlas.end();) {
    if (s.pages[it->second.page].linear == linear) {
      it = s.atlas.erase(it);
    } else {
      ++it;
    }
  }
  for (AtlasPage& p : s.pages) {
    if (p.linear == linear) p.shelf_y = p.shelf_h = p.cursor_x = 0;
  }
}

// A place for a copy of w x h texels: inside a page of the filter, or at the
// origin of a new one.
bool place_find(GpuState& s, bool linear, bool origin, int32_t w, int32_t h, AtlasEntry* e) {
  e->origin = origin;
  if (origin) {
    if (!page_add(s, linear)) return false;
    e->page = static_cast<int32_t>(s.pages.size()) - 1;
    AtlasPage& p = s.pages.back();
    e->x = e->y = 0;
    // The rest of the page fills beside it (its right and top border
    // included).
    p.cursor_x = w + 1;
    p.shelf_h = h + 1;
    return true;
  }
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < s.pages.size(); ++i) {
      AtlasPage& p = s.pages[i];
      if (p.linear == linear && page_take(p, s.page_side, w + 2, h + 2, &e->x, &e->y)) {
        e->page = static_cast<int32_t>(i);
        ++e->x;
        ++e->y;
        return true;
      }
    }
    if (page_add(s, linear)) continue;
    // Every page is full: the copies of this filter start again.
    if (round == 0) pages_clear(s, linear);
  }
  return false;
}

// Whether the bound copy framebuffer, reading a texture of this format, is
// complete. Every texture of one format gives the same answer, and in a
// browser asking waits for all the drawing queued before it (tens of
// milliseconds per new sprite on a software renderer), so it is asked once.
bool copy_readable(GpuState& s, uint32_t format) {
  const auto known = s.copy_readable.find(format);
  if (known != s.copy_readable.end()) return known->second;
  const bool complete = gl_driver.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  s.copy_readable.emplace(format, complete);
  return complete;
}

// Copies the texture and its border into its place, texel for texel, through
// a framebuffer reading it: no drawing, and nothing the batch uses changes
// unless the copy replaces one the batch has drawn from.
void copy_make(GpuState& s, Texture texture, uint32_t format, bool clamp, const AtlasEntry& e) {
  const GlApi& g = gl_driver;
  const AtlasPage& page = s.pages[e.page];
  if (e.version != 0) flush_if_sampled(s, page.texture);
  if (s.copy_framebuffer == 0) s.copy_framebuffer = framebuffer_create();
  g.BindFramebuffer(GL_FRAMEBUFFER, s.copy_framebuffer);
  g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  if (copy_readable(s, format)) {
    texture_work_bind(s, page.texture);
    const int32_t w = e.w, h = e.h, side = s.page_side;
    // The border's columns and rows: beside the picture, or for a copy at
    // the origin, on the page's far edges.
    const int32_t left = e.origin ? side - 1 : e.x - 1, right = e.x + w;
    const int32_t bottom = e.origin ? side - 1 : e.y - 1, top = e.y + h;
    // What lies beyond each edge: the far edge (repeat) or the edge itself.
    const int32_t before_x = clamp ? 0 : w - 1, after_x = clamp ? w - 1 : 0;
    const int32_t before_y = clamp ? 0 : h - 1, after_y = clamp ? h - 1 : 0;
    const struct {
      int32_t dx, dy, sx, sy, w, h;
    } pieces[] = {
        {e.x, e.y, 0, 0, w, h},
        {left, e.y, before_x, 0, 1, h},
        {right, e.y, after_x, 0, 1, h},
        {e.x, bottom, 0, before_y, w, 1},
        {e.x, top, 0, after_y, w, 1},
        {left, bottom, before_x, before_y, 1, 1},
        {right, bottom, after_x, before_y, 1, 1},
        {left, top, before_x, after_y, 1, 1},
        {right, top, after_x, after_y, 1, 1},
    };
    for (const auto& p : pieces) {
      g.CopyTexSubImage2D(GL_TEXTURE_2D, 0, p.dx, p.dy, p.sx, p.sy, p.w, p.h);
    }
  }
  g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  g.BindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
}

bool copyable(const GpuState& s, Texture texture, TextureInfo* info) {
  if (!atlas_on || s.page_side == 0 || texture == 0) return false;
  const auto known = s.textures.find(texture);
  if (known == s.textures.end()) return false;
  *info = known->second;
  if (!power_of_two(info->w) || !power_of_two(info->h) || info->w > kLargestCopied ||
      info->h > kLargestCopied) {
    return false;
  }
  // A texture being drawn into is not copied while it is.
  const auto target = s.attached.find(s.framebuffer);
  return s.framebuffer == 0 || target == s.attached.end() || target->second != texture;
}

// The texture's copy for the sampling (at a page's origin, or anywhere),
// made or made again when its picture changed; null when there is none.
AtlasEntry* copy_of(GpuState& s, Texture texture, const Sampling& sampling, bool origin) {
  TextureInfo info;
  if (!copyable(s, texture, &info)) return nullptr;
  const uint64_t key = atlas_key(texture, sampling, origin);
  auto found = s.atlas.find(key);
  if (found != s.atlas.end() && (found->second.w != info.w || found->second.h != info.h)) {
    s.atlas_last.texture = 0;
    s.atlas.erase(found);
    found = s.atlas.end();
  }
  if (found == s.atlas.end()) {
    AtlasEntry e;
    e.w = info.w;
    e.h = info.h;
    if (!place_find(s, sampling.linear, origin, info.w, info.h, &e)) return nullptr;
    found = s.atlas.emplace(key, e).first;
  }
  AtlasEntry& e = found->second;
  if (e.version != info.version) {
    copy_make(s, texture, info.format, sampling.clamp, e);
    e.version = info.version;
  }
  return &e;
}

// Whether a float is a whole number, as floor would say, without its call
// (2^23 and above are all whole).
bool whole(float f) {
  if (std::fabs(f) < 8388608.0f) return f == static_cast<float>(static_cast<int32_t>(f));
  return f == f;
}

// Whether each pixel of the quad takes one texel whole: an axis-aligned
// rectangle of whole pixels, one texel to a pixel, on a screen enlarged by
// a power of two.
bool texel_aligned(const Corner c[4], int32_t w, int32_t h, bool zoom_power_of_two) {
  if (!zoom_power_of_two) return false;
  for (int i = 0; i < 4; ++i) {
    if (!whole(c[i].x) || !whole(c[i].y)) return false;
    for (int j = i + 1; j < 4; ++j) {
      if ((c[i].x == c[j].x) != (c[i].u == c[j].u)) return false;
      if ((c[i].y == c[j].y) != (c[i].v == c[j].v)) return false;
      if (c[i].x != c[j].x && std::fabs(c[i].x - c[j].x) != std::fabs(c[i].u - c[j].u) * w) {
        return false;
      }
      if (c[i].y != c[j].y && std::fabs(c[i].y - c[j].y) != std::fabs(c[i].v - c[j].v) * h) {
        return false;
      }
    }
  }
  return true;
}

// A coordinate of the copy's texture (of size texels) as one of the page:
// false when the addition would round.
bool coordinate_map(float t, int32_t size, int32_t corner, int32_t side, bool origin, float* out) {
  if (origin) {
    *out = t * (static_cast<float>(size) / static_cast<float>(side));
    return true;
  }
  const double texel = static_cast<double>(t) * size + corner;
  const auto f = static_cast<float>(texel);
  if (static_cast<double>(f) != texel) return false;
  *out = f / static_cast<float>(side);
  return true;
}

}  // namespace

bool atlas_enabled() { return atlas_on; }

void atlas_set(bool on) {
  flush();
  atlas_on = on;
}

void atlas_begin(GpuState& s) {
  s.page_side = framebuffers_supported() ? std::min(kPageSide, texture_size_limit()) : 0;
}

bool atlas_route(GpuState& s, Texture* texture, Sampling* sampling, Corner c[4], bool projected) {
  if (!atlas_on || s.page_side == 0 || *texture == 0) return false;
  for (int i = 0; i < 4; ++i) {
    // Beyond its edges a texture repeats further than a border reaches.
    if (!(c[i].u >= 0.0f && c[i].u <= 1.0f && c[i].v >= 0.0f && c[i].v <= 1.0f)) return false;
  }
  // A copy at an origin serves every quad; one elsewhere, whole texels only.
  auto& last = s.atlas_last;
  const AtlasEntry* e = nullptr;
  if (last.texture == *texture && last.sampling == *sampling &&
      last.entry->version == last.info->version &&
      (last.entry->origin ||
       (!projected && texel_aligned(c, last.info->w, last.info->h, s.zoom_power_of_two)))) {
    e = last.entry;
  } else {
    const auto known = s.textures.find(*texture);
    if (known == s.textures.end()) return false;
    AtlasEntry* made = nullptr;
    const auto at_origin = s.atlas.find(atlas_key(*texture, *sampling, true));
    if (at_origin != s.atlas.end()) {
      made = copy_of(s, *texture, *sampling, true);
    } else if (!projected &&
               texel_aligned(c, known->second.w, known->second.h, s.zoom_power_of_two)) {
      made = copy_of(s, *texture, *sampling, false);
    } else {
      made = copy_of(s, *texture, *sampling, true);
    }
    if (made == nullptr) return false;
    last.texture = *texture;
    last.sampling = *sampling;
    last.info = &known->second;
    last.entry = made;
    e = made;
  }
  Corner mapped[4];
  for (int i = 0; i < 4; ++i) {
    mapped[i] = c[i];
    if (!coordinate_map(c[i].u, e->w, e->x, s.page_side, e->origin, &mapped[i].u) ||
        !coordinate_map(c[i].v, e->h, e->y, s.page_side, e->origin, &mapped[i].v)) {
      return false;
    }
  }
  *texture = s.pages[e->page].texture;
  *sampling = Sampling{s.pages[e->page].linear, false};
  std::copy(mapped, mapped + 4, c);
  return true;
}

void texture_changed(GpuState& s, Texture texture) {
  const auto known = s.textures.find(texture);
  if (known != s.textures.end()) known->second.version = s.next_version++;
}

void texture_forgotten(GpuState& s, Texture texture) {
  s.atlas_last.texture = 0;
  s.textures.erase(texture);
  for (uint64_t variant = 0; variant < 8; ++variant) {
    s.atlas.erase(static_cast<uint64_t>(texture) << 3 | variant);
  }
  for (auto it = s.attached.begin(); it != s.attached.end();) {
    if (it->second == texture) {
      it = s.attached.erase(it);
    } else {
      ++it;
    }
  }
}

void framebuffer_drawn(GpuState& s) {
  if (s.framebuffer == 0) return;
  const auto target = s.attached.find(s.framebuffer);
  if (target != s.attached.end()) texture_changed(s, target->second);
}

}  // namespace zrv::gpu
