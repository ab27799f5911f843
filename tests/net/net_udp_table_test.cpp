// UDP on the loopback addresses against Python peers, and the slot table:
// the 1025th socket, lowest-free-slot reuse, start/stop counting.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "net/net.hpp"
#include "net_test_support.hpp"

namespace zrv {
namespace {

using test::PyPeer;
using test::raw;
using test::str;

const char* kUdpEcho = R"(
import socket, sys
v6 = sys.argv[1] == '6'
s = socket.socket(socket.AF_INET6 if v6 else socket.AF_INET, socket.SOCK_DGRAM)
s.bind(('::1' if v6 else '127.0.0.1', 0))
s.settimeout(10)
print(s.getsockname()[1], flush=True)
data, peer = s.recvfrom(65536)
print(peer[1], flush=True)
s.sendto(b'udp:' + data, peer)
)";

const char* kUdpSender = R"(
import socket, sys
v6 = sys.argv[1] == '6'
host = '::1' if v6 else '127.0.0.1'
s = socket.socket(socket.AF_INET6 if v6 else socket.AF_INET, socket.SOCK_DGRAM)
s.bind((host, 0))
print(s.getsockname()[1], flush=True)
s.sendto(sys.argv[3].encode(), (host, int(sys.argv[2])))
)";

std::string loopback_bytes(int family) {
  return family == 6 ? std::string(15, '\0') + '\x01' : std::string("\x7f\x00\x00\x01", 4);
}

int bound_port(int fd) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return -1;
  return a.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port)
                                 : ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
}

class NetUdp : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (!test::python_available()) GTEST_SKIP() << "python3 is needed as the peer";
    if (GetParam() == 6 && !test::ipv6_loopback_available()) {
      GTEST_SKIP() << "this machine cannot bind ::1 (no IPv6 loopback)";
    }
    net_set_family(GetParam());
  }
  void TearDown() override {
    test::close_all_slots();
    net_set_family(4);
  }
};

TEST_P(NetUdp, SendToPythonAndReceiveReply) {
  const int fam = GetParam();
  PyPeer echo(kUdpEcho, {std::to_string(fam)});
  const int port = std::stoi("0" + echo.line());
  ASSERT_GT(port, 0);

  const int32_t u = udp_open(0);
  ASSERT_GE(u, 0) << str(net_error_text());
  EXPECT_EQ(net_slot(u)->is_udp, 1);
  EXPECT_EQ(bound_port(net_slot(u)->handle), 0) << "port 0: no bind before the first send";
  int on = 0;
  socklen_t len = sizeof on;
  ASSERT_EQ(getsockopt(net_slot(u)->handle, SOL_SOCKET, SO_BROADCAST, &on, &len), 0);
  EXPECT_NE(on, 0) << "broadcast is on";

  RtString text("stale");
  EXPECT_EQ(net_receive(u, text, 100), -2);
  EXPECT_EQ(str(text), "");
  EXPECT_EQ(str(net_peer_address(u)), std::string(fam == 6 ? 16 : 4, '\0'))
      << "a receive resets the sender to the any address";

  const RtString to = raw(loopback_bytes(fam));
  EXPECT_EQ(udp_send_to(u, "hello", to, port), 5);
  const int mine = bound_port(net_slot(u)->handle);
  EXPECT_GT(mine, 0);
  EXPECT_EQ(std::stoi("0" + echo.line()), mine);

  EXPECT_EQ(test::receive_within(u, text, 100), 9);
  EXPECT_EQ(str(text), "udp:hello");
  EXPECT_EQ(str(net_peer_address(u)), loopback_bytes(fam));
  EXPECT_EQ(net_peer_port(u), port);
}

TEST_P(NetUdp, BoundPortReceivesFromPython) {
  const int fam = GetParam();
  // A port that was just free.
  const int32_t probe = udp_open(0);
  ASSERT_GE(probe, 0);
  ASSERT_EQ(udp_send_to(probe, "x", raw(loopback_bytes(fam)), 9), 1);  // binds an ephemeral port
  const int port = bound_port(net_slot(probe)->handle);
  ASSERT_EQ(net_close(probe), 1);

  const int32_t u = udp_open(port);
  ASSERT_GE(u, 0) << str(net_error_text());
  EXPECT_EQ(net_peer_port(u), port);
  PyPeer sender(kUdpSender, {std::to_string(fam), std::to_string(port), "from python"});
  const int their_port = std::stoi("0" + sender.line());
  RtString text;
  EXPECT_EQ(test::receive_within(u, text, 11), 11) << "a datagram of just the size asked";
  EXPECT_EQ(str(text), "from python");
  EXPECT_EQ(net_peer_port(u), their_port);
  EXPECT_EQ(str(net_peer_address(u)), loopback_bytes(fam));
}

