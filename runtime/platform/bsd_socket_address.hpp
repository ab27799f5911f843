// The runtime's socket addresses in the form of the BSD socket calls and
// back, for every system that has them (POSIX, Winsock). Include it after
// the system's socket headers.
#pragma once

#include <cstring>

#include "platform/sockets.hpp"

namespace zrv::platform::bsd {

inline int system_family(SocketFamily family) {
  return family == SocketFamily::IPv6 ? AF_INET6 : AF_INET;
}

// IPv6 for SocketFamily::IPv6, else IPv4: the length of what it wrote.
inline int system_address(const SocketAddress& a, sockaddr_storage* out) {
  std::memset(out, 0, sizeof *out);
  if (a.family == SocketFamily::IPv6) {
    auto* s = reinterpret_cast<sockaddr_in6*>(out);
    s->sin6_family = AF_INET6;
    std::memcpy(&s->sin6_addr, a.bytes, 16);
    s->sin6_port = htons(a.port);
    return sizeof(sockaddr_in6);
  }
  auto* s = reinterpret_cast<sockaddr_in*>(out);
  s->sin_family = AF_INET;
  std::memcpy(&s->sin_addr, a.bytes, 4);
  s->sin_port = htons(a.port);
  return sizeof(sockaddr_in);
}

// No address (all zero) for a family other than IPv4 and IPv6.
inline SocketAddress runtime_address(const sockaddr_storage& sa) {
  SocketAddress a{};
  if (sa.ss_family == AF_INET) {
    const auto* s = reinterpret_cast<const sockaddr_in*>(&sa);
    a.family = SocketFamily::IPv4;
    std::memcpy(a.bytes, &s->sin_addr, 4);
    a.port = ntohs(s->sin_port);
  } else if (sa.ss_family == AF_INET6) {
    const auto* s = reinterpret_cast<const sockaddr_in6*>(&sa);
    a.family = SocketFamily::IPv6;
    std::memcpy(a.bytes, &s->sin6_addr, 16);
    a.port = ntohs(s->sin6_port);
  }
  return a;
}

}  // namespace zrv::platform::bsd
