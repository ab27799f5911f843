// Address bytes from the fuzzer: the text of net_address_text must read back
// to the same bytes, and for IPv6 it must be the compressed form (which the C
// library also writes, except where it uses a dotted tail).
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/net.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // First byte: family; the rest, zero-padded, the address.
  const uint32_t n = (data[0] & 1) ? 16 : 4;
  uint8_t bytes[16] = {};
  std::memcpy(bytes, data + 1, size - 1 < n ? size - 1 : n);
  zrv::RtString address;
  char* d = address.buffer_for_write(n);
  std::memcpy(d, bytes, n);
  address.length = n;
  d[n] = '\0';

  const zrv::RtString text = zrv::net_address_text(address);
  uint8_t back[16] = {};
  if (inet_pton(n == 16 ? AF_INET6 : AF_INET, text.c_str(), back) != 1) std::abort();
  if (std::memcmp(back, bytes, n) != 0) std::abort();
  if (n == 16) {
    char libc[INET6_ADDRSTRLEN];
    if (inet_ntop(AF_INET6, bytes, libc, sizeof libc) == nullptr) std::abort();
    if (std::strchr(libc, '.') == nullptr && std::strcmp(libc, text.c_str()) != 0) std::abort();
    if (std::strstr(text.c_str(), ":::") != nullptr) std::abort();
  }
  return 0;
}
