#include "fault_support.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace zrv::fault {

Child start(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& env, const std::function<void()>& before_exec) {
  Child run;
  char dir[] = "/tmp/zrv_faultXXXXXX";
  run.tmp = mkdtemp(dir);
  run.out_path = run.tmp + "/stdout.txt";
  run.err_path = run.tmp + "/stderr.txt";
  const std::string path =
      program[0] == '/' ? program : std::string(ZRV_FAULT_PROGRAM_DIR) + "/" + program;
  run.program = path;
  std::vector<std::string> words{path};
  words.insert(words.end(), args.begin(), args.end());
  run.pid = fork();
  if (run.pid == 0) {
    const int out = open(run.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(run.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(err, 2);
    setenv("TMPDIR", run.tmp.c_str(), 1);
    setenv("ZRV_NO_DIALOGS", "1", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    for (const std::string& e : env) putenv(strdup(e.c_str()));
    if (before_exec) before_exec();
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(121);
  }
  return run;
}

Ended wait_end(Child& run, int time_out_ms) {
  Ended e;
  const auto t0 = std::chrono::steady_clock::now();
  int st = 0;
  for (;;) {
    const pid_t r = waitpid(run.pid, &st, WNOHANG);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (r == run.pid) {
      e.ms = ms;
      break;
    }
    if (ms > time_out_ms) {
      kill(run.pid, SIGKILL);
      waitpid(run.pid, &st, 0);
      e.ms = ms;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(st)) {
    e.exited = true;
    e.status = WEXITSTATUS(st);
  } else if (WIFSIGNALED(st)) {
    e.signal = WTERMSIG(st);
  }
  run.pid = -1;
  e.out = read_file(run.out_path);
  e.err = read_file(run.err_path);
  e.log = zrv::test::run_log(run.tmp, run.program);
  return e;
}

std::string without_software_gl_notice(const std::string& err) {
  const std::string notice = "*** OpenGL Software Emulation - update driver!";
  const size_t at = err.find(notice);
  if (at == std::string::npos) return err;
  const size_t end = err.find('\n', at);
  return err.substr(0, at) + (end == std::string::npos ? "" : err.substr(end + 1));
}

bool wait_output(const Child& run, const std::string& text, int time_out_ms) {
  const auto t0 = std::chrono::steady_clock::now();
  for (;;) {
    if (read_file(run.out_path).find(text) != std::string::npos) return true;
    siginfo_t info{};
    // Look without reaping: wait_end still collects the status.
    if (waitid(P_PID, static_cast<id_t>(run.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == run.pid) {
      return read_file(run.out_path).find(text) != std::string::npos;
    }
    if (std::chrono::steady_clock::now() - t0 > std::chrono::milliseconds(time_out_ms)) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace zrv::fault
