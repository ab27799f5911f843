// Kept apart: Xlib's macros (None, Status, Bool) must not meet the
// runtime's names.
#include "x_capture.hpp"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace x_test {

Capture capture_window(const std::string& xid, int width, int height) {
  Capture c;
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return c;
  const Window w = std::strtoul(xid.c_str(), nullptr, 10);
  XImage* image = XGetImage(d, w, 0, 0, width, height, AllPlanes, ZPixmap);
  if (image != nullptr) {
    c.width = width;
    c.height = height;
    c.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        c.pixels[static_cast<size_t>(y) * width + x] =
            static_cast<uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
      }
    }
    XDestroyImage(image);
  }
  XCloseDisplay(d);
  return c;
}

}  // namespace x_test
