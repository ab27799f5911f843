// A page cannot open sockets (a browser speaks WebSocket and WebRTC only):
// every socket call fails with EPROTONOSUPPORT and a text that says why;
// names still resolve as far as numeric addresses go.
#include "platform/sockets.hpp"

#include <arpa/inet.h>
#include <errno.h>

#include <cstring>

namespace zrv::platform {

namespace {

constexpr const char* kUnsupported = "sockets are not supported in a web browser";

template <class T>
T unsupported(T result) {
  errno = EPROTONOSUPPORT;
  return result;
}

}  // namespace

const char* socket_error_text(int32_t code) {
  return code == EPROTONOSUPPORT ? kUnsupported : std::strerror(code);
}

SocketHandle socket_open(SocketFamily, SocketKind) { return unsupported(kNoSocket); }
bool socket_close(SocketHandle) { return unsupported(false); }
void socket_reuse_address(SocketHandle) {}
void socket_allow_broadcast(SocketHandle) {}
bool socket_set_non_blocking(SocketHandle, bool) { return unsupported(false); }
bool socket_is_blocking(SocketHandle) { return true; }
bool socket_bind(SocketHandle, const SocketAddress&) { return unsupported(false); }
bool socket_listen(SocketHandle, int32_t) { return unsupported(false); }
bool socket_local_address(SocketHandle, SocketAddress*) { return unsupported(false); }
SocketHandle socket_accept(SocketHandle, SocketAddress*) { return unsupported(kNoSocket); }
int32_t socket_connect(SocketHandle, const SocketAddress&) { return unsupported(-1); }
bool socket_pending_error(SocketHandle, int32_t*) { return unsupported(false); }
int64_t socket_send(SocketHandle, const void*, size_t) { return unsupported<int64_t>(-1); }
int64_t socket_send_to(SocketHandle, const void*, size_t, const SocketAddress&) {
  return unsupported<int64_t>(-1);
}
int64_t socket_receive(SocketHandle, void*, size_t) { return unsupported<int64_t>(-1); }
int64_t socket_receive_from(SocketHandle, void*, size_t, SocketAddress*) {
  return unsupported<int64_t>(-1);
}
int32_t socket_wait(SocketHandle, SocketWait, int32_t) { return unsupported(-1); }

int32_t socket_resolve(const char* host, SocketFamily family, SocketAddress* address) {
  std::memset(address, 0, sizeof *address);
  address->family = family;
  const int af = family == SocketFamily::IPv6 ? AF_INET6 : AF_INET;
  if (host != nullptr && ::inet_pton(af, host, address->bytes) == 1) return 0;
  return EPROTONOSUPPORT;
}

bool socket_local_addresses(SocketFamily, std::vector<LocalAddress>* addresses) {
  addresses->clear();
  return unsupported(false);
}

void descriptor_limit_raise(uint64_t) {}

}  // namespace zrv::platform
