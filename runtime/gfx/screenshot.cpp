#include "gfx/screenshot.hpp"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/renderer.hpp"
#include "platform/path_names.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

RtImage kept;  // the last presented frame, top row first

// The directory the program was started in: start-up moves to the program
// folder (and the game into its Media folder) before the file is written,
// so a relative name counts from here, as the user meant it.
const std::string launch_directory = platform::current_directory();

std::string screenshot_path(const char* name) {
  if (platform::path_is_absolute(name) || launch_directory.empty()) return name;
  return launch_directory + "/" + name;
}

bool wanted() { return !ctx.options.screenshot_file.empty(); }

// The back buffer's drawing area, top row first, as opaque RGBA.
bool back_buffer_read(OpenGLVireo* r, RtImage& image) {
  if (r == nullptr || !r->gl_ready || r->width <= 0 || r->height <= 0) return false;
  if (!image.resize(r->width, r->height)) return false;
  gpu::pixels_read(0, 0, r->width, r->height, GL_RGBA, image.pixels);
  std::vector<uint8_t> tmp(static_cast<size_t>(r->width) * 4);
  for (int32_t y = 0; y < r->height / 2; ++y) {
    uint8_t* a = image.row(y);
    uint8_t* b = image.row(r->height - 1 - y);
    std::memcpy(tmp.data(), a, tmp.size());
    std::memcpy(a, b, tmp.size());
    std::memcpy(b, tmp.data(), tmp.size());
  }
  // What the window shows has no transparency.
  const int64_t n = static_cast<int64_t>(r->width) * r->height;
  for (int64_t i = 0; i < n; ++i) image.pixels[i * 4 + 3] = 255;
  image.alpha_in_file = 1;
  return true;
}

}  // namespace

void screenshot_capture_if_due(OpenGLVireo* r) {
  if (!wanted()) return;
  // With a frame budget only the last frame can end the run by itself;
  // otherwise any frame may be the last one shown.
  const int64_t budget = ctx.options.frames;
  if (budget > 0 && ctx.frames_presented + 1 < budget) return;
  back_buffer_read(r, kept);
}

void screenshot_save_at_end(OpenGLVireo* r) {
  if (!wanted()) return;
  const std::string path = screenshot_path(ctx.options.screenshot_file.c_str());
  const char* file = path.c_str();
  if (kept.empty() && !back_buffer_read(r, kept)) {
    std::fprintf(stderr, "--screenshot: no screen to save (no window)\n");
    return;
  }
  int error = 0;
  if (!image_write(file, kept, &error)) {
    std::fprintf(stderr, "--screenshot: cannot write '%s': %s\n", file,
                 error != 0 ? std::strerror(error) : "not a name a file can take");
  }
  kept.clear();
}

}  // namespace zrv
