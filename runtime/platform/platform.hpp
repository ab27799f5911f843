// The one seam to the operating system. Everything the runtime needs from the
// window system, the message queue, the GL context and the clocks goes
// through Backend; the input devices, the sound output and the media player
// through the interfaces named below; process queries that do not depend on
// the window system are plain functions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace zrv {
struct NativeWindow;
}  // namespace zrv

namespace zrv::platform {

using Window = ::zrv::NativeWindow;  // a backend's native window
struct GlContext;                    // a backend's OpenGL context

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

// Every operation has a default: the answer of a platform without a window
// system (no window, no event, false, 0 or null), with the system's
// monotonic clock. A backend overrides what it really does.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* name() const = 0;
  virtual bool is_headless() const = 0;
  // Whether someone may be looking at the screen the windows go to (not a
  // virtual display a test run made), so that a message box can be shown.
  virtual bool display_watched() const { return false; }
  // Why the last window or context could not be made ("" when unknown).
  virtual std::string failure_reason() { return {}; }
  // The window system went away under the program (its server ended).
  virtual bool window_system_lost() { return false; }

  // Clock: a high-resolution counter (ticks per second in *frequency) and a
  // millisecond tick count as the fallback.
  virtual bool counter_frequency(int64_t* frequency);
  virtual int64_t counter_value();
  virtual uint32_t tick_count_ms();
  // Returns early when a termination request arrives.
  virtual void sleep_ms(uint32_t ms);

  // Message queue. wait_event blocks until an event is queued or a
  // termination request arrives (false when nothing can ever arrive);
  // poll_event takes one event.
  virtual bool wait_event() { return false; }
  virtual bool peek_event(Event* event) { return false; }  // look without taking
  virtual bool poll_event(Event* event) { return false; }

  // Windows. A window is created hidden, with a caption, not resizable, and
  // a drawing area (client area) of the given size; its GL pixel format is
  // fixed at creation. Events addressed to windows other than the one given
  // to event_window_set are dropped.
  virtual Window* window_create(const char* title, int32_t client_width, int32_t client_height,
                                const PixelFormatRequest& format) {
    return nullptr;
  }
  virtual void window_destroy(Window* window) {}
  virtual uint32_t window_id(Window* window) { return 0; }
  virtual void event_window_set(Window* window) {}
  virtual bool window_client_size(Window* window, int32_t* width, int32_t* height) { return false; }
  // The outer frame: position on the desktop and size with the decorations.
  virtual bool window_frame(Window* window, Rect* frame) { return false; }
  // Decoration sizes (caption = top).
  virtual void window_borders(Window* window, int32_t* top, int32_t* left, int32_t* bottom,
                              int32_t* right) {
    *top = *left = *bottom = *right = 0;
  }
  virtual void window_set_title(Window* window, const char* title) {}
  // Puts the outer frame's top-left corner at (x, y) and sizes the drawing
  // area; topmost keeps the window above others.
  virtual void window_place(Window* window, int32_t x, int32_t y, int32_t client_width,
                            int32_t client_height, bool topmost) {}
  virtual void window_show(Window* window) {}
  virtual void window_hide(Window* window) {}
  virtual bool window_visible(Window* window) { return false; }
  // Raises the window, makes it the foreground window and gives it the focus.
  virtual void window_activate(Window* window) {}
  // Full-screen display mode of exactly mode's size (and depth when not 0);
  // false when the display offers no such mode.
  virtual bool window_full_screen(Window* window, const DisplayMode& mode) { return false; }
  // Back to the desktop's own display mode.
  virtual void window_leave_full_screen(Window* window) {}

  // Displays.
  virtual bool desktop_mode(DisplayMode* mode) { return false; }  // primary display
  // Horizontal dots per inch of the primary display; false when unknown.
  virtual bool display_dpi(double* horizontal) { return false; }
  // Work area of the display nearest to the window (the primary display's
  // when the window is none or lies on none).
  virtual bool work_area(Window* window, Rect* area) { return false; }
  virtual void beep() {}

  // OpenGL. Contexts are of the compatibility profile.
  virtual GlContext* gl_context_create(Window* window) { return nullptr; }
  virtual bool gl_make_current(Window* window, GlContext* context) { return false; }
  virtual void gl_release_current(Window* window) {}
  virtual void gl_context_delete(GlContext* context) {}
  virtual void gl_swap(Window* window) {}
  // How long a swap waits for the display on its own, in milliseconds: a
  // browser's swap waits for its next animation frame, one display frame.
  // 0 (the default): the swap does not wait, the frame loop paces alone.
  virtual double gl_swap_wait_ms() { return 0; }
  virtual bool gl_swap_interval_available() { return false; }
  // The display-sync call by the name the window system gives it.
  virtual const char* gl_swap_interval_call() { return "none"; }
  virtual bool gl_set_swap_interval(int32_t interval) { return false; }
  // An entry point by name, or null.
  virtual void* gl_proc_address(const char* name) { return nullptr; }
  // Whether this thread has a current context.
  virtual bool gl_context_current() { return false; }
  // The window system's extension string and the name of the call that
  // gives it (for the log when it is missing); null when there is none.
  virtual const char* gl_window_system_extensions() { return nullptr; }
  virtual const char* gl_window_system_extensions_call() { return "none"; }
  // The window system's multisample extension and the call that chooses
  // such formats, by the names its extension string and lookup use.
  virtual const char* gl_multisample_extension() { return "none"; }
  virtual const char* gl_multisample_chooser() { return "none"; }
  // Whether a window with a multisample format of the given sample count
  // (0 = any) can be made: the samples it would get, 0 when none.
  virtual int32_t gl_multisample_probe(int32_t samples) { return 0; }
  virtual bool gl_describe_format(Window* window, PixelFormatInfo* info) { return false; }

