// The one seam to the operating system. Everything the runtime needs from the
// window system, the message queue, the GL context and the clocks goes
// through Backend; process queries that do not depend on the window system
// are plain functions below.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zrv::platform {

struct Window;  // a backend's native window

enum class EventType : int32_t {
  None,
  CloseRequest,   // the user asked to close the window
  Activated,      // the window became the active one
  Deactivated,    // the window lost activation
  Char,           // a typed character (code: byte in the runtime's 8-bit set)
  KeyDown,        // code: scan code of the runtime's key table
  KeyUp,
  MouseMotion,    // x, y client position; dx, dy relative motion
  MouseButton,    // code: button 0..7, state 1 down / 0 up
  MouseWheel,     // dy: wheel steps
  PointerDown,    // touch: id, x, y
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

class Backend {
public:
  virtual ~Backend() = default;
  virtual const char* name() const = 0;
  virtual bool is_headless() const = 0;

  // Clock: a high-resolution counter (ticks per second in *frequency) and a
  // millisecond tick count as the fallback.
  virtual bool counter_frequency(int64_t* frequency) = 0;
  virtual int64_t counter_value() = 0;
  virtual uint32_t tick_count_ms() = 0;
  virtual void sleep_ms(uint32_t ms) = 0;

  // Message queue. wait_event blocks until an event is queued (or returns
  // false when nothing can ever arrive); poll_event takes one event.
  virtual bool wait_event() = 0;
  virtual bool peek_event(Event* event) = 0;  // look without taking
  virtual bool poll_event(Event* event) = 0;
};

// The backend in use. select_backend is called once by the process entry;
// until then the headless backend answers.
Backend& backend();
void select_backend(bool headless);
std::unique_ptr<Backend> make_headless_backend();
std::unique_ptr<Backend> make_sdl_backend();

// Process queries.
std::string program_path();   // absolute path of the program file
std::string temp_directory(); // TMPDIR, else /tmp; never ends with '/'
bool debugger_attached();     // TracerPid in /proc/self/status
std::string current_directory();
bool set_current_directory(const std::string& path);

}  // namespace zrv::platform
