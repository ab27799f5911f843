// The anchor of the sprite benchmark (bench/gfx_sprites.cpp): a plain SDL2
// program that draws the same sprites at the same places three ways, as a
// hand-written loop would:
//   immediate  one glBegin/glEnd quad per sprite
//   renderer   SDL_RenderCopy per sprite through SDL_Renderer's OpenGL driver
//   arrays     all sprites of a frame in one vertex array, one glDrawArrays
// Each frame: draw, swap, clear, glFinish, on an 800 x 480 window without
// display sync; linear filtering, blending with the source alpha. The
// picture is the runtime benchmark's: 4 x 4 or 40 x 26 texels, padded to a
// power-of-two texture as the runtime pads it.
//
// Usage: bench_anchor_sdl_sprites [immediate|renderer|arrays] [4|40] [1|2|4]
// (sprite width, and one texture or two used in turn; 4 is the mixed
// arcade scene, renderer only: four textures in turn, every fourth sprite
// rotated by (i * 7) % 360 degrees with SDL_RenderCopyEx, every third half
// transparent with SDL_SetTextureAlphaMod). Without arguments every
// combination. Prints one line per case: the most sprites per frame
// at 60 frames per second and the process CPU time per sprite at that count.
#include <SDL.h>
#include <SDL_opengl.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../bench_clock.hpp"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 480;

struct Gl {
  void(APIENTRY* Begin)(GLenum);
  void(APIENTRY* End)();
  void(APIENTRY* TexCoord2f)(GLfloat, GLfloat);
  void(APIENTRY* Vertex2f)(GLfloat, GLfloat);
  void(APIENTRY* BindTexture)(GLenum, GLuint);
  void(APIENTRY* GenTextures)(GLsizei, GLuint*);
  void(APIENTRY* DeleteTextures)(GLsizei, const GLuint*);
  void(APIENTRY* TexImage2D)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                             const void*);
  void(APIENTRY* TexParameteri)(GLenum, GLenum, GLint);
  void(APIENTRY* Enable)(GLenum);
  void(APIENTRY* BlendFunc)(GLenum, GLenum);
  void(APIENTRY* Color4f)(GLfloat, GLfloat, GLfloat, GLfloat);
  void(APIENTRY* ClearColor)(GLclampf, GLclampf, GLclampf, GLclampf);
  void(APIENTRY* Clear)(GLbitfield);
  void(APIENTRY* Viewport)(GLint, GLint, GLsizei, GLsizei);
  void(APIENTRY* MatrixMode)(GLenum);
  void(APIENTRY* LoadIdentity)();
  void(APIENTRY* Ortho)(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble);
  void(APIENTRY* EnableClientState)(GLenum);
  void(APIENTRY* VertexPointer)(GLint, GLenum, GLsizei, const void*);
  void(APIENTRY* TexCoordPointer)(GLint, GLenum, GLsizei, const void*);
  void(APIENTRY* DrawArrays)(GLenum, GLint, GLsizei);
  void(APIENTRY* Finish)();
};
Gl gl;

template <class Fn>
bool fetch(Fn& slot, const char* name) {
  slot = reinterpret_cast<Fn>(SDL_GL_GetProcAddress(name));
  if (slot == nullptr) std::fprintf(stderr, "no %s\n", name);
  return slot != nullptr;
}

bool gl_load() {
  bool ok = true;
#define F(name) ok = fetch(gl.name, "gl" #name) && ok
  F(Begin);
  F(End);
  F(TexCoord2f);
  F(Vertex2f);
  F(BindTexture);
  F(GenTextures);
  F(DeleteTextures);
  F(TexImage2D);
  F(TexParameteri);
  F(Enable);
  F(BlendFunc);
  F(Color4f);
  F(ClearColor);
  F(Clear);
  F(Viewport);
  F(MatrixMode);
  F(LoadIdentity);
  F(Ortho);
  F(EnableClientState);
  F(VertexPointer);
  F(TexCoordPointer);
  F(DrawArrays);
  F(Finish);
#undef F
  return ok;
}

int padded(int size) {
  int p = 16;
  while (p < size) p *= 2;
  return p;
}

// The benchmark's picture (RGBA, top row first): a colour ramp with a
// transparent border of four texels when the sprite is large enough;
// `tint` tells the second texture apart.
std::vector<uint8_t> picture(int w, int h, int tint) {
  std::vector<uint8_t> p(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* q = &p[(static_cast<size_t>(y) * w + x) * 4];
      const bool inside = w < 16 || (x > 3 && x < w - 4 && y > 3 && y < h - 4);
      q[0] = static_cast<uint8_t>(x * 2);
      q[1] = static_cast<uint8_t>(y);
      q[2] = static_cast<uint8_t>(120 + tint * 100);
      q[3] = inside ? 255 : 0;
    }
  }
  return p;
}

struct Case {
  std::string way;
  int w, h, textures;
};