  // Cursor: shape, and its position in the window's client pixels.
  virtual void cursor_set(CursorShape shape) {}
  virtual bool cursor_position(Window* window, int32_t* x, int32_t* y) { return false; }
  virtual void cursor_move(Window* window, int32_t x, int32_t y) {}

  // A modal message box; text and caption are in the runtime's 8-bit set
  // (Windows-1252). Without a window system nobody could answer it, so by
  // default it never blocks.
  virtual void message_box(const char* caption, const char* text, MessageIcon icon) {}
};

// The devices beside the window system, each an interface of its own header
// whose defaults are the answers of a platform without the device. A port
// to another platform provides a Backend and these.
class Keyboard;   // keyboard.hpp: key states by scan code, key characters
class Mouse;      // mouse.hpp: the mouse device, touch and mouse pointers
class Joysticks;  // joysticks.hpp: game controllers
class Audio;      // audio.hpp: the sound output, its samples and voices
class Media;      // media.hpp: music and video files

// The backend and the devices in use. select_backend is called once by the
// process entry: the build's window system with its keyboard, mouse and
// controllers, sound output and media player; or, headless, none of them
// but the media player, which then plays to no audio output. Until then the
// headless backend answers, with the keyboard and the mouse that belong to
// it, while the devices that need no window system (controllers, sound
// output, media player) are the real ones. When the window system cannot
// start, or the build has none, the headless backend and devices are
// selected all the same (for the clock and the shutdown), the result is
// false and *failure says why.
Backend& backend();
Keyboard& keyboard();
Mouse& mouse();
Joysticks& joysticks();
Audio& audio();
Media& media();
bool select_backend(bool headless, std::string* failure = nullptr);

// What the platform of the build provides (platform/<name>/devices.cpp)
// for select_backend to choose from. The headless devices are the
// interfaces' defaults.
struct WindowedDevices {
  std::unique_ptr<Backend> backend;
  std::unique_ptr<Keyboard> keyboard;
  std::unique_ptr<Mouse> mouse;
};
const char* platform_name();  // the build's platform: "sdl", "headless"...
// The window system and its input devices: false, with *failure, when it
// cannot start or the build has none.
bool windowed_devices_make(WindowedDevices* made, std::string* failure);
std::unique_ptr<Backend> make_headless_backend();
std::unique_ptr<Joysticks> make_joysticks();
std::unique_ptr<Audio> make_audio();
// Its players use default_audio_output unless another output is set.
std::unique_ptr<Media> make_media(const char* default_audio_output);

// Termination requests (SIGTERM, SIGINT, SIGHUP). The handlers only record
// the signal; the message pump takes the request on the main thread.
// SIGPIPE is ignored: a write to a closed pipe just fails.
void quit_signals_install();
// The signal number of a request that arrived, else 0. A second request
// ends the process by the signal's own action.
int quit_signal_pending();
// A descriptor that becomes readable when a request arrives (for waits that
// poll), or -1.
int quit_signal_fd();
// While armed, a process that a library call forks (the helper of a modal
// message box) dies with the runtime, even a killed one, and a termination
// request ends it, so that the call returns.
void forked_helpers_arm(bool armed);
// Sleeps for ms milliseconds, or less when a termination request arrives
// (true when the whole time passed).
bool sleep_interruptible(uint32_t ms);

// A file written whole that takes the place of the old one only when
// complete. replace_begin opens a new temporary file beside the target
// (with the old file's mode and, where permitted, owner; through a link,
// beside the file it points to), or opens a device or pipe to be written in
// place; replace_commit flushes it to the disk, closes it and renames it
// over the target (an empty folder of that name goes first), and
// replace_abort drops it. On failure *error holds the system's error.
struct ReplaceTarget {
  int fd = -1;  // write here
  std::string target, temp;
  bool in_place = false;
};
bool replace_begin(const std::string& target, ReplaceTarget* t, int* error);
bool replace_commit(ReplaceTarget* t, int* error);
void replace_abort(ReplaceTarget* t);
// Whether two names lead to the same existing file (device and inode).
bool same_file(const char* a, const char* b);
// A stdio stream on the replacement, with a descriptor of its own: close it
// before the commit, which still flushes the file to the disk.
std::FILE* replace_stream(ReplaceTarget* t);

// Process queries.
std::string program_path();    // absolute path of the program file
std::string temp_directory();  // TMPDIR, else /tmp; never ends with '/'
// The run's private folder for the log and the files the runtime makes
// (mode 0700, never ends with '/'):
// <temp>/zorvane-<uid>/<program>-<pid>-XXXXXX, made on first use; the
// folders of the program's earlier runs that have ended go then, and
// <temp>/zorvane-<uid>/<program>.log links to the new run's ErrorLog.txt.
// "" when no private folder can be made. A folder that went is made anew.
std::string run_folder();
// Creates a file that did not exist (no link followed, mode 0600), open for
// reading and writing: a descriptor, or -1.
int file_create_new(const std::string& path);
bool debugger_attached();  // TracerPid in /proc/self/status
std::string current_directory();
bool set_current_directory(const std::string& path);
// The kernel's major and minor version (for the log).
void os_version(int32_t* major, int32_t* minor);
// A seed that differs from run to run.
uint32_t run_seed();
// Keeps memory the program frees for its next allocations instead of giving
// it back to the system at once (called when a GL context is made).
void heap_keep_freed_memory();

}  // namespace zrv::platform
