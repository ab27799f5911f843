// TCP on the loopback addresses against peers on plain sockets (in threads
// of the test program): connecting and accepting over IPv4 and IPv6, receive
// results, large sends, sends to a closed peer, refused and timed-out
// connects.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "child_process.hpp"
#include "net/net.hpp"
#include "net_test_support.hpp"

namespace zrv {
namespace {

using test::loopback_bytes;
using test::loopback_name;
using test::Peer;
using test::raw;
using test::RawSocket;
using test::str;

// Accepts one client, tells its port, reads up to a line feed and sends it
// back after "echo:". It closes then, or with linger once the client has.
int echo_server(Peer& self, RawSocket& listener, bool linger) {
  int client_port = 0;
  RawSocket c = listener.accept_within(10000, &client_port);
  if (!c.valid()) return 1;
  self.say(std::to_string(client_port));
  const std::string data = c.receive_until("\n", 10000);
  if (!c.send_all("echo:" + data)) return 2;
  if (linger) c.receive_until("", 10000);
  return 0;
}

// Connects, tells its own port, sends the text once the test says so and
// tells everything it receives until the test's side closes.
int client(Peer& self, int family, int port, const std::string& text) {
  RawSocket c(family, false);
  if (!c.connect_loopback(family, port)) return 1;
  self.say(std::to_string(c.port()));
  if (self.heard() != "send" || !c.send_all(text)) return 2;
  self.say(c.receive_until("", 10000));
  return 0;
}

// Reads everything after a pause (so that the sender fills its buffers) and
// checks the byte pattern i % 251.
int sink(Peer& self, RawSocket& listener) {
  RawSocket c = listener.accept_within(10000);
  if (!c.valid()) return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::string data = c.receive_until("", 20000);
  bool same = true;
  for (size_t i = 0; i < data.size() && same; ++i) same = data[i] == static_cast<char>(i % 251);
  self.say(std::to_string(data.size()) + (same ? " ok" : " bad"));
  return 0;
}

// Accepts one client and closes the connection at once.
int closer(Peer& self, RawSocket& listener) {
  RawSocket c = listener.accept_within(10000);
  if (!c.valid()) return 1;
  c.close();
  self.say("closed");
  return 0;
}

class NetTcp : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (GetParam() == 6 && !test::ipv6_loopback_available()) {
      GTEST_SKIP() << "this machine cannot bind ::1 (no IPv6 loopback)";
    }
  }
  void TearDown() override {
    test::close_all_slots();
    net_set_family(4);
  }
};

TEST_P(NetTcp, ConnectToPlainServer) {
  const int fam = GetParam();
  net_set_family(fam);
  RawSocket listener = test::loopback_listener(fam);
  ASSERT_TRUE(listener.valid()) << test::raw_error();
  const int port = listener.port();
  ASSERT_GT(port, 0);
  Peer server([&](Peer& self) { return echo_server(self, listener, false); });

  const int32_t slot = tcp_connect(loopback_name(fam), port, 3000);
  ASSERT_GE(slot, 0) << str(net_error_text());
  EXPECT_EQ(net_last_error(), 0);
  EXPECT_EQ(net_slot(slot)->is_udp, 0);
  EXPECT_EQ(net_peer_port(slot), port);
  EXPECT_EQ(str(net_peer_address(slot)), loopback_bytes(fam));
  EXPECT_TRUE(test::is_non_blocking(net_slot(slot)->handle));
  EXPECT_EQ(std::atoi(server.line().c_str()), test::bound_port(net_slot(slot)->handle));

  // Nothing sent yet: -2 and an empty text.
  RtString text("left over");
  EXPECT_EQ(net_receive(slot, text, 100), -2);
  EXPECT_EQ(str(text), "");
  EXPECT_TRUE(platform::socket_would_block(net_last_error())) << net_last_error();

  EXPECT_EQ(net_send(slot, "hello\n"), 6);
  EXPECT_EQ(test::receive_all(slot, 11), "echo:hello\n");
  // The server closed: 0 and an empty text.
  text = "left over";
  EXPECT_EQ(test::receive_within(slot, text, 100), 0);
  EXPECT_EQ(str(text), "");

  EXPECT_EQ(net_close(slot), 1);
  EXPECT_EQ(net_close(slot), 0);
  EXPECT_EQ(net_slot(slot)->handle, -1);
  EXPECT_TRUE(server.wait_exit(5000));
  EXPECT_EQ(server.status(), 0);
}

