// Zorvane: every runtime command and type, in namespace zrv.
//
// A game built on the runtime defines, in the global namespace:
//   void app_defaults();  // writes zrv::ctx's settings
//   void game_main();     // the game's main routine
//   extern const zrv::UserFunction user_functions[];  // ends with {nullptr, nullptr}
// and links zorvane::runtime, whose main() runs zrv::runtime_entry.
// This file is written by tools/umbrella.py.
#pragma once

#include "app/ending.hpp"
#include "app/frame.hpp"
#include "app/frame_commands.hpp"
#include "app/lifecycle.hpp"
#include "base/activation.hpp"
#include "base/callbacks.hpp"
#include "base/clock.hpp"
#include "base/context.hpp"
#include "base/errors.hpp"
#include "base/rt_string.hpp"
#include "base/screen_mapping.hpp"
#include "files/archive.hpp"
#include "files/channels.hpp"
#include "files/file_bytes.hpp"
#include "files/fs_commands.hpp"
#include "files/ini_file.hpp"
#include "files/line_files.hpp"
#include "files/paths.hpp"
#include "files/platform_info.hpp"
#include "files/rt_file.hpp"
#include "gfx/backup.hpp"
#include "gfx/collision.hpp"
#include "gfx/draw.hpp"
#include "gfx/font.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/renderer.hpp"
#include "gfx/scene3d.hpp"
#include "gfx/screen.hpp"
#include "gfx/screenshot.hpp"
#include "gfx/sprites.hpp"
#include "gfx/targets.hpp"
#include "gfx/text.hpp"
#include "gfx/video_surface.hpp"
#include "input/input_state.hpp"
#include "input/joystick.hpp"
#include "input/key_script.hpp"
#include "input/keys.hpp"
#include "input/mouse.hpp"
#include "net/net.hpp"
#include "path/path_find.hpp"
#include "path/planner.hpp"
#include "platform/cp1252.hpp"
#include "platform/devices_sdl.hpp"
#include "platform/keyboard.hpp"
#include "platform/platform.hpp"
#include "sound/music.hpp"
#include "sound/sound_commands.hpp"
#include "sound/sound_device.hpp"
#include "sound/wav_reader.hpp"
#include "types/rt_array.hpp"
#include "types/rt_math.hpp"
#include "types/str_func.hpp"

void app_defaults();
void game_main();
extern const zrv::UserFunction user_functions[];
