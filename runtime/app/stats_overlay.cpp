#include "app/stats_overlay.hpp"

#include <cstdio>
#include <cstring>

#include "base/clock.hpp"
#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/gpu.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "gfx/text.hpp"
#include "input/key_codes.hpp"
#include "input/presses.hpp"

namespace zrv {

namespace {

struct Stats {
  bool shown = false;
  bool key_allowed = false;
  double times[kStatsFrames] = {};  // frame times in ms, a ring
  int32_t next = 0, count = 0;
  int64_t draws = 0, sprites = 0;  // of the last frame
  // The counters after the last overlay, and when the last frame ended.
  int64_t draws_before = 0, sprites_before = 0;
  double last_end = -1;
};

Stats g_stats;

constexpr int32_t kX = 4, kY = 4, kGraphH = 44;
constexpr double kMsPerPixel = 0.75;  // 16.7 ms is 22 pixels high

int32_t bar_color(double ms) {
  if (ms <= 17.5) return 0x40E040;  // on time at 60 frames a second
  if (ms <= 34) return 0x20D0F0;
  return 0x3030F0;
}

void text_at(OpenGLVireo* r, const char* text, int32_t x, int32_t y) {
  text_draw(r, 0, text, static_cast<int32_t>(std::strlen(text)), x, y, 0, 0, 0);
}

void overlay_draw(OpenGLVireo* r) {
  // Over the whole screen in normal blending (the frame after sets its own
  // state again); the game's text colour and colour key come back.
  viewport_set(0, 0, 0, 0);
  alpha_test_set(1);
  float text_color[3];
  std::memcpy(text_color, r->text_color, sizeof text_color);
  const int32_t key = r->color_key;
  r->color_key = -1;

  const SpriteRecord& font = r->sprites[kFirstFontSprite];
  const int32_t line_h =
      (font.image_width < font.image_height ? font.image_height / 16 : font.image_height / 8) + 1;
  const int32_t w = 8 + kStatsFrames * 2, h = 2 * line_h + kGraphH + 10;
  blend_alpha(-0.6);
  rect_fill(kX, kY, w, h, 0);
  blend_alpha(-1);
  double sum = 0, worst = 0;
  const int32_t base = kY + h - 4;
  for (int32_t i = 0; i < g_stats.count; ++i) {
    // Oldest first, from the left.
    const int32_t at = (g_stats.next - g_stats.count + i + kStatsFrames) % kStatsFrames;
    const double ms = g_stats.times[at];
    sum += ms;
    if (ms > worst) worst = ms;
    int32_t bar = static_cast<int32_t>(ms / kMsPerPixel + 0.5);
    if (bar > kGraphH) bar = kGraphH;
    if (bar < 1) bar = 1;
    rect_fill(kX + 4 + i * 2, base - bar, 2, bar, bar_color(ms));
  }
  // Where a frame of 60 a second reaches.
  rect_fill(kX + 4, base - static_cast<int32_t>(1000.0 / 60 / kMsPerPixel + 0.5), kStatsFrames * 2,
            1, 0xFFFFFF);
  const double mean = sum / g_stats.count;
  char line[96];
  std::snprintf(line, sizeof line, "%.1f FPS %.1f MS MAX %.1f", mean > 0 ? 1000 / mean : 0.0, mean,
                worst);
  r->text_color[0] = r->text_color[1] = r->text_color[2] = 1;
  text_at(r, line, kX + 4, kY + 3);
  std::snprintf(line, sizeof line, "DRAWS %lld SPRITES %lld", static_cast<long long>(g_stats.draws),
                static_cast<long long>(g_stats.sprites));
  text_at(r, line, kX + 4, kY + 3 + line_h);

  std::memcpy(r->text_color, text_color, sizeof text_color);
  r->color_key = key;
}

}  // namespace

void stats_overlay_record(double frame_ms, int64_t draws, int64_t sprites) {
  g_stats.times[g_stats.next] = frame_ms;
  g_stats.next = (g_stats.next + 1) % kStatsFrames;
  if (g_stats.count < kStatsFrames) ++g_stats.count;
  g_stats.draws = draws;
  g_stats.sprites = sprites;
}

void stats_overlay_frame() {
  if (g_stats.key_allowed && key_pressed(key::F12)) g_stats.shown = !g_stats.shown;
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return;
  gpu::flush();
  const double now = timer_elapsed_ms();
  if (g_stats.last_end >= 0) {
    stats_overlay_record(now - g_stats.last_end, r->gpu.draws_total - g_stats.draws_before,
                         r->sprites_drawn - g_stats.sprites_before);
  }
  g_stats.last_end = now;
}

void stats_overlay_draw(OpenGLVireo* r) {
  if (r == nullptr) return;
  if (g_stats.shown && r->gl_ready && g_stats.count > 0) {
    overlay_draw(r);
    gpu::flush();
  }
  // The overlay's own draws are not the next frame's.
  g_stats.draws_before = r->gpu.draws_total;
  g_stats.sprites_before = r->sprites_drawn;
}

void stats_overlay_show(int32_t flag) { g_stats.shown = flag != 0; }
int32_t stats_overlay_shown() { return g_stats.shown ? 1 : 0; }
void app_set_stats_key(int32_t flag) { g_stats.key_allowed = flag != 0; }

}  // namespace zrv
