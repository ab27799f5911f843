#include "gfx/draw.hpp"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/clamped.hpp"
#include "base/context.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"

namespace zrv {

namespace {

// The renderer when drawing is possible, else null.
OpenGLVireo* drawing_renderer() {
  OpenGLVireo* r = ctx.renderer;
  return r != nullptr && r->gl_ready ? r : nullptr;
}

// Draws vertices of x, y, u, v from client memory at once (lines and
// points). Both arrays stay enabled (texture coordinates are simply not
// used while texturing is off), as the batch leaves them.
void vertices_draw(GLenum mode, const QuadVertex* v, int32_t count) {
  client_array_set(GL_VERTEX_ARRAY, screen_state.vertex_array, true);
  client_array_set(GL_TEXTURE_COORD_ARRAY, screen_state.texcoord_array, true);
  gl.VertexPointer(2, GL_FLOAT, sizeof(QuadVertex), &v[0].x);
  gl.TexCoordPointer(2, GL_FLOAT, sizeof(QuadVertex), &v[0].u);
  screen_state.batch_arrays = nullptr;
  gl.DrawArrays(mode, 0, count);
}

// One quad of the fan of four vertices, through the batch.
void fan_draw(const QuadVertex v[4]) { quad_batch_add_fan(v); }

// Untextured primitives leave their colour current until the next drawing
// that needs the plain one asks for it, so that a run of fills in one
// colour stays one batch.
bool primitive_color_current = false;

// Binds a sprite and sets its filtering and wrap mode (repeat unless
// clamped); false for a slot out of range.
bool sprite_bind(OpenGLVireo* r, int32_t id, bool clamp = false) {
  if (!sprite_id_valid(id)) return false;
  texture_bind(r, id, -1, nullptr);
  texture_filter_apply(r);
  texture_wrap_set(r, clamp);
  drawing_color_restore(r);
  return true;
}

// The whole image on the box (x0, y0)-(x1, y1), exact edges.
void box_draw(OpenGLVireo* r, int32_t id, float x0, float y0, float x1, float y1) {
  const SpriteRecord& s = r->sprites[id];
  const QuadVertex v[4] = {{x1, y0, s.u_max, s.v_max},
                           {x0, y0, 0.0f, s.v_max},
                           {x0, y1, 0.0f, 0.0f},
                           {x1, y1, s.u_max, 0.0f}};
  fan_draw(v);
}

// A position plus a size as a vertex coordinate, without int32 overflow.
float edge(int32_t position, int64_t size) {
  return static_cast<float>(static_cast<int64_t>(position) + size);
}

// Texture coordinates of a sheet's frame cell: false when the sheet has
// no frame size, or no image (a deleted slot keeps its frame size).
struct Cell {
  float u_lo, u_hi, v_bottom, v_top;
  int32_t fw, fh;
};
bool frame_cell(const SpriteRecord& s, int32_t frame, Cell* cell) {
  const int32_t fw = s.frame_width, fh = s.frame_height;
  if (fw == 0 || fh == 0 || s.image_width == 0) return false;
  const int64_t per_row = s.image_width / fw;
  int64_t row = 0, column = frame;
  if (per_row > 0) {
    row = frame / per_row;
    column = frame % per_row;
  }
  const float pw = s.padded_width, ph = s.padded_height;
  cell->u_lo = static_cast<float>(column * fw) / pw;
  cell->u_hi = cell->u_lo + fw / pw;
  cell->v_bottom = static_cast<float>(s.image_height - fh * (row + 1)) / ph;
  cell->v_top = cell->v_bottom + fh / ph;
  cell->fw = fw;
  cell->fh = fh;
  return true;
}

// Colour of an untextured primitive; the colour key draws transparent.
void primitive_color_set(const OpenGLVireo* r, int32_t color) {
  color_set((color & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
            ((color >> 16) & 0xFF) / 255.0f, color == r->color_key ? 0.0f : r->current_alpha);
}

void primitive_color_restore() { primitive_color_current = true; }

// Polygon state (one polygon is open at a time).
struct PolyVertex {
  float x, y, u, v;
  uint8_t red, green, blue, alpha;
};
static_assert(sizeof(PolyVertex) == 20);

struct PolyState {
  std::vector<PolyVertex> vertices;
  int32_t count = 0;
  int32_t mode = 0;
  bool colored = false;
  bool split = false;
  float inv_width = 1.0f;
  float inv_height = 1.0f;
  int32_t sprite = -1;
};
PolyState poly;

void poly_append(const PolyVertex& v) {
  // Growth: 64 vertices first, then doubling.
  if (poly.count >= static_cast<int32_t>(poly.vertices.size())) {
    poly.vertices.resize(poly.vertices.empty() ? 64 : poly.vertices.size() * 2);
  }
  poly.vertices[poly.count++] = v;
}

}  // namespace

void drawing_color_restore(const OpenGLVireo* r) {
  if (!primitive_color_current) return;
  primitive_color_current = false;
  color_set(1, 1, 1, r->current_alpha);
}

void client_array_set(uint32_t array, int32_t& cached, bool on) {
  if (cached == (on ? 1 : 0)) return;
  if (on) {
    gl.EnableClientState(array);
  } else {
    gl.DisableClientState(array);
  }
  cached = on ? 1 : 0;
}

namespace {

// The texture name texture_bind bound on unit 0 for r->bound_sprite, and
// whether that binding is a slot's own texture (whose record caches its
// parameters) rather than one of a table of names or a second unit's.
GLuint bound_name = 0;
bool bound_is_slot = false;

// The record whose texture is bound, null when the binding is not a
// slot's own texture.
SpriteRecord* bound_record(OpenGLVireo* r) {
  if (!bound_is_slot || !sprite_id_valid(r->bound_sprite)) return nullptr;
  SpriteRecord& s = r->sprites[r->bound_sprite];
  return s.texture == bound_name ? &s : nullptr;
}

// Sets a pair of parameters of the bound texture unless its record says
// it has them already.
void texture_pair_set(OpenGLVireo* r, uint8_t SpriteRecord::*known, uint8_t want, GLenum first,
                      GLenum second, GLint value) {
  SpriteRecord* s = bound_record(r);
  if (s != nullptr && s->*known == want) return;
  gl.TexParameteri(GL_TEXTURE_2D, first, value);
  gl.TexParameteri(GL_TEXTURE_2D, second, value);
  if (s != nullptr) s->*known = want;
}

}  // namespace

void texture_filter_set(OpenGLVireo* r, bool linear) {
  texture_pair_set(r, &SpriteRecord::filter_known, linear ? 2 : 1, GL_TEXTURE_MAG_FILTER,
                   GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR : GL_NEAREST);
}

void texture_filter_apply(OpenGLVireo* r) { texture_filter_set(r, r->smooth != 0); }

void texture_wrap_set(OpenGLVireo* r, bool clamp) {
  texture_pair_set(r, &SpriteRecord::wrap_known, clamp ? 2 : 1, GL_TEXTURE_WRAP_S,
                   GL_TEXTURE_WRAP_T, clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT);
}

void texture_bind(OpenGLVireo* r, int32_t id, int32_t id2, const uint32_t* names) {
  if (r == nullptr) return;
  const bool single = names == nullptr && id2 < 0 && sprite_id_valid(id);
  // The slot bound already, its texture unchanged: nothing to tell OpenGL
  // beyond what the caches hold.
  if (single && r->gl_ready && bound_is_slot && r->bound_sprite == id && r->bound_sprite2 < 0 &&
      r->sprites[id].texture == bound_name &&
      (gl_ext.glActiveTextureARB == nullptr || screen_state.unit1_texturing == 0)) {
    cap_enable(kCapTexture2D);
    return;
  }
  r->bound_sprite = id;
  r->bound_sprite2 = id2;
  bound_is_slot = false;
  if (!r->gl_ready) return;
  auto texture_of = [&](int32_t slot) -> GLuint {
    if (!sprite_id_valid(slot)) return 0;
    return names ? names[slot] : r->sprites[slot].texture;
  };
  // A slot's own texture keeps its parameters in its record; any other
  // binding gets wrap mode repeat here.
  auto bind = [&](GLuint texture) {
    gl.BindTexture(GL_TEXTURE_2D, texture);
    bound_name = texture;
    if (single) {
      bound_is_slot = true;
    } else {
      gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
      gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
  };
  if (gl_ext.glActiveTextureARB == nullptr) {
    if (id < 0) {
      cap_disable(kCapTexture2D);
      cap_enable(kCapColorMaterial);
    } else {
      bind(texture_of(id));
      cap_enable(kCapTexture2D);
    }
    return;
  }
  const bool second = id >= 0 && id2 >= 0;
  int32_t& unit1 = screen_state.unit1_texturing;
  if (second || unit1 != 0) {
    // Past the `gl` table: the batch is drawn with the units as they are.
    quad_batch_flush_pending();
    gl_ext.glActiveTextureARB(GL_TEXTURE1_ARB);
    if (second) {
      bind(texture_of(id));
      gl.Enable(GL_TEXTURE_2D);
    } else {
      gl.Disable(GL_TEXTURE_2D);
    }
    gl_ext.glActiveTextureARB(GL_TEXTURE0_ARB);
    unit1 = second ? 1 : 0;
  }
  if (id < 0) {
    cap_disable(kCapTexture2D);
    return;
  }
  bind(texture_of(id2 >= 0 ? id2 : id));
  cap_enable(kCapTexture2D);
}

void quad_draw(OpenGLVireo* r, const QuadVertex vertices[4]) {
  if (r == nullptr || !r->gl_ready) return;
  texture_wrap_set(r, true);
  fan_draw(vertices);
}

void sprite_draw(int32_t id, int32_t x, int32_t y) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_id_valid(id) || r->sprites[id].image_width == 0) return;
  sprite_bind(r, id);
  const SpriteRecord& s = r->sprites[id];
  box_draw(r, id, static_cast<float>(x), static_cast<float>(y), edge(x, s.image_width),
           edge(y, s.image_height));
}

void sprite_draw_stretched(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_bind(r, id)) return;
  box_draw(r, id, static_cast<float>(x), static_cast<float>(y), edge(x, w), edge(y, h));
}

