// The GPU layer's context: the shader program and its buffers, and the
// pieces of GL state that end a batch when they change.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/gpu_internal.hpp"
#include "gfx/matrix.hpp"
#include "gfx/renderer.hpp"

namespace zrv::gpu {

namespace {

// One vertex shader for every program: the projection as a uniform, unless
// the vertex comes projected already.
const char* const kVertexShader = R"(
uniform mat4 u_projection;
attribute vec3 a_position;
attribute vec2 a_texcoord;
attribute vec4 a_color;
attribute float a_unit;
varying vec3 v_texcoord;  // and the unit
varying vec4 v_color;
void main() {
  vec4 p = vec4(a_position.xy, 0.0, 1.0);
  gl_Position = a_position.z > 0.5 ? p : u_projection * p;
  v_texcoord = vec3(a_texcoord, a_unit);
  v_color = a_color;
#ifdef GL_ES
  gl_PointSize = 1.0;  // the desktop takes the size of points from its state
#endif
}
)";

// The fragment shader of a program sampling `units` textures: the vertex's
// colour, times its texture when it has one, and the alpha test as a
// threshold. The unit is picked by a chain of branches, as GLSL ES 1.00
// indexes no sampler array by a variable; a batch of one texture gets the
// program without the chain, as a batch of colour alone gets the one without
// textures, so that a software rasteriser samples once per pixel.
std::string fragment_shader(int32_t units) {
  std::string s;
  for (int32_t i = 0; i < units; ++i)
    s += "uniform sampler2D u_texture" + std::to_string(i) + ";\n";
  s += "uniform float u_alpha_reference;\nvarying vec3 v_texcoord;\nvarying vec4 v_color;\n"
       "void main() {\n  vec4 c = v_color;\n  float unit = v_texcoord.z;\n";
  if (units == 1) {
    s += "  if (unit >= 0.0) c *= texture2D(u_texture0, v_texcoord.xy);\n";
  } else if (units > 1) {
    s += "  if (unit >= 0.0) {\n    vec4 t;\n";
    for (int32_t i = 0; i < units; ++i) {
      const std::string sample =
          "t = texture2D(u_texture" + std::to_string(i) + ", v_texcoord.xy);\n";
      if (i + 1 == units) {
        s += "    else " + sample;
      } else {
        s += std::string(i == 0 ? "    if" : "    else if") + " (unit < " + std::to_string(i) +
             ".5) " + sample;
      }
    }
    s += "    c *= t;\n  }\n";
  }
  s += "  if (c.a <= u_alpha_reference) discard;\n  gl_FragColor = c;\n}\n";
  return s;
}

constexpr int32_t kProgramUnits[kProgramCount] = {0, 1, 2, 4, 8};

// The shading language the context takes: GLSL 1.20 (OpenGL 2.1 and
// compatibility contexts), GLSL ES 1.00 (OpenGL ES 2 and 3, WebGL), or
// GLSL 1.40 for a core context, whose words differ.
enum class Language { kGlsl120, kEssl100, kGlsl140 };
const char* const kLanguageNames[] = {"GLSL 1.20", "GLSL ES 1.00", "GLSL 1.40"};

Language context_language(const GlApi& g) {
  const char* version = reinterpret_cast<const char*>(g.GetString(GL_VERSION));
  if (version == nullptr) return Language::kGlsl120;
  if (std::strncmp(version, "OpenGL ES", 9) == 0) return Language::kEssl100;
  int major = 0, minor = 0;
  if (std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
      (major > 3 || (major == 3 && minor >= 2))) {
    GLint mask = 0;
    g.GetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    if ((mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0) return Language::kGlsl140;
  }
  while (g.GetError() != GL_NO_ERROR) {
  }
  return Language::kGlsl120;
}

const char* shader_preamble(Language language, bool fragment) {
  switch (language) {
    case Language::kEssl100:
      return fragment ? "#version 100\n#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n"
                        "#else\nprecision mediump float;\n#endif\n"
                      : "#version 100\n";
    case Language::kGlsl140:
      return fragment ? "#version 140\n#define varying in\n#define texture2D texture\n"
                        "out vec4 zrv_color;\n#define gl_FragColor zrv_color\n"
                      : "#version 140\n#define attribute in\n#define varying out\n";
    default:
      return "#version 120\n";
  }
}

void log_info(const char* what, const char* text) {
  char line[160];
  std::snprintf(line, sizeof line, "%s failed: ", what);
  log_write(line);
  log_write(text);
  log_write("\n");
}

// Whether a shader compiled or a program linked; the driver's words go to
// the log when not, and the object goes.
bool built(GLuint object, bool program, const char* what) {
  const GlApi& g = gl_driver;
  GLint ok = GL_FALSE;
  (program ? g.GetProgramiv : g.GetShaderiv)(object, program ? GL_LINK_STATUS : GL_COMPILE_STATUS,
                                             &ok);
  if (ok == GL_TRUE) return true;
  char text[1024] = "";
  (program ? g.GetProgramInfoLog : g.GetShaderInfoLog)(object, sizeof text, nullptr, text);
  log_info(what, text);
  (program ? g.DeleteProgram : g.DeleteShader)(object);
  return false;
}

GLuint compile(GLenum kind, Language language, const char* source) {
  const GlApi& g = gl_driver;
  const GLuint shader = g.CreateShader(kind);
  if (shader == 0) return 0;
  const char* parts[2] = {shader_preamble(language, kind == GL_FRAGMENT_SHADER), source};
  g.ShaderSource(shader, 2, parts, nullptr);
  g.CompileShader(shader);
  return built(shader, false, kind == GL_VERTEX_SHADER ? "vertex shader" : "fragment shader")
             ? shader
             : 0;
}

bool program_make(Program& p, Language language, int32_t units) {
  const GlApi& g = gl_driver;
  const GLuint vs = compile(GL_VERTEX_SHADER, language, kVertexShader);
  const GLuint fs = compile(GL_FRAGMENT_SHADER, language, fragment_shader(units).c_str());
  if (vs == 0 || fs == 0) {
    if (vs != 0) g.DeleteShader(vs);
    if (fs != 0) g.DeleteShader(fs);
    return false;
  }
  const GLuint program = g.CreateProgram();
  g.AttachShader(program, vs);
  g.AttachShader(program, fs);
  g.BindAttribLocation(program, kAttribPosition, "a_position");
  g.BindAttribLocation(program, kAttribTexcoord, "a_texcoord");
  g.BindAttribLocation(program, kAttribColor, "a_color");
  g.BindAttribLocation(program, kAttribUnit, "a_unit");
  g.LinkProgram(program);
  g.DeleteShader(vs);
  g.DeleteShader(fs);
  if (!built(program, true, "shader program")) return false;
  p = Program{};
  p.id = program;
  g.UseProgram(program);
  p.projection_location = g.GetUniformLocation(program, "u_projection");
  p.alpha_location = g.GetUniformLocation(program, "u_alpha_reference");
  for (int32_t unit = 0; unit < units; ++unit) {
    const std::string name = "u_texture" + std::to_string(unit);
    g.Uniform1i(g.GetUniformLocation(program, name.c_str()), unit);
  }
  return true;
}

}  // namespace

GpuState* state() {
  OpenGLVireo* r = ctx.renderer;
  return r != nullptr && r->gl_ready && r->gpu.ready ? &r->gpu : nullptr;
}

std::string context_string(uint32_t name) {
  if (!gl_driver.loaded) return {};
  const auto* text = reinterpret_cast<const char*>(gl_driver.GetString(name));
  return text != nullptr ? text : "";
}

std::string extensions() {
  const GlApi& g = gl_driver;
  if (!g.loaded) return {};
  std::string all = context_string(GL_EXTENSIONS);
  if (all.empty() && g.GetStringi != nullptr) {
    // A core context lists them one by one.
    while (g.GetError() != GL_NO_ERROR) {
    }
    GLint count = 0;
    g.GetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
      const auto* one = reinterpret_cast<const char*>(g.GetStringi(GL_EXTENSIONS, i));
      if (one == nullptr) continue;
      if (!all.empty()) all += ' ';
      all += one;
    }
  }
  return all;
}

