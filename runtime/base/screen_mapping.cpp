#include "base/screen_mapping.hpp"

#include "base/clamped.hpp"

namespace zrv {

namespace {
ScreenMapping (*g_source)() = nullptr;
}  // namespace

void quarter_turns(int32_t turns, int32_t x, int32_t y, int32_t* ox, int32_t* oy) {
  switch (turns & 3) {
    case 1:
      *ox = y;
      *oy = -x;
      break;
    case 2:
      *ox = -x;
      *oy = -y;
      break;
    case 3:
      *ox = -y;
      *oy = x;
      break;
    default:
      *ox = x;
      *oy = y;
      break;
  }
}

// The turns map the window's corner pixels onto the screen's: a quarter
// turn of (x, y) lands at (y, W - 1 - x), a half turn at (W - 1 - x,
// H - 1 - y), three quarters at (H - 1 - y, x).
void ScreenMapping::to_screen(int32_t x, int32_t y, int32_t* ox, int32_t* oy) const {
  quarter_turns(orientation, x, y, ox, oy);
  if (orientation == 1 || orientation == 2) *oy += (orientation == 1 ? width : height) - 1;
  if (orientation == 2 || orientation == 3) *ox += (orientation == 2 ? width : height) - 1;
}

void ScreenMapping::to_window(int32_t x, int32_t y, int32_t* ox, int32_t* oy) const {
  quarter_turns(4 - orientation, x, y, ox, oy);
  if (orientation == 1 || orientation == 2) *ox += width - 1;
  if (orientation == 2 || orientation == 3) *oy += height - 1;
}

void ScreenMapping::to_logical(int32_t x, int32_t y, int32_t* ox, int32_t* oy) const {
  if (scale == 0) {
    *ox = x;
    *oy = y;
    return;
  }
  *ox = int32_floor((x + 0.5 - offset_x) / scale);
  *oy = int32_floor((y + 0.5 - offset_y) / scale);
}

void ScreenMapping::from_logical(int32_t x, int32_t y, int32_t* ox, int32_t* oy) const {
  if (scale == 0) {
    *ox = x;
    *oy = y;
    return;
  }
  *ox = int32_floor(offset_x + (x + 0.5) * scale);
  *oy = int32_floor(offset_y + (y + 0.5) * scale);
}

void screen_mapping_source_set(ScreenMapping (*source)()) { g_source = source; }

ScreenMapping screen_mapping_current() {
  return g_source != nullptr ? g_source() : ScreenMapping{};
}

}  // namespace zrv
