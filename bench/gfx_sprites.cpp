// Sprites per frame at 60 frames per second: whole 40 x 26 sprites
// (sprite_draw) and 40 x 26 frames of a sheet (sprite_draw_frame) on an
// 800 x 480 window, each frame cleared, drawn, swapped and finished; and
// the cases of the plain SDL2 anchor (bench/anchor/sdl_sprites.cpp, run
// beside it by bench/sprites_vs_anchor.sh): 4 x 4 and 40 x 26 sprites of
// one texture, or of two used in turn (BM_SpritesAt60Fps/width/textures).
// Needs a display (run under xvfb-run -a -s "-screen 0 1280x1024x24").
//
// Counters: frame_ms (wall time per frame), cpu_us_per_sprite (CPU time of
// the whole process, the driver's threads included, per sprite) and, for
// the search benchmarks, sprites_at_60fps (most sprites per frame with a
// frame time of at most 1000/60 ms). BM_DrawingAt60Fps/N measures tinted
// sprites and circles beside their anchors, plain sprites and boxes.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/frame.hpp"
#include "base/context.hpp"
#include "bench_clock.hpp"
#include "gfx/draw.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprites.hpp"
#include "platform/platform.hpp"
#include "zorvane.hpp"

namespace {

using namespace zrv;

constexpr int32_t kSprite = 100;
constexpr int32_t kSheet = 101;
// The anchor's pictures: 40 x 26 and 4 x 4, each in two tints, and four
// tints of 40 x 26 for the mixed scene.
constexpr int32_t kLarge[2] = {102, 103};
constexpr int32_t kSmall[2] = {104, 105};
constexpr int32_t kMixed[4] = {106, 107, 108, 109};

// The anchor's picture: a colour ramp with a transparent border of four
// texels when the sprite is large enough; tint tells the second apart.
bool anchor_picture(int32_t id, int w, int h, int tint) {
  RtImage image;
  image.resize(w, h);
  image.alpha_in_file = 1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image.row(y) + x * 4;
      const bool inside = w < 16 || (x > 3 && x < w - 4 && y > 3 && y < h - 4);
      p[0] = static_cast<uint8_t>(x * 2);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(120 + tint * 100);
      p[3] = inside ? 255 : 0;
    }
  }
  return sprite_from_image(ctx.renderer, id, image, 0);
}

bool session() {
  static bool ok = [] {
    static char dir[] = "/tmp/zrv_bench_gfxXXXXXX";
    if (mkdtemp(dir) != nullptr) {
      setenv("TMPDIR", dir, 1);
      std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
      });
    }
    setenv("ZRV_NO_DIALOGS", "1", 1);
    platform::select_backend(false);
    if (platform::backend().is_headless()) return false;
    timer_init();
    ctx.renderer = renderer_create();
    if (window_create(ctx.renderer, 800, 480, 0, 60, 0) != 0) return false;
    screen_mode_apply(ctx.renderer, 800, 480, 0, 0);
    renderer_set_swap_interval(ctx.renderer, 0);
    // A duck-sized picture with a transparent border, and a 3 x 5 sheet of
    // such frames.
    RtImage image;
    image.resize(120, 130);
    image.alpha_in_file = 1;
    for (int y = 0; y < 130; ++y) {
      for (int x = 0; x < 120; ++x) {
        uint8_t* p = image.row(y) + x * 4;
        const bool inside = x % 40 > 3 && x % 40 < 36 && y % 26 > 3 && y % 26 < 22;
        p[0] = static_cast<uint8_t>(x * 2);
        p[1] = static_cast<uint8_t>(y);
        p[2] = 120;
        p[3] = inside ? 255 : 0;
      }
    }
    if (!sprite_from_image(ctx.renderer, kSheet, image, 0)) return false;
    sprite_set_frames(kSheet, 40, 26);
    RtImage one;
    one.resize(40, 26);
    one.alpha_in_file = 1;
    for (int y = 0; y < 26; ++y) std::memcpy(one.row(y), image.row(y), 40 * 4);
    for (int t = 0; t < 2; ++t) {
      if (!anchor_picture(kLarge[t], 40, 26, t) || !anchor_picture(kSmall[t], 4, 4, t))
        return false;
    }
    for (int t = 0; t < 4; ++t) {
      if (!anchor_picture(kMixed[t], 40, 26, t)) return false;
    }
    return sprite_from_image(ctx.renderer, kSprite, one, 0);
  }();
  return ok;
}

// What a frame draws: frames of the sheet, the whole sprite, or one of the
// anchor's cases (its pair of sprites, of which the first `textures`).
struct Scene {
  bool frames = false;
  const int32_t* ids = nullptr;
  int textures = 1;
  // The mixed arcade scene: four textures in turn, every fourth sprite
  // rotated by (i * 7) % 360 degrees, every third half transparent.
  bool mixed = false;
  // The drawing calls beside sprites: 1 the whole sprite with a tint of
  // its own each (its anchor: the untinted sprite), 2 filled circles of
  // radius 8 (their anchor: 3, filled 17 x 17 boxes).
  int kind = 0;
};

