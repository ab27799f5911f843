#include "net/net.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/errors.hpp"
#include "platform/platform.hpp"

namespace zrv {

const NetAddress kNetAddressNone = {kNetFamilyNone, {}, 0};
const NetAddress kNetAddressAny = {kNetFamilyAny, {}, 0};

namespace {

struct NetTable {
  SocketSlot slots[kNetSlotCount];
  int32_t family = kNetFamilyIPv4;
  int32_t last_error = 0;
  int32_t users = 0;

  NetTable() {
    std::memset(slots, 0, sizeof slots);
    for (SocketSlot& s : slots) s.handle = -1;
  }
};

NetTable& table() {
  static NetTable t;
  return t;
}

int32_t fail(int32_t code) {
  table().last_error = code;
  return -1;
}

int platform_family(int32_t family) { return family == kNetFamilyIPv6 ? AF_INET6 : AF_INET; }

SocketSlot* open_slot(int32_t slot) {
  if (slot < 0 || slot >= kNetSlotCount) return nullptr;
  SocketSlot* s = &table().slots[slot];
  return s->handle == -1 ? nullptr : s;
}

// The lowest free slot, or -1 with error 8 when all are in use.
int32_t free_slot() {
  NetTable& t = table();
  for (int32_t i = 0; i < kNetSlotCount; ++i) {
    if (t.slots[i].handle == -1) return i;
  }
  t.last_error = kNetErrTableFull;
  return -1;
}

bool set_non_blocking(int fd, bool non_blocking) {
  const int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  const int wanted = non_blocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return wanted == flags || fcntl(fd, F_SETFL, wanted) == 0;
}

bool is_blocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && (flags & O_NONBLOCK) == 0;
}

// Waits up to time_out_ms (-1: no limit) for fd to be ready, as poll does,
// while watching for a termination request: a request ends the program
// (should the end already be under way, the wait returns -1 with EINTR).
// poll, not select: the table can hold descriptors above FD_SETSIZE.
int wait_ready(int fd, short events, int time_out_ms) {
  pollfd p[2] = {{fd, events, 0}, {platform::quit_signal_fd(), POLLIN, 0}};
  const nfds_t count = p[1].fd >= 0 ? 2 : 1;
  for (;;) {
    const int r = poll(p, count, time_out_ms);
    if ((count == 2 && (p[1].revents & POLLIN) != 0) || platform::quit_signal_pending() != 0) {
      quit_request_take();
      errno = EINTR;
      return -1;
    }
    // Another signal: a wait without a limit goes on; one with a limit
    // returns, for its caller to count the time left.
    if (r >= 0 || errno != EINTR || time_out_ms >= 0) return r;
  }
}

// Linger off, both directions shut down, closed. True when close succeeded.
bool close_handle(int fd) {
  const linger off = {0, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
  shutdown(fd, SHUT_RDWR);
  return close(fd) == 0;
}

// Socket address from raw address bytes and a port in network order: 16
// bytes for kNetFamilyIPv6, else 4 bytes of IPv4.
socklen_t socket_address(int32_t family, const void* bytes, uint16_t net_port,
                         sockaddr_storage& out) {
  std::memset(&out, 0, sizeof out);
  if (family == kNetFamilyIPv6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&out);
    a->sin6_family = AF_INET6;
    std::memcpy(&a->sin6_addr, bytes, 16);
    a->sin6_port = net_port;
    return sizeof(sockaddr_in6);
  }
  auto* a = reinterpret_cast<sockaddr_in*>(&out);
  a->sin_family = AF_INET;
  std::memcpy(&a->sin_addr, bytes, 4);
  a->sin_port = net_port;
  return sizeof(sockaddr_in);
}

// The any address of a family with a port (host order).
socklen_t any_address(int32_t family, uint16_t port, sockaddr_storage& out) {
  const uint32_t any4 = htonl(INADDR_ANY);
  const void* any = family == kNetFamilyIPv6 ? static_cast<const void*>(&in6addr_any) : &any4;
  return socket_address(family, any, htons(port), out);
}

// Socket address from raw address bytes (4 or 16) and a port (host order).
socklen_t address_from_bytes(const RtString& bytes, uint16_t port, sockaddr_storage& out) {
  if (bytes.length != 4 && bytes.length != 16) {
    std::memset(&out, 0, sizeof out);
    return 0;
  }
  return socket_address(bytes.length == 16 ? kNetFamilyIPv6 : kNetFamilyIPv4, bytes.data,
                        htons(port), out);
}

socklen_t address_from_net(const NetAddress& na, sockaddr_storage& out) {
  return socket_address(na.family, na.bytes, na.port, out);
}

NetAddress net_from_address(const sockaddr_storage& sa) {
  NetAddress na = kNetAddressNone;
  if (sa.ss_family == AF_INET) {
    const auto* a = reinterpret_cast<const sockaddr_in*>(&sa);
    na.family = kNetFamilyIPv4;
    std::memcpy(na.bytes, &a->sin_addr, 4);
    na.port = a->sin_port;
  } else if (sa.ss_family == AF_INET6) {
    const auto* a = reinterpret_cast<const sockaddr_in6*>(&sa);
    na.family = kNetFamilyIPv6;
    std::memcpy(na.bytes, &a->sin6_addr, 16);
    na.port = a->sin6_port;
  }
  return na;
}

RtString bytes_text(const void* p, uint32_t n) {
  RtString s;
  if (n == 0) return s;
  char* d = s.buffer_for_write(n);
  std::memcpy(d, p, n);
  s.length = n;
  d[n] = '\0';
  return s;
}

// Dotted or compressed hexadecimal text of 4 or 16 address bytes.
void format_address(const uint8_t* b, uint32_t n, char* out, size_t size) {
  if (n == 4) {
    std::snprintf(out, size, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return;
  }
  unsigned groups[8];
  for (int i = 0; i < 8; ++i) groups[i] = (unsigned{b[2 * i]} << 8) | b[2 * i + 1];
  int best_start = -1, best_len = 0;
  for (int i = 0; i < 8;) {
    if (groups[i] != 0) {
      ++i;
      continue;
    }
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i >= 2 && j - i > best_len) {
      best_start = i;
      best_len = j - i;
    }
    i = j;
  }
  size_t pos = 0;
  out[0] = '\0';
  for (int i = 0; i < 8; ++i) {
    if (i == best_start) {
      pos += static_cast<size_t>(std::snprintf(out + pos, size - pos, "::"));
      i += best_len - 1;
      continue;
    }
    const bool after_gap = best_start >= 0 && i == best_start + best_len;
    if (i > 0 && !after_gap) pos += static_cast<size_t>(std::snprintf(out + pos, size - pos, ":"));
    pos += static_cast<size_t>(std::snprintf(out + pos, size - pos, "%x", groups[i]));
  }
}

// getaddrinfo failures as errno values.
int32_t lookup_error(int rc) {
  switch (rc) {
    case EAI_SYSTEM:
      return errno != 0 ? errno : kNetErrLookupFailed;
    case EAI_MEMORY:
      return ENOMEM;
    case EAI_NONAME:
      return kNetErrHostNotFound;
    case EAI_AGAIN:
      return kNetErrLookupAgain;
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
    case EAI_FAMILY:
      return kNetErrNoAddress;
    default:
      return kNetErrLookupFailed;
  }
}

// The machine's addresses of the selected family joined by sep, taken from
// its interfaces (the host name would give /etc/hosts' loopback entry):
// loopback last, link-local IPv6 left out (unusable without a scope), at
// most 2047 characters.
std::string local_address_list(char sep) {
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) {
    table().last_error = errno;
    return {};
  }
  const int family = platform_family(table().family);
  constexpr size_t kLimit = 2047;
  std::string list;
  bool loopback = false;
  bool room = true;
  for (ifaddrs* i = interfaces; i != nullptr && room; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != family || !(i->ifa_flags & IFF_UP)) {
      continue;
    }
    sockaddr_storage sa{};
    std::memcpy(&sa, i->ifa_addr, family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
    const NetAddress na = net_from_address(sa);
    if (na.family == kNetFamilyNone) continue;
    if (na.family == kNetFamilyIPv6 && na.bytes[0] == 0xFE && (na.bytes[1] & 0xC0) == 0x80)
      continue;
    char text[64];
    format_address(na.bytes, na.family == kNetFamilyIPv6 ? 16 : 4, text, sizeof text);
    if ((i->ifa_flags & IFF_LOOPBACK) || std::strcmp(text, "127.0.0.1") == 0 ||
        std::strcmp(text, "0:0:0:0:0:0:0:1") == 0 || std::strcmp(text, "::1") == 0) {
      loopback = true;
      continue;
    }
    const std::string entry = std::string(text) + sep;
    if (list.find(entry) == 0 || list.find(sep + entry) != std::string::npos) continue;
    if (list.size() + entry.size() > kLimit) {
      room = false;
      break;
    }
    list += entry;
  }
  freeifaddrs(interfaces);
  if (loopback && room) {
    const std::string entry =
        std::string(table().family == kNetFamilyIPv6 ? "::1" : "127.0.0.1") + sep;
    if (list.size() + entry.size() <= kLimit) list += entry;
  }
  if (!list.empty()) list.pop_back();
  table().last_error = 0;
  return list;
}

