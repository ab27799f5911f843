// The headless backend: no window and no devices. Every operation keeps the
// interface's default (no event ever arrives; window and GL operations fail
// or do nothing); only the name says which backend this is.
#include "platform/platform.hpp"

namespace zrv::platform {

namespace {

class HeadlessBackend final : public Backend {
 public:
  const char* name() const override { return "headless"; }
  bool is_headless() const override { return true; }
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace zrv::platform
