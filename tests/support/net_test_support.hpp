// Helpers for the socket tests: plain sockets on the loopback addresses (the
// peers we did not write run on them, in threads of the test program),
// bounded waits on the socket commands, and clean-up of the slot table
// between tests. The raw calls are the system's own: BSD sockets on POSIX,
// Winsock on Windows.
#pragma once

#ifdef _WIN32
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>
// clang-format on

#include <cstdlib>
#include <memory>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>   // popen
#include <cstring>  // strerror
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "net/net.hpp"

namespace zrv::test {

// ---------------------------------------------------------------------------
// Plain sockets.

#ifdef _WIN32
using RawHandle = SOCKET;
constexpr RawHandle kNoRawSocket = INVALID_SOCKET;
#else
using RawHandle = int;
constexpr RawHandle kNoRawSocket = -1;
#endif

// Winsock wants a start before any call; the runtime's own is not relied on.
inline void raw_sockets_start() {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
#endif
}

inline int raw_error() {
#ifdef _WIN32
  return ::WSAGetLastError();
#else
  return errno;
#endif
}

inline RawHandle raw_handle(platform::SocketHandle h) { return static_cast<RawHandle>(h); }

// The system's own sentence for an error number, as a program would show it
// (Windows ends its sentences in a full stop and a line break).
inline std::string system_error_message(int code) {
#ifdef _WIN32
  char text[256];
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  while (n > 0 &&
         (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) {
    --n;
  }
  return std::string(text, n);
#else
  return strerror(code);
#endif
}

// The file of host names that resolve without a name server.
inline std::string hosts_file() {
#ifdef _WIN32
  const char* root = std::getenv("SystemRoot");
  return std::string(root != nullptr ? root : "C:\\Windows") + "\\System32\\drivers\\etc\\hosts";
#else
  return "/etc/hosts";
#endif
}

// The addresses of the machine's interfaces that are up, separated by
// spaces, loopback and link-local ones left out: `hostname -I` on POSIX,
// the adapters' list on Windows (which has no such command). False when
// they cannot be listed.
inline bool interface_addresses(std::string* words) {
#ifdef _WIN32
  raw_sockets_start();
  ULONG size = 1 << 16;
  std::unique_ptr<char[]> buffer(new char[size]);
  auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get());
  const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  if (::GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, list, &size) != NO_ERROR) return false;
  for (auto* a = list; a != nullptr; a = a->Next) {
    if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const sockaddr* at = u->Address.lpSockaddr;
      char text[INET6_ADDRSTRLEN] = {};
      if (at->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(at);
        if (ntohl(v4->sin_addr.s_addr) >> 24 == 127) continue;
        ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
      } else if (at->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(at);
        if (IN6_IS_ADDR_LINKLOCAL(&v6->sin6_addr) || IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr)) continue;
        ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
      } else {
        continue;
      }
      *words += std::string(text) + " ";
    }
  }
  return true;
#else
  FILE* p = ::popen("hostname -I 2>/dev/null", "r");
  if (p == nullptr) return false;
  for (int c; (c = std::fgetc(p)) != EOF;) *words += static_cast<char>(c);
  ::pclose(p);
  return true;
#endif
}

// What net_error_text gives for a code: "<code> <message>", or "" where the
// system has no message for it (Wine has none for Winsock's codes).
inline std::string error_text(int code) {
  const std::string message = system_error_message(code);
  return message.empty() ? std::string() : std::to_string(code) + " " + message;
}

// Loopback address of a family (4 or 6) with a port.
inline int loopback_address(int family, int port, sockaddr_storage* out) {
  std::memset(out, 0, sizeof *out);
  if (family == 6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(out);
    a->sin6_family = AF_INET6;
    a->sin6_addr = in6addr_loopback;
    a->sin6_port = htons(static_cast<uint16_t>(port));
    return sizeof(sockaddr_in6);
  }
  auto* a = reinterpret_cast<sockaddr_in*>(out);
  a->sin_family = AF_INET;
  a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a->sin_port = htons(static_cast<uint16_t>(port));
  return sizeof(sockaddr_in);
}

inline int port_of(const sockaddr_storage& a) {
  return a.ss_family == AF_INET6 ? ntohs(reinterpret_cast<const sockaddr_in6*>(&a)->sin6_port)
                                 : ntohs(reinterpret_cast<const sockaddr_in*>(&a)->sin_port);
}

// The port a socket is bound to: 0 when unbound, -1 when it cannot be asked.
inline int bound_port(RawHandle h) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  if (::getsockname(h, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
#ifdef _WIN32
    // Winsock has no name for a socket not bound yet.
    if (::WSAGetLastError() == WSAEINVAL) return 0;
#endif
    return -1;
  }
  return port_of(a);
}
inline int bound_port(platform::SocketHandle h) { return bound_port(raw_handle(h)); }