// One way of drawing: set up, a frame of n sprites, tear down.
class Drawer {
 public:
  virtual ~Drawer() = default;
  virtual void frame(int n) = 0;
};

int sprite_x(int i) { return (i * 37) % 760; }
int sprite_y(int i) { return (i * 53) % 454; }

// The OpenGL ways on a window of their own with a compatibility context.
class GlDrawer : public Drawer {
 public:
  GlDrawer(SDL_Window* window, const Case& c, bool arrays) : window_(window), c_(c) {
    arrays_ = arrays;
    gl.Viewport(0, 0, kWidth, kHeight);
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    gl.Ortho(0, kWidth, kHeight, 0, -1, 1);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    gl.Enable(GL_TEXTURE_2D);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.Color4f(1, 1, 1, 1);
    gl.ClearColor(0, 0, 0, 1);
    const int pw = padded(c.w), ph = padded(c.h);
    u_ = static_cast<float>(c.w) / pw;
    v_ = static_cast<float>(c.h) / ph;
    for (int t = 0; t < c.textures; ++t) {
      // Bottom row first, in the corner of the padded texture.
      const std::vector<uint8_t> p = picture(c.w, c.h, t);
      std::vector<uint8_t> tex(static_cast<size_t>(pw) * ph * 4, 0);
      for (int y = 0; y < c.h; ++y) {
        std::memcpy(&tex[static_cast<size_t>(c.h - 1 - y) * pw * 4],
                    &p[static_cast<size_t>(y) * c.w * 4], static_cast<size_t>(c.w) * 4);
      }
      gl.GenTextures(1, &names_[t]);
      gl.BindTexture(GL_TEXTURE_2D, names_[t]);
      gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
      gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pw, ph, 0, GL_RGBA, GL_UNSIGNED_BYTE, tex.data());
    }
    gl.EnableClientState(GL_VERTEX_ARRAY);
    gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  ~GlDrawer() override { gl.DeleteTextures(c_.textures, names_); }

  void frame(int n) override {
    if (arrays_) {
      arrays_frame(n);
    } else {
      immediate_frame(n);
    }
    SDL_GL_SwapWindow(window_);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.Finish();
  }

 private:
  void immediate_frame(int n) {
    gl.BindTexture(GL_TEXTURE_2D, names_[0]);
    for (int i = 0; i < n; ++i) {
      if (c_.textures > 1) gl.BindTexture(GL_TEXTURE_2D, names_[i % 2]);
      const float x = static_cast<float>(sprite_x(i)), y = static_cast<float>(sprite_y(i));
      gl.Begin(GL_QUADS);
      gl.TexCoord2f(0, v_);
      gl.Vertex2f(x, y);
      gl.TexCoord2f(u_, v_);
      gl.Vertex2f(x + c_.w, y);
      gl.TexCoord2f(u_, 0);
      gl.Vertex2f(x + c_.w, y + c_.h);
      gl.TexCoord2f(0, 0);
      gl.Vertex2f(x, y + c_.h);
      gl.End();
    }
  }

  // Quads in the array; with two textures, one draw per run of a texture.
  void arrays_frame(int n) {
    vertices_.resize(static_cast<size_t>(n) * 16);
    float* p = vertices_.data();
    for (int i = 0; i < n; ++i) {
      const float x = static_cast<float>(sprite_x(i)), y = static_cast<float>(sprite_y(i));
      const float q[16] = {x,        y,        0,  v_, x + c_.w, y,        u_, v_,
                           x + c_.w, y + c_.h, u_, 0,  x,        y + c_.h, 0,  0};
      std::memcpy(p + static_cast<size_t>(i) * 16, q, sizeof q);
    }
    gl.VertexPointer(2, GL_FLOAT, 16, p);
    gl.TexCoordPointer(2, GL_FLOAT, 16, p + 2);
    if (c_.textures == 1) {
      gl.BindTexture(GL_TEXTURE_2D, names_[0]);
      gl.DrawArrays(GL_QUADS, 0, n * 4);
      return;
    }
    for (int i = 0; i < n; ++i) {
      gl.BindTexture(GL_TEXTURE_2D, names_[i % 2]);
      gl.DrawArrays(GL_QUADS, i * 4, 4);
    }
  }

  SDL_Window* window_;
  Case c_;
  bool arrays_ = false;
  GLuint names_[2] = {0, 0};
  float u_ = 1, v_ = 1;
  std::vector<float> vertices_;
};

