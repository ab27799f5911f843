// The runtime's socket addresses in the system's form and back.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "platform/bsd_socket_address.hpp"

namespace zrv::platform::posix {

using bsd::runtime_address;
using bsd::system_address;
using bsd::system_family;

}  // namespace zrv::platform::posix