// Waits for a socket to be readable (or writable): false at the time-out.
inline bool wait_socket(RawHandle h, bool writable, int time_out_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(h, &set);
  timeval limit{time_out_ms / 1000, (time_out_ms % 1000) * 1000};
#ifdef _WIN32
  const int top = 0;  // ignored
#else
  const int top = h + 1;
#endif
  return ::select(top, writable ? nullptr : &set, writable ? &set : nullptr, nullptr, &limit) > 0;
}

// One socket of the test's own, closed on destruction. Every wait is bounded,
// so that a peer thread always ends.
class RawSocket {
 public:
  RawSocket() = default;
  explicit RawSocket(RawHandle h) : h_(h) {}
  RawSocket(int family, bool udp) {
    raw_sockets_start();
    h_ = ::socket(family == 6 ? AF_INET6 : AF_INET, udp ? SOCK_DGRAM : SOCK_STREAM, 0);
  }
  ~RawSocket() { close(); }
  RawSocket(RawSocket&& o) noexcept : h_(o.h_) { o.h_ = kNoRawSocket; }
  RawSocket& operator=(RawSocket&& o) noexcept {
    if (this != &o) {
      close();
      h_ = o.h_;
      o.h_ = kNoRawSocket;
    }
    return *this;
  }
  RawSocket(const RawSocket&) = delete;
  RawSocket& operator=(const RawSocket&) = delete;

  bool valid() const { return h_ != kNoRawSocket; }
  RawHandle handle() const { return h_; }
  int port() const { return bound_port(h_); }

  void close() {
    if (h_ == kNoRawSocket) return;
#ifdef _WIN32
    ::closesocket(h_);
#else
    ::close(h_);
#endif
    h_ = kNoRawSocket;
  }

  bool set_non_blocking(bool on) {
#ifdef _WIN32
    u_long value = on ? 1 : 0;
    return ::ioctlsocket(h_, FIONBIO, &value) == 0;
#else
    const int flags = ::fcntl(h_, F_GETFL, 0);
    return flags >= 0 && ::fcntl(h_, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) == 0;
#endif
  }

  // A limit on every blocking receive (0: none).
  bool set_receive_limit(int time_out_ms) {
#ifdef _WIN32
    const DWORD limit = static_cast<DWORD>(time_out_ms);
#else
    const timeval limit{time_out_ms / 1000, (time_out_ms % 1000) * 1000};
#endif
    return ::setsockopt(h_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit),
                        sizeof limit) == 0;
  }

  bool bind_loopback(int family, int port = 0) {
    sockaddr_storage a;
    const int len = loopback_address(family, port, &a);
    return ::bind(h_, reinterpret_cast<sockaddr*>(&a), len) == 0;
  }
  bool listen_on(int backlog) { return ::listen(h_, backlog) == 0; }

  // A connect that waits (for at most the time-out): true when connected.
  bool connect_loopback(int family, int port, int time_out_ms = 10000) {
    sockaddr_storage a;
    const int len = loopback_address(family, port, &a);
    set_non_blocking(true);
    bool ok = ::connect(h_, reinterpret_cast<sockaddr*>(&a), len) == 0;
    if (!ok && wait_socket(h_, true, time_out_ms)) {
      int err = -1;
      socklen_t err_len = sizeof err;
      ok = ::getsockopt(h_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &err_len) == 0 &&
           err == 0;
    }
    set_non_blocking(false);
    return ok;
  }
  // A connect started and not waited for.
  void start_connect_loopback(int family, int port) {
    sockaddr_storage a;
    const int len = loopback_address(family, port, &a);
    set_non_blocking(true);
    ::connect(h_, reinterpret_cast<sockaddr*>(&a), len);
  }

  // The next connection within the time-out; an invalid socket otherwise.
  RawSocket accept_within(int time_out_ms, int* peer_port = nullptr) {
    if (!wait_socket(h_, false, time_out_ms)) return RawSocket();
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    RawSocket s(::accept(h_, reinterpret_cast<sockaddr*>(&a), &len));
    if (s.valid() && peer_port != nullptr) *peer_port = port_of(a);
    return s;
  }

  bool send_all(const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
      const auto n = ::send(h_, data.data() + sent, static_cast<int>(data.size() - sent), 0);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }

  // What comes within the time-out, at most max bytes: the count, 0 when the
  // peer closed, -1 at the time-out or on an error.
  int receive_some(std::string& into, size_t max, int time_out_ms) {
    if (!wait_socket(h_, false, time_out_ms)) return -1;
    std::string buf(max, '\0');
    const auto n = ::recv(h_, buf.data(), static_cast<int>(max), 0);
    if (n > 0) into.append(buf.data(), static_cast<size_t>(n));
    return n < 0 ? -1 : static_cast<int>(n);
  }

  // Everything until the peer closes, or until `until` ends what came.
  std::string receive_until(const std::string& until, int time_out_ms) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(time_out_ms);
    while (until.empty() || got.size() < until.size() ||
           got.compare(got.size() - until.size(), until.size(), until) != 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || receive_some(got, 1 << 20, static_cast<int>(left)) <= 0) break;
    }
    return got;
  }

  bool send_to_loopback(int family, int port, const std::string& data) {
    sockaddr_storage a;
    const int len = loopback_address(family, port, &a);
    return ::sendto(h_, data.data(), static_cast<int>(data.size()), 0,
                    reinterpret_cast<sockaddr*>(&a), len) == static_cast<int>(data.size());
  }

  // One datagram within the time-out and its sender's port: false otherwise.
  bool receive_from(std::string& data, int* from_port, int time_out_ms) {
    if (!wait_socket(h_, false, time_out_ms)) return false;
    char buf[65536];
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    const auto n = ::recvfrom(h_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&a), &len);
    if (n < 0) return false;
    data.assign(buf, static_cast<size_t>(n));
    if (from_port != nullptr) *from_port = port_of(a);
    return true;
  }

 private:
  RawHandle h_ = kNoRawSocket;
};

