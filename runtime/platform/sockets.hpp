// The system's sockets: TCP and UDP over IPv4 or IPv6, waits that a
// termination request cuts short, name lookups and the machine's own
// addresses. Failing calls leave their error number for socket_error(), in
// the system's numbering (errno values on POSIX); the numbers the runtime
// tests for are named below. A call that a signal interrupts is repeated
// (a connect goes on in the background; a wait with a limit returns, for its
// caller to count the time left).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zrv::platform {

// A socket as the system knows it; kNoSocket is none.
using SocketHandle = intptr_t;
constexpr SocketHandle kNoSocket = -1;

enum class SocketFamily : int32_t { None = 0, IPv4, IPv6 };
enum class SocketKind : int32_t { Stream, Datagram };  // TCP, UDP

// An address with its port. All zero is no address; all-zero bytes are the
// any address of the family.
struct SocketAddress {
  SocketFamily family;
  uint16_t port;      // host byte order
  uint8_t bytes[16];  // 4 used for IPv4
};

// Error numbers the runtime tells apart, as the system numbers them.
extern const int32_t kSocketErrBadHandle;          // EBADF
extern const int32_t kSocketErrInvalid;            // EINVAL
extern const int32_t kSocketErrNoDestination;      // EDESTADDRREQ
extern const int32_t kSocketErrFamilyUnsupported;  // EAFNOSUPPORT
extern const int32_t kSocketErrTimedOut;           // ETIMEDOUT
extern const int32_t kSocketErrConnectionReset;    // ECONNRESET
extern const int32_t kSocketErrConnectionRefused;  // ECONNREFUSED
extern const int32_t kSocketErrBrokenPipe;         // EPIPE
extern const int32_t kSocketErrInterrupted;        // EINTR
extern const int32_t kSocketErrMessageSize;        // EMSGSIZE
// Name lookups fail with codes of their own (the numbers Winsock gives
// them), apart from the system's errors.
constexpr int32_t kLookupErrHostNotFound = 11001;
constexpr int32_t kLookupErrAgain = 11002;
constexpr int32_t kLookupErrFailed = 11003;
constexpr int32_t kLookupErrNoAddress = 11004;

// The error number of the last failing call of this thread.
int32_t socket_error();
// Whether err means "the call would have to wait".
bool socket_would_block(int32_t err);
// The system's description of an error number, null when it has none.
const char* socket_error_text(int32_t code);

// A new socket (not inherited by programs run from this one), blocking.
SocketHandle socket_open(SocketFamily family, SocketKind kind);
// Lingering off, both directions shut down, closed: true when the close
// succeeded.
bool socket_close(SocketHandle s);
void socket_reuse_address(SocketHandle s);    // a refusal is ignored
void socket_allow_broadcast(SocketHandle s);  // a refusal is ignored
bool socket_set_non_blocking(SocketHandle s, bool non_blocking);
bool socket_is_blocking(SocketHandle s);

bool socket_bind(SocketHandle s, const SocketAddress& address);
bool socket_listen(SocketHandle s, int32_t backlog);
// The address the socket is bound to (with the port a bind to 0 picked).
bool socket_local_address(SocketHandle s, SocketAddress* address);
// A new connection and its peer's address, or kNoSocket (on a non-blocking
// socket with nobody waiting, an error that socket_would_block accepts).
SocketHandle socket_accept(SocketHandle listener, SocketAddress* peer);

// Starts a connect: kSocketConnected, kSocketConnecting (still in progress;
// the socket becomes writable when it ends, socket_pending_error tells how)
// or -1.
constexpr int32_t kSocketConnected = 0;
constexpr int32_t kSocketConnecting = 1;
int32_t socket_connect(SocketHandle s, const SocketAddress& address);
// The error that ended a connect in progress (0: connected).
bool socket_pending_error(SocketHandle s, int32_t* error);

// Sends never wait, on a blocking socket neither, and never raise SIGPIPE:
// the count of bytes taken, or -1.
int64_t socket_send(SocketHandle s, const void* data, size_t size);
int64_t socket_send_to(SocketHandle s, const void* data, size_t size, const SocketAddress& to);
// The count of bytes read (0: the peer closed the connection), or -1.
int64_t socket_receive(SocketHandle s, void* buffer, size_t size);
// One datagram and its sender. The result is the datagram's whole length,
// even when it was longer than size (the rest is dropped), or -1.
int64_t socket_receive_from(SocketHandle s, void* buffer, size_t size, SocketAddress* from);

// Waits up to time_out_ms (-1: no limit) for the socket to become ready
// (a failed socket is ready too): >0 ready, 0 time out, -1 failed (a signal
// other than a termination request cuts short only a wait with a limit),
// kSocketWaitQuit when a termination request arrived, now or earlier.
enum class SocketWait : int32_t { Readable, Writable };
constexpr int32_t kSocketWaitQuit = -2;
int32_t socket_wait(SocketHandle s, SocketWait what, int32_t time_out_ms);

// The first address of a host name (a numeric address too) in the family,
// port 0: 0, or a kLookupErr code or the system's error number.
int32_t socket_resolve(const char* host, SocketFamily family, SocketAddress* address);
// The addresses of the family of this machine's interfaces that are up, in
// the system's order; false when they cannot be listed.
struct LocalAddress {
  SocketAddress address;
  bool loopback;  // on a loopback interface
};
bool socket_local_addresses(SocketFamily family, std::vector<LocalAddress>* addresses);

// Raises the soft limit of open descriptors towards wanted, never above the
// hard limit and never lower; a refusal is ignored.
void descriptor_limit_raise(uint64_t wanted);

}  // namespace zrv::platform
