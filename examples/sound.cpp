// sound: effects and music. Keys 1 to 5 play the five effects, Left and
// Right move them between the loudspeakers (pan), M stops and starts the
// music, Up and Down set its volume.
//
// Until a number key is pressed the program plays the pads itself, one
// every 45 frames, sweeping from the left speaker to the right one.
#include <zorvane.hpp>

using namespace zrv;

constexpr int32_t kPads = 5;
const char* const kFiles[kPads] = {"media/sound01.wav", "media/sound02.wav", "media/sound04.wav",
                                   "media/quack.wav", "media/level_up.wav"};
const char* const kNames[kPads] = {"shot", "reload", "click", "quack", "level up"};
constexpr int32_t kLight = 1;  // a sprite slot

void app_defaults() {
  ctx.screen_width = 640;
  ctx.screen_height = 480;
  ctx.frame_rate = 60;
  ctx.app_name = "sound";
}

// A pad: a square in its own colour, with a light on top while it sounds.
void draw_pad(int32_t i, int32_t glow) {
  const int32_t x = 40 + i * 116;
  const int32_t colours[kPads] = {rgb(200, 60, 60), rgb(220, 150, 40), rgb(70, 170, 80),
                                  rgb(60, 120, 220), rgb(150, 80, 200)};
  rect_fill(x, 110, 96, 96, colours[i]);
  if (glow > 0) {
    blend_alpha(1);  // additive: the light brightens what lies under it
    sprite_draw_zoomed(kLight, x + 48 - glow * 2, 158 - glow * 2, glow / 16.0, glow / 16.0);
    blend_alpha(-1);
  }
  text_print(RtString(i + 1) + " " + kNames[i], x + 6, 214, 1);
}

void game_main() {
  screen_setup(640, 480, 0);
  screen_clear(rgb(24, 24, 40));
  sprite_load("media/button.png", kLight);
  // Effects live in numbered slots; 2 buffers let an effect overlap itself.
  for (int32_t i = 0; i < kPads; ++i) sound_load(kFiles[i], i, 2);
  // Music streams from its file (anything the media player reads: WAV,
  // OGG, MP3, ...); 1 loops it.
  music_play("media/tune.wav", 1);

  int32_t glow[kPads] = {0, 0, 0, 0, 0};  // frames left of a pad's glow
  double pan = -1, volume = 0.8;          // pan -1 left .. 1 right
  bool demo = true, music_on = true;
  music_volume(volume);
  for (int32_t frame = 0;; ++frame) {
    // Typed characters come one by one from key_char ("" when none).
    int32_t pad = -1;
    const RtString typed = key_char();
    if (typed >= "1" && typed <= "5") {
      pad = str_asc(typed) - '1';
      demo = false;
    }
    if (typed == "m" || typed == "M") {
      music_on = !music_on;
      if (music_on) {
        music_play("media/tune.wav", 1);
        music_volume(volume);
      } else {
        music_stop();
      }
    }
    if (demo && frame % 45 == 0) {
      pad = frame / 45 % kPads;
      pan = -1 + 0.5 * pad;
    }
    // Held keys change pan and volume a little each frame.
    if (key_down(key::Left)) pan = math_max(-1.0, pan - 0.02);
    if (key_down(key::Right)) pan = math_min(1.0, pan + 0.02);
    if (key_down(key::Down) || key_down(key::Up)) {
      volume = key_down(key::Up) ? math_min(1.0, volume + 0.01) : math_max(0.0, volume - 0.01);
      music_volume(volume);
    }
    if (pad >= 0) {
      sound_play(pad, pan, 1.0);  // slot, pan -1..1, volume 0..1
      glow[pad] = 30;
    }

    // The screen: the pads, where the sound sits between the speakers,
    // and the music's volume.
    font_set(0, 2);  // the built-in font at twice its size
    text_print("Sound effects and music", 40, 40, 1);
    font_set(0, 1);
    text_print("Keys 1-5 play   Left/Right pan   M music   Up/Down volume", 40, 70, 1);
    for (int32_t i = 0; i < kPads; ++i) {
      draw_pad(i, glow[i]);
      if (glow[i] > 0) glow[i] -= 1;
    }
    text_print("L", 40, 290, 1);
    text_print("R", 592, 290, 1);
    rect_fill(60, 294, 520, 2, color::Grey);
    rect_fill(60 + static_cast<int32_t>(260 * (pan + 1)) - 4, 284, 9, 22, color::Yellow);
    text_print(music_is_playing() ? "music on" : "music off", 40, 350, 1);
    rect_fill(140, 348, 440, 12, rgb(50, 50, 70));
    rect_fill(140, 348, static_cast<int32_t>(440 * volume), 12, rgb(90, 200, 120));
    present_frame();
  }
}

const UserFunction user_functions[] = {{nullptr, nullptr}};