int32_t program_for_units(int32_t units) {
  for (int32_t p = 0; p < kProgramCount; ++p) {
    if (kProgramUnits[p] >= units) return p;
  }
  return kProgramCount - 1;
}

void program_use(GpuState& s, int32_t p) {
  const GlApi& g = gl_driver;
  Program& program = s.programs[p];
  if (s.program_in_use != p) {
    g.UseProgram(program.id);
    s.program_in_use = p;
  }
  if (program.projection_serial != s.projection_serial) {
    g.UniformMatrix4fv(program.projection_location, 1, GL_FALSE, s.uniform);
    program.projection_serial = s.projection_serial;
  }
  if (program.alpha_serial != s.alpha_serial) {
    g.Uniform1f(program.alpha_location, s.alpha_reference);
    program.alpha_serial = s.alpha_serial;
  }
}

void vertex_format_bind(GpuState& s) {
  const GlApi& g = gl_driver;
  if (s.vertex_array != 0) g.BindVertexArray(s.vertex_array);
  g.BindBuffer(GL_ARRAY_BUFFER, s.vertex_buffer);
  g.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, s.index_buffer);
  const GLsizei stride = kVertexFloats * sizeof(float);
  const auto at = [](int floats) { return reinterpret_cast<const void*>(floats * sizeof(float)); };
  g.VertexAttribPointer(kAttribPosition, 3, GL_FLOAT, GL_FALSE, stride, at(0));
  g.VertexAttribPointer(kAttribTexcoord, 2, GL_FLOAT, GL_FALSE, stride, at(3));
  g.VertexAttribPointer(kAttribColor, 4, GL_FLOAT, GL_FALSE, stride, at(5));
  g.VertexAttribPointer(kAttribUnit, 1, GL_FLOAT, GL_FALSE, stride, at(9));
  for (GLuint a : {kAttribPosition, kAttribTexcoord, kAttribColor, kAttribUnit}) {
    g.EnableVertexAttribArray(a);
  }
}