using Clock = std::chrono::steady_clock;

// Sends every byte by one deadline. The socket is never left to block in
// the kernel (MSG_DONTWAIT, even on a blocking slot): the frame loop must
// not stall on a peer that stops reading. At the deadline the count so far
// is returned, or -1 when nothing went, with ETIMEDOUT either way.
int32_t send_all(int fd, const RtString& text, const sockaddr_storage* to, socklen_t to_len) {
  constexpr int kFlags = MSG_NOSIGNAL | MSG_DONTWAIT;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kNetSendTimeOutMs);
  size_t sent = 0;
  const size_t total = text.length;
  auto result = [&](int32_t err) {
    table().last_error = err;
    if (sent == 0 && err != 0) return -1;
    return sent > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sent);
  };
  while (sent < total) {
    const ssize_t n = to != nullptr ? sendto(fd, text.data + sent, total - sent, kFlags,
                                             reinterpret_cast<const sockaddr*>(to), to_len)
                                    : send(fd, text.data + sent, total - sent, kFlags);
    if (n >= 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return fail(errno);
    // Wait for room, but only until the deadline.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return result(ETIMEDOUT);
    if (wait_ready(fd, POLLOUT, static_cast<int>(left)) < 0) {
      if (errno == EINTR && platform::quit_signal_pending() != 0) return result(EINTR);
      if (errno != EINTR) return fail(errno);
    }
  }
  return result(0);
}

