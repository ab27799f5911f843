// Helpers of the failure-path tests: start a program of programs/ as a real
// process with its own temporary directory, fault it, and read what it left.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "file_io.hpp"
#include "x_display.hpp"

namespace zrv::fault {

struct Child {
  pid_t pid = -1;
  std::string program;   // its path
  std::string tmp;       // the program's TMPDIR (its log is below it)
  std::string out_path;  // standard output and error, captured to files
  std::string err_path;
};

struct Ended {
  bool exited = false;
  int status = -1;
  int signal = 0;
  double ms = 0;  // from the call of wait_end until the process was gone
  std::string out, err, log;
};

// Starts program (a name in ZRV_FAULT_PROGRAM_DIR, or a path) with args,
// environment extras ("NAME=value") added to this process's environment.
// before_exec runs in the child just before the program starts (limits).
Child start(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& env = {},
            const std::function<void()>& before_exec = nullptr);
// Waits up to time_out_ms for the process to end; kills it (SIGKILL) when
// it does not, reporting exited = false and signal = SIGKILL.
Ended wait_end(Child& run, int time_out_ms);
// Waits until the program's standard output holds text (false on time-out
// or when the process ended first).
bool wait_output(const Child& run, const std::string& text, int time_out_ms);
// Standard error without the notice of a software OpenGL renderer, which
// every windowed run on a machine without a GPU driver (Xvfb) gives.
std::string without_software_gl_notice(const std::string& err);
using zrv::test::read_file;
// Whether the tests have an X display (DISPLAY set).
using zrv::test::have_display;
using zrv::test::shell_output;

}  // namespace zrv::fault
