// The pixels of an X window as the X server holds them (what the screen
// shows), read through a connection of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace x_test {

struct Capture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB, rows from the top
  bool ok() const { return width > 0; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Window given by its X id (decimal text, as xdotool prints it).
Capture capture_window(const std::string& xid, int width, int height);

}  // namespace x_test