bool valid_port(int32_t port) { return port >= 0 && port <= 65535; }

// One datagram into buf. A longer one than max_bytes is consumed and
// reported (EMSGSIZE) rather than cut short.
ssize_t receive_datagram(SocketSlot& s, char* buf, int32_t max_bytes) {
  any_address(table().family, 0, s.address);
  sockaddr_storage from{};
  socklen_t from_len = sizeof from;
  ssize_t n;
  if (is_blocking(s.handle) && wait_ready(s.handle, POLLIN, -1) < 0) return -1;
  do {
    // MSG_TRUNC: the datagram's real length, even when it did not fit.
    n = recvfrom(s.handle, buf, static_cast<size_t>(max_bytes), MSG_TRUNC,
                 reinterpret_cast<sockaddr*>(&from), &from_len);
  } while (n < 0 && errno == EINTR);
  if (n >= 0) s.address = from;
  if (n > max_bytes) {
    errno = EMSGSIZE;
    return -1;
  }
  return n;
}

}  // namespace

// ---------------------------------------------------------------------------

int32_t net_last_error() { return table().last_error; }
int32_t net_family() { return table().family; }
int32_t net_users() { return table().users; }

const SocketSlot* net_slot(int32_t slot) {
  if (slot < 0 || slot >= kNetSlotCount) return nullptr;
  return &table().slots[slot];
}

int32_t net_connect_time_out(int32_t time_out_ms) {
  return (time_out_ms < 1 || time_out_ms > kNetConnectTimeoutMax) ? kNetConnectTimeoutMax
                                                                  : time_out_ms;
}

void net_raise_file_limit() {
  rlimit lim{};
  if (getrlimit(RLIMIT_NOFILE, &lim) != 0) return;
  rlim_t wanted = kNetFileLimitWanted;
  if (lim.rlim_max != RLIM_INFINITY && lim.rlim_max < wanted) wanted = lim.rlim_max;
  if (lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < wanted) {
    lim.rlim_cur = wanted;
    setrlimit(RLIMIT_NOFILE, &lim);  // not permitted: the table fills up early, no more
  }
}