TEST_P(NetTcp, AcceptPlainClient) {
  const int fam = GetParam();
  net_set_family(fam);
  const int32_t listener = tcp_listen(0);
  ASSERT_GE(listener, 0) << str(net_error_text());
  const int port = net_peer_port(listener);
  ASSERT_GT(port, 0);
  EXPECT_EQ(str(net_peer_address(listener)), std::string(fam == 6 ? 16 : 4, '\0'));

  RtString address("unchanged");
  EXPECT_EQ(tcp_accept(listener, address), -1) << "nobody is connecting yet";
  EXPECT_TRUE(platform::socket_would_block(net_last_error())) << net_last_error();
  EXPECT_EQ(str(address), "unchanged");

  Peer peer([&](Peer& self) { return client(self, fam, port, "ping from a peer"); });
  const int32_t conn = test::accept_within(listener, address);
  ASSERT_GE(conn, 0) << str(net_error_text());
  EXPECT_NE(conn, listener);
  EXPECT_EQ(str(address), loopback_bytes(fam));
  EXPECT_EQ(str(net_peer_address(conn)), loopback_bytes(fam));
  EXPECT_EQ(net_peer_port(conn), std::atoi(peer.line().c_str()));
  EXPECT_TRUE(test::is_non_blocking(net_slot(conn)->handle));

  peer.tell("send");
  EXPECT_EQ(test::receive_all(conn, 16), "ping from a peer");
  EXPECT_EQ(net_send(conn, "pong"), 4);
  EXPECT_EQ(net_close(conn), 1);
  EXPECT_EQ(peer.line(), "pong");
  EXPECT_TRUE(peer.wait_exit(5000));
  EXPECT_EQ(peer.status(), 0);
}

TEST_P(NetTcp, ConnectToClosedPortFails) {
  const int fam = GetParam();
  net_set_family(fam);
  // A port that was just free: bound, then released.
  const int32_t probe = tcp_listen(0);
  ASSERT_GE(probe, 0);
  const int port = net_peer_port(probe);
  ASSERT_EQ(net_close(probe), 1);
  const int32_t before = test::open_slot_count();
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(tcp_connect(loopback_name(fam), port, 2000), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  EXPECT_EQ(net_last_error(), platform::kSocketErrConnectionRefused) << str(net_error_text());
  EXPECT_EQ(test::open_slot_count(), before) << "the failed socket is closed and its slot free";
}

INSTANTIATE_TEST_SUITE_P(Families, NetTcp, testing::Values(4, 6),
                         [](const testing::TestParamInfo<int>& i) {
                           return i.param == 6 ? std::string("IPv6") : std::string("IPv4");
                         });

class NetTcpV4 : public testing::Test {
 protected:
  void SetUp() override { net_set_family(4); }
  void TearDown() override { test::close_all_slots(); }
};

// 16 MiB in one call: more than the socket buffers hold while the reader
// pauses, so the send has to wait and go on with the rest.
TEST_F(NetTcpV4, LargeSendDeliversEveryByte) {
  RawSocket listener = test::loopback_listener(4);
  const int port = listener.port();
  ASSERT_GT(port, 0);
  Peer reader([&](Peer& self) { return sink(self, listener); });
  const int32_t slot = tcp_connect("127.0.0.1", port, 3000);
  ASSERT_GE(slot, 0);
  std::string payload(16u << 20, '\0');
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i % 251);
  EXPECT_EQ(net_send(slot, raw(payload)), static_cast<int32_t>(payload.size()));
  EXPECT_EQ(net_close(slot), 1);
  EXPECT_EQ(reader.line(20000), std::to_string(payload.size()) + " ok");
}

