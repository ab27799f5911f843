// Termination requests. SIGTERM, SIGINT and SIGHUP only record the signal
// and write one byte to a pipe; the runtime's waits watch that pipe (sleeps
// poll it, the message pump checks the flag), so the request is taken on
// the main thread and the program ends through its orderly shutdown.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/clock.hpp"
#include "platform/platform.hpp"

namespace zrv::platform {

namespace {

volatile sig_atomic_t g_signal = 0;
int g_pipe[2] = {-1, -1};

// Helper processes that a library forks for a blocking call (the message
// box's): while armed, each one forked tells its id through the pipe, so
// that a termination request can end it, and dies with the runtime.
volatile sig_atomic_t g_helpers_armed = 0;
int g_helper_pipe[2] = {-1, -1};
pid_t g_parent = 0;

void helpers_kill() {
  pid_t pid = 0;
  while (::read(g_helper_pipe[0], &pid, sizeof pid) == static_cast<ssize_t>(sizeof pid)) {
    ::kill(pid, SIGKILL);
  }
}

// Runs in every forked child; only a helper forked while armed acts.
void on_fork_child() {
  if (g_helpers_armed == 0) return;
  g_helpers_armed = 0;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // The runtime already gone, or already asked to end: no helper.
  if (::getppid() != g_parent || g_signal != 0) ::_exit(1);
  // The runtime's handlers would only write into the runtime's pipe.
  struct sigaction dfl = {};
  dfl.sa_handler = SIG_DFL;
  for (int signo : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signo, &dfl, nullptr);
  const pid_t self = ::getpid();
  if (::write(g_helper_pipe[1], &self, sizeof self) != static_cast<ssize_t>(sizeof self))
    ::_exit(1);
}

void on_quit_signal(int signo) {
  if (g_signal != 0) {
    // A second request: the orderly end is stuck or too slow for the user
    // (a game loop that never reaches the runtime), so the signal's own
    // action ends the process once this handler returns.
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(signo, &dfl, nullptr);
    ::raise(signo);
    return;
  }
  const int saved = errno;
  g_signal = signo;
  // The byte stays in the pipe: every later wait wakes at once.
  const char byte = 1;
  if (g_pipe[1] >= 0) {
    ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    (void)ignored;
  }
  if (g_helpers_armed != 0) helpers_kill();
  errno = saved;
}

}  // namespace

void quit_signals_install() {
  if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
  struct sigaction sa = {};
  sa.sa_handler = on_quit_signal;
  sigemptyset(&sa.sa_mask);
  // No SA_RESTART: a call that blocks without watching the pipe returns
  // (EINTR) instead of going on waiting.
  sa.sa_flags = 0;
  for (int signo : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signo, &sa, nullptr);
  // Output into a closed pipe (a run piped into head) is a failed write,
  // not the end of the program: the shutdown must still run.
  ::signal(SIGPIPE, SIG_IGN);
}

int quit_signal_pending() { return g_signal; }

int quit_signal_fd() { return g_pipe[0]; }

void forked_helpers_arm(bool armed) {
  if (armed && g_helper_pipe[0] < 0) {
    if (::pipe2(g_helper_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    ::pthread_atfork(nullptr, nullptr, on_fork_child);
  }
  g_parent = ::getpid();
  g_helpers_armed = armed ? 1 : 0;
  if (!armed && g_helper_pipe[0] >= 0) {
    // The ids of helpers that have ended.
    pid_t pid = 0;
    while (::read(g_helper_pipe[0], &pid, sizeof pid) > 0) {
    }
  }
}

bool sleep_interruptible(uint32_t ms) {
  const int64_t end = monotonic_us() + static_cast<int64_t>(ms) * 1000;
  for (;;) {
    if (g_signal != 0) return false;
    const int64_t left_us = end - monotonic_us();
    if (left_us <= 0) return true;
    if (g_pipe[0] >= 0) {
      pollfd p = {g_pipe[0], POLLIN, 0};
      ::poll(&p, 1, static_cast<int>((left_us + 999) / 1000));
    } else {
      timespec req{static_cast<time_t>(left_us / 1000000),
                   static_cast<long>(left_us % 1000000) * 1000};
      ::nanosleep(&req, nullptr);
    }
  }
}

}  // namespace zrv::platform
