// The one seam to the operating system. Everything the runtime needs from the
// window system, the message queue, the GL context and the clocks goes
// through Backend; process queries that do not depend on the window system
// are plain functions below.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zrv {
struct NativeWindow;
}  // namespace zrv

namespace zrv::platform {

using Window = ::zrv::NativeWindow;  // a backend's native window
struct GlContext;  // a backend's OpenGL context

enum class EventType : int32_t {
  None,
  CloseRequest,  // the user asked to close the window
  Activated,     // the window became the active one
  Deactivated,   // the window lost activation
  Char,          // a typed character (code: byte in the runtime's 8-bit set)
  KeyDown,       // code: scan code of the runtime's key table
  KeyUp,
  MouseMotion,  // x, y client position; dx, dy relative motion
  MouseButton,  // code: button 0..7, state 1 down / 0 up
  MouseWheel,   // dy: wheel steps
  PointerDown,  // touch: id, x, y
  PointerUpdate,
  PointerUp,
  Other,
};

struct Event {
  EventType type = EventType::None;
  int32_t code = 0;
  int32_t state = 0;
  int32_t x = 0, y = 0;
  int32_t dx = 0, dy = 0;
  int64_t id = 0;
  uint32_t window_id = 0;  // 0: not addressed to a window
};

// The pixel format a window is created with. The backend picks the closest
// format it can get when the exact one is not available.
struct PixelFormatRequest {
  int32_t color_bits = 24;  // red + green + blue
  int32_t alpha_bits = 8;
  int32_t depth_bits = 24;
  int32_t stencil_bits = 8;
  int32_t multisample = 0;  // 1: ask for a multisample format
  int32_t samples = 0;      // samples per pixel with multisample; 0 = any
};

// What the format of a window's context turned out to be.
struct PixelFormatInfo {
  int32_t red_bits = 0, green_bits = 0, blue_bits = 0, alpha_bits = 0;
  int32_t depth_bits = 0, stencil_bits = 0;
  int32_t samples = 0;  // 0: no multisampling
  int32_t double_buffer = 0;
};

struct Rect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

struct DisplayMode {
  int32_t width = 0, height = 0;
  int32_t bits = 0;  // colour bits per pixel; 0 = any
};

enum class CursorShape : int32_t { None, Arrow };
enum class MessageIcon : int32_t { Information, Exclamation, Error };

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* name() const = 0;
  virtual bool is_headless() const = 0;
  // Why the last window or context could not be made ("" when unknown).
  virtual std::string failure_reason() { return {}; }

  // Clock: a high-resolution counter (ticks per second in *frequency) and a
  // millisecond tick count as the fallback.
  virtual bool counter_frequency(int64_t* frequency) = 0;
  virtual int64_t counter_value() = 0;
  virtual uint32_t tick_count_ms() = 0;
  // Returns early when a termination request arrives.
  virtual void sleep_ms(uint32_t ms) = 0;

  // Message queue. wait_event blocks until an event is queued or a
  // termination request arrives (false when nothing can ever arrive);
  // poll_event takes one event.
  virtual bool wait_event() = 0;
  virtual bool peek_event(Event* event) = 0;  // look without taking
  virtual bool poll_event(Event* event) = 0;

  // Windows. A window is created hidden, with a caption, not resizable, and
  // a drawing area (client area) of the given size; its GL pixel format is
  // fixed at creation. Events addressed to windows other than the one given
  // to event_window_set are dropped.
  virtual Window* window_create(const char* title, int32_t client_width, int32_t client_height,
                                const PixelFormatRequest& format) = 0;
  virtual void window_destroy(Window* window) = 0;
  virtual uint32_t window_id(Window* window) = 0;
  virtual void event_window_set(Window* window) = 0;
  virtual bool window_client_size(Window* window, int32_t* width, int32_t* height) = 0;
  // The outer frame: position on the desktop and size with the decorations.
  virtual bool window_frame(Window* window, Rect* frame) = 0;
  // Decoration sizes (caption = top).
  virtual void window_borders(Window* window, int32_t* top, int32_t* left, int32_t* bottom,
                              int32_t* right) = 0;
  virtual void window_set_title(Window* window, const char* title) = 0;
  // Puts the outer frame's top-left corner at (x, y) and sizes the drawing
  // area; topmost keeps the window above others.
  virtual void window_place(Window* window, int32_t x, int32_t y, int32_t client_width,
                            int32_t client_height, bool topmost) = 0;
  virtual void window_show(Window* window) = 0;
  virtual void window_hide(Window* window) = 0;
  virtual bool window_visible(Window* window) = 0;
  // Raises the window, makes it the foreground window and gives it the focus.
  virtual void window_activate(Window* window) = 0;
  // Full-screen display mode of exactly mode's size (and depth when not 0);
  // false when the display offers no such mode.
  virtual bool window_full_screen(Window* window, const DisplayMode& mode) = 0;
  // Back to the desktop's own display mode.
  virtual void window_leave_full_screen(Window* window) = 0;