void sprite_draw_zoomed(int32_t id, int32_t x, int32_t y, double zoom_x, double zoom_y) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_bind(r, id)) return;
  const int64_t W = r->sprites[id].image_width, H = r->sprites[id].image_height;
  const int64_t w = int32_clamped(zoom_x * W), h = int32_clamped(zoom_y * H);
  // Centred on the unzoomed picture.
  const int64_t left = x - (w - W) / 2, top = y - (h - H) / 2;
  box_draw(r, id, static_cast<float>(left), static_cast<float>(top), static_cast<float>(left + w),
           static_cast<float>(top + h));
}

void sprite_draw_rotozoom(int32_t id, int32_t x, int32_t y, double angle, double zoom) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_bind(r, id)) return;
  const SpriteRecord& s = r->sprites[id];
  const int32_t W = s.image_width, H = s.image_height;
  if (W == 0) return;
  const float pw = s.padded_width, ph = s.padded_height;
  const float hw = static_cast<float>(zoom * W / 2), hh = static_cast<float>(zoom * H / 2);
  const float u_lo = 0.5f / pw, u_hi = (W - 0.5f) / pw;
  const float v_lo = 0.5f / ph, v_hi = (H - 0.5f) / ph;
  gl.PushMatrix();
  gl.Translatef(edge(x, W / 2), edge(y, H / 2), 0.0f);
  gl.Rotatef(static_cast<float>(angle), 0.0f, 0.0f, -1.0f);
  const QuadVertex v[4] = {
      {-hw, hh, u_lo, v_lo}, {hw, hh, u_hi, v_lo}, {hw, -hh, u_hi, v_hi}, {-hw, -hh, u_lo, v_hi}};
  // Its own matrix: the quad is drawn before the matrix goes.
  fan_draw(v);
  quad_batch_flush();
  gl.PopMatrix();
}

