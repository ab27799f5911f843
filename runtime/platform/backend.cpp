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

bool select_backend(bool headless, std::string* failure) {
  auto& b = current();
  if (!headless) {
    b = make_sdl_backend(failure);
    if (b) return true;
  }
  b = make_headless_backend();
  return headless;
}

}  // namespace zrv::platform