bool context_begin(OpenGLVireo* r) {
  GpuState& s = r->gpu;
  s = GpuState{};
  if (!r->gl_ready) return false;
  const GlApi& g = gl_driver;
  const Language language = context_language(g);
  s.es = language == Language::kEssl100;
  const std::string line = std::string("shaders: ") + kLanguageNames[static_cast<int>(language)] +
                           " on " + context_string(GL_VERSION) + "\n";
  log_write(line.c_str());
  for (int32_t p = 0; p < kProgramCount; ++p) {
    if (!program_make(s.programs[p], language, kProgramUnits[p])) {
      for (int32_t q = 0; q < p; ++q) g.DeleteProgram(s.programs[q].id);
      s = GpuState{};
      return false;
    }
  }
  // A core context draws from a vertex array object only.
  if (g.GenVertexArrays != nullptr && g.BindVertexArray != nullptr) {
    g.GenVertexArrays(1, &s.vertex_array);
  }
  g.GenBuffers(1, &s.vertex_buffer);
  g.GenBuffers(1, &s.index_buffer);
  s.ready = true;
  state_forget();
  atlas_begin(s);
  return true;
}

void state_forget() {
  GpuState* s = state();
  if (s == nullptr) return;
  flush();
  const GlApi& g = gl_driver;
  // The driver's state is the layer's again: what the record holds is set
  // anew, what it does not hold is set when next asked for.
  s->program_in_use = -1;
  for (Program& p : s->programs) p.projection_serial = p.alpha_serial = 0;
  vertex_format_bind(*s);
  if (g.BindFramebuffer != nullptr) g.BindFramebuffer(GL_FRAMEBUFFER, s->framebuffer);
  if (s->viewport[2] >= 0)
    g.Viewport(s->viewport[0], s->viewport[1], s->viewport[2], s->viewport[3]);
  if (s->blend == static_cast<int32_t>(Blend::kOff)) {
    g.Disable(GL_BLEND);
  } else if (s->blend > 0) {
    g.Enable(GL_BLEND);
    g.BlendFunc(GL_SRC_ALPHA,
                s->blend == static_cast<int32_t>(Blend::kAdd) ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
  }
  s->color_mask = -1;
  if (s->alpha_writes >= 0) color_mask_set(*s, true, s->alpha_writes == 1);
  for (float& c : s->clear_color) c = -1.0f;
  s->active_unit = -1;
  s->units_used = 0;
  s->sampling.clear();
  // Whoever drew behind the layer's back may have drawn into a texture.
  for (const auto& [framebuffer, texture] : s->attached) texture_changed(*s, texture);
  // What another user left on the units is not ours; the parts of the
  // state the 2D drawing never changes are set once.
  for (int32_t unit = kUnits - 1; unit >= 0; --unit) {
    unit_select(*s, unit);
    g.BindTexture(GL_TEXTURE_2D, 0);
    s->units[unit] = 0;
  }
  for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_DITHER, GL_SCISSOR_TEST, GL_STENCIL_TEST}) {
    g.Disable(cap);
  }
  g.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
  g.PixelStorei(GL_PACK_ALIGNMENT, 4);
  if (!s->es) {
    // Pixel transfers straight from client memory, whole rows.
    g.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    g.PixelStorei(GL_PACK_ROW_LENGTH, 0);
    g.BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    g.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  }
}

