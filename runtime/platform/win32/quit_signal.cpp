// Termination requests on Windows. Ctrl+C is SIGINT, Ctrl+Break SIGBREAK,
// and closing the console, logging off and shutting down are SIGTERM; so
// are the C runtime's signals of those numbers (raise). The handlers only
// record the request and set an event that never resets: every later
// sleep ends at once, waits that cannot watch it ask for the request
// between short slices, and the message pump takes it on the main thread,
// so that the program ends through its orderly shutdown.
#define WIN32_LEAN_AND_MEAN
#include <signal.h>
#include <windows.h>

#include <atomic>

#include "platform/clock.hpp"
#include "platform/platform.hpp"
#include "platform/win32/window_system.hpp"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace zrv::platform {

namespace {

std::atomic<int> g_signal{0};

HANDLE quit_event() {
  static const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

// The first request is recorded (true); a later one is not (false).
bool record(int signo) {
  int none = 0;
  if (!g_signal.compare_exchange_strong(none, signo)) return false;
  if (quit_event() != nullptr) ::SetEvent(quit_event());
  return true;
}

void on_signal(int signo) {
  // The C runtime has put the default action back before calling: a
  // second request ends the process by it.
  if (!record(signo)) ::raise(signo);
}

BOOL WINAPI on_console_event(DWORD type) {
  int signo = 0;
  switch (type) {
    case CTRL_C_EVENT:
      signo = SIGINT;
      break;
    case CTRL_BREAK_EVENT:
      signo = SIGBREAK;
      break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      signo = SIGTERM;
      break;
    default:
      return FALSE;
  }
  // A second request goes on to the system's handler, which ends the process.
  if (!record(signo)) return FALSE;
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
  // The system ends the process as soon as this handler returns (and after
  // a few seconds anyway): it waits for the shutdown to end it first.
  ::Sleep(INFINITE);
  return TRUE;
}

// A timer of this thread that keeps sleeps to the millisecond (the system's
// plain waits go by its tick of 15.6 ms); none before Windows 10 1803.
class SleepTimer {
 public:
  SleepTimer()
      : handle_(::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                         TIMER_ALL_ACCESS)) {}
  ~SleepTimer() {
    if (handle_ != nullptr) ::CloseHandle(handle_);
  }
  SleepTimer(const SleepTimer&) = delete;
  SleepTimer& operator=(const SleepTimer&) = delete;
  // Set to go off after us microseconds; false when there is no timer.
  bool start(int64_t us) {
    LARGE_INTEGER due;
    due.QuadPart = -us * 10;  // relative, in 100 ns
    return handle_ != nullptr && ::SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE);
  }
  HANDLE handle() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

void quit_signals_install() {
  quit_event();
  for (int signo : {SIGTERM, SIGINT, SIGBREAK}) ::signal(signo, on_signal);
  // After the C runtime's own console handler (which signal() installs), so
  // that this one is asked first.
  ::SetConsoleCtrlHandler(on_console_event, TRUE);
}

int quit_signal_pending() { return g_signal.load(); }

int quit_signal_fd() { return -1; }

void forked_helpers_arm(bool armed) {
  // Nothing is forked on Windows: a message box is a call of this process.
  (void)armed;
}

bool sleep_interruptible(uint32_t ms) {
  thread_local SleepTimer timer;
  const int64_t end = monotonic_us() + static_cast<int64_t>(ms) * 1000;
  const HANDLE quit = quit_event();
  for (;;) {
    if (g_signal.load() != 0) return false;
    const int64_t left_us = end - monotonic_us();
    if (left_us <= 0) return true;
    if (quit != nullptr && timer.start(left_us)) {
      const HANDLE both[2] = {quit, timer.handle()};
      ::WaitForMultipleObjects(2, both, FALSE, INFINITE);
    } else if (quit != nullptr) {
      ::WaitForSingleObject(quit, static_cast<DWORD>((left_us + 999) / 1000));
    } else {
      ::Sleep(static_cast<DWORD>((left_us + 999) / 1000));
    }
  }
}

namespace win32 {

// The message pump waits on it beside the queue.
HANDLE quit_request_event() { return quit_event(); }

}  // namespace win32

}  // namespace zrv::platform
