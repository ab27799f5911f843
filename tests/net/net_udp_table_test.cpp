// UDP on the loopback addresses against peers on plain sockets (in threads
// of the test program), and the slot table: the 1025th socket,
// lowest-free-slot reuse, start/stop counting.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cstdlib>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "net/net.hpp"
#include "net_test_support.hpp"

namespace zrv {
namespace {

using test::bound_port;
using test::loopback_bytes;
using test::Peer;
using test::raw;
using test::RawSocket;
using test::str;

// Answers one datagram with "udp:" and what came, and tells the sender's
// port.
int udp_echo(Peer& self, RawSocket& s, int family) {
  std::string data;
  int from = 0;
  if (!s.receive_from(data, &from, 10000)) return 1;
  self.say(std::to_string(from));
  return s.send_to_loopback(family, from, "udp:" + data) ? 0 : 2;
}

class NetUdp : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
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

TEST_P(NetUdp, SendToPlainPeerAndReceiveReply) {
  const int fam = GetParam();
  RawSocket peer_socket(fam, true);
  ASSERT_TRUE(peer_socket.bind_loopback(fam)) << test::raw_error();
  const int port = peer_socket.port();
  ASSERT_GT(port, 0);
  Peer echo([&](Peer& self) { return udp_echo(self, peer_socket, fam); });

  const int32_t u = udp_open(0);
  ASSERT_GE(u, 0) << str(net_error_text());
  EXPECT_EQ(net_slot(u)->is_udp, 1);
  EXPECT_EQ(bound_port(net_slot(u)->handle), 0) << "port 0: no bind before the first send";
  EXPECT_TRUE(test::broadcast_enabled(net_slot(u)->handle)) << "broadcast is on";

  RtString text("stale");
  EXPECT_EQ(net_receive(u, text, 100), -2);
  EXPECT_EQ(str(text), "");
  EXPECT_EQ(str(net_peer_address(u)), std::string(fam == 6 ? 16 : 4, '\0'))
      << "a receive resets the sender to the any address";

  const RtString to = raw(loopback_bytes(fam));
  EXPECT_EQ(udp_send_to(u, "hello", to, port), 5);
  const int mine = bound_port(net_slot(u)->handle);
  EXPECT_GT(mine, 0);
  EXPECT_EQ(std::atoi(echo.line().c_str()), mine);

  EXPECT_EQ(test::receive_within(u, text, 100), 9);
  EXPECT_EQ(str(text), "udp:hello");
  EXPECT_EQ(str(net_peer_address(u)), loopback_bytes(fam));
  EXPECT_EQ(net_peer_port(u), port);
  EXPECT_TRUE(echo.wait_exit(5000));
  EXPECT_EQ(echo.status(), 0);
}

TEST_P(NetUdp, BoundPortReceivesFromPlainPeer) {
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
  RawSocket sender(fam, true);
  ASSERT_TRUE(sender.bind_loopback(fam)) << test::raw_error();
  const int their_port = sender.port();
  Peer peer([&](Peer&) { return sender.send_to_loopback(fam, port, "from a peer") ? 0 : 1; });
  RtString text;
  EXPECT_EQ(test::receive_within(u, text, 11), 11) << "a datagram of just the size asked";
  EXPECT_EQ(str(text), "from a peer");
  EXPECT_EQ(net_peer_port(u), their_port);
  EXPECT_EQ(str(net_peer_address(u)), loopback_bytes(fam));
  EXPECT_TRUE(peer.wait_exit(5000));
  EXPECT_EQ(peer.status(), 0);
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
  EXPECT_EQ(net_last_error(), platform::kSocketErrInvalid);
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
#ifndef _WIN32
  // Windows sets no limit of sockets per process.
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
#endif
  // A listener with a connection waiting, made before the table fills up.
  const int32_t listener = tcp_listen(0);
  ASSERT_EQ(listener, 0);
  RawSocket client(4, false);
  ASSERT_TRUE(client.connect_loopback(4, net_peer_port(listener))) << test::raw_error();

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
  ASSERT_TRUE(test::wait_socket(client.handle(), false, 3000)) << "the accepted socket was closed";
  std::string got;
  EXPECT_LE(client.receive_some(got, 1, 0), 0);
  client.close();

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
  const platform::SocketHandle socket_a = net_slot(a)->handle, socket_b = net_slot(b)->handle;
  net_stop();
  EXPECT_EQ(net_users(), 1);
  EXPECT_NE(net_slot(a)->handle, -1) << "still in use by the other user";
  net_stop();
  EXPECT_EQ(net_users(), 0);
  EXPECT_EQ(net_slot(a)->handle, -1);
  EXPECT_EQ(net_slot(b)->handle, -1);
  EXPECT_FALSE(test::socket_is_open(socket_a)) << "the socket was closed";
  EXPECT_FALSE(test::socket_is_open(socket_b));
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
