// Sockets on Windows: Winsock 2, with WSAGetLastError() as the socket error.
// Windows differs from POSIX in what follows, and the calls here make up
// for it: a socket's blocking mode cannot be asked (this file keeps it), an
// accepted socket takes the listener's mode (it starts blocking here, as on
// POSIX), no send can be told not to wait (a blocking socket is made
// non-blocking for the send), a datagram too long for the buffer gives no
// length (it is received whole and cut here), and an ICMP "port
// unreachable" does not fail the next receive of a datagram socket.
#include "platform/sockets.hpp"

// Winsock's headers first: the others would bring the old ones.
// clang-format off
#include <winsock2.h>
#include <mswsock.h>
#include <windows.h>
// clang-format on

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "platform/win32/socket_address.hpp"

namespace zrv::platform {

// What a program on Windows sees for a handle that is no socket.
const int32_t kSocketErrBadHandle = WSAENOTSOCK;
const int32_t kSocketErrInvalid = WSAEINVAL;
const int32_t kSocketErrNoDestination = WSAEDESTADDRREQ;
const int32_t kSocketErrFamilyUnsupported = WSAEAFNOSUPPORT;
const int32_t kSocketErrTimedOut = WSAETIMEDOUT;
const int32_t kSocketErrConnectionReset = WSAECONNRESET;
const int32_t kSocketErrConnectionRefused = WSAECONNREFUSED;
// No broken pipe here: a send on a connection the system ended.
const int32_t kSocketErrBrokenPipe = WSAECONNABORTED;
const int32_t kSocketErrInterrupted = WSAEINTR;
const int32_t kSocketErrMessageSize = WSAEMSGSIZE;

namespace {

SOCKET sock(SocketHandle s) { return static_cast<SOCKET>(s); }

// The sockets set non-blocking (every other one blocks).
std::mutex& mode_lock() {
  static std::mutex lock;
  return lock;
}
std::unordered_set<SocketHandle>& non_blocking_set() {
  static std::unordered_set<SocketHandle> set;
  return set;
}

bool non_blocking(SocketHandle s) {
  const std::lock_guard<std::mutex> hold(mode_lock());
  return non_blocking_set().count(s) != 0;
}

bool mode_set(SocketHandle s, bool on) {
  u_long value = on ? 1 : 0;
  if (::ioctlsocket(sock(s), FIONBIO, &value) != 0) return false;
  const std::lock_guard<std::mutex> hold(mode_lock());
  if (on) {
    non_blocking_set().insert(s);
  } else {
    non_blocking_set().erase(s);
  }
  return true;
}

// A call that must not wait, on a blocking socket too; its error survives
// the change of mode back.
template <typename Call>
int64_t without_waiting(SocketHandle s, Call call) {
  const bool switched = !non_blocking(s);
  u_long on = 1;
  if (switched) ::ioctlsocket(sock(s), FIONBIO, &on);
  const int n = call();
  if (switched) {
    const int error = ::WSAGetLastError();
    u_long off = 0;
    ::ioctlsocket(sock(s), FIONBIO, &off);
    ::WSASetLastError(error);
  }
  return n;
}

int count_of(size_t size) { return size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size); }

// Larger than any datagram: what a shorter buffer cannot hold is cut here,
// and the whole length is known.
constexpr size_t kLargestDatagram = 65536;

}  // namespace

namespace win32 {

bool winsock_started() {
  static const int started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (started != 0) ::WSASetLastError(started);
  return started == 0;
}

}  // namespace win32

int32_t socket_error() { return ::WSAGetLastError(); }

bool socket_would_block(int32_t err) { return err == WSAEWOULDBLOCK; }

