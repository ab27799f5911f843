// The Win32 backend checked on Windows or Wine, where GoogleTest is not
// built yet: every check prints "ok" or "FAIL" with what it saw, and the
// status is the number of failures.
//
//   backend_check            the window, the context and its format, the
//                            multisample format, entry points, display sync,
//                            placement, cursor, full screen, termination
//   backend_check keys SECS  shows a window and prints its key events, typed
//                            characters, key states and mouse buttons as
//                            lines for SECS seconds or until the window is
//                            asked to close (run-checks.sh sends them with
//                            xdotool and compares)
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "check_report.hpp"
#include "platform/clock.hpp"
#include "platform/keyboard.hpp"
#include "platform/mouse.hpp"
#include "platform/platform.hpp"

namespace {

namespace p = zrv::platform;

using zrv::check::check;
using zrv::check::g_failures;
using zrv::check::text;

std::string size_text(int32_t w, int32_t h) { return text("%dx%d", w, h); }

using GetString = const unsigned char*(__stdcall*)(unsigned int);
constexpr unsigned int kGlRenderer = 0x1F01;
constexpr unsigned int kGlExtensions = 0x1F03;

struct Made {
  p::WindowedDevices devices;
  p::Backend* b = nullptr;
};

bool make(Made* m) {
  std::string failure;
  if (!p::windowed_devices_make(&m->devices, &failure)) {
    check(false, "the window system starts", failure);
    return false;
  }
  m->b = m->devices.backend.get();
  return true;
}

void window_and_context(p::Backend& b, p::Mouse& mouse) {
  p::DisplayMode desktop;
  const bool has_mode = b.desktop_mode(&desktop);
  check(has_mode && desktop.width > 0 && desktop.height > 0, "the desktop has a mode",
        size_text(desktop.width, desktop.height));
  p::Rect area;
  const bool has_area = b.work_area(nullptr, &area);
  check(has_area && area.w > 0 && area.w <= desktop.width, "the work area lies on the desktop",
        size_text(area.w, area.h));

  p::Window* w = b.window_create("check", 640, 480, p::PixelFormatRequest{});
  check(w != nullptr, "a window is made", b.failure_reason());
  if (w == nullptr) return;
  b.event_window_set(w);
  check(!b.window_visible(w), "it starts hidden");
  int32_t cw = 0, ch = 0;
  b.window_client_size(w, &cw, &ch);
  check(cw == 640 && ch == 480, "its drawing area is the size asked for", size_text(cw, ch));

  p::GlContext* c = b.gl_context_create(w);
  check(c != nullptr && b.gl_make_current(w, c), "a context is made current", b.failure_reason());
  check(b.gl_context_current(), "the thread has a current context");
  p::PixelFormatInfo f;
  const bool described = b.gl_describe_format(w, &f);
  check(described && f.double_buffer == 1 && f.depth_bits >= 24 && f.stencil_bits >= 8 &&
            f.red_bits == 8 && f.alpha_bits == 8,
        "the format is double-buffered RGBA8 with 24 depth and 8 stencil bits",
        text("r%d a%d d%d s%d db%d", f.red_bits, f.alpha_bits, f.depth_bits, f.stencil_bits,
             f.double_buffer));

  // glGetString is one of opengl32's own exports, glCreateShader comes
  // from the driver.
  auto get_string = reinterpret_cast<GetString>(b.gl_proc_address("glGetString"));
  check(get_string != nullptr, "an OpenGL 1.1 call is found (opengl32's export)");
  check(b.gl_proc_address("glCreateShader") != nullptr, "a later call is found (the driver's)");
  check(b.gl_proc_address("glNoSuchCall") == nullptr, "a call that does not exist is not");
  if (get_string != nullptr) {
    const auto* renderer = reinterpret_cast<const char*>(get_string(kGlRenderer));
    const auto* ext = reinterpret_cast<const char*>(get_string(kGlExtensions));
    check(renderer != nullptr, "the context names its renderer", renderer ? renderer : "");
    check(ext != nullptr && std::strlen(ext) > 0, "the context has extensions");
  }
  const char* wgl = b.gl_window_system_extensions();
  check(wgl != nullptr && std::strstr(wgl, "WGL_ARB_extensions_string") != nullptr,
        "WGL names its extensions", wgl ? wgl : "(none)");
  check(b.gl_swap_interval_available() && b.gl_set_swap_interval(1) && b.gl_set_swap_interval(0),
        "display sync is switched on and off", b.gl_swap_interval_call());
  b.gl_swap(w);

  // A multisample format, when WGL_ARB_multisample is offered.
  if (wgl != nullptr && std::strstr(wgl, b.gl_multisample_extension()) != nullptr) {
    check(b.gl_proc_address(b.gl_multisample_chooser()) != nullptr, "the format chooser is found");
    const int32_t samples = b.gl_multisample_probe(0);
    check(samples > 0, "a multisample format is found", std::to_string(samples));
    p::PixelFormatRequest ms;
    ms.multisample = 1;
    p::Window* mw = b.window_create("check", 320, 200, ms);
    check(mw != nullptr, "a window with a multisample format is made", b.failure_reason());
    if (mw != nullptr) {
      p::GlContext* mc = b.gl_context_create(mw);
      p::PixelFormatInfo mf;
      const bool ms_described =
          mc != nullptr && b.gl_make_current(mw, mc) && b.gl_describe_format(mw, &mf);
      check(ms_described && mf.samples > 0, "its context samples more than once per pixel",
            std::to_string(mf.samples));
      b.gl_context_delete(mc);
      b.window_destroy(mw);
      b.gl_make_current(w, c);
    }
  } else {
    std::printf("skip no %s\n", b.gl_multisample_extension());
  }

  // Placement: the frame's corner where asked, the drawing area kept.
  b.window_place(w, 100, 50, 400, 300, false);
  b.window_show(w);
  b.window_activate(w);
  p::Rect frame;
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  b.window_borders(w, &top, &left, &bottom, &right);
  const bool has_frame = b.window_frame(w, &frame);
  check(has_frame && frame.x == 100 && frame.y == 50 && frame.w == 400 + left + right &&
            frame.h == 300 + top + bottom,
        "the frame is placed, with the drawing area inside",
        text("%d,%d %dx%d borders t%d l%d b%d r%d", frame.x, frame.y, frame.w, frame.h, top, left,
             bottom, right));
  b.window_client_size(w, &cw, &ch);
  check(cw == 400 && ch == 300, "the drawing area has the new size", size_text(cw, ch));
  check(b.window_visible(w), "it is shown");
  b.window_set_title(w, "check \xFC\x80");  // u-umlaut and the euro sign of Windows-1252

  b.cursor_move(w, 17, 23);
  int32_t x = -1, y = -1;
  const bool has_cursor = b.cursor_position(w, &x, &y);
  check(has_cursor && x == 17 && y == 23, "the cursor goes where it is put",
        std::to_string(x) + "," + std::to_string(y));
  b.cursor_set(p::CursorShape::None);
  b.cursor_set(p::CursorShape::Arrow);

  // Exclusive access holds the cursor in the middle of the drawing area.
  const bool exclusive = mouse.open(w) && mouse.acquire(true);
  b.cursor_move(w, 5, 5);
  p::MouseDeviceState d;
  const bool read = mouse.read(&d);
  b.cursor_position(w, &x, &y);
  check(exclusive && read && x == 200 && y == 150,
        "exclusive access brings the cursor back to the middle", text("%d,%d", x, y));
  // Another active window takes the device away (and frees the cursor).
  p::Window* other = b.window_create("other", 100, 100, p::PixelFormatRequest{});
  b.window_show(other);
  b.window_activate(other);
  check(!mouse.read(&d), "another active window takes the mouse away");
  b.window_destroy(other);
  b.window_activate(w);
  check(mouse.acquire(true) && mouse.read(&d), "the window active again acquires it again");
  mouse.unacquire();
  b.cursor_move(w, 5, 5);
  mouse.acquire(false);
  mouse.read(&d);
  b.cursor_position(w, &x, &y);
  check(x == 5 && y == 5, "shared access leaves it where it is", text("%d,%d", x, y));
  mouse.close();

  // Full screen in the desktop's own size always exists.
  p::DisplayMode mode;
  mode.width = desktop.width;
  mode.height = desktop.height;
  const bool full = b.window_full_screen(w, mode);
  b.window_client_size(w, &cw, &ch);
  check(full && cw == desktop.width && ch == desktop.height,
        "full screen in the desktop's size covers it", size_text(cw, ch));
  b.window_leave_full_screen(w);
  b.window_place(w, 100, 50, 400, 300, false);
  b.window_client_size(w, &cw, &ch);
  check(cw == 400 && ch == 300, "back in a window of the size before", size_text(cw, ch));
  p::DisplayMode none;
  none.width = 123;
  none.height = 45;
  check(!b.window_full_screen(w, none), "a mode the display lacks is refused");

  p::Event e;
  int taken = 0;
  while (b.poll_event(&e) && taken < 100000) ++taken;
  check(taken < 100000 && !b.peek_event(&e), "the event queue runs dry",
        std::to_string(taken) + " events");

  b.window_hide(w);
  check(!b.window_visible(w), "it hides");
  b.gl_release_current(w);
  check(!b.gl_context_current(), "the context is released");
  b.gl_context_delete(c);
  b.window_destroy(w);
}

void clock_and_termination(p::Backend& b) {
  int64_t frequency = 0;
  const bool has_counter = b.counter_frequency(&frequency);
  check(has_counter && frequency > 0, "the counter has a frequency", std::to_string(frequency));
  const int64_t c0 = b.counter_value();
  b.sleep_ms(30);
  const double slept = static_cast<double>(b.counter_value() - c0) * 1000.0 / frequency;
  check(slept >= 29.0 && slept < 1000.0, "a sleep lasts as long as asked",
        std::to_string(slept) + " ms");

  // Last: a request stays recorded. The wait returns at once with nothing
  // or a close request to take.
  p::Event e;
  while (b.poll_event(&e)) {
  }
  p::quit_signals_install();
  std::raise(SIGTERM);
  const int64_t t0 = p::monotonic_us();
  b.sleep_ms(10000);
  b.wait_event();
  const bool close_or_none =
      !b.poll_event(&e) || e.type == p::EventType::CloseRequest || e.type == p::EventType::Other;
  const int64_t took_ms = (p::monotonic_us() - t0) / 1000;
  check(close_or_none && took_ms < 2000, "a termination request ends the waits",
        std::to_string(took_ms) + " ms");
}

// Prints what the window gets until it is asked to close or the time is up.
int keys(Made& m, int seconds) {
  p::Backend& b = *m.b;
  p::Keyboard& k = *m.devices.keyboard;
  p::Window* w = b.window_create("keys", 320, 200, p::PixelFormatRequest{});
  if (w == nullptr) return 1;
  b.event_window_set(w);
  b.window_place(w, 50, 50, 320, 200, false);
  b.window_show(w);
  b.window_activate(w);
  p::Mouse& mouse = *m.devices.mouse;
  if (!mouse.open(w) || !mouse.acquire(false)) std::printf("no mouse\n");
  std::printf("ready\n");
  std::fflush(stdout);
  const int64_t end = p::monotonic_us() + int64_t{seconds} * 1000000;
  bool active_seen = false;
  while (p::monotonic_us() < end) {
    b.sleep_ms(10);
    k.pump();
    active_seen = active_seen || k.window_active(w);
    p::Event e;
    while (b.poll_event(&e)) {
      uint8_t state[256];
      switch (e.type) {
        case p::EventType::KeyDown:
          k.read(state);
          std::printf("down %d state %d repeat %d char %d\n", e.code, state[e.code & 0xFF], e.state,
                      k.key_to_char(e.code));
          break;
        case p::EventType::KeyUp:
          k.read(state);
          std::printf("up %d state %d\n", e.code, state[e.code & 0xFF]);
          break;
        case p::EventType::Char:
          std::printf("char %d\n", e.code);
          break;
        case p::EventType::MouseButton:
          std::printf("button %d %d at %d,%d\n", e.code, e.state, e.x, e.y);
          break;
        case p::EventType::MouseWheel:
          std::printf("wheel %d\n", e.dy);
          break;
        case p::EventType::CloseRequest: {
          std::printf("close\nactive %d\n", active_seen ? 1 : 0);
          p::MouseDeviceState d;
          int32_t x = -1, y = -1;
          b.cursor_position(w, &x, &y);
          if (mouse.read(&d)) {
            std::printf("mouse wheel %d buttons %d%d%d cursor %d,%d\n", d.dz, d.buttons[0],
                        d.buttons[1], d.buttons[2], x, y);
          }
          return 0;
        }
        default:
          break;
      }
      std::fflush(stdout);
    }
  }
  std::printf("timeout\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  Made m;
  if (!make(&m)) return 1;
  if (argc >= 2 && std::strcmp(argv[1], "keys") == 0) {
    return keys(m, argc >= 3 ? std::atoi(argv[2]) : 20);
  }
  check(std::strcmp(m.b->name(), "win32") == 0 && !m.b->is_headless(), "names itself win32",
        m.b->name());
  window_and_context(*m.b, *m.devices.mouse);
  clock_and_termination(*m.b);
  std::printf("%d failures\n", g_failures);
  return g_failures;
}
