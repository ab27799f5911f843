// A small game for the failure-path tests. Its mode, chosen by a
// "mode=NAME" word on the command line, puts it into one state (running,
// paused, inside a waiting command, ...) where the tests then fault it.
// It says "ready" on standard output once it is about to enter that state.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/frame.hpp"
#include "input/mouse.hpp"
#include "zorvane.hpp"

using namespace zrv;

namespace {

bool has_arg(const char* word) { return std::strstr(command_line().c_str(), word) != nullptr; }

// The word after "name=" on the command line.
std::string arg_value(const char* name) {
  const std::string line = command_line().c_str();
  const std::string key = std::string(name) + "=";
  const size_t at = line.find(key);
  if (at == std::string::npos) return {};
  const size_t from = at + key.size();
  return line.substr(from, line.find(' ', from) - from);
}

void ready() { console_print("ready\n"); }

void on_quit() {
  console_print("on_quit\n");
  // The end statement inside the shutdown returns into it.
  if (has_arg("quit=end")) {
    end_statement();
    console_print("end returned\n");
  }
}

}  // namespace

void app_defaults() {
  ctx.screen_width = has_arg("zero") ? 0 : 320;
  ctx.screen_height = has_arg("zero") ? -5 : 200;
  ctx.frame_rate = has_arg("zero") ? 0 : 60;
  ctx.app_name = "faults";
}

void game_main() {
  const std::string mode = arg_value("mode");
  if (mode == "end") {
    ready();
    end_statement();
  } else if (mode == "pause") {
    // As if the window had lost activation with auto-pause on.
    app_activation_changed(1);
    ready();
    present_frame();
  } else if (mode == "key_wait") {
    ready();
    key_wait();
  } else if (mode == "mouse_wait") {
    ready();
    mouse_wait();
  } else if (mode == "input_line") {
    RtString text;
    ready();
    input_line(text, 0, 0, 0);
  } else if (mode == "wait_step") {
    ready();
    for (;;) {
      ctx.frames_since_input = 31;
      wait_step();
    }
  } else if (mode == "pacing") {
    frame_rate_set(1, 0);  // one frame a second: the pacing sleep is long
    present_frame();
    ready();
    for (;;) present_frame();
  } else if (mode == "video") {
    if (has_arg("pointer")) pointer_mode_override(1);
    const RtString clip(arg_value("clip").c_str());
    // A button already held when the clip starts must not end it.
    while (has_arg("held") && !mouse_any_button()) present_frame();
    ready();
    char line[32];
    std::snprintf(line, sizeof line, "video %d\n", video_play(clip));
    console_print(line);
  } else if (mode == "writes") {
    // An INI value and a line that make their files too big to write back.
    const std::string dir = arg_value("dir");
    const RtString big(std::string(3000, 'x').c_str());
    ini_open(RtString((dir + "/scores.ini").c_str()));
    ini_put(RtString("s"), RtString("k"), big);
    line_file_write(RtString((dir + "/lines.txt").c_str()), 1, big);
    ready();
    for (;;) present_frame();
  } else if (mode == "errors") {
    // Commands that fail, each saying why; the font slot stays a font.
    const std::string dir = arg_value("dir");
    sprite_load(RtString((dir + "/missing.png").c_str()), 1);
    sprite_load(RtString((dir + "/notes.txt").c_str()), 1);
    sprite_load(RtString((dir + "/notes.txt").c_str()), 65504);
    sound_load(RtString((dir + "/float.wav").c_str()), 1, 1);
    sound_load(RtString((dir + "/notes.txt").c_str()), 2, 1);
    sound_play(5000, 0, 1);
    file_open(9, RtString("x"), 1);
    console_print(sprite_slot_used(65504) ? "font kept\n" : "font lost\n");
  } else if (mode == "chatty") {
    // A line every frame, and an INI change to write back at the end.
    ini_open(RtString((arg_value("dir") + "/chatty.ini").c_str()));
    ini_put(RtString("s"), RtString("k"), RtString("v"));
    for (;;) {
      console_print("a line of output\n");
      present_frame();
    }
  } else if (mode == "net") {
    // A wait of the sockets that nothing ends but the signal.
    const std::string what = arg_value("what");
    const int32_t port = std::atoi(arg_value("port").c_str());
    net_start();
    RtString text;
    if (what == "receive") {
      const int32_t slot = tcp_connect(RtString("127.0.0.1"), port, 5000);
      net_set_blocking(slot, 1);
      ready();
      net_receive(slot, text, 100);
    } else if (what == "accept") {
      const int32_t listener = tcp_listen(0);
      net_set_blocking(listener, 1);
      ready();
      tcp_accept(listener, text);
    } else {
      ready();
      tcp_connect(RtString("127.0.0.1"), port, 30000);
    }
    console_print("returned\n");
  } else if (mode == "spin") {
    // A game loop that never reaches the runtime.
    ready();
    static volatile int spin = 0;
    while (spin == 0) {
    }
  } else if (mode == "seed") {
    char line[64];
    std::snprintf(line, sizeof line, "draw %d %d %d\n", random_int(1000000), random_int(1000000),
                  random_int(1000000));
    console_print(line);
  } else if (mode == "mouse") {
    // Where the pointer is, as the game sees it, after a few frames.
    for (int i = 0; i < 10; ++i) present_frame();
    int32_t x = 0, y = 0, left = 0, right = 0;
    mouse_state(x, y, left, right);
    char line[64];
    std::snprintf(line, sizeof line, "window %dx%d mouse %d %d\n", ctx.screen_width,
                  ctx.screen_height, x, y);
    console_print(line);
  } else {
    ready();
    for (;;) present_frame();
  }
}

const UserFunction user_functions[] = {{&on_quit, "ZRV_ON_QUIT"}, {nullptr, nullptr}};
