// Sockets on POSIX systems: the descriptors and their calls, with errno as
// the socket error.
#include "platform/sockets.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.hpp"
#include "platform/posix/socket_address.hpp"

namespace zrv::platform {

namespace {

int fd_of(SocketHandle s) { return static_cast<int>(s); }

// Sends leave the waiting to the caller, and a closed peer is an error
// rather than SIGPIPE.
constexpr int kSendFlags = MSG_NOSIGNAL | MSG_DONTWAIT;

}  // namespace

const char* socket_error_text(int32_t code) { return strerrordesc_np(code); }

SocketHandle socket_open(SocketFamily family, SocketKind kind) {
  const int type = kind == SocketKind::Datagram ? SOCK_DGRAM : SOCK_STREAM;
  const int fd = ::socket(posix::system_family(family), type | SOCK_CLOEXEC, 0);
  return fd < 0 ? kNoSocket : fd;
}

bool socket_close(SocketHandle s) {
  const linger off = {0, 0};
  ::setsockopt(fd_of(s), SOL_SOCKET, SO_LINGER, &off, sizeof off);
  ::shutdown(fd_of(s), SHUT_RDWR);
  return ::close(fd_of(s)) == 0;
}

void socket_reuse_address(SocketHandle s) {
  const int on = 1;
  ::setsockopt(fd_of(s), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

void socket_allow_broadcast(SocketHandle s) {
  const int on = 1;
  if (::setsockopt(fd_of(s), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    // Systems that want the flag as one byte.
    const char one = 1;
    ::setsockopt(fd_of(s), SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  }
}

bool socket_set_non_blocking(SocketHandle s, bool non_blocking) {
  const int flags = ::fcntl(fd_of(s), F_GETFL, 0);
  if (flags < 0) return false;
  const int wanted = non_blocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return wanted == flags || ::fcntl(fd_of(s), F_SETFL, wanted) == 0;
}

bool socket_is_blocking(SocketHandle s) {
  const int flags = ::fcntl(fd_of(s), F_GETFL, 0);
  return flags >= 0 && (flags & O_NONBLOCK) == 0;
}

bool socket_bind(SocketHandle s, const SocketAddress& address) {
  sockaddr_storage sa;
  const socklen_t len = posix::system_address(address, &sa);
  return ::bind(fd_of(s), reinterpret_cast<const sockaddr*>(&sa), len) == 0;
}

bool socket_listen(SocketHandle s, int32_t backlog) { return ::listen(fd_of(s), backlog) == 0; }

bool socket_local_address(SocketHandle s, SocketAddress* address) {
  sockaddr_storage sa{};
  socklen_t len = sizeof sa;
  if (::getsockname(fd_of(s), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return false;
  *address = posix::runtime_address(sa);
  return true;
}

SocketHandle socket_accept(SocketHandle listener, SocketAddress* peer) {
  sockaddr_storage sa{};
  socklen_t len = sizeof sa;
  int fd;
  do {
    fd = ::accept4(fd_of(listener), reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return kNoSocket;
  *peer = posix::runtime_address(sa);
  return fd;
}

int32_t socket_connect(SocketHandle s, const SocketAddress& address) {
  sockaddr_storage sa;
  const socklen_t len = posix::system_address(address, &sa);
  if (::connect(fd_of(s), reinterpret_cast<const sockaddr*>(&sa), len) == 0) {
    return kSocketConnected;
  }
  // Interrupted, the connect goes on in the background all the same.
  if (errno == EINPROGRESS || errno == EINTR || errno == EAGAIN) return kSocketConnecting;
  return -1;
}

bool socket_pending_error(SocketHandle s, int32_t* error) {
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(fd_of(s), SOL_SOCKET, SO_ERROR, &err, &len) != 0) return false;
  *error = err;
  return true;
}

int64_t socket_send(SocketHandle s, const void* data, size_t size) {
  ssize_t n;
  do {
    n = ::send(fd_of(s), data, size, kSendFlags);
  } while (n < 0 && errno == EINTR);
  return n;
}

int64_t socket_send_to(SocketHandle s, const void* data, size_t size, const SocketAddress& to) {
  sockaddr_storage sa;
  const socklen_t len = posix::system_address(to, &sa);
  ssize_t n;
  do {
    n = ::sendto(fd_of(s), data, size, kSendFlags, reinterpret_cast<const sockaddr*>(&sa), len);
  } while (n < 0 && errno == EINTR);
  return n;
}

int64_t socket_receive(SocketHandle s, void* buffer, size_t size) {
  ssize_t n;
  do {
    n = ::recv(fd_of(s), buffer, size, 0);
  } while (n < 0 && errno == EINTR);
  return n;
}

int64_t socket_receive_from(SocketHandle s, void* buffer, size_t size, SocketAddress* from) {
  sockaddr_storage sa{};
  socklen_t len = sizeof sa;
  ssize_t n;
  do {
    // MSG_TRUNC: the datagram's real length, even when it did not fit.
    n = ::recvfrom(fd_of(s), buffer, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(&sa), &len);
  } while (n < 0 && errno == EINTR);
  if (n >= 0) *from = posix::runtime_address(sa);
  return n;
}

// poll, not select: descriptors can lie above FD_SETSIZE. The termination
// pipe is watched beside the socket.
int32_t socket_wait(SocketHandle s, SocketWait what, int32_t time_out_ms) {
  const short events = what == SocketWait::Readable ? POLLIN : POLLOUT;
  pollfd p[2] = {{fd_of(s), events, 0}, {quit_signal_fd(), POLLIN, 0}};
  const nfds_t count = p[1].fd >= 0 ? 2 : 1;
  for (;;) {
    const int r = ::poll(p, count, time_out_ms);
    if ((count == 2 && (p[1].revents & POLLIN) != 0) || quit_signal_pending() != 0) {
      return kSocketWaitQuit;
    }
    // Another signal: a wait without a limit goes on; one with a limit
    // returns, for its caller to count the time left.
    if (r >= 0 || errno != EINTR || time_out_ms >= 0) return r;
  }
}

void descriptor_limit_raise(uint64_t wanted) {
  rlimit lim{};
  if (::getrlimit(RLIMIT_NOFILE, &lim) != 0) return;
  rlim_t target = wanted;
  if (lim.rlim_max != RLIM_INFINITY && lim.rlim_max < target) target = lim.rlim_max;
  if (lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < target) {
    lim.rlim_cur = target;
    ::setrlimit(RLIMIT_NOFILE, &lim);  // not permitted: fewer sockets fit, no more
  }
}

}  // namespace zrv::platform