// A listener on the loopback address of the family, on a port of the
// system's choice.
inline RawSocket loopback_listener(int family, int backlog = 1) {
  RawSocket s(family, false);
  if (!s.valid() || !s.bind_loopback(family) || !s.listen_on(backlog)) return RawSocket();
  return s;
}

// Whether a socket of the runtime is in non-blocking mode. Windows has no
// way to ask: a peek under a 1 ms receive limit tells (it would block, or
// fails at once); nothing may be waiting to be read then.
inline bool is_non_blocking(platform::SocketHandle handle) {
#ifdef _WIN32
  const SOCKET s = raw_handle(handle);
  DWORD limit = 1;
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
  char c;
  const int n = ::recv(s, &c, 1, MSG_PEEK);
  const int err = ::WSAGetLastError();
  limit = 0;
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
  if (n >= 0) ADD_FAILURE() << "bytes were waiting: the mode cannot be told";
  return n < 0 && err == WSAEWOULDBLOCK;
#else
  const int flags = ::fcntl(raw_handle(handle), F_GETFL);
  return flags >= 0 && (flags & O_NONBLOCK) != 0;
#endif
}

// Whether the handle still names an open socket.
inline bool socket_is_open(platform::SocketHandle handle) {
  int type = 0;
  socklen_t len = sizeof type;
  return ::getsockopt(raw_handle(handle), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type),
                      &len) == 0;
}

inline bool broadcast_enabled(platform::SocketHandle handle) {
  int on = 0;
  socklen_t len = sizeof on;
  return ::getsockopt(raw_handle(handle), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<char*>(&on),
                      &len) == 0 &&
         on != 0;
}

// Whether this machine can bind the IPv6 loopback address.
inline bool ipv6_loopback_available() {
  RawSocket s(6, false);
  return s.valid() && s.bind_loopback(6);
}

// ---------------------------------------------------------------------------
// A peer in a thread of its own: it runs a function on plain sockets, tells
// the test lines (ports, what it received) and hears lines from it. Its
// waits are bounded, and the thread is joined on destruction.
class Peer {
 public:
  explicit Peer(std::function<int(Peer&)> body)
      : thread_([this, body = std::move(body)] {
          const int status = body(*this);
          const std::lock_guard<std::mutex> hold(lock_);
          status_ = status;
          done_ = true;
          changed_.notify_all();
        }) {}
  ~Peer() { thread_.join(); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  // The peer's side.
  void say(const std::string& line) { post(to_test_, line); }
  std::string heard(int time_out_ms = 10000) { return take(to_peer_, time_out_ms); }

  // The test's side: one line, "" after the time-out.
  std::string line(int time_out_ms = 10000) { return take(to_test_, time_out_ms); }
  void tell(const std::string& line) { post(to_peer_, line); }

  // True when the body returned within the time; status() is what it gave.
  bool wait_exit(int time_out_ms) {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, std::chrono::milliseconds(time_out_ms), [&] { return done_; });
  }
  int status() {
    const std::lock_guard<std::mutex> hold(lock_);
    return status_;
  }

 private:
  void post(std::deque<std::string>& queue, const std::string& line) {
    const std::lock_guard<std::mutex> hold(lock_);
    queue.push_back(line);
    changed_.notify_all();
  }
  std::string take(std::deque<std::string>& queue, int time_out_ms) {
    std::unique_lock<std::mutex> hold(lock_);
    if (!changed_.wait_for(hold, std::chrono::milliseconds(time_out_ms),
                           [&] { return !queue.empty(); })) {
      return {};
    }
    std::string l = queue.front();
    queue.pop_front();
    return l;
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::string> to_test_, to_peer_;
  bool done_ = false;
  int status_ = -1;
  std::thread thread_;  // last: it starts once the rest is made
};

// ---------------------------------------------------------------------------
// The runtime's socket commands with bounded waits.

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

inline std::string loopback_bytes(int family) {
  return family == 6 ? std::string(15, '\0') + '\x01' : std::string("\x7f\x00\x00\x01", 4);
}
inline const char* loopback_name(int family) { return family == 6 ? "::1" : "127.0.0.1"; }

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
