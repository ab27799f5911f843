// Runs a function in a forked child process and captures what it writes to
// standard output and standard error and how it ended (tests of the fatal
// paths, which end the process through program_end); the output of a shell
// command.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace zrv::test {

struct ChildResult {
  std::string out;
  std::string err;
  bool exited = false;  // ended through exit (not a signal)
  int status = -1;      // exit status when exited
  int signal = 0;       // terminating signal otherwise
};

inline std::string read_all_fd(int fd) {
  std::string s;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
  return s;
}

inline ChildResult run_in_child(const std::function<void()>& body) {
  ChildResult r;
  char out_name[] = "/tmp/zrv_child_outXXXXXX";
  char err_name[] = "/tmp/zrv_child_errXXXXXX";
  int out_fd = mkstemp(out_name);
  int err_fd = mkstemp(err_name);
  fflush(stdout);
  fflush(stderr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    body();
    fflush(stdout);
    fflush(stderr);
    _exit(111);  // body returned: distinct from every status the runtime uses
  }
  int st = 0;
  waitpid(pid, &st, 0);
  lseek(out_fd, 0, SEEK_SET);
  lseek(err_fd, 0, SEEK_SET);
  r.out = read_all_fd(out_fd);
  r.err = read_all_fd(err_fd);
  close(out_fd);
  close(err_fd);
  unlink(out_name);
  unlink(err_name);
  if (WIFEXITED(st)) {
    r.exited = true;
    r.status = WEXITSTATUS(st);
  } else if (WIFSIGNALED(st)) {
    r.signal = WTERMSIG(st);
  }
  return r;
}

// Output of a shell command, without the final line feeds.
inline std::string shell_output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace zrv::test
