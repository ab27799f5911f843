// The runtime's socket addresses in Winsock's form and back, and Winsock's
// start.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/bsd_socket_address.hpp"

namespace zrv::platform::win32 {

// Starts Winsock once for the process: false, with its error for
// socket_error(), when it cannot.
bool winsock_started();

using bsd::runtime_address;
using bsd::system_address;
using bsd::system_family;

}  // namespace zrv::platform::win32