class RendererDrawer : public Drawer {
 public:
  RendererDrawer(SDL_Renderer* renderer, const Case& c) : renderer_(renderer), c_(c) {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    for (int t = 0; t < c.textures; ++t) {
      const std::vector<uint8_t> p = picture(c.w, c.h, t);
      textures_[t] =
          SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, c.w, c.h);
      SDL_UpdateTexture(textures_[t], nullptr, p.data(), c.w * 4);
      SDL_SetTextureBlendMode(textures_[t], SDL_BLENDMODE_BLEND);
    }
  }
  ~RendererDrawer() override {
    for (int t = 0; t < c_.textures; ++t) SDL_DestroyTexture(textures_[t]);
  }
  void frame(int n) override {
    for (int i = 0; i < n; ++i) {
      const SDL_Rect box{sprite_x(i), sprite_y(i), c_.w, c_.h};
      SDL_Texture* texture = textures_[i % c_.textures];
      if (c_.textures < 4) {
        SDL_RenderCopy(renderer_, texture, nullptr, &box);
        continue;
      }
      SDL_SetTextureAlphaMod(texture, i % 3 == 0 ? 128 : 255);
      if (i % 4 == 0) {
        SDL_RenderCopyEx(renderer_, texture, nullptr, &box, (i * 7) % 360, nullptr, SDL_FLIP_NONE);
      } else {
        SDL_RenderCopy(renderer_, texture, nullptr, &box);
      }
    }
    SDL_RenderPresent(renderer_);
    SDL_RenderClear(renderer_);
    SDL_RenderFlush(renderer_);
    gl.Finish();
  }

 private:
  SDL_Renderer* renderer_;
  Case c_;
  SDL_Texture* textures_[4] = {nullptr, nullptr, nullptr, nullptr};
};

void measure(Drawer& d, int n, double* wall, double* cpu) {
  constexpr int kFrames = 20;
  d.frame(n);  // warm up
  const double w0 = wall_s(), c0 = process_cpu_s();
  for (int i = 0; i < kFrames; ++i) d.frame(n);
  *wall = (wall_s() - w0) / kFrames;
  *cpu = (process_cpu_s() - c0) / kFrames;
}

// The search of the runtime benchmark: double until a frame misses the
// budget, then bisect to within 1/64.
void at_60fps(Drawer& d, int* best, double* cpu_per_sprite) {
  const double budget = 1.0 / 60.0;
  int lo = 0, hi = 256;
  double wall = 0, cpu = 0;
  *cpu_per_sprite = 0;
  for (;;) {
    measure(d, hi, &wall, &cpu);
    if (wall > budget || hi >= (1 << 20)) break;
    lo = hi;
    *cpu_per_sprite = cpu / hi;
    hi *= 2;
  }
  while (hi - lo > hi / 64 + 1) {
    const int mid = (lo + hi) / 2;
    measure(d, mid, &wall, &cpu);
    if (wall <= budget) {
      lo = mid;
      *cpu_per_sprite = cpu / mid;
    } else {
      hi = mid;
    }
  }
  *best = lo;
}

bool run(const Case& c) {
  SDL_Window* window = SDL_CreateWindow("anchor", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                        kWidth, kHeight, SDL_WINDOW_OPENGL);
  if (window == nullptr) {
    std::fprintf(stderr, "no window: %s\n", SDL_GetError());
    return false;
  }
  bool ok = false;
  int best = 0;
  double cpu = 0;
  if (c.textures == 4 && c.way != "renderer") {
    SDL_DestroyWindow(window);
    return true;  // the mixed scene is SDL_Renderer's alone
  }
  if (c.way == "renderer") {
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer != nullptr && gl_load()) {
      {
        RendererDrawer d(renderer, c);
        at_60fps(d, &best, &cpu);
      }
      ok = true;
    }
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
  } else {
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context != nullptr && gl_load()) {
      SDL_GL_SetSwapInterval(0);
      {
        GlDrawer d(window, c, c.way == "arrays");
        at_60fps(d, &best, &cpu);
      }
      ok = true;
    }
    if (context != nullptr) SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(window);
  if (!ok) {
    std::fprintf(stderr, "%s: no OpenGL: %s\n", c.way.c_str(), SDL_GetError());
    return false;
  }
  std::printf("anchor_%s %dx%d textures=%d sprites_at_60fps=%d cpu_us_per_sprite=%.3f\n",
              c.way.c_str(), c.w, c.h, c.textures, best, cpu * 1e6);
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // SDL_Renderer on its OpenGL driver, batching its commands as it does by
  // default, linear filtering like the runtime's; no display sync anywhere.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  std::vector<std::string> ways = {"immediate", "renderer", "arrays"};
  std::vector<int> sizes = {4, 40};
  std::vector<int> textures = {1, 2, 4};
  if (argc > 1) ways = {argv[1]};
  if (argc > 2) sizes = {std::atoi(argv[2])};
  if (argc > 3) textures = {std::atoi(argv[3])};
  bool ok = true;
  for (int t : textures) {
    for (int w : sizes) {
      for (const std::string& way : ways) {
        ok = run(Case{way, w, w == 4 ? 4 : 26, t}) && ok;
      }
    }
  }
  SDL_Quit();
  return ok ? 0 : 1;
}
