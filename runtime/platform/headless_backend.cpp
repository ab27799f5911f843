// The headless backend: no window and no devices. No event ever arrives.
#include "platform/clock_posix.hpp"
#include "platform/platform.hpp"

namespace zrv::platform {

namespace {

class HeadlessBackend final : public Backend {
public:
  const char* name() const override { return "headless"; }
  bool is_headless() const override { return true; }
  bool counter_frequency(int64_t* frequency) override {
    *frequency = 1000000;
    return true;
  }
  int64_t counter_value() override { return monotonic_us(); }
  uint32_t tick_count_ms() override { return monotonic_ms32(); }
  void sleep_ms(uint32_t ms) override { sleep_whole_ms(ms); }
  bool wait_event() override { return false; }
  bool peek_event(Event*) override { return false; }
  bool poll_event(Event*) override { return false; }
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace zrv::platform
