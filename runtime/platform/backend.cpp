#include <cstdio>

#include "platform/platform.hpp"

namespace zrv::platform {

namespace {
std::unique_ptr<Backend>& current() {
  static std::unique_ptr<Backend> backend;
  return backend;
}
}  // namespace

Backend& backend() {
  auto& b = current();
  if (!b) b = make_headless_backend();
  return *b;
}

void select_backend(bool headless) {
  auto& b = current();
  if (!headless) {
    b = make_sdl_backend();
    if (b) return;
    std::fputs("no display: running without a window\n", stderr);
  }
  b = make_headless_backend();
}

}  // namespace zrv::platform