const char* socket_error_text(int32_t code) {
  thread_local char text[256];
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  // The system's sentences end in a full stop and a line break.
  while (n > 0 &&
         (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) {
    --n;
  }
  if (n == 0) return nullptr;
  text[n] = '\0';
  return text;
}

SocketHandle socket_open(SocketFamily family, SocketKind kind) {
  if (!win32::winsock_started()) return kNoSocket;
  const int af = win32::system_family(family);
  const int type = kind == SocketKind::Datagram ? SOCK_DGRAM : SOCK_STREAM;
  SOCKET s =
      ::WSASocketW(af, type, 0, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET && ::WSAGetLastError() == WSAEINVAL) {
    // A system before Windows 7 SP1, which lacks the flag.
    s = ::WSASocketW(af, type, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (s != INVALID_SOCKET) {
      ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    }
  }
  if (s == INVALID_SOCKET) return kNoSocket;
  if (kind == SocketKind::Datagram) {
    BOOL report = FALSE;
    DWORD bytes = 0;
    ::WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &bytes, nullptr, nullptr);
  }
  const SocketHandle handle = static_cast<SocketHandle>(s);
  const std::lock_guard<std::mutex> hold(mode_lock());
  non_blocking_set().erase(handle);
  return handle;
}

bool socket_close(SocketHandle s) {
  const linger off = {0, 0};
  ::setsockopt(sock(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&off), sizeof off);
  ::shutdown(sock(s), SD_BOTH);
  {
    const std::lock_guard<std::mutex> hold(mode_lock());
    non_blocking_set().erase(s);
  }
  return ::closesocket(sock(s)) == 0;
}

void socket_reuse_address(SocketHandle s) {
  // A stream socket may bind a port that closed connections still wait on
  // without asking; SO_REUSEADDR would let it take a port that another
  // listener holds. Datagram sockets share their port with it, as on POSIX.
  int type = 0;
  int length = sizeof type;
  if (::getsockopt(sock(s), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) != 0 ||
      type != SOCK_DGRAM) {
    return;
  }
  const BOOL on = TRUE;
  ::setsockopt(sock(s), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
}

void socket_allow_broadcast(SocketHandle s) {
  const BOOL on = TRUE;
  ::setsockopt(sock(s), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
}

bool socket_set_non_blocking(SocketHandle s, bool non_blocking) {
  return mode_set(s, non_blocking);
}

bool socket_is_blocking(SocketHandle s) {
  int type = 0;
  int length = sizeof type;
  if (::getsockopt(sock(s), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) != 0) {
    return false;
  }
  return !non_blocking(s);
}

bool socket_bind(SocketHandle s, const SocketAddress& address) {
  sockaddr_storage sa;
  const int len = win32::system_address(address, &sa);
  return ::bind(sock(s), reinterpret_cast<const sockaddr*>(&sa), len) == 0;
}

bool socket_listen(SocketHandle s, int32_t backlog) { return ::listen(sock(s), backlog) == 0; }

bool socket_local_address(SocketHandle s, SocketAddress* address) {
  sockaddr_storage sa{};
  int len = sizeof sa;
  if (::getsockname(sock(s), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return false;
  *address = win32::runtime_address(sa);
  return true;
}

SocketHandle socket_accept(SocketHandle listener, SocketAddress* peer) {
  sockaddr_storage sa{};
  int len = sizeof sa;
  SOCKET s;
  do {
    len = sizeof sa;
    s = ::accept(sock(listener), reinterpret_cast<sockaddr*>(&sa), &len);
  } while (s == INVALID_SOCKET && ::WSAGetLastError() == WSAEINTR);
  if (s == INVALID_SOCKET) return kNoSocket;
  const SocketHandle handle = static_cast<SocketHandle>(s);
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  if (non_blocking(listener)) {
    mode_set(handle, false);
  } else {
    const std::lock_guard<std::mutex> hold(mode_lock());
    non_blocking_set().erase(handle);
  }
  *peer = win32::runtime_address(sa);
  return handle;
}

int32_t socket_connect(SocketHandle s, const SocketAddress& address) {
  sockaddr_storage sa;
  const int len = win32::system_address(address, &sa);
  if (::connect(sock(s), reinterpret_cast<const sockaddr*>(&sa), len) == 0) return kSocketConnected;
  const int error = ::WSAGetLastError();
  if (error == WSAEWOULDBLOCK || error == WSAEINPROGRESS || error == WSAEINTR) {
    return kSocketConnecting;
  }
  return -1;
}

bool socket_pending_error(SocketHandle s, int32_t* error) {
  int err = 0;
  int len = sizeof err;
  if (::getsockopt(sock(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0) {
    return false;
  }
  *error = err;
  return true;
}

int64_t socket_send(SocketHandle s, const void* data, size_t size) {
  return without_waiting(
      s, [&] { return ::send(sock(s), static_cast<const char*>(data), count_of(size), 0); });
}

int64_t socket_send_to(SocketHandle s, const void* data, size_t size, const SocketAddress& to) {
  sockaddr_storage sa;
  const int len = win32::system_address(to, &sa);
  return without_waiting(s, [&] {
    return ::sendto(sock(s), static_cast<const char*>(data), count_of(size), 0,
                    reinterpret_cast<const sockaddr*>(&sa), len);
  });
}

int64_t socket_receive(SocketHandle s, void* buffer, size_t size) {
  int n;
  do {
    n = ::recv(sock(s), static_cast<char*>(buffer), count_of(size), 0);
  } while (n < 0 && ::WSAGetLastError() == WSAEINTR);
  return n;
}

int64_t socket_receive_from(SocketHandle s, void* buffer, size_t size, SocketAddress* from) {
  thread_local std::unique_ptr<char[]> whole;
  char* into = static_cast<char*>(buffer);
  if (size < kLargestDatagram) {
    if (!whole) whole.reset(new char[kLargestDatagram]);
    into = whole.get();
  }
  sockaddr_storage sa{};
  int len = sizeof sa;
  int n;
  do {
    len = sizeof sa;
    n = ::recvfrom(sock(s), into,
                   into == buffer ? count_of(size) : static_cast<int>(kLargestDatagram), 0,
                   reinterpret_cast<sockaddr*>(&sa), &len);
  } while (n < 0 && ::WSAGetLastError() == WSAEINTR);
  // A datagram socket not yet bound (no send yet) cannot have received
  // anything: Windows says WSAEINVAL, POSIX "would block", as callers expect.
  if (n < 0 && ::WSAGetLastError() == WSAEINVAL) ::WSASetLastError(WSAEWOULDBLOCK);
  if (n < 0) return -1;
  if (into != buffer) std::memcpy(buffer, into, static_cast<size_t>(n) < size ? n : size);
  *from = win32::runtime_address(sa);
  return n;
}

void descriptor_limit_raise(uint64_t wanted) {
  // Windows sets no limit of sockets per process.
  (void)wanted;
}

}  // namespace zrv::platform
