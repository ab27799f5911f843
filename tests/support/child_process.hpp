// Runs a function in a forked child process and captures what it writes to
// standard output and standard error and how it ended (tests of the fatal
// paths, which end the process through program_end); the output of a shell
// command.
#pragma once

#ifdef _WIN32
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <process.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>  // _exit

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/platform.hpp"
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace zrv::test {

struct ChildResult {
  std::string out;
  std::string err;
  bool exited = false;  // ended through exit (not a signal)
  int status = -1;      // exit status when exited
  int signal = 0;       // terminating signal otherwise
};

#ifdef _WIN32
// Windows has no fork: the test program runs again with only the current
// test, whose run_in_child call of the number it is given runs the body
// (the calls before it return at once) with its output going to files the
// first program names; what gtest itself prints goes nowhere. The calls
// are counted from each test's start: the child runs that test alone.
struct ChildCallCount : testing::EmptyTestEventListener {
  int calls = 0;
  void OnTestStart(const testing::TestInfo&) override { calls = 0; }
};

inline int next_child_call() {
  static ChildCallCount* const count = [] {
    auto* c = new ChildCallCount;
    testing::UnitTest::GetInstance()->listeners().Append(c);  // gtest owns it
    return c;
  }();
  return ++count->calls;
}

inline ChildResult run_in_child(const std::function<void()>& body) {
  const int call = next_child_call();
  if (const char* mine = std::getenv("ZRV_TEST_CHILD")) {
    if (std::atoi(mine) != call) return ChildResult{};
    std::fflush(stdout);
    std::fflush(stderr);
    if (!std::freopen(std::getenv("ZRV_TEST_CHILD_OUT"), "wb", stdout) ||
        !std::freopen(std::getenv("ZRV_TEST_CHILD_ERR"), "wb", stderr)) {
      _exit(112);
    }
    body();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(111);  // body returned: distinct from every status the runtime uses
  }
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
  std::random_device random;
  const std::string stem =
      (std::filesystem::temp_directory_path() / ("zrv_child_" + std::to_string(random()))).string();
  const std::string out_name = stem + ".out", err_name = stem + ".err";
  const std::string program = zrv::platform::program_path();
  ::_putenv_s("ZRV_TEST_CHILD", std::to_string(call).c_str());
  ::_putenv_s("ZRV_TEST_CHILD_OUT", out_name.c_str());
  ::_putenv_s("ZRV_TEST_CHILD_ERR", err_name.c_str());
  std::fflush(stdout);
  std::fflush(stderr);
  // cmd /c takes the outer quotes off and leaves the rest as written.
  const std::string command = "\"\"" + program + "\" --gtest_filter=" + filter + " >NUL 2>&1\"";
  const int status = std::system(command.c_str());
  ::_putenv_s("ZRV_TEST_CHILD", "");
  ::_putenv_s("ZRV_TEST_CHILD_OUT", "");
  ::_putenv_s("ZRV_TEST_CHILD_ERR", "");
  ChildResult r;
  const auto slurp = [](const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  r.out = slurp(out_name);
  r.err = slurp(err_name);
  std::error_code ec;
  std::filesystem::remove(out_name, ec);
  std::filesystem::remove(err_name, ec);
  // A crash ends a Windows program with an exception code as its status.
  r.exited = true;
  r.status = status;
  return r;
}
#else
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

#endif

// Runs a program (args[0], a path) in the given folder (empty: this one),
// its standard output into a file (empty: nowhere) and its standard error
// nowhere; its exit status, or -1 when it did not start or end normally.
inline int run_program(const std::vector<std::string>& args, const std::string& stdout_file = "",
                       const std::string& folder = "") {
  std::fflush(stdout);
  std::fflush(stderr);
#ifdef _WIN32
  // The child takes this program's standard handles and current folder,
  // so they are set for the spawn and put back after it.
  const int out = _open(stdout_file.empty() ? "NUL" : stdout_file.c_str(),
                        _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
  const int null = _open("NUL", _O_WRONLY);
  if (out < 0 || null < 0) return -1;
  const int saved_out = _dup(1), saved_err = _dup(2);
  _dup2(out, 1);
  _dup2(null, 2);
  std::error_code ec;
  const std::filesystem::path here = std::filesystem::current_path(ec);
  if (!folder.empty()) std::filesystem::current_path(folder, ec);
  // The command line is the arguments joined: those with blanks are quoted.
  std::vector<std::string> quoted;
  for (const std::string& a : args)
    quoted.push_back(a.find_first_of(" \t") == std::string::npos ? a : "\"" + a + "\"");
  std::vector<const char*> argv;
  for (const std::string& a : quoted) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const intptr_t status = ec ? -1 : _spawnv(_P_WAIT, args[0].c_str(), argv.data());
  std::filesystem::current_path(here, ec);
  _dup2(saved_out, 1);
  _dup2(saved_err, 2);
  for (const int fd : {out, null, saved_out, saved_err}) _close(fd);
  return status < 0 ? -1 : static_cast<int>(status);
#else
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = ::open(stdout_file.empty() ? "/dev/null" : stdout_file.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = ::open("/dev/null", O_WRONLY);
    if (out < 0 || null < 0 || dup2(out, 1) < 0 || dup2(null, 2) < 0) _exit(126);
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (pid < 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
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
