// Frame pacing: present_frame in a window for 600 frames at 60 fps, with
// and without the game's backdrop drawn each frame. Reports the mean frame interval,
// the 99th-percentile deviation from 1000/60 ms and the process CPU time
// per frame (the driver's threads included).
// Needs a display (run under xvfb-run -a -s "-screen 0 1280x1024x24").
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/frame.hpp"
#include "base/context.hpp"
#include "gfx/draw.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprites.hpp"
#include "platform/platform.hpp"

namespace {

using namespace zrv;

bool open_window() {
  static bool ok = [] {
    static char dir[] = "/tmp/zrv_bench_pacingXXXXXX";
    if (mkdtemp(dir) != nullptr) setenv("TMPDIR", dir, 1);
    setenv("ZRV_NO_DIALOGS", "1", 1);
    platform::select_backend(false);
    if (platform::backend().is_headless()) return false;
    timer_init();
    ctx.renderer = renderer_create();
    if (window_create(ctx.renderer, 800, 480, 0, 60, 0) != 0) return false;
    screen_mode_apply(ctx.renderer, 800, 480, 0, 0);
    sprite_load(RtString(ZRV_SOURCE_DIR "/assets/Media/background.png"), 900);
    return true;
  }();
  return ok;
}

double process_cpu_ms() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec * 1e-6;
}

void BM_PresentFrame600(benchmark::State& state) {
  if (!open_window()) {
    state.SkipWithError("no display");
    return;
  }
  const double target = 1000.0 / 60.0;
  for (auto _ : state) {
    std::vector<double> intervals;
    intervals.reserve(600);
    // One frame to settle the schedule after set-up.
    present_frame();
    double last = timer_elapsed_ms();
    const double cpu0 = process_cpu_ms();
    for (int i = 0; i < 600; ++i) {
      if (state.range(0) != 0) sprite_draw(900, 0, 0);
      present_frame();
      const double now = timer_elapsed_ms();
      intervals.push_back(now - last);
      last = now;
    }
    const double cpu = process_cpu_ms() - cpu0;
    double sum = 0;
    std::vector<double> dev;
    for (double v : intervals) {
      sum += v;
      dev.push_back(std::fabs(v - target));
    }
    std::sort(dev.begin(), dev.end());
    state.counters["mean_interval_ms"] = sum / intervals.size();
    state.counters["p99_deviation_ms"] = dev[dev.size() * 99 / 100];
    state.counters["cpu_ms_per_frame"] = cpu / intervals.size();
    state.counters["cpu_share_of_core"] = cpu / sum;
  }
}
// Argument 1: the game's backdrop drawn each frame; 0: only the clear and
// the swap, so that the figures show the frame loop's own cost.
BENCHMARK(BM_PresentFrame600)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