void sprite_draw_rotated(int32_t id, int32_t x, int32_t y, double angle) {
  sprite_draw_rotozoom(id, x, y, angle, 1.0);
}

namespace {

// The renderer and the frame's cell of sheet id, bound for drawing; null
// when there is nothing to draw.
OpenGLVireo* frame_bound(int32_t id, int32_t frame, Cell* c, bool clamp) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_id_valid(id) || !frame_cell(r->sprites[id], frame, c)) return nullptr;
  sprite_bind(r, id, clamp);
  return r;
}

// The cell on the box (x0, y0)-(x1, y1), top right first.
void cell_quad(const Cell& c, float x0, float y0, float x1, float y1, QuadVertex v[4]) {
  v[0] = {x1, y0, c.u_hi, c.v_top};
  v[1] = {x0, y0, c.u_lo, c.v_top};
  v[2] = {x0, y1, c.u_lo, c.v_bottom};
  v[3] = {x1, y1, c.u_hi, c.v_bottom};
}

}  // namespace

void sprite_draw_frame(int32_t id, int32_t frame, int32_t x, int32_t y) {
  Cell c;
  if (frame_bound(id, frame, &c, false) == nullptr) return;
  QuadVertex v[4];
  cell_quad(c, static_cast<float>(x), static_cast<float>(y), edge(x, c.fw), edge(y, c.fh), v);
  fan_draw(v);  // the wrap mode stays repeat
}

