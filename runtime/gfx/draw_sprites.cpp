// Sprites and frames of sprite sheets: whole, stretched, zoomed and rotated.
#include <cmath>

#include "base/clamped.hpp"
#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/gpu.hpp"
#include "gfx/matrix.hpp"
#include "gfx/renderer.hpp"

namespace zrv {

namespace {

// A quad of slot id's texture with the drawing colour; a fan, top right
// first.
void sprite_quad(OpenGLVireo* r, int32_t id, const gpu::Corner c[4], bool clamp,
                 bool projected = false) {
  textured_color_set(r);
  ++r->sprites_drawn;
  gpu::quad(r->sprites[id].texture, sprite_sampling(r, clamp), c, gpu::QuadOrder::kFan, projected);
}

// The whole image on the box (x0, y0)-(x1, y1), exact edges.
void box_draw(OpenGLVireo* r, int32_t id, float x0, float y0, float x1, float y1) {
  const SpriteRecord& s = r->sprites[id];
  const gpu::Corner c[4] = {{x1, y0, s.u_max, s.v_max},
                            {x0, y0, 0.0f, s.v_max},
                            {x0, y1, 0.0f, 0.0f},
                            {x1, y1, s.u_max, 0.0f}};
  sprite_quad(r, id, c, false);
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

// The renderer and the frame's cell of sheet id; null when there is nothing
// to draw.
OpenGLVireo* frame_of(int32_t id, int32_t frame, Cell* c) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_id_valid(id) || !frame_cell(r->sprites[id], frame, c)) return nullptr;
  return r;
}

// The cell on the box (x0, y0)-(x1, y1), top right first.
void cell_quad(const Cell& c, float x0, float y0, float x1, float y1, gpu::Corner v[4]) {
  v[0] = {x1, y0, c.u_hi, c.v_top};
  v[1] = {x0, y0, c.u_lo, c.v_top};
  v[2] = {x0, y1, c.u_lo, c.v_bottom};
  v[3] = {x1, y1, c.u_hi, c.v_bottom};
}

}  // namespace

void sprite_draw(int32_t id, int32_t x, int32_t y) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_id_valid(id) || r->sprites[id].image_width == 0) return;
  const SpriteRecord& s = r->sprites[id];
  box_draw(r, id, static_cast<float>(x), static_cast<float>(y), edge(x, s.image_width),
           edge(y, s.image_height));
}

void sprite_draw_stretched(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_id_valid(id)) return;
  box_draw(r, id, static_cast<float>(x), static_cast<float>(y), edge(x, w), edge(y, h));
}

void sprite_draw_zoomed(int32_t id, int32_t x, int32_t y, double zoom_x, double zoom_y) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_id_valid(id)) return;
  const int64_t W = r->sprites[id].image_width, H = r->sprites[id].image_height;
  const int64_t w = int32_clamped(zoom_x * W), h = int32_clamped(zoom_y * H);
  // Centred on the unzoomed picture.
  const int64_t left = x - (w - W) / 2, top = y - (h - H) / 2;
  box_draw(r, id, static_cast<float>(left), static_cast<float>(top), static_cast<float>(left + w),
           static_cast<float>(top + h));
}

void sprite_draw_rotozoom(int32_t id, int32_t x, int32_t y, double angle, double zoom) {
  OpenGLVireo* r = drawing_renderer();
  if (r == nullptr || !sprite_id_valid(id)) return;
  const SpriteRecord& s = r->sprites[id];
  const int32_t W = s.image_width, H = s.image_height;
  if (W == 0) return;
  const float pw = s.padded_width, ph = s.padded_height;
  const float hw = static_cast<float>(zoom * W / 2), hh = static_cast<float>(zoom * H / 2);
  const float u_lo = 0.5f / pw, u_hi = (W - 0.5f) / pw;
  const float v_lo = 0.5f / ph, v_hi = (H - 0.5f) / ph;
  // Turned about its centre: the model matrix (the screen's zoom, the move
  // to the centre, the turn) times the projection, the corners projected
  // with it.
  float mvp[16], model[16];
  matrix::identity(model);
  const float z = gpu::zoom();
  if (z != 1.0f) matrix::scale(model, z, z, z);
  matrix::translate(model, edge(x, W / 2), edge(y, H / 2), 0.0f);
  matrix::rotate_z(model, static_cast<float>(angle), true);
  matrix::multiply(mvp, gpu::projection(), model);
  gpu::Corner c[4] = {
      {-hw, hh, u_lo, v_lo}, {hw, hh, u_hi, v_lo}, {hw, -hh, u_hi, v_hi}, {-hw, -hh, u_lo, v_hi}};
  for (gpu::Corner& corner : c) matrix::apply(mvp, corner.x, corner.y, &corner.x, &corner.y);
  sprite_quad(r, id, c, false, true);
}

void sprite_draw_rotated(int32_t id, int32_t x, int32_t y, double angle) {
  sprite_draw_rotozoom(id, x, y, angle, 1.0);
}

void sprite_draw_frame(int32_t id, int32_t frame, int32_t x, int32_t y) {
  Cell c;
  OpenGLVireo* r = frame_of(id, frame, &c);
  if (r == nullptr) return;
  gpu::Corner v[4];
  cell_quad(c, static_cast<float>(x), static_cast<float>(y), edge(x, c.fw), edge(y, c.fh), v);
  sprite_quad(r, id, v, false);  // the wrap mode stays repeat
}

void sprite_draw_frame_stretched(int32_t id, int32_t frame, int32_t x, int32_t y, int32_t w,
                                 int32_t h) {
  Cell c;
  OpenGLVireo* r = frame_of(id, frame, &c);
  if (r == nullptr) return;
  const float x0 = static_cast<float>(x), y0 = static_cast<float>(y);
  gpu::Corner v[4];
  cell_quad(c, x0, y0, x0 + w + 0.1f, y0 + h + 0.1f, v);
  sprite_quad(r, id, v, true);
}

void sprite_draw_frame_rotozoom(int32_t id, int32_t frame, int32_t x, int32_t y, double angle,
                                double zoom) {
  Cell c;
  OpenGLVireo* r = frame_of(id, frame, &c);
  if (r == nullptr) return;
  const SpriteRecord& s = r->sprites[id];
  const float pw = s.padded_width, ph = s.padded_height;
  const float u_lo = c.u_lo + 0.5f / pw, u_hi = u_lo + c.fw / pw - 1.0f / pw;
  const float v_lo = c.v_bottom + 0.5f / ph, v_hi = v_lo + c.fh / ph - 1.0f / ph;
  const float cx = edge(x, c.fw / 2), cy = edge(y, c.fh / 2);
  const float hw = static_cast<float>(c.fw * zoom / 2), hh = static_cast<float>(c.fh * zoom / 2);
  const double rad = angle * 0.017453292;
  const float sn = static_cast<float>(std::sin(rad)), cs = static_cast<float>(std::cos(rad));
  auto corner = [&](float dx, float dy, float u, float v) {
    return gpu::Corner{cx + dx * cs + dy * sn, cy - dx * sn + dy * cs, u, v};
  };
  const gpu::Corner v[4] = {corner(-hw, -hh, u_lo, v_hi), corner(-hw, hh, u_lo, v_lo),
                            corner(hw, hh, u_hi, v_lo), corner(hw, -hh, u_hi, v_hi)};
  sprite_quad(r, id, v, true);
}

}  // namespace zrv