  // Displays.
  virtual bool desktop_mode(DisplayMode* mode) = 0;  // primary display
  // Horizontal dots per inch of the primary display; false when unknown.
  virtual bool display_dpi(double* horizontal) { return false; }
  // Work area of the display nearest to the window (the primary display's
  // when the window is none or lies on none).
  virtual bool work_area(Window* window, Rect* area) = 0;
  virtual void beep() = 0;

  // OpenGL. Contexts are of the compatibility profile.
  virtual GlContext* gl_context_create(Window* window) = 0;
  virtual bool gl_make_current(Window* window, GlContext* context) = 0;
  virtual void gl_release_current(Window* window) = 0;
  virtual void gl_context_delete(GlContext* context) = 0;
  virtual void gl_swap(Window* window) = 0;
  virtual bool gl_swap_interval_available() = 0;
  virtual bool gl_set_swap_interval(int32_t interval) = 0;
  // An entry point by name, or null.
  virtual void* gl_proc_address(const char* name) = 0;
  // Whether this thread has a current context.
  virtual bool gl_context_current() { return false; }
  // The window system's extension string and the name of the call that
  // gives it (for the log when it is missing); null when there is none.
  virtual const char* gl_window_system_extensions() = 0;
  virtual const char* gl_window_system_extensions_call() = 0;
  // Whether a window with a multisample format of the given sample count
  // (0 = any) can be made: the samples it would get, 0 when none.
  virtual int32_t gl_multisample_probe(int32_t samples) = 0;
  virtual bool gl_describe_format(Window* window, PixelFormatInfo* info) = 0;

  // Cursor: shape, and its position in the window's client pixels.
  virtual void cursor_set(CursorShape shape) = 0;
  virtual bool cursor_position(Window* window, int32_t* x, int32_t* y) = 0;
  virtual void cursor_move(Window* window, int32_t x, int32_t y) = 0;

  // A modal message box; text and caption are in the runtime's 8-bit set
  // (Windows-1252).
  virtual void message_box(const char* caption, const char* text, MessageIcon icon) = 0;
};

// The backend in use. select_backend is called once by the process entry;
// until then the headless backend answers. When the window system cannot
// start, the headless backend is selected all the same (for the clock and
// the shutdown), the result is false and *failure says why.
Backend& backend();
bool select_backend(bool headless, std::string* failure = nullptr);
std::unique_ptr<Backend> make_headless_backend();
std::unique_ptr<Backend> make_sdl_backend(std::string* failure = nullptr);

// Termination requests (SIGTERM, SIGINT, SIGHUP). The handlers only record
// the signal; the message pump takes the request on the main thread.
void quit_signals_install();
// The signal number of a request that arrived, else 0.
int quit_signal_pending();
// Sleeps for ms milliseconds, or less when a termination request arrives
// (true when the whole time passed).
bool sleep_interruptible(uint32_t ms);

// Process queries.
std::string program_path();    // absolute path of the program file
std::string temp_directory();  // TMPDIR, else /tmp; never ends with '/'
bool debugger_attached();      // TracerPid in /proc/self/status
std::string current_directory();
bool set_current_directory(const std::string& path);
// A seed that differs from run to run.
uint32_t run_seed();

}  // namespace zrv::platform
