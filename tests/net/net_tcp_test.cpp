// TCP on the loopback addresses against Python's socket module as the peer:
// connecting and accepting over IPv4 and IPv6, receive results, large sends,
// sends to a closed peer, refused and timed-out connects.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "child_process.hpp"
#include "net/net.hpp"
#include "net_test_support.hpp"

namespace zrv {
namespace {

using test::PyPeer;
using test::raw;
using test::str;

const char* kEchoServer = R"(
import socket, sys
v6 = sys.argv[1] == '6'
s = socket.socket(socket.AF_INET6 if v6 else socket.AF_INET, socket.SOCK_STREAM)
s.bind(('::1' if v6 else '127.0.0.1', 0))
s.listen(1)
s.settimeout(10)
print(s.getsockname()[1], flush=True)
c, peer = s.accept()
c.settimeout(10)
print(peer[1], flush=True)
data = b''
while not data.endswith(b'\n'):
    d = c.recv(65536)
    if not d:
        break
    data += d
c.sendall(b'echo:' + data)
c.close()
)";

const char* kClient = R"(
import socket, sys
v6 = sys.argv[1] == '6'
c = socket.socket(socket.AF_INET6 if v6 else socket.AF_INET, socket.SOCK_STREAM)
c.settimeout(10)
c.connect(('::1' if v6 else '127.0.0.1', int(sys.argv[2])))
print(c.getsockname()[1], flush=True)
c.sendall(sys.argv[3].encode())
data = b''
while True:
    d = c.recv(65536)
    if not d:
        break
    data += d
print(data.decode(), flush=True)
)";

// Reads everything after a pause (so that the sender fills its buffers) and
// checks the byte pattern i % 251.
const char* kSink = R"(
import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
s.bind(('127.0.0.1', 0))
s.listen(1)
s.settimeout(10)
print(s.getsockname()[1], flush=True)
c, _ = s.accept()
c.settimeout(20)
time.sleep(0.3)
chunks = []
while True:
    d = c.recv(1 << 20)
    if not d:
        break
    chunks.append(d)
data = b''.join(chunks)
pattern = bytes(range(251))
expected = (pattern * (len(data) // 251 + 1))[:len(data)]
print(len(data), 'ok' if data == expected else 'bad', flush=True)
)";

const char* kCloser = R"(
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
s.bind(('127.0.0.1', 0))
s.listen(1)
s.settimeout(10)
print(s.getsockname()[1], flush=True)
c, _ = s.accept()
c.close()
print('closed', flush=True)
)";

std::string loopback_bytes(int family) {
  return family == 6 ? std::string(15, '\0') + '\x01' : std::string("\x7f\x00\x00\x01", 4);
}
const char* loopback_name(int family) { return family == 6 ? "::1" : "127.0.0.1"; }

int local_port(int fd) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return -1;
  return a.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port)
                                 : ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
}

class NetTcp : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (!test::python_available()) GTEST_SKIP() << "python3 is needed as the peer";
    if (GetParam() == 6 && !test::ipv6_loopback_available()) {
      GTEST_SKIP() << "this machine cannot bind ::1 (no IPv6 loopback)";
    }
  }
  void TearDown() override {
    test::close_all_slots();
    net_set_family(4);
  }
};

