// Process entry, the start-up sequence and the device part of shutdown.
#include "app/lifecycle.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ending.hpp"
#include "app/frame.hpp"
#include "app/media_watch.hpp"
#include "app/stats_overlay.hpp"
#include "base/callbacks.hpp"
#include "base/errors.hpp"
#include "files/paths.hpp"
#include "gfx/font.hpp"
#include "gfx/renderer.hpp"
#include "gfx/scene3d.hpp"
#include "gfx/screen.hpp"
#include "input/input_state.hpp"
#include "input/replay.hpp"
#include "platform/audio.hpp"
#include "platform/platform.hpp"
#include "sound/sound_device.hpp"
#include "types/rt_math.hpp"

namespace zrv {

namespace {

void log_line(const char* text) {
  log_write(text);
  log_write("\n");
}

// Why the window system could not give the program a window (empty when
// it could, or when the run is headless by choice).
std::string g_window_failure;

// Settings of 0 or less would make a 1 x 1 window or no frame interval: the
// game's own defaults stand in for them.
void settings_repair() {
  struct Setting {
    int32_t* value;
    int32_t fallback;
    const char* name;
  } settings[] = {{&ctx.screen_width, 640, "screen_width"},
                  {&ctx.screen_height, 480, "screen_height"},
                  {&ctx.frame_rate, 60, "frame_rate"}};
  for (const Setting& s : settings) {
    if (*s.value > 0) continue;
    char line[96];
    std::snprintf(line, sizeof line, "%s %d replaced by %d\n", s.name, *s.value, s.fallback);
    log_write(line);
    *s.value = s.fallback;
  }
}

}  // namespace

RtString program_folder() { return RtString(path_folder_part(platform::program_path()).c_str()); }

RtString join_command_line(int argc, char** argv) {
  RtString line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line.append_char(' ');
    const char* arg = argv[i] ? argv[i] : "";
    bool quote = *arg == '\0';
    for (const char* p = arg; *p; ++p)
      if (*p == ' ' || *p == '\t') quote = true;
    if (quote) line.append_char('"');
    line.append(arg);
    if (quote) line.append_char('"');
  }
  return line;
}

