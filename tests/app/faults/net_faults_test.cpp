// Sockets when the other side misbehaves or the process is short of
// descriptors: sends to a peer that stops reading come back in bounded
// time, the whole table fits under the usual descriptor limit, and a
// datagram too long for the receive is reported, not cut short.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <string>

#include "app/lifecycle.hpp"
#include "child_process.hpp"
#include "net/net.hpp"
#include "net_test_support.hpp"

namespace zrv {
namespace {

using test::raw;
using test::str;

sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  return a;
}

uint16_t port_of(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

struct TimedSend {
  int32_t result = 0;
  double seconds = 0;
  bool returned = false;
};

// Runs a send on another thread. When it has not returned after 6 s the
// peer is closed, which wakes any waiting send, so a regression fails the
// test instead of hanging it.
TimedSend timed(const std::function<int32_t()>& send, int& peer) {
  const auto start = std::chrono::steady_clock::now();
  auto done = std::async(std::launch::async, send);
  TimedSend t;
  t.returned = done.wait_for(std::chrono::seconds(6)) == std::future_status::ready;
  if (!t.returned) {
    close(peer);
    peer = -1;
  }
  t.result = done.get();
  t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return t;
}

class NetFaults : public testing::Test {
 protected:
  void SetUp() override { net_set_family(4); }
  void TearDown() override { test::close_all_slots(); }
};

TEST_F(NetFaults, SendToAPeerThatStopsReadingGivesUpAfterTheBound) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = loopback(0);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  const int32_t c = tcp_connect("127.0.0.1", port_of(listener), 2000);
  ASSERT_GE(c, 0) << str(net_error_text());
  int peer = accept(listener, nullptr, nullptr);  // accepted, never read
  ASSERT_GE(peer, 0);

  const RtString big = raw(std::string(64 << 20, 'z'));
  TimedSend t = timed([&] { return net_send(c, big); }, peer);
  ASSERT_TRUE(t.returned) << "net_send waited for a peer that does not read";
  EXPECT_GT(t.result, 0) << "the socket buffers took part of the text";
  EXPECT_LT(t.result, static_cast<int32_t>(big.length));
  EXPECT_EQ(net_last_error(), ETIMEDOUT);
  EXPECT_NE(str(net_error_text()).find("timed out"), std::string::npos) << str(net_error_text());
  EXPECT_GT(t.seconds, 1.5);
  EXPECT_LT(t.seconds, 3.0);

  // Buffers full: nothing goes out, within the same bound, blocking or not
  // (udp_send_to on a TCP slot sends on the connection).
  const RtString more = raw(std::string(1 << 20, 'y'));
  for (int32_t blocking : {0, 1}) {
    net_set_blocking(c, blocking);
    t = timed([&] { return udp_send_to(c, more, RtString(), 0); }, peer);
    ASSERT_TRUE(t.returned) << "blocking " << blocking;
    EXPECT_EQ(t.result, -1) << "blocking " << blocking;
    EXPECT_EQ(net_last_error(), ETIMEDOUT);
    EXPECT_LT(t.seconds, 3.0);
  }
  if (peer >= 0) close(peer);
  close(listener);
}

// In a child whose soft descriptor limit is 1024, after `start`: every
// slot opens and the next gives error 8.
void expect_whole_table_under_1024(const char* how, const std::function<void()>& start) {
  rlimit lim{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &lim), 0);
  if (lim.rlim_max < kNetSlotCount + 64) GTEST_SKIP() << "hard limit " << lim.rlim_max;
  ASSERT_EQ(test::open_slot_count(), 0);
  const test::ChildResult r = test::run_in_child([&] {
    rlimit low = {1024, lim.rlim_max};
    if (setrlimit(RLIMIT_NOFILE, &low) != 0) _exit(2);
    start();
    for (int32_t i = 0; i < kNetSlotCount; ++i) {
      if (udp_open(0) != i) {
        std::printf("slot %d: %s\n", i, net_error_text().c_str());
        std::fflush(stdout);
        _exit(1);
      }
    }
    const int32_t extra = udp_open(0);
    std::printf("1025th: %d, error %d\n", extra, net_last_error());
    std::fflush(stdout);
    _exit(extra == -1 && net_last_error() == kNetErrTableFull ? 0 : 1);
  });
  EXPECT_TRUE(r.exited) << how;
  EXPECT_EQ(r.status, 0) << how << ": " << r.out;
}

TEST_F(NetFaults, AllSlotsUsableUnderTheUsualDescriptorLimit) {
  expect_whole_table_under_1024("start-up", [] { network_create_for_runtime(); });
  expect_whole_table_under_1024("net_start", [] { net_start(); });
}

TEST_F(NetFaults, DatagramLongerThanTheReceiveIsASizeError) {
  const int peer = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a = loopback(0);
  ASSERT_EQ(bind(peer, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  const uint16_t peer_port = port_of(peer);
  const int32_t u = udp_open(0);
  ASSERT_GE(u, 0);
  const RtString here = raw(std::string("\x7f\x00\x00\x01", 4));
  ASSERT_EQ(udp_send_to(u, "hi", here, peer_port), 2);  // binds the slot
  sockaddr_in slot_address{};
  socklen_t len = sizeof slot_address;
  char got[8];
  ASSERT_EQ(recvfrom(peer, got, sizeof got, 0, reinterpret_cast<sockaddr*>(&slot_address), &len),
            2);

  const std::string long_one(100, 'L'), fits = "0123456789";
  for (const std::string& d : {long_one, fits}) {
    ASSERT_EQ(sendto(peer, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&slot_address), len),
              static_cast<ssize_t>(d.size()));
  }
  RtString text("stale");
  EXPECT_EQ(test::receive_within(u, text, 10), -1);
  EXPECT_EQ(net_last_error(), EMSGSIZE);
  EXPECT_EQ(str(text), "");
  EXPECT_EQ(net_peer_port(u), peer_port) << "the sender is still recorded";

  EXPECT_EQ(test::receive_within(u, text, 10), 10);
  EXPECT_EQ(str(text), fits);
  close(peer);
}

}  // namespace
}  // namespace zrv
