// The headless backend: no window and no devices. No event ever arrives;
// window and GL operations fail or do nothing.
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
  void sleep_ms(uint32_t ms) override { sleep_interruptible(ms); }
  bool wait_event() override { return false; }
  bool peek_event(Event*) override { return false; }
  bool poll_event(Event*) override { return false; }

  Window* window_create(const char*, int32_t, int32_t, const PixelFormatRequest&) override {
    return nullptr;
  }
  void window_destroy(Window*) override {}
  uint32_t window_id(Window*) override { return 0; }
  void event_window_set(Window*) override {}
  bool window_client_size(Window*, int32_t*, int32_t*) override { return false; }
  bool window_frame(Window*, Rect*) override { return false; }
  void window_borders(Window*, int32_t* top, int32_t* left, int32_t* bottom,
                      int32_t* right) override {
    *top = *left = *bottom = *right = 0;
  }
  void window_set_title(Window*, const char*) override {}
  void window_place(Window*, int32_t, int32_t, int32_t, int32_t, bool) override {}
  void window_show(Window*) override {}
  void window_hide(Window*) override {}
  bool window_visible(Window*) override { return false; }
  void window_activate(Window*) override {}
  bool window_full_screen(Window*, const DisplayMode&) override { return false; }
  void window_leave_full_screen(Window*) override {}
  bool desktop_mode(DisplayMode*) override { return false; }
  bool work_area(Window*, Rect*) override { return false; }
  void beep() override {}
  GlContext* gl_context_create(Window*) override { return nullptr; }
  bool gl_make_current(Window*, GlContext*) override { return false; }
  void gl_release_current(Window*) override {}
  void gl_context_delete(GlContext*) override {}
  void gl_swap(Window*) override {}
  bool gl_swap_interval_available() override { return false; }
  bool gl_set_swap_interval(int32_t) override { return false; }
  void* gl_proc_address(const char*) override { return nullptr; }
  const char* gl_window_system_extensions() override { return nullptr; }
  const char* gl_window_system_extensions_call() override { return "none"; }
  int32_t gl_multisample_probe(int32_t) override { return 0; }
  bool gl_describe_format(Window*, PixelFormatInfo*) override { return false; }
  void cursor_set(CursorShape) override {}
  bool cursor_position(Window*, int32_t*, int32_t*) override { return false; }
  void cursor_move(Window*, int32_t, int32_t) override {}
  // Nobody could answer a dialog: it never blocks.
  void message_box(const char*, const char*, MessageIcon) override {}
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace zrv::platform
