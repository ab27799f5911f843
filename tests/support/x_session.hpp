// Driving a program's window with real X key events: each test starts an X
// server of its own (Xvfb), so that tests running side by side never take
// each other's focus; the program runs as a child process on it, xdotool
// finds its window, gives it the focus and presses keys through the XTEST
// extension, exactly as a keyboard would.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "file_io.hpp"
#include "files_test_util.hpp"
#include "x_display.hpp"

namespace zrv::test {

// A virtual X server for one test. While it lives, DISPLAY names it, so
// every program, window and xdotool call of the test uses it.
class PrivateDisplay {
 public:
  PrivateDisplay() {
    if (const char* d = std::getenv("DISPLAY")) saved_ = d;
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      const std::string fd = std::to_string(fds[1]);
      // The server picks a free display number and writes it when ready.
      // A key a test holds down must not repeat when a loaded machine takes
      // longer than the usual repeat delay between xdotool's calls.
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", "-ardelay", "30000", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 15000) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) return;
    name_ = ":" + number;
    setenv("DISPLAY", name_.c_str(), 1);
  }
  ~PrivateDisplay() {
    stop();
    if (saved_.empty()) {
      unsetenv("DISPLAY");
    } else {
      setenv("DISPLAY", saved_.c_str(), 1);
    }
  }
  bool ok() const { return !name_.empty(); }
  // Ends the server, as a crash or a logout would.
  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  // Whether an X server can be started at all (Xvfb installed) and the
  // build's platform can open windows on it.
  static bool available() {
    return windowed_platform() && std::system("command -v Xvfb >/dev/null 2>&1") == 0;
  }

 private:
  pid_t pid_ = -1;
  std::string name_;
  std::string saved_;
};

// The environment of a program run by a test: the sound goes to a file, so
// the runs need no sound card and stay quiet, and the log to dir.
inline std::vector<std::string> quiet_environment(const std::string& dir) {
  std::ofstream(dir + "/al.conf") << "[wave]\nfile = " << dir << "/out.wav\n";
  return {"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + dir + "/al.conf", "TMPDIR=" + dir};
}

// One program started in the background with its output in files.
class Program {
 public:
  Program(const std::string& path, const std::vector<std::string>& args, const std::string& dir,
          const std::vector<std::string>& env = {})
      : out_(dir + "/stdout.txt"), err_(dir + "/stderr.txt") {
    pid_ = fork();
    if (pid_ == 0) {
      int out = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(err, 2);
      if (chdir(dir.c_str()) != 0) _exit(120);
      for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(path.c_str()));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(path.c_str(), argv.data());
      _exit(121);
    }
  }
  ~Program() {
    if (running()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool running() {
    if (done_) return false;
    int st = 0;
    if (waitpid(pid_, &st, WNOHANG) == pid_) {
      done_ = true;
      exited_ = WIFEXITED(st);
      status_ = exited_ ? WEXITSTATUS(st) : -1;
      return false;
    }
    return true;
  }
  // Waits up to ms for the program to end; true when it did.
  bool wait_end(int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
      if (!running()) return true;
      pause_ms(20);
    }
    return !running();
  }
  bool exited() const { return exited_; }
  int status() const { return status_; }
  std::string out() const { return read_file(out_); }
  // Waits until the standard output so far holds text at least times
  // times, at most ms.
  bool wait_out(const std::string& text, int times, int ms) const {
    for (int waited = 0;; waited += 20) {
      const std::string so_far = out();
      int found = 0;
      for (size_t at = 0; (at = so_far.find(text, at)) != std::string::npos; at += text.size()) {
        ++found;
      }
      if (found >= times) return true;
      if (waited >= ms) return false;
      pause_ms(20);
    }
  }
  std::string err() const { return read_file(err_); }

  // The program's visible window with exactly this title, given the focus;
  // "" when it did not appear within the time.
  static std::string focus_window(const std::string& title) {
    const std::string id = shell_output("timeout 15 xdotool search --sync --onlyvisible --name '^" +
                                        title + "$' | head -1");
    if (id.empty()) return id;
    shell_output("xdotool windowfocus --sync " + id);
    return id;
  }

 private:
  std::string out_, err_;
  pid_t pid_ = -1;
  bool done_ = false;
  bool exited_ = false;
  int status_ = -1;
};

// Holds a key (an X key name) down for ms, so that the program sees it in
// the frames in between.
inline void hold_key(const std::string& keys, int ms) {
  shell_output("xdotool keydown " + keys);
  pause_ms(ms);
  shell_output("xdotool keyup " + keys);
}

}  // namespace zrv::test