// One frame of n sprites spread over the window.
void frame(int n, const Scene& scene) {
  OpenGLVireo* r = ctx.renderer;
  for (int i = 0; i < n; ++i) {
    const int x = (i * 37) % 760, y = (i * 53) % 454;
    const int32_t colour = rgb(i * 40, 255 - i * 20, i * 90);
    if (scene.kind == 1) {
      sprite_tint_set(colour, 128 + i % 128);
      sprite_draw(kSprite, x, y);
    } else if (scene.kind == 2) {
      circle_fill(x + 8, y + 8, 8, colour);
    } else if (scene.kind == 3) {
      rect_fill(x, y, 17, 17, colour);
    } else if (scene.frames) {
      sprite_draw_frame(kSheet, i % 15, x, y);
    } else if (scene.mixed) {
      blend_alpha(i % 3 == 0 ? -0.5 : -1);
      if (i % 4 == 0) {
        sprite_draw_rotated(kMixed[i % 4], x, y, (i * 7) % 360);
      } else {
        sprite_draw(kMixed[i % 4], x, y);
      }
    } else if (scene.ids != nullptr) {
      sprite_draw(scene.ids[i % scene.textures], x, y);
    } else {
      sprite_draw(kSprite, x, y);
    }
  }
  sprite_tint_set(color::White, 255);
  renderer_swap_buffers(r);
  back_buffer_prepare(r);
  gl.Finish();
}

// Average wall and CPU time of one frame of n sprites.
void measure(int n, const Scene& scene, int count, double* wall, double* cpu) {
  frame(n, scene);  // warm up
  const double w0 = wall_s(), c0 = process_cpu_s();
  for (int i = 0; i < count; ++i) frame(n, scene);
  *wall = (wall_s() - w0) / count;
  *cpu = (process_cpu_s() - c0) / count;
}

void per_frame(benchmark::State& state, bool frames) {
  if (!session()) {
    state.SkipWithError("no display with OpenGL");
    return;
  }
  const int n = static_cast<int>(state.range(0));
  const double c0 = process_cpu_s(), w0 = wall_s();
  int64_t count = 0;
  Scene scene;
  scene.frames = frames;
  for (auto _ : state) {
    frame(n, scene);
    ++count;
  }
  const double cpu = process_cpu_s() - c0, wall = wall_s() - w0;
  if (count == 0) return;
  state.counters["frame_ms"] = wall / count * 1e3;
  state.counters["cpu_us_per_sprite"] = cpu / count / n * 1e6;
  state.SetItemsProcessed(count * n);
}

void BM_SpriteDraw(benchmark::State& state) { per_frame(state, false); }
void BM_SpriteDrawFrame(benchmark::State& state) { per_frame(state, true); }

// The largest sprite count whose frames take at most 1000/60 ms.
void at_60fps(benchmark::State& state, const Scene& scene) {
  if (!session()) {
    state.SkipWithError("no display with OpenGL");
    return;
  }
  const double budget = 1.0 / 60.0;
  int best = 0;
  double best_cpu = 0;
  for (auto _ : state) {
    int lo = 0, hi = 256;
    double wall = 0, cpu = 0;
    // Grow until a frame misses the budget, then bisect.
    for (;;) {
      measure(hi, scene, 20, &wall, &cpu);
      if (wall > budget || hi >= (1 << 20)) break;
      lo = hi;
      best_cpu = cpu / hi;
      hi *= 2;
    }
    while (hi - lo > hi / 64 + 1) {
      const int mid = (lo + hi) / 2;
      measure(mid, scene, 20, &wall, &cpu);
      if (wall <= budget) {
        lo = mid;
        best_cpu = cpu / mid;
      } else {
        hi = mid;
      }
    }
    best = lo;
  }
  state.counters["sprites_at_60fps"] = best;
  state.counters["cpu_us_per_sprite"] = best_cpu * 1e6;
}

void BM_SpriteDrawAt60Fps(benchmark::State& state) { at_60fps(state, Scene{}); }
void BM_SpriteDrawFrameAt60Fps(benchmark::State& state) { at_60fps(state, Scene{true}); }

// Arguments: sprite width (4 or 40) and textures (1, or 2 used in turn; 4:
// the mixed scene).
void BM_SpritesAt60Fps(benchmark::State& state) {
  Scene scene;
  scene.ids = state.range(0) == 4 ? kSmall : kLarge;
  scene.textures = state.range(1) == 2 ? 2 : 1;
  scene.mixed = state.range(1) == 4;
  at_60fps(state, scene);
  blend_alpha(-1);
}

// Argument: 0 sprites, 1 sprites each with its own tint, 2 circles of
// radius 8, 3 boxes of 17 x 17.
void BM_DrawingAt60Fps(benchmark::State& state) {
  Scene scene;
  scene.kind = static_cast<int>(state.range(0));
  at_60fps(state, scene);
}

BENCHMARK(BM_SpriteDraw)
    ->RangeMultiplier(4)
    ->Range(64, 16384)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SpriteDrawFrame)
    ->RangeMultiplier(4)
    ->Range(64, 16384)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SpriteDrawAt60Fps)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SpriteDrawFrameAt60Fps)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SpritesAt60Fps)
    ->Args({4, 1})
    ->Args({40, 1})
    ->Args({4, 2})
    ->Args({40, 2})
    ->Args({40, 4})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DrawingAt60Fps)
    ->DenseRange(0, 3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