TEST_P(NetTcp, ConnectToPythonServer) {
  const int fam = GetParam();
  net_set_family(fam);
  PyPeer server(kEchoServer, {std::to_string(fam)});
  ASSERT_TRUE(server.started());
  const int port = std::stoi("0" + server.line());
  ASSERT_GT(port, 0);

  const int32_t slot = tcp_connect(loopback_name(fam), port, 3000);
  ASSERT_GE(slot, 0) << str(net_error_text());
  EXPECT_EQ(net_last_error(), 0);
  EXPECT_EQ(net_slot(slot)->is_udp, 0);
  EXPECT_EQ(net_peer_port(slot), port);
  EXPECT_EQ(str(net_peer_address(slot)), loopback_bytes(fam));
  EXPECT_TRUE(fcntl(net_slot(slot)->handle, F_GETFL) & O_NONBLOCK);
  EXPECT_EQ(std::stoi("0" + server.line()), local_port(net_slot(slot)->handle));

  // Nothing sent yet: -2 and an empty text.
  RtString text("left over");
  EXPECT_EQ(net_receive(slot, text, 100), -2);
  EXPECT_EQ(str(text), "");
  EXPECT_TRUE(net_last_error() == EAGAIN || net_last_error() == EWOULDBLOCK);

  EXPECT_EQ(net_send(slot, "hello\n"), 6);
  EXPECT_EQ(test::receive_all(slot, 11), "echo:hello\n");
  // The server closed: 0 and an empty text.
  text = "left over";
  EXPECT_EQ(test::receive_within(slot, text, 100), 0);
  EXPECT_EQ(str(text), "");

  EXPECT_EQ(net_close(slot), 1);
  EXPECT_EQ(net_close(slot), 0);
  EXPECT_EQ(net_slot(slot)->handle, -1);
}

TEST_P(NetTcp, AcceptPythonClient) {
  const int fam = GetParam();
  net_set_family(fam);
  const int32_t listener = tcp_listen(0);
  ASSERT_GE(listener, 0) << str(net_error_text());
  const int port = net_peer_port(listener);
  ASSERT_GT(port, 0);
  EXPECT_EQ(str(net_peer_address(listener)), std::string(fam == 6 ? 16 : 4, '\0'));

  RtString address("unchanged");
  EXPECT_EQ(tcp_accept(listener, address), -1) << "nobody is connecting yet";
  EXPECT_TRUE(net_last_error() == EAGAIN || net_last_error() == EWOULDBLOCK);
  EXPECT_EQ(str(address), "unchanged");

  PyPeer client(kClient, {std::to_string(fam), std::to_string(port), "ping from python"});
  ASSERT_TRUE(client.started());
  const int32_t conn = test::accept_within(listener, address);
  ASSERT_GE(conn, 0) << str(net_error_text());
  EXPECT_NE(conn, listener);
  EXPECT_EQ(str(address), loopback_bytes(fam));
  EXPECT_EQ(str(net_peer_address(conn)), loopback_bytes(fam));
  EXPECT_EQ(net_peer_port(conn), std::stoi("0" + client.line()));
  EXPECT_TRUE(fcntl(net_slot(conn)->handle, F_GETFL) & O_NONBLOCK);

  EXPECT_EQ(test::receive_all(conn, 16), "ping from python");
  EXPECT_EQ(net_send(conn, "pong"), 4);
  EXPECT_EQ(net_close(conn), 1);
  EXPECT_EQ(client.line(), "pong");
  EXPECT_TRUE(client.wait_exit(5000));
  EXPECT_EQ(client.status(), 0);
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
  EXPECT_EQ(net_last_error(), ECONNREFUSED) << str(net_error_text());
  EXPECT_EQ(test::open_slot_count(), before) << "the failed socket is closed and its slot free";
}

INSTANTIATE_TEST_SUITE_P(Families, NetTcp, testing::Values(4, 6),
                         [](const testing::TestParamInfo<int>& i) {
                           return i.param == 6 ? std::string("IPv6") : std::string("IPv4");
                         });

class NetTcpV4 : public testing::Test {
 protected:
  void SetUp() override {
    if (!test::python_available()) GTEST_SKIP() << "python3 is needed as the peer";
    net_set_family(4);
  }
  void TearDown() override { test::close_all_slots(); }
};

// 16 MiB in one call: more than the socket buffers hold while the reader
// pauses, so the send has to wait and go on with the rest.
TEST_F(NetTcpV4, LargeSendDeliversEveryByte) {
  PyPeer sink(kSink, {});
  const int port = std::stoi("0" + sink.line());
  ASSERT_GT(port, 0);
  const int32_t slot = tcp_connect("127.0.0.1", port, 3000);
  ASSERT_GE(slot, 0);
  std::string payload(16u << 20, '\0');
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i % 251);
  EXPECT_EQ(net_send(slot, raw(payload)), static_cast<int32_t>(payload.size()));
  EXPECT_EQ(net_close(slot), 1);
  EXPECT_EQ(sink.line(20000), std::to_string(payload.size()) + " ok");
}