void sprite_draw_frame_stretched(int32_t id, int32_t frame, int32_t x, int32_t y, int32_t w,
                                 int32_t h) {
  Cell c;
  OpenGLVireo* r = frame_bound(id, frame, &c, true);
  if (r == nullptr) return;
  const float x0 = static_cast<float>(x), y0 = static_cast<float>(y);
  QuadVertex v[4];
  cell_quad(c, x0, y0, x0 + w + 0.1f, y0 + h + 0.1f, v);
  quad_draw(r, v);
}

void sprite_draw_frame_rotozoom(int32_t id, int32_t frame, int32_t x, int32_t y, double angle,
                                double zoom) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_id_valid(id)) return;
  const SpriteRecord& s = r->sprites[id];
  Cell c;
  if (!frame_cell(s, frame, &c)) return;
  sprite_bind(r, id, true);
  const float pw = s.padded_width, ph = s.padded_height;
  const float u_lo = c.u_lo + 0.5f / pw, u_hi = u_lo + c.fw / pw - 1.0f / pw;
  const float v_lo = c.v_bottom + 0.5f / ph, v_hi = v_lo + c.fh / ph - 1.0f / ph;
  const float cx = edge(x, c.fw / 2), cy = edge(y, c.fh / 2);
  const float hw = static_cast<float>(c.fw * zoom / 2), hh = static_cast<float>(c.fh * zoom / 2);
  const double rad = angle * 0.017453292;
  const float sn = static_cast<float>(std::sin(rad)), cs = static_cast<float>(std::cos(rad));
  auto corner = [&](float dx, float dy, float u, float v) {
    return QuadVertex{cx + dx * cs + dy * sn, cy - dx * sn + dy * cs, u, v};
  };
  const QuadVertex v[4] = {corner(-hw, -hh, u_lo, v_hi), corner(-hw, hh, u_lo, v_lo),
                           corner(hw, hh, u_hi, v_lo), corner(hw, -hh, u_hi, v_hi)};
  quad_draw(r, v);
}