int32_t net_start() {
  NetTable& t = table();
  if (t.users > 0) {
    ++t.users;
    return 1;
  }
  net_raise_file_limit();
  // POSIX sockets need no library start. Free slots are cleared; a slot that
  // is open (made before the first start) is kept rather than leaked.
  for (SocketSlot& s : t.slots) {
    if (s.handle == -1) {
      std::memset(&s, 0, sizeof s);
      s.handle = -1;
    }
  }
  t.users = 1;
  return 1;
}

void net_stop() {
  NetTable& t = table();
  --t.users;
  if (t.users > 0) return;
  for (SocketSlot& s : t.slots) {
    if (s.handle != -1) {
      close_handle(s.handle);
      s.handle = -1;
    }
  }
  t.users = 0;
}

void net_shutdown() {
  NetTable& t = table();
  t.users = 1;
  net_stop();
}

void net_set_family(int32_t n) {
  if (n == 6) {
    table().family = kNetFamilyIPv6;
    return;
  }
  table().family = kNetFamilyIPv4;
  if (n != 4) error_say(kErrAddressFamily, "net_set_family: %d is neither 4 nor 6; IPv4 it is", n);
}

namespace {

// A new socket of the selected family with reuse-address on, and a free
// slot for it; false (the error set) when either is missing.
struct NewSocket {
  int32_t slot = -1;
  int fd = -1;
  sockaddr_storage addr{};
  socklen_t len = 0;
};

bool new_socket(int type, int32_t port, NewSocket* out) {
  NetTable& t = table();
  if (!valid_port(port)) {
    fail(EINVAL);
    return false;
  }
  out->slot = free_slot();
  if (out->slot < 0) return false;
  out->fd = socket(platform_family(t.family), type | SOCK_CLOEXEC, 0);
  if (out->fd < 0) {
    fail(errno);
    return false;
  }
  const int on = 1;
  setsockopt(out->fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  out->len = any_address(t.family, static_cast<uint16_t>(port), out->addr);
  return true;
}

// Binds the new socket to its address and keeps the port actually bound
// (port 0 picks one); on failure the socket is closed and the error set.
bool bind_kept(NewSocket& n) {
  if (bind(n.fd, reinterpret_cast<sockaddr*>(&n.addr), n.len) != 0) {
    const int err = errno;
    close(n.fd);
    fail(err);
    return false;
  }
  sockaddr_storage bound;
  socklen_t bound_len = sizeof bound;
  if (getsockname(n.fd, reinterpret_cast<sockaddr*>(&bound), &bound_len) == 0) n.addr = bound;
  return true;
}

}  // namespace

int32_t tcp_listen(int32_t port) {
  NetTable& t = table();
  NewSocket n;
  if (!new_socket(SOCK_STREAM, port, &n)) return -1;
  const int32_t slot = n.slot;
  const int fd = n.fd;
  if (!bind_kept(n)) return -1;
  if (listen(fd, 10) != 0) {
    const int err = errno;
    close(fd);
    return fail(err);
  }
  SocketSlot& s = t.slots[slot];
  s.handle = fd;
  s.address = n.addr;
  s.is_udp = 0;
  set_non_blocking(fd, true);
  t.last_error = 0;
  return slot;
}

int32_t tcp_accept(int32_t listener, RtString& address) {
  NetTable& t = table();
  SocketSlot* l = open_slot(listener);
  if (l == nullptr) return fail(EBADF);
  if (l->is_udp) return fail(0);
  sockaddr_storage peer{};
  socklen_t peer_len = sizeof peer;
  int fd;
  if (is_blocking(l->handle) && wait_ready(l->handle, POLLIN, -1) < 0) return fail(errno);
  do {
    fd = accept4(l->handle, reinterpret_cast<sockaddr*>(&peer), &peer_len, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return fail(errno);
  const int32_t slot = free_slot();
  if (slot < 0) {
    close_handle(fd);
    return -1;
  }
  SocketSlot& s = t.slots[slot];
  s = *l;
  s.handle = fd;
  s.address = peer;
  s.is_udp = 0;
  set_non_blocking(fd, true);
  const NetAddress na = net_from_address(peer);
  address = net_address_bytes(na);
  t.last_error = 0;
  return slot;
}

int32_t tcp_connect(const RtString& host, int32_t port, int32_t time_out_ms) {
  NetTable& t = table();
  if (!valid_port(port)) return fail(EINVAL);
  const NetAddress target = net_lookup(host.c_str(), static_cast<uint16_t>(port));
  if (target.family == kNetFamilyNone) return -1;  // net_lookup set the error
  const int32_t slot = free_slot();
  if (slot < 0) return -1;
  sockaddr_storage addr;
  const socklen_t len = address_from_net(target, addr);
  const int fd = socket(addr.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return fail(errno);
  SocketSlot& s = t.slots[slot];
  s.handle = fd;
  s.address = addr;
  s.is_udp = 0;
  set_non_blocking(fd, true);

  auto give_up = [&](int32_t err) {
    close_handle(fd);
    s.handle = -1;
    return fail(err);
  };
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0) {
    t.last_error = 0;
    return slot;
  }
  if (errno != EINPROGRESS && errno != EINTR && errno != EAGAIN) return give_up(errno);

  // Writable (or failed) within the time-out.
  const auto deadline = Clock::now() + std::chrono::milliseconds(net_connect_time_out(time_out_ms));
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int r = wait_ready(fd, POLLOUT, left > 0 ? static_cast<int>(left) : 0);
    if (r > 0) break;
    if (r == 0) return give_up(ETIMEDOUT);
    if (errno != EINTR || platform::quit_signal_pending() != 0) return give_up(errno);
  }
  // A refused or failed connect also makes the socket writable.
  int err = 0;
  socklen_t err_len = sizeof err;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &err_len) != 0) return give_up(errno);
  if (err != 0) return give_up(err);
  set_non_blocking(fd, true);
  t.last_error = 0;
  return slot;
}

