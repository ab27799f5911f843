// RtContext: the one application-wide record of the process. Each group of
// fields is written by one module; everything else only reads it.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"

namespace zrv {

class OpenGLVireo;
class Vireo3D;
class InputState;
class SoundDevice;
struct SoundSlot;
struct ArchiveHolder;
class RtFile;
struct FileChannel;
struct IniFile;
struct LineFileCache;
struct MusicPlayer;

struct NativeWindow;  // the window of the platform layer

// One entry of the game's table of functions by name; the table ends at the
// first entry whose function is null.
using UserRoutine = void (*)();
struct UserFunction {
  UserRoutine function;
  const char* name;
};

// One touch/pointer record (filled by the pointer input): client-area
// position, buttons (bit 0 first, bit 1 second, bit 2 third) and the
// pointer's id (0 = free).
struct PointerSlot {
  int32_t x;
  int32_t y;
  int32_t buttons;
  int32_t pointer_id;
};

// Options the process entry parses from the command line for the runtime
// (the game still sees the whole command line).
struct RuntimeOptions {
  int32_t headless;    // no window, no sound, no input devices, no pacing
  int32_t seed_given;  // seed the generator with `seed` instead of the clock
  int32_t seed;
  int64_t frames;            // end after this many present_frame calls (0 = never)
  RtString keys_file;        // scripted keyboard
  RtString record_file;      // every input read is written here
  RtString replay_file;      // every input read comes from here
  RtString screenshot_file;  // save the screen here at the end of the run
  int32_t stats;             // show the frame-time overlay from the start
  int32_t watch;             // reload media whose files change on disk
};

struct RtContext {
  // Application settings (written by the game's app_defaults).
  int32_t screen_width;
  int32_t screen_height;
  int32_t full_screen;
  int32_t mouse_exclusive;
  int32_t debug_mode;
  int32_t multisample;
  int32_t frame_rate;
  RtString app_name;

  // Process.
  RtString command_line;
  RtString caption;
  int32_t desktop_width;
  int32_t desktop_height;
  int32_t show_hint;

  // Device objects.
  OpenGLVireo* renderer;
  Vireo3D* scene3d;
  InputState* input;
  SoundDevice* sound_device;
  SoundSlot* sound_slots;
  NativeWindow* window;
  ArchiveHolder* archive_holders[2];

  // Time (milliseconds).
  double frame_time;
  double prev_frame_time;
  double game_time_origin;
  double clock_base;
  double perf_frequency;
  int32_t perf_available;

  // Lifecycle flags.
  int32_t paused;
  int32_t autopause;
  int32_t escape_quits = 1;
  int32_t activate_request;
  int32_t frames_since_input;
  int32_t ending;
  int32_t quit_notified;
  double music_loop_end;
  int64_t frames_presented;

  // Error state.
  int32_t last_error;
  int32_t error_line;
  int32_t current_line;
  int32_t current_module;

  // Callbacks by name.
  const UserFunction* user_functions;
  UserRoutine win32_msg_handler;
  int32_t win32_msg_state = -1;  // -1 not looked up, 0 absent, 1 present
  RtString loop_function;
  RtString pending_loop_function;

  // Files, pointers and music.
  FileChannel* file_channels[8];
  IniFile* ini_file;
  LineFileCache* line_files;
  PointerSlot pointer_slots[32];
  MusicPlayer* music_window;

  RuntimeOptions options;
};

extern RtContext ctx;

// Read-only views of process-wide texts.
const RtString& command_line();
const RtString& app_name();

}  // namespace zrv