int64_t draws_taken() {
  GpuState* s = state();
  if (s == nullptr) return 0;
  flush();
  const int64_t n = s->draws;
  s->draws = 0;
  return n;
}

void blend_set(Blend mode) {
  GpuState* s = state();
  if (s == nullptr || s->blend == static_cast<int32_t>(mode)) return;
  flush();
  const GlApi& g = gl_driver;
  if (mode == Blend::kOff) {
    g.Disable(GL_BLEND);
  } else {
    if (s->blend <= static_cast<int32_t>(Blend::kOff)) g.Enable(GL_BLEND);
    g.BlendFunc(GL_SRC_ALPHA, mode == Blend::kAdd ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
  }
  s->blend = static_cast<int32_t>(mode);
}

void alpha_test_set(float threshold) {
  GpuState* s = state();
  // As the fixed-function test took it: the reference clamped to 0..1, and
  // fragments pass when their alpha is greater.
  const float reference = threshold >= 1.0f ? -1.0f : threshold < 0.0f ? 0.0f : threshold;
  if (s == nullptr || s->alpha_reference == reference) return;
  flush();
  s->alpha_reference = reference;
  ++s->alpha_serial;
}

void color_mask_set(GpuState& s, bool rgb, bool alpha) {
  const int32_t bits = (rgb ? 14 : 0) | (alpha ? 1 : 0);
  if (s.color_mask == bits) return;
  const GLboolean c = rgb ? GL_TRUE : GL_FALSE;
  gl_driver.ColorMask(c, c, c, alpha ? GL_TRUE : GL_FALSE);
  s.color_mask = bits;
}

void alpha_writes_set(bool on) {
  GpuState* s = state();
  if (s == nullptr || s->alpha_writes == (on ? 1 : 0)) return;
  flush();
  color_mask_set(*s, true, on);
  s->alpha_writes = on ? 1 : 0;
}

bool alpha_writes() {
  GpuState* s = state();
  return s != nullptr && s->alpha_writes == 1;
}

void viewport_set(int32_t x, int32_t y, int32_t w, int32_t h, const float projection[16],
                  float zoom) {
  GpuState* s = state();
  if (s == nullptr) return;
  const bool same_viewport =
      s->viewport[0] == x && s->viewport[1] == y && s->viewport[2] == w && s->viewport[3] == h;
  const bool same_projection = s->projection_known && s->zoom == zoom &&
                               std::memcmp(s->projection, projection, sizeof s->projection) == 0;
  if (same_viewport && same_projection) return;
  flush();
  if (!same_viewport) {
    gl_driver.Viewport(x, y, w, h);
    s->viewport[0] = x;
    s->viewport[1] = y;
    s->viewport[2] = w;
    s->viewport[3] = h;
  }
  if (!same_projection) {
    matrix::copy(s->projection, projection);
    s->zoom = zoom;
    int exponent = 0;
    s->zoom_power_of_two = std::frexp(zoom, &exponent) == 0.5f;
    s->projection_known = true;
    // The zoom as the model-view matrix had it, the product as the matrix
    // stack made it.
    matrix::copy(s->uniform, projection);
    if (zoom != 1.0f) matrix::scale(s->uniform, zoom, zoom, zoom);
    ++s->projection_serial;
  }
}

const float* projection() {
  static const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  GpuState* s = state();
  return s != nullptr ? s->projection : kIdentity;
}

float zoom() {
  GpuState* s = state();
  return s != nullptr ? s->zoom : 1.0f;
}

void framebuffer_bind(uint32_t framebuffer) {
  GpuState* s = state();
  if (s == nullptr || gl_driver.BindFramebuffer == nullptr || s->framebuffer == framebuffer) return;
  flush();
  gl_driver.BindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  s->framebuffer = framebuffer;
  // Which texture is drawn into decides what the atlas may copy.
  s->atlas_last.texture = 0;
}

uint32_t framebuffer_bound() {
  GpuState* s = state();
  return s != nullptr ? s->framebuffer : 0;
}

void color_set(float red, float green, float blue, float alpha) {
  GpuState* s = state();
  if (s == nullptr) return;
  s->color[0] = red;
  s->color[1] = green;
  s->color[2] = blue;
  s->color[3] = alpha;
}

const float* color() {
  static const float kWhite[4] = {1, 1, 1, 1};
  GpuState* s = state();
  return s != nullptr ? s->color : kWhite;
}

}  // namespace zrv::gpu