int32_t udp_open(int32_t port) {
  NetTable& t = table();
  NewSocket n;
  if (!new_socket(SOCK_DGRAM, port, &n)) return -1;
  const int32_t slot = n.slot;
  const int fd = n.fd;
  const int on = 1;
  if (port != 0 && !bind_kept(n)) return -1;
  if (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    const char one = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  }
  set_non_blocking(fd, true);
  SocketSlot& s = t.slots[slot];
  s.handle = fd;
  s.address = n.addr;
  s.is_udp = 1;
  t.last_error = 0;
  return slot;
}

int32_t net_send(int32_t slot, const RtString& text) {
  SocketSlot* s = open_slot(slot);
  if (s == nullptr) return fail(EBADF);
  if (s->is_udp) return fail(EDESTADDRREQ);
  return send_all(s->handle, text, nullptr, 0);
}

int32_t udp_send_to(int32_t slot, const RtString& text, const RtString& address, int32_t port) {
  SocketSlot* s = open_slot(slot);
  if (s == nullptr) return fail(EBADF);
  if (!s->is_udp) return send_all(s->handle, text, nullptr, 0);
  if (address.length != 4 && address.length != 16) {
    error_say(kErrAddressFamily, "udp_send_to: an address of %u bytes (4 or 16 expected)",
              address.length);
    return fail(EAFNOSUPPORT);
  }
  if (!valid_port(port)) return fail(EINVAL);
  sockaddr_storage to;
  const socklen_t to_len = address_from_bytes(address, static_cast<uint16_t>(port), to);
  return send_all(s->handle, text, &to, to_len);
}

int32_t net_receive(int32_t slot, RtString& text, int32_t max_bytes) {
  NetTable& t = table();
  SocketSlot* s = open_slot(slot);
  if (s == nullptr || max_bytes < 1) {
    text.truncate(0);
    return fail(s == nullptr ? EBADF : EINVAL);
  }
  char* buf = text.buffer_for_write(static_cast<uint32_t>(max_bytes));
  ssize_t n;
  if (s->is_udp) {
    n = receive_datagram(*s, buf, max_bytes);
  } else if (is_blocking(s->handle) && wait_ready(s->handle, POLLIN, -1) < 0) {
    n = -1;
  } else {
    do {
      n = recv(s->handle, buf, static_cast<size_t>(max_bytes), 0);
    } while (n < 0 && errno == EINTR);
  }
  if (n > 0) {
    text.length = static_cast<uint32_t>(n);
    buf[n] = '\0';
    t.last_error = 0;
    return static_cast<int32_t>(n);
  }
  text.truncate(0);
  if (n == 0) {
    t.last_error = 0;
    return 0;
  }
  const int err = errno;
  t.last_error = err;
  if (err == ECONNRESET) return 0;
  if (err == EAGAIN || err == EWOULDBLOCK) return -2;
  return -1;
}

