// The socket errors the runtime tells apart, as errno numbers them (the
// numbering of every POSIX build, the web's included).
#include <cerrno>

#include "platform/sockets.hpp"

namespace zrv::platform {

const int32_t kSocketErrBadHandle = EBADF;
const int32_t kSocketErrInvalid = EINVAL;
const int32_t kSocketErrNoDestination = EDESTADDRREQ;
const int32_t kSocketErrFamilyUnsupported = EAFNOSUPPORT;
const int32_t kSocketErrTimedOut = ETIMEDOUT;
const int32_t kSocketErrConnectionReset = ECONNRESET;
const int32_t kSocketErrConnectionRefused = ECONNREFUSED;
const int32_t kSocketErrBrokenPipe = EPIPE;
const int32_t kSocketErrInterrupted = EINTR;
const int32_t kSocketErrMessageSize = EMSGSIZE;

int32_t socket_error() { return errno; }
bool socket_would_block(int32_t err) { return err == EAGAIN || err == EWOULDBLOCK; }

}  // namespace zrv::platform