void rect_fill(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr) return;
  const float x0 = w >= 0 ? static_cast<float>(x) : edge(x, static_cast<int64_t>(w) + 1);
  const float x1 = w >= 0 ? edge(x, w) : edge(x, 1);
  const float y0 = h >= 0 ? static_cast<float>(y) : edge(y, static_cast<int64_t>(h) + 1);
  const float y1 = h >= 0 ? edge(y, h) : edge(y, 1);
  texture_bind(r, -1, -1, nullptr);
  primitive_color_set(r, color);
  const QuadVertex v[4] = {{x1, y0, 0, 0}, {x0, y0, 0, 0}, {x0, y1, 0, 0}, {x1, y1, 0, 0}};
  fan_draw(v);
  primitive_color_restore();
}

void pixel_set(int32_t x, int32_t y, int32_t color) { rect_fill(x, y, 1, 1, color); }

int32_t pixel_get(int32_t x, int32_t y) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr) return 0;
  // Logical position to window pixels (the inverse of the window-to-screen
  // mapping the mouse uses): the centre of the logical pixel on an enlarged
  // logical screen, then the screen's turn. A target's pixels are its own.
  int32_t wx = x, wy = y;
  if (r->current_target < 0) {
    const ScreenMapping m = renderer_screen_mapping(r);
    m.from_logical(x, y, &wx, &wy);
    m.to_window(wx, wy, &wx, &wy);
  }
  int32_t t = r->height;
  if (r->current_target >= 0) {
    const int32_t sprite = r->targets[r->current_target].sprite;
    t = sprite >= 0 ? r->sprites[sprite].image_height : 0;
  }
  uint8_t p[4] = {0, 0, 0, 0};
  gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
  gl.ReadPixels(wx, t - wy - 1, 1, 1, r->bgra_supported ? GL_BGRA : GL_RGBA, GL_UNSIGNED_BYTE, p);
  const uint8_t red = r->bgra_supported ? p[2] : p[0];
  const uint8_t blue = r->bgra_supported ? p[0] : p[2];
  return red | p[1] << 8 | blue << 16;
}

void line_draw(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr) return;
  texture_bind(r, -1, -1, nullptr);
  primitive_color_set(r, color);
  gl.MatrixMode(GL_PROJECTION);
  gl.PushMatrix();
  gl.Translatef(0.375f, 0.375f, 0.0f);
  const float fx2 = static_cast<float>(x2), fy2 = static_cast<float>(y2);
  const QuadVertex v[2] = {{static_cast<float>(x1), static_cast<float>(y1), 0, 0},
                           {fx2, fy2, 0, 0}};
  vertices_draw(GL_LINES, v, 2);
  // The end point is always set.
  vertices_draw(GL_POINTS, v + 1, 1);
  gl.PopMatrix();
  gl.MatrixMode(GL_MODELVIEW);
  primitive_color_restore();
}

void blend_alpha(double value) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  const float a = static_cast<float>(value);
  if (a == 0) {
    cap_disable(kCapBlend);
  } else {
    cap_enable(kCapBlend);
    blend_func_set(a > 0 ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
  }
  const float magnitude = std::fabs(a);
  r->current_alpha = a == 0 ? 1.0f : (magnitude < 1 ? magnitude : 1.0f);
  primitive_color_current = false;
  color_set(1, 1, 1, r->current_alpha);
}

void alpha_test_set(double threshold) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  if (threshold >= 1) {
    cap_disable(kCapAlphaTest);
    r->alpha_threshold = 1.0f;
    return;
  }
  cap_enable(kCapAlphaTest);
  r->alpha_threshold = static_cast<float>(threshold);
  if (r->gl_ready && screen_state.alpha_reference != r->alpha_threshold) {
    gl.AlphaFunc(GL_GREATER, r->alpha_threshold);
    screen_state.alpha_reference = r->alpha_threshold;
  }
}

void smooth_set(int32_t flag) {
  if (ctx.renderer) ctx.renderer->smooth = flag != 0;
}