// Writing to a connection the peer has closed fails with -1 instead of
// ending the process (through SIGPIPE on POSIX). The peer lives in the
// child too: on Windows the child is the test program run again.
TEST_F(NetTcpV4, SendToClosedPeerReturnsError) {
  const test::ChildResult r = test::run_in_child([] {
    RawSocket listener = test::loopback_listener(4);
    if (!listener.valid()) _exit(13);
    Peer peer([&](Peer& self) { return closer(self, listener); });
    const int32_t slot = tcp_connect("127.0.0.1", listener.port(), 3000);
    if (slot < 0) _exit(10);
    RtString text;
    if (test::receive_within(slot, text, 16) != 0) _exit(11);  // the peer's close
    const RtString block = raw(std::string(65536, 'x'));
    for (int i = 0; i < 200; ++i) {
      if (net_send(slot, block) == -1) {
        std::printf("%d\n", net_last_error());
        std::fflush(stdout);
        _exit(0);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    _exit(12);
  });
  EXPECT_EQ(r.signal, 0) << "killed by signal " << r.signal;
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  const int err = std::atoi(r.out.c_str());
  EXPECT_TRUE(err == platform::kSocketErrBrokenPipe || err == platform::kSocketErrConnectionReset)
      << r.out;
}

// A loopback listener whose backlog is full and that never accepts: a further
// connect stays in progress. Closes everything on destruction.
class FullListener {
 public:
  FullListener() : listener_(test::loopback_listener(4, 0)) {
    port_ = listener_.valid() ? listener_.port() : 0;
    if (port_ <= 0) return;
    for (int i = 0; i < 8; ++i) {
      RawSocket filler(4, false);
      filler.start_connect_loopback(4, port_);
      fillers_.push_back(std::move(filler));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  int port() const { return port_; }

 private:
  RawSocket listener_;
  int port_ = 0;
  std::vector<RawSocket> fillers_;
};

TEST_F(NetTcpV4, ConnectTimesOut) {
  FullListener full;
  ASSERT_GT(full.port(), 0);
  const int32_t before = test::open_slot_count();
  const auto t0 = std::chrono::steady_clock::now();
  const int32_t slot = tcp_connect("127.0.0.1", full.port(), 300);
  const auto waited =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
          .count();
  if (slot >= 0) {
    GTEST_SKIP() << "the loopback stack completed a connect beyond the listen backlog, so no "
                    "time-out can be provoked here";
  }
  EXPECT_EQ(net_last_error(), platform::kSocketErrTimedOut);
  EXPECT_EQ(str(net_error_text()), test::error_text(platform::kSocketErrTimedOut));
  EXPECT_GE(waited, 290);
  EXPECT_LT(waited, 5000);
  EXPECT_EQ(test::open_slot_count(), before);
}

// Time-outs of 0 and 60000 mean 30000 ms: after one second such a connect is
// still waiting. The full 30 s are not waited for: in a child, a watchdog
// ends the process after that second.
TEST_F(NetTcpV4, OutOfRangeTimeOutsKeepWaiting) {
  FullListener full;
  ASSERT_GT(full.port(), 0);
  {  // Only meaningful where a full backlog holds a connect back.
    const int32_t probe = tcp_connect("127.0.0.1", full.port(), 200);
    if (probe >= 0) GTEST_SKIP() << "the loopback stack accepts beyond the listen backlog";
  }
  const int port = full.port();
  for (int32_t time_out : {0, 60000}) {
    const test::ChildResult r = test::run_in_child([port, time_out] {
      std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        std::printf("waiting\n");
        std::fflush(stdout);
        _exit(0);
      }).detach();
      const int32_t got = tcp_connect("127.0.0.1", port, time_out);
      std::printf("%s\n", got >= 0 ? "connected" : "failed");
      std::fflush(stdout);
      _exit(0);
    });
    EXPECT_EQ(r.out, "waiting\n") << "the connect with time-out " << time_out
                                  << " returned within a second (status " << r.status << ", "
                                  << r.err << ")";
  }
}

TEST_F(NetTcpV4, BlockingModeWaitsForData) {
  RawSocket listener = test::loopback_listener(4);
  const int port = listener.port();
  ASSERT_GT(port, 0);
  // The server stays until this side has closed: a closed connection would
  // leave nothing for the mode checks to wait on.
  Peer server([&](Peer& self) { return echo_server(self, listener, true); });
  const int32_t slot = tcp_connect("127.0.0.1", port, 3000);
  ASSERT_GE(slot, 0);
  net_set_blocking(slot, 1);
  EXPECT_FALSE(test::is_non_blocking(net_slot(slot)->handle));
  ASSERT_EQ(net_send(slot, "x\n"), 2);
  std::string got;
  RtString text;
  while (got.size() < 7) {
    const int32_t r = net_receive(slot, text, 100);  // blocks; never -2
    ASSERT_GT(r, 0);
    got += str(text);
  }
  EXPECT_EQ(got, "echo:x\n");
  net_set_blocking(slot, 0);
  EXPECT_TRUE(test::is_non_blocking(net_slot(slot)->handle));
  net_set_blocking(kNetSlotCount - 1, 1);  // a free slot is ignored
  net_set_blocking(-1, 1);
  EXPECT_EQ(net_close(slot), 1);
  EXPECT_TRUE(server.wait_exit(5000));
  EXPECT_EQ(server.status(), 0);
}

TEST_F(NetTcpV4, AcceptOnUdpSlotAndReceiveSizes) {
  const int32_t u = udp_open(0);
  ASSERT_GE(u, 0);
  RtString address;
  EXPECT_EQ(tcp_accept(u, address), -1);
  EXPECT_EQ(net_last_error(), 0);
  RtString text("x");
  EXPECT_EQ(net_receive(u, text, 0), -1) << "a receive needs room for one byte";
  EXPECT_EQ(net_last_error(), platform::kSocketErrInvalid);
  EXPECT_EQ(str(text), "");
  EXPECT_EQ(net_send(u, "data"), -1) << "a UDP slot has no destination";
  EXPECT_EQ(net_last_error(), platform::kSocketErrNoDestination);
}

}  // namespace
}  // namespace zrv
