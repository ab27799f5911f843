// Where the window's pixels are on the game's screen: the screen may be
// turned by quarter turns (orientation 1 to 3) and a logical screen may be
// scaled into the drawing area. The renderer computes the mapping, input
// reads it.
#pragma once

#include <cstdint>

namespace zrv {

// Turns a vector by quarter turns, each (x, y) -> (y, -x).
void quarter_turns(int32_t turns, int32_t x, int32_t y, int32_t* ox, int32_t* oy);

struct ScreenMapping {
  int32_t orientation = 0;        // quarter turns, 0..3
  int32_t width = 0, height = 0;  // the window's drawing area
  double scale = 0;               // the logical screen's enlargement, 0 = none
  int32_t offset_x = 0, offset_y = 0;

  bool quarter_turned() const { return orientation == 1 || orientation == 3; }
  // The drawing area as the screen has it (exchanged when turned a quarter).
  int32_t screen_width() const { return quarter_turned() ? height : width; }
  int32_t screen_height() const { return quarter_turned() ? width : height; }
  // A window pixel as a screen pixel, and back.
  void to_screen(int32_t x, int32_t y, int32_t* ox, int32_t* oy) const;
  void to_window(int32_t x, int32_t y, int32_t* ox, int32_t* oy) const;
  // A screen pixel as the logical pixel whose area holds the pixel's centre
  // (rounded down: pixels left of or above the logical screen are
  // negative), and a logical pixel as the screen pixel at its centre. The
  // drawing's rasteriser and the mouse then agree at every scale.
  void to_logical(int32_t x, int32_t y, int32_t* ox, int32_t* oy) const;
  void from_logical(int32_t x, int32_t y, int32_t* ox, int32_t* oy) const;
  // A motion in the window as the same motion on the screen.
  void motion_to_screen(int32_t dx, int32_t dy, int32_t* ox, int32_t* oy) const {
    quarter_turns(orientation, dx, dy, ox, oy);
  }
};

// The renderer tells where the mapping comes from; without one the window
// is the screen.
void screen_mapping_source_set(ScreenMapping (*source)());
ScreenMapping screen_mapping_current();

}  // namespace zrv