void poly_start(int32_t id, int32_t mode) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  texture_bind(r, id, -1, nullptr);
  poly.count = 0;
  if (poly.vertices.empty()) poly.vertices.resize(64);
  poly.colored = false;
  poly.mode = mode;
  poly.sprite = sprite_id_valid(id) ? id : -1;
  if (poly.sprite >= 0) {
    const SpriteRecord& s = r->sprites[id];
    poly.inv_width = s.padded_width > 0 ? 1.0f / s.padded_width : 0.0f;
    poly.inv_height = s.padded_height > 0 ? 1.0f / s.padded_height : 0.0f;
  }
  poly.split = false;
}

void poly_vertex(double x, double y, double tx, double ty, int32_t color) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  PolyVertex v{};
  v.x = static_cast<float>(x);
  v.y = static_cast<float>(y);
  if (poly.sprite >= 0) {
    v.u = static_cast<float>(tx * poly.inv_width);
    v.v = static_cast<float>((r->sprites[poly.sprite].image_height - ty) * poly.inv_height);
  }
  if (color == 0xFFFFFF) {
    v.red = v.green = v.blue = 255;
  } else {
    poly.colored = true;
    v.red = static_cast<uint8_t>(color);
    v.green = static_cast<uint8_t>(color >> 8);
    v.blue = static_cast<uint8_t>(color >> 16);
  }
  if (color == r->color_key) {
    v.alpha = 0;
  } else {
    v.alpha = r->current_alpha != 1.0f ? static_cast<uint8_t>(r->current_alpha * 255) : 255;
  }
  poly_append(v);
  if (poly.split) {
    poly_append(v);
    poly.split = false;
  }
}

void poly_new_strip() {
  if (poly.count == 0 || poly.split) return;
  poly.split = true;
  const PolyVertex last = poly.vertices[poly.count - 1];
  poly_append(last);
}

void poly_end() {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || poly.count == 0) return;
  static const GLenum kModes[3] = {GL_TRIANGLE_FAN, GL_TRIANGLES, GL_TRIANGLE_STRIP};
  const PolyVertex* v = poly.vertices.data();
  const bool textured = r->bound_sprite >= 0;
  drawing_color_restore(r);
  client_array_set(GL_VERTEX_ARRAY, screen_state.vertex_array, true);
  gl.VertexPointer(2, GL_FLOAT, sizeof(PolyVertex), &v[0].x);
  screen_state.batch_arrays = nullptr;
  client_array_set(GL_TEXTURE_COORD_ARRAY, screen_state.texcoord_array, textured);
  if (textured) gl.TexCoordPointer(2, GL_FLOAT, sizeof(PolyVertex), &v[0].u);
  const bool colors = poly.colored || r->current_alpha != 1.0f;
  if (colors) {
    poly.colored = true;
    cap_enable(kCapDither);
    gl.ShadeModel(GL_SMOOTH);
    gl.EnableClientState(GL_COLOR_ARRAY);
    gl.ColorPointer(4, GL_UNSIGNED_BYTE, sizeof(PolyVertex), &v[0].red);
  }
  if (textured) {
    texture_filter_apply(r);
    texture_wrap_set(r, false);
  }
  if (poly.mode >= 0 && poly.mode <= 2) gl.DrawArrays(kModes[poly.mode], 0, poly.count);
  client_array_set(GL_VERTEX_ARRAY, screen_state.vertex_array, false);
  client_array_set(GL_TEXTURE_COORD_ARRAY, screen_state.texcoord_array, false);
  if (colors) {
    gl.DisableClientState(GL_COLOR_ARRAY);
    // The colour array left the current colour undefined.
    for (float& c : screen_state.color_cache) c = -1.0f;
    color_set(1, 1, 1, r->current_alpha);
    gl.ShadeModel(GL_FLAT);
    cap_disable(kCapDither);
  }
}

}  // namespace zrv