int32_t net_close(int32_t slot) {
  SocketSlot* s = open_slot(slot);
  if (s == nullptr) {
    table().last_error = EBADF;
    return 0;
  }
  const bool ok = close_handle(s->handle);
  table().last_error = ok ? 0 : errno;
  s->handle = -1;
  return ok ? 1 : 0;
}

void net_set_blocking(int32_t slot, int32_t flag) {
  SocketSlot* s = open_slot(slot);
  if (s == nullptr) return;
  table().last_error = set_non_blocking(s->handle, flag == 0) ? 0 : errno;
}

NetAddress net_lookup(const char* host, uint16_t port) {
  NetTable& t = table();
  if (host == nullptr || host[0] == '\0') {
    // This machine: the first of its addresses, else the loopback address.
    std::string list = local_address_list('\n');
    const size_t eol = list.find('\n');
    if (eol != std::string::npos) list.resize(eol);
    if (list.empty()) list = t.family == kNetFamilyIPv6 ? "::1" : "127.0.0.1";
    return net_lookup(list.c_str(), port);
  }
  addrinfo hints{};
  hints.ai_family = platform_family(t.family);
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  const int rc = getaddrinfo(host, nullptr, &hints, &res);
  if (rc != 0 || res == nullptr) {
    t.last_error = rc != 0 ? lookup_error(rc) : kNetErrNoAddress;
    return kNetAddressNone;
  }
  sockaddr_storage sa{};
  std::memcpy(&sa, res->ai_addr, res->ai_addrlen);
  freeaddrinfo(res);
  NetAddress na = net_from_address(sa);
  na.port = htons(port);
  t.last_error = 0;
  return na;
}

RtString net_address_bytes(const NetAddress& address) {
  if (address.family == kNetFamilyIPv6) return bytes_text(address.bytes, 16);
  if (address.family == kNetFamilyIPv4) return bytes_text(address.bytes, 4);
  return RtString();
}

RtString net_resolve(const RtString& host) {
  return net_address_bytes(net_lookup(host.c_str(), 0));
}

RtString net_address_text(const RtString& address) {
  if (address.length != 4 && address.length != 16) {
    error_say(kErrAddressFamily, "net_address_text: an address of %u bytes (4 or 16 expected)",
              address.length);
    return RtString();
  }
  char text[64];
  format_address(reinterpret_cast<const uint8_t*>(address.data), address.length, text, sizeof text);
  return RtString(text);
}

RtString net_peer_address(int32_t slot) {
  const SocketSlot* s = open_slot(slot);
  if (s == nullptr) return RtString();
  return net_address_bytes(net_from_address(s->address));
}

int32_t net_peer_port(int32_t slot) {
  const SocketSlot* s = open_slot(slot);
  if (s == nullptr) return 0;
  return ntohs(net_from_address(s->address).port);
}

RtString net_local_addresses() {
  // No net_start/net_stop pair here: POSIX needs no library start, and a
  // stop that balanced it could close every open socket.
  const std::string list = local_address_list('|');
  return RtString(list.c_str());
}

RtString net_error_text() { return net_error_text_for(table().last_error); }

RtString net_error_text_for(int32_t code) {
  const char* message = nullptr;
  if (code == kNetErrTableFull) {
    message = "No free socket slot";  // errno 8 is no socket error
  } else if (code == kNetErrHostNotFound) {
    message = "host not found";
  } else if (code == kNetErrLookupAgain) {
    message = "host name lookup failed for now; try again";
  } else if (code == kNetErrLookupFailed) {
    message = "host name lookup failed";
  } else if (code == kNetErrNoAddress) {
    message = "host has no address of this family";
  } else {
    message = strerrordesc_np(code);
  }
  if (message == nullptr) return RtString();
  char text[320];
  std::snprintf(text, sizeof text, "%d %s", code, message);
  return RtString(text);
}

}  // namespace zrv
