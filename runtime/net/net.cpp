#include "net/net.hpp"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/errors.hpp"
#include "platform/platform.hpp"
#include "platform/sockets.hpp"

namespace zrv {

const NetAddress kNetAddressNone = {kNetFamilyNone, {}, 0};
const NetAddress kNetAddressAny = {kNetFamilyAny, {}, 0};

namespace {

using platform::kNoSocket;
using platform::SocketAddress;
using platform::SocketFamily;
using platform::SocketHandle;
using platform::SocketWait;

struct NetTable {
  SocketSlot slots[kNetSlotCount];
  int32_t family = kNetFamilyIPv4;
  int32_t last_error = 0;
  int32_t users = 0;

  NetTable() {
    std::memset(slots, 0, sizeof slots);
    for (SocketSlot& s : slots) s.handle = kNoSocket;
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

SocketFamily socket_family(int32_t family) {
  return family == kNetFamilyIPv6 ? SocketFamily::IPv6 : SocketFamily::IPv4;
}

SocketSlot* open_slot(int32_t slot) {
  if (slot < 0 || slot >= kNetSlotCount) return nullptr;
  SocketSlot* s = &table().slots[slot];
  return s->handle == kNoSocket ? nullptr : s;
}

// The lowest free slot, or -1 with error 8 when all are in use.
int32_t free_slot() {
  NetTable& t = table();
  for (int32_t i = 0; i < kNetSlotCount; ++i) {
    if (t.slots[i].handle == kNoSocket) return i;
  }
  t.last_error = kNetErrTableFull;
  return -1;
}

// Waits up to time_out_ms (-1: no limit) for the socket to be ready: >0
// ready, 0 time out, -1 with *err. A termination request ends the program
// (should the end already be under way, the wait fails with EINTR).
int wait_ready(SocketHandle h, SocketWait what, int time_out_ms, int32_t* err) {
  const int32_t r = platform::socket_wait(h, what, time_out_ms);
  if (r == platform::kSocketWaitQuit) {
    quit_request_take();
    *err = platform::kSocketErrInterrupted;
    return -1;
  }
  if (r < 0) *err = platform::socket_error();
  return r < 0 ? -1 : r;
}

// Port numbers in network byte order (NetAddress) and back.
uint16_t network_order(uint16_t port) {
  const uint8_t b[2] = {static_cast<uint8_t>(port >> 8), static_cast<uint8_t>(port)};
  uint16_t v;
  std::memcpy(&v, b, 2);
  return v;
}

uint16_t host_order(uint16_t net_port) {
  uint8_t b[2];
  std::memcpy(b, &net_port, 2);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

// The any address of a family with a port (host order).
SocketAddress any_address(int32_t family, uint16_t port) {
  SocketAddress a{};
  a.family = socket_family(family);
  a.port = port;
  return a;
}

// Raw address bytes (16: IPv6, else 4 of IPv4) with a port (host order).
SocketAddress address_from_bytes(const RtString& bytes, uint16_t port) {
  SocketAddress a{};
  a.family = bytes.length == 16 ? SocketFamily::IPv6 : SocketFamily::IPv4;
  std::memcpy(a.bytes, bytes.data, a.family == SocketFamily::IPv6 ? 16 : 4);
  a.port = port;
  return a;
}

SocketAddress address_from_net(const NetAddress& na) {
  SocketAddress a{};
  a.family = socket_family(na.family);
  std::memcpy(a.bytes, na.bytes, a.family == SocketFamily::IPv6 ? 16 : 4);
  a.port = host_order(na.port);
  return a;
}

NetAddress net_from_address(const SocketAddress& a) {
  NetAddress na = kNetAddressNone;
  if (a.family == SocketFamily::IPv4) {
    na.family = kNetFamilyIPv4;
    std::memcpy(na.bytes, a.bytes, 4);
    na.port = network_order(a.port);
  } else if (a.family == SocketFamily::IPv6) {
    na.family = kNetFamilyIPv6;
    std::memcpy(na.bytes, a.bytes, 16);
    na.port = network_order(a.port);
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

// The machine's addresses of the selected family joined by sep, taken from
// its interfaces (the host name would give /etc/hosts' loopback entry):
// loopback last, link-local IPv6 left out (unusable without a scope), at
// most 2047 characters.
std::string local_address_list(char sep) {
  std::vector<platform::LocalAddress> interfaces;
  if (!platform::socket_local_addresses(socket_family(table().family), &interfaces)) {
    table().last_error = platform::socket_error();
    return {};
  }
  constexpr size_t kLimit = 2047;
  std::string list;
  bool loopback = false;
  bool room = true;
  for (const platform::LocalAddress& i : interfaces) {
    const NetAddress na = net_from_address(i.address);
    if (na.family == kNetFamilyNone) continue;
    if (na.family == kNetFamilyIPv6 && na.bytes[0] == 0xFE && (na.bytes[1] & 0xC0) == 0x80)
      continue;
    char text[64];
    format_address(na.bytes, na.family == kNetFamilyIPv6 ? 16 : 4, text, sizeof text);
    if (i.loopback || std::strcmp(text, "127.0.0.1") == 0 ||
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
// the kernel (the platform's sends never wait, even on a blocking slot): the
// frame loop must not stall on a peer that stops reading. At the deadline
// the count so far is returned, or -1 when nothing went, with ETIMEDOUT
// either way. to: the datagram's destination, null on a connection.
int32_t send_all(SocketHandle h, const RtString& text, const SocketAddress* to) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(kNetSendTimeOutMs);
  size_t sent = 0;
  const size_t total = text.length;
  auto result = [&](int32_t err) {
    table().last_error = err;
    if (sent == 0 && err != 0) return -1;
    return sent > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sent);
  };
  while (sent < total) {
    const int64_t n = to != nullptr
                          ? platform::socket_send_to(h, text.data + sent, total - sent, *to)
                          : platform::socket_send(h, text.data + sent, total - sent);
    if (n >= 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    const int32_t send_err = platform::socket_error();
    if (!platform::socket_would_block(send_err)) return fail(send_err);
    // Wait for room, but only until the deadline.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return result(platform::kSocketErrTimedOut);
    int32_t err = 0;
    if (wait_ready(h, SocketWait::Writable, static_cast<int>(left), &err) < 0) {
      const bool interrupted = err == platform::kSocketErrInterrupted;
      if (interrupted && platform::quit_signal_pending() != 0) return result(err);
      if (!interrupted) return fail(err);
    }
  }
  return result(0);
}

bool valid_port(int32_t port) { return port >= 0 && port <= 65535; }

// One datagram into buf, or -1 with *err. A longer one than max_bytes is
// consumed and reported (EMSGSIZE) rather than cut short.
int64_t receive_datagram(SocketSlot& s, char* buf, int32_t max_bytes, int32_t* err) {
  s.address = any_address(table().family, 0);
  if (platform::socket_is_blocking(s.handle) &&
      wait_ready(s.handle, SocketWait::Readable, -1, err) < 0) {
    return -1;
  }
  SocketAddress from{};
  const int64_t n =
      platform::socket_receive_from(s.handle, buf, static_cast<size_t>(max_bytes), &from);
  if (n < 0) {
    *err = platform::socket_error();
    return -1;
  }
  s.address = from;
  if (n > max_bytes) {
    *err = platform::kSocketErrMessageSize;
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
  // A refusal only means that the table fills up early.
  platform::descriptor_limit_raise(kNetFileLimitWanted);
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
    if (s.handle == kNoSocket) {
      std::memset(&s, 0, sizeof s);
      s.handle = kNoSocket;
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
    if (s.handle != kNoSocket) {
      platform::socket_close(s.handle);
      s.handle = kNoSocket;
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
  SocketHandle handle = kNoSocket;
  SocketAddress addr{};
};

bool new_socket(platform::SocketKind kind, int32_t port, NewSocket* out) {
  NetTable& t = table();
  if (!valid_port(port)) {
    fail(platform::kSocketErrInvalid);
    return false;
  }
  out->slot = free_slot();
  if (out->slot < 0) return false;
  out->handle = platform::socket_open(socket_family(t.family), kind);
  if (out->handle == kNoSocket) {
    fail(platform::socket_error());
    return false;
  }
  platform::socket_reuse_address(out->handle);
  out->addr = any_address(t.family, static_cast<uint16_t>(port));
  return true;
}

// Binds the new socket to its address and keeps the port actually bound
// (port 0 picks one); on failure the socket is closed and the error set.
bool bind_kept(NewSocket& n) {
  if (!platform::socket_bind(n.handle, n.addr)) {
    const int32_t err = platform::socket_error();
    platform::socket_close(n.handle);
    fail(err);
    return false;
  }
  SocketAddress bound{};
  if (platform::socket_local_address(n.handle, &bound)) n.addr = bound;
  return true;
}

}  // namespace

int32_t tcp_listen(int32_t port) {
  NetTable& t = table();
  NewSocket n;
  if (!new_socket(platform::SocketKind::Stream, port, &n)) return -1;
  const int32_t slot = n.slot;
  const SocketHandle h = n.handle;
  if (!bind_kept(n)) return -1;
  if (!platform::socket_listen(h, 10)) {
    const int32_t err = platform::socket_error();
    platform::socket_close(h);
    return fail(err);
  }
  SocketSlot& s = t.slots[slot];
  s.handle = h;
  s.address = n.addr;
  s.is_udp = 0;
  platform::socket_set_non_blocking(h, true);
  t.last_error = 0;
  return slot;
}

int32_t tcp_accept(int32_t listener, RtString& address) {
  NetTable& t = table();
  SocketSlot* l = open_slot(listener);
  if (l == nullptr) return fail(platform::kSocketErrBadHandle);
  if (l->is_udp) return fail(0);
  int32_t err = 0;
  if (platform::socket_is_blocking(l->handle) &&
      wait_ready(l->handle, SocketWait::Readable, -1, &err) < 0) {
    return fail(err);
  }
  SocketAddress peer{};
  const SocketHandle h = platform::socket_accept(l->handle, &peer);
  if (h == kNoSocket) return fail(platform::socket_error());
  const int32_t slot = free_slot();
  if (slot < 0) {
    platform::socket_close(h);
    return -1;
  }
  SocketSlot& s = t.slots[slot];
  s = *l;
  s.handle = h;
  s.address = peer;
  s.is_udp = 0;
  platform::socket_set_non_blocking(h, true);
  const NetAddress na = net_from_address(peer);
  address = net_address_bytes(na);
  t.last_error = 0;
  return slot;
}

int32_t tcp_connect(const RtString& host, int32_t port, int32_t time_out_ms) {
  NetTable& t = table();
  if (!valid_port(port)) return fail(platform::kSocketErrInvalid);
  const NetAddress target = net_lookup(host.c_str(), static_cast<uint16_t>(port));
  if (target.family == kNetFamilyNone) return -1;  // net_lookup set the error
  const int32_t slot = free_slot();
  if (slot < 0) return -1;
  const SocketAddress addr = address_from_net(target);
  const SocketHandle h = platform::socket_open(addr.family, platform::SocketKind::Stream);
  if (h == kNoSocket) return fail(platform::socket_error());
  SocketSlot& s = t.slots[slot];
  s.handle = h;
  s.address = addr;
  s.is_udp = 0;
  platform::socket_set_non_blocking(h, true);

  auto give_up = [&](int32_t err) {
    platform::socket_close(h);
    s.handle = kNoSocket;
    return fail(err);
  };
  const int32_t started = platform::socket_connect(h, addr);
  if (started == platform::kSocketConnected) {
    t.last_error = 0;
    return slot;
  }
  if (started != platform::kSocketConnecting) return give_up(platform::socket_error());

  // Writable (or failed) within the time-out.
  const auto deadline = Clock::now() + std::chrono::milliseconds(net_connect_time_out(time_out_ms));
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    int32_t err = 0;
    const int r = wait_ready(h, SocketWait::Writable, left > 0 ? static_cast<int>(left) : 0, &err);
    if (r > 0) break;
    if (r == 0) return give_up(platform::kSocketErrTimedOut);
    if (err != platform::kSocketErrInterrupted || platform::quit_signal_pending() != 0) {
      return give_up(err);
    }
  }
  // A refused or failed connect also makes the socket writable.
  int32_t err = 0;
  if (!platform::socket_pending_error(h, &err)) return give_up(platform::socket_error());
  if (err != 0) return give_up(err);
  platform::socket_set_non_blocking(h, true);
  t.last_error = 0;
  return slot;
}

int32_t udp_open(int32_t port) {
  NetTable& t = table();
  NewSocket n;
  if (!new_socket(platform::SocketKind::Datagram, port, &n)) return -1;
  const int32_t slot = n.slot;
  const SocketHandle h = n.handle;
  if (port != 0 && !bind_kept(n)) return -1;
  platform::socket_allow_broadcast(h);
  platform::socket_set_non_blocking(h, true);
  SocketSlot& s = t.slots[slot];
  s.handle = h;
  s.address = n.addr;
  s.is_udp = 1;
  t.last_error = 0;
  return slot;
}

int32_t net_send(int32_t slot, const RtString& text) {
  SocketSlot* s = open_slot(slot);
  if (s == nullptr) return fail(platform::kSocketErrBadHandle);
  if (s->is_udp) return fail(platform::kSocketErrNoDestination);
  return send_all(s->handle, text, nullptr);
}

int32_t udp_send_to(int32_t slot, const RtString& text, const RtString& address, int32_t port) {
  SocketSlot* s = open_slot(slot);
  if (s == nullptr) return fail(platform::kSocketErrBadHandle);
  if (!s->is_udp) return send_all(s->handle, text, nullptr);
  if (address.length != 4 && address.length != 16) {
    error_say(kErrAddressFamily, "udp_send_to: an address of %u bytes (4 or 16 expected)",
              address.length);
    return fail(platform::kSocketErrFamilyUnsupported);
  }
  if (!valid_port(port)) return fail(platform::kSocketErrInvalid);
  const SocketAddress to = address_from_bytes(address, static_cast<uint16_t>(port));
  return send_all(s->handle, text, &to);
}

int32_t net_receive(int32_t slot, RtString& text, int32_t max_bytes) {
  NetTable& t = table();
  SocketSlot* s = open_slot(slot);
  if (s == nullptr || max_bytes < 1) {
    text.truncate(0);
    return fail(s == nullptr ? platform::kSocketErrBadHandle : platform::kSocketErrInvalid);
  }
  char* buf = text.buffer_for_write(static_cast<uint32_t>(max_bytes));
  int64_t n;
  int32_t err = 0;
  if (s->is_udp) {
    n = receive_datagram(*s, buf, max_bytes, &err);
  } else if (platform::socket_is_blocking(s->handle) &&
             wait_ready(s->handle, SocketWait::Readable, -1, &err) < 0) {
    n = -1;
  } else {
    n = platform::socket_receive(s->handle, buf, static_cast<size_t>(max_bytes));
    if (n < 0) err = platform::socket_error();
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
  t.last_error = err;
  if (err == platform::kSocketErrConnectionReset) return 0;
  if (platform::socket_would_block(err)) return -2;
  return -1;
}

int32_t net_close(int32_t slot) {
  SocketSlot* s = open_slot(slot);
  if (s == nullptr) {
    table().last_error = platform::kSocketErrBadHandle;
    return 0;
  }
  const bool ok = platform::socket_close(s->handle);
  table().last_error = ok ? 0 : platform::socket_error();
  s->handle = kNoSocket;
  return ok ? 1 : 0;
}

void net_set_blocking(int32_t slot, int32_t flag) {
  SocketSlot* s = open_slot(slot);
  if (s == nullptr) return;
  table().last_error =
      platform::socket_set_non_blocking(s->handle, flag == 0) ? 0 : platform::socket_error();
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
  SocketAddress found{};
  const int32_t err = platform::socket_resolve(host, socket_family(t.family), &found);
  if (err != 0) {
    t.last_error = err;
    return kNetAddressNone;
  }
  NetAddress na = net_from_address(found);
  na.port = network_order(port);
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
  return host_order(net_from_address(s->address).port);
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
    message = platform::socket_error_text(code);
  }
  if (message == nullptr) return RtString();
  char text[320];
  std::snprintf(text, sizeof text, "%d %s", code, message);
  return RtString(text);
}

}  // namespace zrv
