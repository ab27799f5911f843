// Helpers for the socket tests: a Python peer process (a client or server we
// did not write), bounded waits on the socket commands, and clean-up of the
// slot table between tests. Everything stays on the loopback addresses.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "net/net.hpp"

extern char** environ;

namespace zrv::test {

inline std::string python_path() {
  // The system interpreter starts in milliseconds; version-manager shims
  // on PATH can take a second.
  if (access("/usr/bin/python3", X_OK) == 0) return "/usr/bin/python3";
  return "python3";
}

inline bool python_available() {
  const std::string py = python_path();
  if (py[0] == '/') return true;
  return system("command -v python3 >/dev/null 2>&1") == 0;
}

// A Python script run with arguments; its standard output is read line by
// line with a time-out. The process is killed and reaped on destruction.
class PyPeer {
 public:
  PyPeer(const std::string& script, const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const std::string py = python_path();
    std::vector<std::string> argv_s = {py, "-I", "-S", "-c", script};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_s) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, py.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~PyPeer() {
    if (out_ >= 0) close(out_);
    if (pid_ > 0) {
      if (!wait_exit(2000)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
    }
  }
  PyPeer(const PyPeer&) = delete;
  PyPeer& operator=(const PyPeer&) = delete;

  bool started() const { return pid_ > 0; }

  // One line of output without the line feed; "" after the time-out or at
  // the end of the output.
  std::string line(int time_out_ms = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(time_out_ms);
    for (;;) {
      const size_t nl = buffer_.find('\n');
      if (nl != std::string::npos) {
        std::string l = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return l;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || out_ < 0) return {};
      pollfd p = {out_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char buf[4096];
      const ssize_t n = read(out_, buf, sizeof buf);
      if (n <= 0) return {};
      buffer_.append(buf, static_cast<size_t>(n));
    }
  }

  // True when the process ended within the time; its exit status is kept.
  bool wait_exit(int time_out_ms) {
    if (pid_ <= 0) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(time_out_ms);
    for (;;) {
      int st = 0;
      const pid_t r = waitpid(pid_, &st, WNOHANG);
      if (r == pid_) {
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        pid_ = -1;
        return true;
      }
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  int status() const { return status_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int status_ = -1;
  std::string buffer_;
};

// net_receive repeated while it reports "nothing now", for at most the time.
inline int32_t receive_within(int32_t slot, RtString& text, int32_t max, int time_out_ms = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(time_out_ms);
  for (;;) {
    const int32_t r = net_receive(slot, text, max);
    if (r != -2 || std::chrono::steady_clock::now() >= deadline) return r;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// Receives until `want` bytes have come or the peer closed; the bytes so far.
inline std::string receive_all(int32_t slot, size_t want, int time_out_ms = 10000) {
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(time_out_ms);
  RtString text;
  while (got.size() < want && std::chrono::steady_clock::now() < deadline) {
    const int32_t r = net_receive(slot, text, 65536);
    if (r > 0) {
      got.append(text.data, text.length);
    } else if (r == -2) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
      break;
    }
  }
  return got;
}

inline int32_t accept_within(int32_t listener, RtString& address, int time_out_ms = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(time_out_ms);
  for (;;) {
    const int32_t r = tcp_accept(listener, address);
    if (r >= 0 || std::chrono::steady_clock::now() >= deadline) return r;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

inline void close_all_slots() {
  for (int32_t i = 0; i < kNetSlotCount; ++i) {
    if (net_slot(i)->handle != -1) net_close(i);
  }
}

inline int32_t open_slot_count() {
  int32_t n = 0;
  for (int32_t i = 0; i < kNetSlotCount; ++i) n += net_slot(i)->handle != -1;
  return n;
}

// Whether this machine can bind the IPv6 loopback address.
inline bool ipv6_loopback_available() {
  const int fd = socket(AF_INET6, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  a.sin6_addr = in6addr_loopback;
  const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

inline RtString raw(const std::string& s) {
  RtString r;
  if (s.empty()) return r;
  char* d = r.buffer_for_write(static_cast<uint32_t>(s.size()));
  std::memcpy(d, s.data(), s.size());
  r.length = static_cast<uint32_t>(s.size());
  d[s.size()] = '\0';
  return r;
}

inline std::string str(const RtString& s) { return std::string(s.data, s.length); }

// Selects the family for a test and restores IPv4 and an empty table after.
class NetFamilyScope {
 public:
  explicit NetFamilyScope(int32_t n) { net_set_family(n); }
  ~NetFamilyScope() {
    close_all_slots();
    net_set_family(4);
  }
};

}  // namespace zrv::test