TEST_P(NetUdp, AddressOfWrongLengthIsError4) {
  const int32_t u = udp_open(0);
  ASSERT_GE(u, 0);
  ctx.last_error = 0;
  testing::internal::CaptureStdout();
  EXPECT_EQ(udp_send_to(u, "data", raw(std::string("\x7f\x00\x00\x01\x00", 5)), 9), -1);
  EXPECT_EQ(udp_send_to(u, "data", RtString(), 9), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "error: 4\nerror: 4\n");
  EXPECT_EQ(ctx.last_error, 4);
  EXPECT_EQ(udp_send_to(u, "data", raw(loopback_bytes(GetParam())), 70000), -1);
  EXPECT_EQ(net_last_error(), EINVAL);
}

INSTANTIATE_TEST_SUITE_P(Families, NetUdp, testing::Values(4, 6),
                         [](const testing::TestParamInfo<int>& i) {
                           return i.param == 6 ? std::string("IPv6") : std::string("IPv4");
                         });

// ---------------------------------------------------------------------------

class NetTable : public testing::Test {
 protected:
  void SetUp() override { net_set_family(4); }
  void TearDown() override { test::close_all_slots(); }
};

TEST_F(NetTable, The1025thSocketFails) {
  rlimit lim{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &lim), 0);
  const rlim_t needed = 1200;
  if (lim.rlim_cur < needed && lim.rlim_max >= needed) {
    lim.rlim_cur = needed;
    setrlimit(RLIMIT_NOFILE, &lim);
    getrlimit(RLIMIT_NOFILE, &lim);
  }
  if (lim.rlim_cur < needed) {
    GTEST_SKIP() << "the process may open only " << lim.rlim_cur
                 << " files; 1024 sockets and the test's own need " << needed;
  }
  // A listener with a connection waiting, made before the table fills up.
  const int32_t listener = tcp_listen(0);
  ASSERT_EQ(listener, 0);
  const int client = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(net_peer_port(listener)));
  ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);

  for (int32_t i = 1; i < kNetSlotCount; ++i) {
    ASSERT_EQ(udp_open(0), i) << "the lowest free slot; " << str(net_error_text());
  }
  EXPECT_EQ(udp_open(0), -1);
  EXPECT_EQ(net_last_error(), kNetErrTableFull);
  EXPECT_EQ(str(net_error_text()), "8 No free socket slot");
  EXPECT_EQ(tcp_listen(0), -1);
  EXPECT_EQ(net_last_error(), 8);
  EXPECT_EQ(tcp_connect("127.0.0.1", 9, 100), -1);
  EXPECT_EQ(net_last_error(), 8);

  // The waiting connection is accepted and closed again: nowhere to keep it.
  RtString address;
  EXPECT_EQ(tcp_accept(listener, address), -1);  // the handshake completed in connect
  EXPECT_EQ(net_last_error(), 8);
  timeval tv{3, 0};
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  char c;
  EXPECT_LE(recv(client, &c, 1, 0), 0) << "the accepted socket was closed";
  close(client);

  EXPECT_EQ(net_close(500), 1);
  EXPECT_EQ(net_close(17), 1);
  EXPECT_EQ(udp_open(0), 17);
  EXPECT_EQ(udp_open(0), 500);
  EXPECT_EQ(udp_open(0), -1);
  test::close_all_slots();
  EXPECT_EQ(test::open_slot_count(), 0);
  EXPECT_EQ(udp_open(0), 0);
}

TEST_F(NetTable, StartAndStopCountUsers) {
  ASSERT_EQ(net_users(), 0);
  EXPECT_EQ(net_start(), 1);
  EXPECT_EQ(net_start(), 1);
  EXPECT_EQ(net_users(), 2);
  const int32_t a = udp_open(0);
  const int32_t b = tcp_listen(0);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  const int fd_a = net_slot(a)->handle, fd_b = net_slot(b)->handle;
  net_stop();
  EXPECT_EQ(net_users(), 1);
  EXPECT_NE(net_slot(a)->handle, -1) << "still in use by the other user";
  net_stop();
  EXPECT_EQ(net_users(), 0);
  EXPECT_EQ(net_slot(a)->handle, -1);
  EXPECT_EQ(net_slot(b)->handle, -1);
  EXPECT_EQ(fcntl(fd_a, F_GETFD), -1) << "the socket was closed";
  EXPECT_EQ(fcntl(fd_b, F_GETFD), -1);
  net_stop();  // below 0 stays at 0
  EXPECT_EQ(net_users(), 0);
  EXPECT_EQ(net_start(), 1);
  EXPECT_EQ(net_users(), 1);
  net_stop();

  // Shutdown closes everything whatever the count.
  EXPECT_EQ(net_start(), 1);
  EXPECT_EQ(net_start(), 1);
  const int32_t c = udp_open(0);
  ASSERT_GE(c, 0);
  net_shutdown();
  EXPECT_EQ(net_users(), 0);
  EXPECT_EQ(net_slot(c)->handle, -1);
}

}  // namespace
}  // namespace zrv
