// Host names and the machine's own addresses on POSIX systems.
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>

#include <cerrno>

#include "platform/posix/socket_address.hpp"
#include "platform/sockets.hpp"

namespace zrv::platform {

namespace {

// getaddrinfo's failures as the runtime numbers them.
int32_t lookup_error(int rc) {
  switch (rc) {
    case EAI_SYSTEM:
      return errno != 0 ? errno : kLookupErrFailed;
    case EAI_MEMORY:
      return ENOMEM;
    case EAI_NONAME:
      return kLookupErrHostNotFound;
    case EAI_AGAIN:
      return kLookupErrAgain;
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
    case EAI_FAMILY:
      return kLookupErrNoAddress;
    default:
      return kLookupErrFailed;
  }
}

}  // namespace

int32_t socket_resolve(const char* host, SocketFamily family, SocketAddress* address) {
  addrinfo hints{};
  hints.ai_family = posix::system_family(family);
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  const int rc = ::getaddrinfo(host, nullptr, &hints, &res);
  if (rc != 0) return lookup_error(rc);
  if (res == nullptr) return kLookupErrNoAddress;
  sockaddr_storage sa{};
  std::memcpy(&sa, res->ai_addr, res->ai_addrlen);
  ::freeaddrinfo(res);
  *address = posix::runtime_address(sa);
  address->port = 0;
  return 0;
}

bool socket_local_addresses(SocketFamily family, std::vector<LocalAddress>* addresses) {
  ifaddrs* interfaces = nullptr;
  if (::getifaddrs(&interfaces) != 0) return false;
  const int wanted = posix::system_family(family);
  for (ifaddrs* i = interfaces; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != wanted || !(i->ifa_flags & IFF_UP)) {
      continue;
    }
    sockaddr_storage sa{};
    std::memcpy(&sa, i->ifa_addr, wanted == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
    addresses->push_back({posix::runtime_address(sa), (i->ifa_flags & IFF_LOOPBACK) != 0});
  }
  ::freeifaddrs(interfaces);
  return true;
}

}  // namespace zrv::platform