int32_t runtime_init(int32_t show_hint, const char* name) {
  // The log is new: it is made in a folder of this run's own, and the
  // folders of the program's earlier runs that have ended go with it.
  log_line("Start new log...");
  settings_repair();
  ctx.autopause = 1;

  log_line("timer");
  timer_init();

  log_line("vreo");
  ctx.renderer = renderer_create();

  log_line("vreo init");
  if (!g_window_failure.empty()) return 0;
  if (window_create(ctx.renderer, ctx.screen_width, ctx.screen_height, 0, ctx.frame_rate,
                    ctx.multisample ? 1 : 0) != 0) {
    g_window_failure = platform::backend().failure_reason();
    if (g_window_failure.empty()) g_window_failure = "the window could not be created";
    return 0;
  }

  ctx.window = ctx.renderer->window_handle;
  window_set_title(ctx.renderer, name);
  log_line("Cptn");
  ctx.caption = name;

  // The time that window creation took is the same in most fast starts;
  // the wall clock gives every run its own sequence.
  // A replay brings the seed of the recorded run along (--seed still wins).
  int32_t seed = static_cast<int32_t>(platform::run_seed() & 0x7FFFFFFF);
  if (ctx.options.seed_given) {
    seed = ctx.options.seed;
  } else {
    input_replay_seed(&seed);
  }
  random_seed(seed);
  if (input_recording()) input_record_seed(seed);

  log_line("Network");
  network_create_for_runtime();
  ctx.scene3d = new Vireo3D(ctx.renderer);

  log_line("Input");
  ctx.input = input_create();

  log_line("Window mode");
  window_apply_mode(ctx.renderer, ctx.full_screen ? 1 : 0);

  log_line("Create DXin");
  input_open(ctx.input, ctx.window, ctx.mouse_exclusive ? 1 : 0);

  log_line("reptr");
  input_set_focus_window(ctx.input, ctx.renderer->window_handle);

  log_line("getexe");
  RtString folder = program_folder();
  log_line("cd");
  platform::set_current_directory(folder.c_str());
  RtString exepath("exepath=curdir= ");
  exepath.append(folder);
  exepath.append("\n");
  log_write(exepath.c_str());

  log_line("tuckboxing...");
  archives_create_for_runtime();

  log_line("init gettimer");
  ctx.frame_time = ctx.prev_frame_time = ctx.game_time_origin = timer_elapsed_ms();

  log_line("clear screen");
  screen_clear_setup(ctx.renderer);

  log_line("flip");
  frame_flip(nullptr);
  back_buffer_prepare(ctx.renderer);

  log_line("mk2D");
  screen_state_2d_setup(ctx.renderer);

  log_line("finding font...");
  font_system_load(ctx.renderer);

  ctx.paused = 0;
  ctx.frame_time = ctx.prev_frame_time = ctx.game_time_origin = timer_elapsed_ms();

  if (show_hint == 0) window_hide(ctx.renderer);

  input_mouse_access(ctx.input, ctx.mouse_exclusive ? 1 : 0);

  log_line("Delay load DLLs");
  // Touch and mouse pointer events come through the window layer itself;
  // there is nothing to resolve by name. Without a window there are none.
  if (!platform::backend().is_headless()) log_line("Win8+ mouse as pointer");

  // Headless frames are not paced: the silent output's sounds last their
  // length in frames, so that a run plays the same every time.
  if (platform::backend().is_headless()) {
    platform::null_audio_clock_set([]() -> int64_t {
      const double interval = ctx.renderer != nullptr ? ctx.renderer->frame_interval : 1000.0 / 60;
      return static_cast<int64_t>(static_cast<double>(ctx.frames_presented) * interval * 1000.0);
    });
  }
  ctx.sound_device = sound_device_create();
  ctx.sound_slots = sound_slots_create();
  sound_device_open(ctx.sound_device, ctx.window);
  sound_device_bind(ctx.sound_device, ctx.window);

  log_line("Init Finalized");
  return 0;
}

void runtime_entry(int argc, char** argv, const GameHooks& hooks) {
  program_end_install(&application_end);
  ctx.command_line = join_command_line(argc, argv);
  bool help_shown = false;
  if (!parse_runtime_options(argc, argv, &help_shown)) std::exit(help_shown ? 0 : 2);
  // Files the options name are read (or made) before anything starts.
  if (!runtime_options_apply()) std::exit(2);
  stats_overlay_show(ctx.options.stats);
  platform::quit_signals_install();
  if (!platform::select_backend(ctx.options.headless != 0, &g_window_failure) &&
      g_window_failure.empty()) {
    g_window_failure = "the window system did not start";
  }

  ctx.user_functions = hooks.user_functions;
  if (hooks.app_defaults) hooks.app_defaults();
  ctx.show_hint = 10;  // show default: a desktop start has no other hint
  runtime_init(ctx.show_hint, ctx.app_name.c_str());
  if (!g_window_failure.empty()) {
    // Nothing to show the game in: say why and end in order.
    std::fprintf(stderr, "no window: %s (--headless runs without one)\n", g_window_failure.c_str());
    std::fflush(stderr);
    program_end();
  }
  // A scripted run (--frames, --keys) has nobody to bring the window back
  // once it loses activation, so it must not pause itself.
  if (ctx.options.frames > 0 || !ctx.options.keys_file.empty()) ctx.autopause = 0;
  // A replay pauses where the recorded run did.
  if (input_replay_autopause() >= 0) ctx.autopause = input_replay_autopause();
  if (input_recording()) input_record_autopause(ctx.autopause);
  media_watch_begin();

  ctx.error_line = 0;
  ctx.last_error = 0;
  ctx.current_line = 0;

  if (hooks.game_main) hooks.game_main();

  if (user_function_find(RtString("ZRV_ON_LOOP")) != nullptr) {
    loop_function_run(RtString("ZRV_ON_LOOP"));
  }
  program_end();
  std::exit(0);  // only when program_end returned: the end was already under way
}

}  // namespace zrv