// Writing to a connection the peer has closed fails with -1 instead of
// ending the process through SIGPIPE.
TEST_F(NetTcpV4, SendToClosedPeerReturnsError) {
  PyPeer closer(kCloser, {});
  const int port = std::stoi("0" + closer.line());
  ASSERT_GT(port, 0);
  const test::ChildResult r = test::run_in_child([port] {
    const int32_t slot = tcp_connect("127.0.0.1", port, 3000);
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
  EXPECT_TRUE(err == EPIPE || err == ECONNRESET) << r.out;
}

// A loopback listener whose backlog is full and that never accepts: a further
// connect stays in progress. Closes everything on destruction.
class FullListener {
 public:
  FullListener() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(listener_, 0) != 0) {
      return;
    }
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    for (int i = 0; i < 8; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
      fillers_.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ~FullListener() {
    for (int fd : fillers_) close(fd);
    close(listener_);
  }
  int port() const { return port_; }

 private:
  int listener_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
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
  EXPECT_EQ(net_last_error(), ETIMEDOUT);
  EXPECT_EQ(str(net_error_text()), std::to_string(ETIMEDOUT) + " " + strerror(ETIMEDOUT));
  EXPECT_GE(waited, 290);
  EXPECT_LT(waited, 5000);
  EXPECT_EQ(test::open_slot_count(), before);
}

// Time-outs of 0 and 60000 mean 30000 ms: after one second such a connect is
// still waiting (the full 30 s are not waited for; the children are ended).
TEST_F(NetTcpV4, OutOfRangeTimeOutsKeepWaiting) {
  FullListener full;
  ASSERT_GT(full.port(), 0);
  {  // Only meaningful where a full backlog holds a connect back.
    const int32_t probe = tcp_connect("127.0.0.1", full.port(), 200);
    if (probe >= 0) GTEST_SKIP() << "the loopback stack accepts beyond the listen backlog";
  }
  struct Child {
    pid_t pid;
    int out;
  };
  std::vector<Child> children;
  for (int32_t time_out : {0, 60000}) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      const int32_t r = tcp_connect("127.0.0.1", full.port(), time_out);
      const char c = r >= 0 ? 'c' : 'f';
      (void)!write(fds[1], &c, 1);
      _exit(0);
    }
    close(fds[1]);
    children.push_back({pid, fds[0]});
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  for (const Child& c : children) {
    pollfd p = {c.out, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0) << "the connect returned within a second";
    kill(c.pid, SIGKILL);
    waitpid(c.pid, nullptr, 0);
    close(c.out);
  }
}

TEST_F(NetTcpV4, BlockingModeWaitsForData) {
  PyPeer server(kEchoServer, {"4"});
  const int port = std::stoi("0" + server.line());
  ASSERT_GT(port, 0);
  const int32_t slot = tcp_connect("127.0.0.1", port, 3000);
  ASSERT_GE(slot, 0);
  net_set_blocking(slot, 1);
  EXPECT_FALSE(fcntl(net_slot(slot)->handle, F_GETFL) & O_NONBLOCK);
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
  EXPECT_TRUE(fcntl(net_slot(slot)->handle, F_GETFL) & O_NONBLOCK);
  net_set_blocking(kNetSlotCount - 1, 1);  // a free slot is ignored
  net_set_blocking(-1, 1);
}

TEST_F(NetTcpV4, AcceptOnUdpSlotAndReceiveSizes) {
  const int32_t u = udp_open(0);
  ASSERT_GE(u, 0);
  RtString address;
  EXPECT_EQ(tcp_accept(u, address), -1);
  EXPECT_EQ(net_last_error(), 0);
  RtString text("x");
  EXPECT_EQ(net_receive(u, text, 0), -1) << "a receive needs room for one byte";
  EXPECT_EQ(net_last_error(), EINVAL);
  EXPECT_EQ(str(text), "");
  EXPECT_EQ(net_send(u, "data"), -1) << "a UDP slot has no destination";
  EXPECT_EQ(net_last_error(), EDESTADDRREQ);
}

}  // namespace
}  // namespace zrv
