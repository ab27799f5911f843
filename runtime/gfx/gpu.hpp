// The GPU layer: the one part of the runtime that talks to OpenGL. It owns
// every piece of GL state (the shader programs, the vertex buffers, the
// textures bound to the units and their parameters, blending, the alpha
// test, the colour mask, viewport and projection, the framebuffer) in one
// record, GpuState, held by the renderer, and sets a piece only when it
// changes.
//
// Everything is drawn through one vertex format and one batch. A vertex
// carries its position, its texture coordinates, its colour (multiplied
// with the texture) and the texture unit it samples, so that colours,
// translucency and up to eight textures share one draw. A batch ends only
// when the blend function, the alpha test, the projection or viewport, the
// framebuffer or the colour mask changes, when a texture of the batch is
// changed, read or deleted, when a ninth texture or another kind of
// primitive comes, when anything is read back or cleared, and at the swap.
//
// Positions are the screen's logical pixels, which the projection of the
// viewport maps; a vertex may also come projected already (rotated sprites,
// lines and points: see matrix.hpp for why).
//
// ZRV_NO_BATCH=1 in the environment draws each primitive at once (the same
// triangles, one call each), for comparing pictures.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace zrv {

class OpenGLVireo;

namespace gpu {

// A texture: the driver's name; 0 is none (colour alone).
using Texture = uint32_t;

// A corner of a quad, or an end of a line: position and texture coordinates;
// the colour is the layer's current one.
struct Corner {
  float x, y, u, v;
};

// A vertex with a colour of its own (polygons).
struct Vertex {
  float x, y, u, v;
  float r, g, b, a;
};

enum class Blend : int32_t {
  kOff,    // written as it comes
  kAlpha,  // source alpha, one minus source alpha
  kAdd,    // source alpha, one
};

// The parameters of a texture as a drawing wants them.
struct Sampling {
  bool linear = true;  // else nearest
  bool clamp = false;  // else repeat
  bool operator==(const Sampling& o) const { return linear == o.linear && clamp == o.clamp; }
};

// How the four corners of a quad make its two triangles: as a triangle fan
// (0, 1, 2), (0, 2, 3) or as a triangle strip (0, 1, 2), (2, 1, 3).
enum class QuadOrder { kFan, kStrip };

constexpr int32_t kUnits = 8;              // textures one batch can sample
constexpr int32_t kProgramCount = 5;       // colour only, 1, 2, 4 and 8 units
constexpr int32_t kBatchVertices = 65536;  // 16-bit indices

// What the layer knows of a texture it made: its size and a number that
// changes with its picture.
struct TextureInfo {
  int32_t w = 0, h = 0;
  uint32_t format = 0;  // the GL format of its pixels
  uint64_t version = 0;
};

// A texture's copy in an atlas page: where its picture sits, with a border
// of one texel around it (the neighbours filtering reads across its edges).
// A copy at a page's origin has its left and bottom border on the page's
// far edges, which the page's repeat wrap mode reaches.
struct AtlasEntry {
  int32_t page = 0;
  int32_t x = 0, y = 0;  // the picture's corner, in the page's texels
  int32_t w = 0, h = 0;  // the texture's size
  bool origin = false;
  uint64_t version = 0;  // of the picture copied
};

// A page of the atlas: one texture holding copies of small textures, filled
// shelf by shelf.
struct AtlasPage {
  uint32_t texture = 0;
  bool linear = true;  // the filter every copy in it is drawn with
  int32_t shelf_y = 0, shelf_h = 0, cursor_x = 0;
};

// One compiled program and the uniform values it was last given.
struct Program {
  uint32_t id = 0;
  int32_t projection_location = -1, alpha_location = -1;
  uint64_t projection_serial = 0, alpha_serial = 0;  // of the values it has
};

// The state record. -1 (or false for the *_known members) means "not
// known": the next setting makes the call whatever it asks for.
struct GpuState {
  bool ready = false;  // a context with the programs made
  bool es = false;     // OpenGL ES (WebGL): internal formats follow the format
  Program programs[kProgramCount];
  int32_t program_in_use = -1;
  uint32_t vertex_buffer = 0, index_buffer = 0, vertex_array = 0;
  int64_t vertex_buffer_bytes = 0, index_buffer_bytes = 0;  // their storage
  uint32_t framebuffer = 0;
  int32_t blend = -1;  // Blend, -1 unknown
  int32_t alpha_writes = -1;
  int32_t color_mask = -1;        // the four write bits as set (rgba = 8, 4, 2, 1)
  float alpha_reference = -2.0f;  // -1: no alpha test
  uint64_t alpha_serial = 1;
  // The projection as the screen code gives it, the logical screen's zoom,
  // and the uniform made of them.
  float projection[16] = {};
  float zoom = 1.0f;
  bool zoom_power_of_two = true;
  float uniform[16] = {};
  bool projection_known = false;
  uint64_t projection_serial = 1;
  int32_t viewport[4] = {-1, -1, -1, -1};
  float clear_color[4] = {-1, -1, -1, -1};
  int32_t active_unit = -1;
  // What each unit has bound, and how many units the batch samples (the
  // batch's textures are on units 0 .. units_used - 1).
  Texture units[kUnits] = {};
  int32_t units_used = 0;
  // Sampling parameters each texture has as last set.
  std::unordered_map<Texture, Sampling> sampling;
  // The textures the layer made, and the texture each framebuffer draws
  // into.
  std::unordered_map<Texture, TextureInfo> textures;
  std::unordered_map<uint32_t, Texture> attached;
  uint64_t next_version = 1;
  // The atlas: copies by texture, wrap mode and filter (atlas_key), and
  // the pages holding them.
  std::unordered_map<uint64_t, AtlasEntry> atlas;
  std::vector<AtlasPage> pages;
  int32_t page_side = 0;  // 0: no atlas in this context
  // The last texture routed through the atlas and its copy, so that a run
  // of one texture looks nothing up (cleared when an entry goes).
  struct {
    Texture texture = 0;
    Sampling sampling;
    const TextureInfo* info = nullptr;
    AtlasEntry* entry = nullptr;
  } atlas_last;
  uint32_t copy_framebuffer = 0;  // reads textures for the copies
  // Whether copy_framebuffer can read a texture, by the texture's format.
  std::unordered_map<uint32_t, bool> copy_readable;
  // The batch: vertices of the shaders' format, 16-bit indices (triangles),
  // the primitive they make (a GL mode) and whether any samples nothing.
  std::vector<float> vertices;
  std::vector<uint16_t> indices;
  int32_t vertex_count = 0;
  uint32_t mode = 0;
  // The colour new corners take.
  float color[4] = {1, 1, 1, 1};
  // Draw calls made since the counter was last taken (for tests).
  int64_t draws = 0;
  int64_t draws_total = 0;  // never taken: the frame-time overlay counts with it
};

// --- Context -----------------------------------------------------------------

// Makes the programs and buffers of the renderer's new context and forgets
// every state: false (with the reason logged) when the shaders cannot be
// made.
bool context_begin(OpenGLVireo* r);
// Something else used OpenGL (the media player): the layer sets its own
// state again and forgets what it cannot know (bound textures, texture
// parameters, pictures drawn into framebuffers).
void state_forget();
// A string of the context (GL_VERSION, GL_RENDERER ...), empty when none.
std::string context_string(uint32_t name);
// The context's extensions, separated by spaces.
std::string extensions();
// The state of the current renderer (null without a ready context).
GpuState* state();
// Draw calls since the last call (the batch drawn first).
int64_t draws_taken();

// --- State that ends a batch -------------------------------------------------

void blend_set(Blend mode);
// The alpha test: fragments whose alpha is not above the threshold are not
// drawn; 1 or more switches it off.
void alpha_test_set(float threshold);
// Whether drawing writes the alpha channel (the window's stays opaque).
void alpha_writes_set(bool on);
bool alpha_writes();
// The viewport in the framebuffer's pixels, the projection that maps
// logical pixels into it (column-major) and the zoom of the logical screen
// applied before it.
void viewport_set(int32_t x, int32_t y, int32_t w, int32_t h, const float projection[16],
                  float zoom);
const float* projection();
float zoom();
// Binds a framebuffer (0: the window's).
void framebuffer_bind(uint32_t framebuffer);
uint32_t framebuffer_bound();

// --- State that does not end a batch -------------------------------------

// The colour of the corners to come (r, g, b, a from 0 to 1).
void color_set(float red, float green, float blue, float alpha);
const float* color();

// --- Drawing ---------------------------------------------------------------

// A quad sampling a texture (0: colour alone). projected: the corners are
// clip coordinates already.
void quad(Texture texture, const Sampling& sampling, const Corner c[4], QuadOrder order,
          bool projected = false);
// Triangles of vertices with colours of their own (indices into v).
void triangles(Texture texture, const Sampling& sampling, const Vertex* v, int32_t count,
               const uint16_t* indices, int32_t index_count);
// Lines between pairs of corners and single points, in clip coordinates.
void lines(const Corner* v, int32_t count);
void points(const Corner* v, int32_t count);
// Draws what the batch holds.
void flush();
bool batching();
void batching_set(bool on);
// Whether small textures are drawn from the atlas's pages (on unless
// ZRV_NO_ATLAS is set), for comparing pictures.
bool atlas_enabled();
void atlas_set(bool on);

// --- Textures ------------------------------------------------------------

// RGBA8 pictures; format is GL_RGBA or GL_BGRA.
Texture texture_create();
// The largest texture side the context takes.
int32_t texture_size_limit();
void texture_delete(Texture texture);
// A w x h picture from pixels (null: left undefined) with the sampling given.
void texture_image(Texture texture, int32_t w, int32_t h, uint32_t format, const void* pixels,
                   const Sampling& sampling);
// Copies a rectangle of the bound framebuffer (x, y from the bottom) into
// the texture at (0, 0).
void texture_copy_framebuffer(Texture texture, int32_t x, int32_t y, int32_t w, int32_t h);
// Reads the texture's w x h corner as RGBA bytes, bottom row first; false
// when it cannot be read.
bool texture_read(Texture texture, int32_t w, int32_t h, uint8_t* out);

// --- Framebuffer objects ---------------------------------------------------

// Whether the context has them (targets, read-back).
bool framebuffers_supported();
uint32_t framebuffer_create();
void framebuffer_delete(uint32_t framebuffer);
// Attaches a texture as the bound framebuffer's colour.
void framebuffer_attach(Texture texture);
// A depth buffer for the bound framebuffer: made (0 when it cannot be),
// given storage of a depth in bits (false when the context has no such
// depth) and attached.
uint32_t depth_buffer_create();
bool depth_buffer_storage(uint32_t buffer, int32_t bits, int32_t w, int32_t h);
void depth_buffer_attach(uint32_t buffer);
void depth_buffer_delete(uint32_t buffer);
// The bound framebuffer's status (GL_FRAMEBUFFER_COMPLETE when usable).
uint32_t framebuffer_status();
// The driver's oldest error code not yet taken (GL_NO_ERROR when none).
uint32_t error_take();

// --- The framebuffer -------------------------------------------------------

// Clears the colour buffer's channels asked for (the others stay) to the
// colour, and the depth buffer with depth.
void clear(const float rgba[4], bool rgb, bool alpha, bool depth);
// Sets one pixel (x, y from the bottom) to a colour, the channels the
// drawing writes only.
void pixel_clear(int32_t x, int32_t y, const float rgba[4]);
// Reads a rectangle (x, y from the bottom), bottom row first.
void pixels_read(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t format, void* out);
// The bound framebuffer has alpha bits.
bool framebuffer_alpha();
// Waits until the driver has drawn everything.
void finish();

}  // namespace gpu
}  // namespace zrv
