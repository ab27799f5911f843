// Host names and the machine's own addresses on Windows.
// Winsock's headers first: the others would bring the old ones.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
// clang-format on

#include <memory>

#include "platform/sockets.hpp"
#include "platform/win32/socket_address.hpp"
#include "platform/win32/text.hpp"

namespace zrv::platform {

namespace {

// GetAddrInfoW's failures as the runtime numbers them (its codes are
// Winsock's, which the runtime's own follow).
int32_t lookup_error(int rc) {
  switch (rc) {
    case WSAHOST_NOT_FOUND:
      return kLookupErrHostNotFound;
    case WSATRY_AGAIN:
      return kLookupErrAgain;
    case WSANO_DATA:
    case WSAEAFNOSUPPORT:
      return kLookupErrNoAddress;
    case WSA_NOT_ENOUGH_MEMORY:
    case WSANOTINITIALISED:
      return rc;
    default:
      return kLookupErrFailed;
  }
}

}  // namespace

int32_t socket_resolve(const char* host, SocketFamily family, SocketAddress* address) {
  if (!win32::winsock_started()) return socket_error();
  // A numeric address of the other family has no address of this one, the
  // code POSIX's lookup gives; Windows' own lookups differ in what they give
  // for it (Wine's reads as a failed lookup).
  in6_addr other;
  const int other_family = family == SocketFamily::IPv6 ? AF_INET : AF_INET6;
  if (host != nullptr && ::inet_pton(other_family, host, &other) == 1) return kLookupErrNoAddress;
  ADDRINFOW hints{};
  hints.ai_family = win32::system_family(family);
  hints.ai_socktype = SOCK_STREAM;
  ADDRINFOW* res = nullptr;
  const int rc = ::GetAddrInfoW(win32::wide_text(host).c_str(), nullptr, &hints, &res);
  if (rc != 0) return lookup_error(rc);
  if (res == nullptr) return kLookupErrNoAddress;
  sockaddr_storage sa{};
  std::memcpy(&sa, res->ai_addr, res->ai_addrlen);
  ::FreeAddrInfoW(res);
  *address = win32::runtime_address(sa);
  address->port = 0;
  return 0;
}

bool socket_local_addresses(SocketFamily family, std::vector<LocalAddress>* addresses) {
  const int wanted = win32::system_family(family);
  const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  // The list's size is known only once it is asked for; it may grow between.
  ULONG size = 16384;
  std::unique_ptr<char[]> buffer;
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 4 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.reset(new char[size]);
    rc = ::GetAdaptersAddresses(static_cast<ULONG>(wanted), flags, nullptr,
                                reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()), &size);
  }
  if (rc == ERROR_NO_DATA) return true;
  if (rc != NO_ERROR) return false;
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()); a != nullptr; a = a->Next) {
    if (a->OperStatus != IfOperStatusUp) continue;
    const bool loopback = a->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
    for (auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const SOCKET_ADDRESS& at = u->Address;
      if (at.lpSockaddr == nullptr || at.lpSockaddr->sa_family != wanted) continue;
      sockaddr_storage sa{};
      std::memcpy(&sa, at.lpSockaddr,
                  wanted == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
      addresses->push_back({win32::runtime_address(sa), loopback});
    }
  }
  return true;
}

}  // namespace zrv::platform
