// Plain socket commands over one process-wide table of 1024 numbered slots:
// TCP listen/accept/connect, UDP with broadcast, sending and receiving texts,
// host-name resolution and the text form of addresses, for IPv4 or IPv6.
// Every socket in the table is non-blocking unless net_set_blocking says
// otherwise. At the language level an address is an RtString of its raw bytes
// (4 for IPv4, 16 for IPv6, empty for none).
//
// net_last_error holds the POSIX errno of the last failing socket call of a
// command, 0 after a command that succeeded. Meanings with a fixed value:
//   EAGAIN / EWOULDBLOCK  would block: net_receive gives -2, sends wait and
//                         go on, tcp_accept has nothing waiting;
//   ETIMEDOUT             tcp_connect gave up after its time-out (the
//                         connection was still in progress), or a send
//                         stopped at its bound with bytes still to go;
//   ECONNRESET            the peer reset the connection: net_receive gives 0
//                         as for an orderly close;
//   11001 (kNetErrHostNotFound)  no host has that name;
//   11002 (kNetErrLookupAgain)   the name could not be looked up for now;
//   11003 (kNetErrLookupFailed)  the lookup failed (ENOMEM when the resolver
//                         ran out of memory);
//   11004 (kNetErrNoAddress)     the host has no address of the family;
//   EBADF                 a slot number outside the table or a free slot;
//   EDESTADDRREQ          net_send on a UDP slot (it has no destination);
//   EINVAL                a port outside 0..65535 or a receive size below 1;
//   EMSGSIZE              a datagram longer than the receive size (net_receive
//                         gives -1 and drops it);
//   8 (kNetErrTableFull)  all 1024 slots are in use.
// Sends never raise SIGPIPE: a send to a closed peer returns -1 (EPIPE).
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "platform/sockets.hpp"

namespace zrv {

constexpr int32_t kNetSlotCount = 1024;
constexpr int32_t kNetErrTableFull = 8;
// Name lookups fail with codes of their own (the numbers Winsock gives
// them), apart from the system's errors.
constexpr int32_t kNetErrHostNotFound = platform::kLookupErrHostNotFound;  // 11001
constexpr int32_t kNetErrLookupAgain = platform::kLookupErrAgain;          // 11002
constexpr int32_t kNetErrLookupFailed = platform::kLookupErrFailed;        // 11003
constexpr int32_t kNetErrNoAddress = platform::kLookupErrNoAddress;        // 11004
constexpr int32_t kNetConnectTimeoutMax = 30000;
// The longest a send call waits for room in all.
constexpr int32_t kNetSendTimeOutMs = 2000;
// Soft descriptor limit asked for when the network starts (up to the hard
// limit): the whole table and the program's other files.
constexpr uint64_t kNetFileLimitWanted = 4096;

// Address families as the runtime numbers them.
constexpr int32_t kNetFamilyNone = -1;
constexpr int32_t kNetFamilyAny = 0;
constexpr int32_t kNetFamilyIPv4 = 2;
constexpr int32_t kNetFamilyIPv6 = 23;

struct NetAddress {
  int32_t family;     // kNetFamilyIPv4, kNetFamilyIPv6, kNetFamilyNone, kNetFamilyAny
  uint8_t bytes[16];  // 4 used for IPv4
  uint16_t port;      // network byte order
};
extern const NetAddress kNetAddressNone;
extern const NetAddress kNetAddressAny;

struct SocketSlot {
  platform::SocketHandle handle;  // platform::kNoSocket (-1) = free slot
  // Listener and UDP sockets: the local address (with the port actually
  // bound); connected sockets: the remote address; UDP sockets after a
  // receive: the sender of the latest datagram.
  platform::SocketAddress address;
  uint8_t is_udp;
};

// Socket library users. net_start counts up; the net_stop that brings the
// count to 0 closes every open slot. The first start raises the soft
// descriptor limit (net_raise_file_limit).
int32_t net_start();
void net_stop();
// Program shutdown: every open slot closed, no users left.
void net_shutdown();
// Raises the soft RLIMIT_NOFILE towards kNetFileLimitWanted, never above the
// hard limit and never lower; a refusal is ignored. Start-up calls it too.
void net_raise_file_limit();
// 4 selects IPv4, 6 IPv6; anything else reports error 4 and selects IPv4.
void net_set_family(int32_t n);

int32_t tcp_listen(int32_t port);
// The out address receives the peer's raw address bytes.
int32_t tcp_accept(int32_t listener, RtString& address);
// time_out_ms outside 1..30000 means 30000.
int32_t tcp_connect(const RtString& host, int32_t port, int32_t time_out_ms);
// Port 0: no bind until the first send.
int32_t udp_open(int32_t port);
// Both send the bytes of the text, waiting while the socket would block, but
// for at most kNetSendTimeOutMs (2 s) in all, blocking slot or not. Result:
// the count of bytes sent (net_last_error 0 when all went, ETIMEDOUT when
// the time ran out first), or -1 on an error or when the time ran out before
// any byte went (ETIMEDOUT).
int32_t net_send(int32_t slot, const RtString& text);
int32_t udp_send_to(int32_t slot, const RtString& text, const RtString& address, int32_t port);
// At most max_bytes into text: the count, 0 when the peer closed or reset
// the connection, -2 when nothing is there now, -1 on another error (also a
// datagram longer than max_bytes: EMSGSIZE, the sender still recorded). The
// text is empty for every result below 1.
int32_t net_receive(int32_t slot, RtString& text, int32_t max_bytes);
// 1 when the socket was closed.
int32_t net_close(int32_t slot);
void net_set_blocking(int32_t slot, int32_t flag);

// The first address of the host for the selected family; "" means this
// machine. Empty when the name does not resolve.
RtString net_resolve(const RtString& host);
// "a.b.c.d" for 4 bytes; for 16 bytes eight lower-case hexadecimal groups
// with the longest run of two or more zero groups (the first of equally long
// ones) written as "::". Other lengths report error 4 and give "".
RtString net_address_text(const RtString& address);
RtString net_peer_address(int32_t slot);
int32_t net_peer_port(int32_t slot);
// This machine's addresses for the selected family, "|"-separated, the
// loopback address last (when the host name resolves to it).
RtString net_local_addresses();
// "<code> <message>" for net_last_error; "" when the code has no message.
RtString net_error_text();
RtString net_error_text_for(int32_t code);

// Process-wide state and helpers.
int32_t net_last_error();
int32_t net_family();
int32_t net_users();
// The slot record, or none for a number outside the table.
const SocketSlot* net_slot(int32_t slot);
// The connect wait for a requested time-out.
int32_t net_connect_time_out(int32_t time_out_ms);
// Resolution with a port (host byte order); kNetAddressNone on failure.
NetAddress net_lookup(const char* host, uint16_t port);
RtString net_address_bytes(const NetAddress& address);

}  // namespace zrv
