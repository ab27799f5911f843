// A game for the --watch test: loads a picture, a sprite sheet and a sound
// from the folder named by ZRV_WATCH_FOLDER, saves new versions of them at
// frame 5 (the picture and the sheet written over, the sound written aside
// and renamed into place, as editors do), a damaged picture at frame 10,
// and prints what it sees at every frame.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "file_io.hpp"
#include "media_files.hpp"
#include "zorvane.hpp"

using namespace zrv;
using media_test::wav_bytes;
using zrv::test::read_bytes;
using zrv::test::write_file;

namespace {

constexpr int32_t kRed = static_cast<int32_t>(0xFF0000FF);  // 0xAABBGGRR
constexpr int32_t kGreen = static_cast<int32_t>(0xFF00FF00);
constexpr int32_t kBlue = static_cast<int32_t>(0xFFFF0000);

std::string folder() {
  const char* f = std::getenv("ZRV_WATCH_FOLDER");
  return f ? f : ".";
}

// A picture of w x h, its left half one colour and its right top quarter
// another.
void save_picture(const std::string& name, int32_t w, int32_t h, int32_t left, int32_t right) {
  RtArray<int32_t> pixels;
  array_dim_exact(pixels, w * h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) pixels(y * w + x) = x >= w / 2 && y < 8 ? right : left;
  sprite_from_array(pixels, 900, w, h);
  sprite_save(900, RtString(name.c_str()));
  sprite_load(RtString(""), 900);
}

}  // namespace

void app_defaults() {
  ctx.screen_width = 320;
  ctx.screen_height = 200;
  ctx.frame_rate = 60;
  ctx.app_name = "watch";
}

void game_main() {
  const std::string dir = folder() + "/";
  save_picture(dir + "pic.png", 4, 4, kRed, kRed);
  save_picture(dir + "sheet.png", 16, 8, kRed, kBlue);
  save_picture(dir + "next_pic.png", 4, 4, kBlue, kBlue);
  save_picture(dir + "next_sheet.png", 16, 16, kRed, kGreen);
  write_file(dir + "beep.wav", wav_bytes(30));

  sprite_load(RtString((dir + "pic.png").c_str()), 10);
  sprite_load_sheet(RtString((dir + "sheet.png").c_str()), 11, 8, 8);
  sound_load(RtString((dir + "beep.wav").c_str()), 5, 2);

  int32_t c1 = -1;
  for (int frame = 1; frame <= 30; ++frame) {
    sprite_draw(10, 0, 0);
    sprite_draw_frame(11, 1, 20, 0);
    int32_t w = 0, h = 0;
    sprite_size_get(11, &w, &h);
    char line[128];
    std::snprintf(line, sizeof line, "%d pic=%06x frame=%06x sheet=%dx%d\n", frame, pixel_get(1, 1),
                  pixel_get(21, 1), w, h);
    console_print(line);
    if (frame == 5) {
      write_file(dir + "pic.png", read_bytes(dir + "next_pic.png"));
      write_file(dir + "sheet.png", read_bytes(dir + "next_sheet.png"));
      write_file(dir + "beep.wav.part", wav_bytes(2000));
      std::rename((dir + "beep.wav.part").c_str(), (dir + "beep.wav").c_str());
    }
    if (frame == 7) {
      c1 = sound_play(5, 0, 1);
      const int32_t c2 = sound_play(5, 0, 1);
      std::snprintf(line, sizeof line, "play %d %d\n", c1, c2);
      console_print(line);
    }
    if (frame == 10) write_file(dir + "pic.png", std::string(20, 'x'));
    if (frame == 30) {
      std::snprintf(line, sizeof line, "playing %d\n", sound_is_playing(c1));
      console_print(line);
    }
    present_frame();
  }
}

const UserFunction user_functions[] = {{nullptr, nullptr}};
