// One contract for every backend the build has (the headless one always,
// the window system's when there is one): the same cases run against each,
// and the OS services the backends share are held to theirs once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "child_process.hpp"
#include "files_test_util.hpp"
#include "platform/clock.hpp"
#include "platform/file_watch.hpp"
#include "platform/files.hpp"
#include "platform/keyboard.hpp"
#include "platform/mouse.hpp"
#include "platform/platform.hpp"
#include "platform/sockets.hpp"

namespace {

using zrv::platform::Backend;

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The backends of this build by name: "headless", and the platform's own.
std::vector<std::string> backends_built() {
  std::vector<std::string> names{"headless"};
  if (std::string(zrv::platform::platform_name()) != "headless") {
    names.push_back(zrv::platform::platform_name());
  }
  return names;
}

std::unique_ptr<Backend> backend_make(const std::string& name) {
  if (name == "headless") return zrv::platform::make_headless_backend();
  zrv::platform::WindowedDevices made;
  std::string failure;
  if (!zrv::platform::windowed_devices_make(&made, &failure)) return nullptr;
  return std::move(made.backend);
}

class BackendContract : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    backend_ = backend_make(GetParam());
    ASSERT_NE(backend_, nullptr) << GetParam() << " did not start";
  }
  bool windowed() const { return GetParam() != "headless"; }
  std::unique_ptr<Backend> backend_;
};

TEST_P(BackendContract, NamesItselfAndSaysWhetherItHasWindows) {
  const std::string name = backend_->name();
  EXPECT_EQ(name == "headless", !windowed()) << name;
  EXPECT_EQ(backend_->is_headless(), !windowed());
}

TEST_P(BackendContract, TheClockOnlyMovesForwardAndSleepsAsLongAsAsked) {
  int64_t frequency = 0;
  ASSERT_TRUE(backend_->counter_frequency(&frequency));
  ASSERT_GT(frequency, 0);
  int64_t last = backend_->counter_value();
  for (int i = 0; i < 10000; ++i) {
    const int64_t now = backend_->counter_value();
    ASSERT_GE(now, last);
    last = now;
  }
  const int64_t c0 = backend_->counter_value();
  const uint32_t t0 = backend_->tick_count_ms();
  backend_->sleep_ms(30);
  const double slept_ms = static_cast<double>(backend_->counter_value() - c0) * 1000.0 / frequency;
  EXPECT_GE(slept_ms, 29.0);
  EXPECT_GE(backend_->tick_count_ms() - t0, 29u);
  EXPECT_LT(slept_ms, 5000.0);
}

TEST_P(BackendContract, AWindowHasTheSizeAskedForOrThereIsNone) {
  zrv::platform::Window* window =
      backend_->window_create("contract", 320, 200, zrv::platform::PixelFormatRequest{});
  if (!windowed()) {
    EXPECT_EQ(window, nullptr);
    int32_t w = -1, h = -1;
    EXPECT_FALSE(backend_->window_client_size(nullptr, &w, &h));
    return;
  }
  ASSERT_NE(window, nullptr) << backend_->failure_reason();
  EXPECT_FALSE(backend_->window_visible(window));  // made hidden
  int32_t w = 0, h = 0;
  ASSERT_TRUE(backend_->window_client_size(window, &w, &h));
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 200);
  backend_->window_destroy(window);
}

TEST_P(BackendContract, TheEventQueueRunsDry) {
  zrv::platform::Window* window =
      backend_->window_create("contract", 160, 100, zrv::platform::PixelFormatRequest{});
  if (window != nullptr) backend_->event_window_set(window);
  zrv::platform::Event event;
  int taken = 0;
  while (backend_->poll_event(&event) && taken < 10000) ++taken;
  EXPECT_LT(taken, 10000);
  EXPECT_FALSE(backend_->poll_event(&event));
  EXPECT_FALSE(backend_->peek_event(&event));
  if (window != nullptr) backend_->window_destroy(window);
}

// A termination request ends every wait at once: the sleep, and the wait
// for an event, which has nothing to return.
TEST_P(BackendContract, ATerminationRequestEndsWaits) {
  const std::string name = GetParam();
  // The child makes its own, with a connection to the window system of its own.
  backend_.reset();
  const zrv::test::ChildResult r = zrv::test::run_in_child([&] {
    std::unique_ptr<Backend> b = backend_make(name);
    if (!b) std::_Exit(3);
    zrv::platform::quit_signals_install();
    std::raise(SIGTERM);
    if (zrv::platform::quit_signal_pending() != SIGTERM) std::_Exit(4);
    const int64_t t0 = zrv::platform::monotonic_us();
    b->sleep_ms(10000);
    b->wait_event();
    zrv::platform::Event event;
    if (b->poll_event(&event) && event.type != zrv::platform::EventType::CloseRequest) {
      std::_Exit(5);
    }
    std::_Exit(zrv::platform::monotonic_us() - t0 < 2000000 ? 0 : 6);
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
}

INSTANTIATE_TEST_SUITE_P(Built, BackendContract, testing::ValuesIn(backends_built()),
                         [](const testing::TestParamInfo<std::string>& p) { return p.param; });

// Rename into place: the target keeps its old bytes until the commit, then
// has the new ones whole; a target in a missing folder fails with the
// system's reason and leaves nothing behind.
TEST(OsServicesContract, AFileIsReplacedWholeOrNotAtAll) {
  zrv::test::ScratchDir dir;
  const std::string target = dir.path() + "/scores.ini";
  ASSERT_TRUE(zrv::test::write_file(target, "old\n"));
  zrv::platform::ReplaceTarget t;
  int error = 0;
  ASSERT_TRUE(zrv::platform::replace_begin(target, &t, &error)) << error;
  std::FILE* out = zrv::platform::replace_stream(&t);
  ASSERT_NE(out, nullptr);
  std::fputs("new and longer\n", out);
  std::fclose(out);
  EXPECT_EQ(zrv::test::read_file(target), "old\n");
  ASSERT_TRUE(zrv::platform::replace_commit(&t, &error)) << error;
  EXPECT_EQ(zrv::test::read_file(target), "new and longer\n");
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"scores.ini"});

  zrv::platform::ReplaceTarget missing;
  error = 0;
  EXPECT_FALSE(zrv::platform::replace_begin(dir.path() + "/none/scores.ini", &missing, &error));
  EXPECT_NE(error, 0);
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"scores.ini"});
}

TEST(OsServicesContract, ANewFileIsNeverOneThatWasThere) {
  zrv::test::ScratchDir dir;
  const std::string name = dir.path() + "/entry.bin";
  const int fd = zrv::platform::file_create_new(name);
  ASSERT_GE(fd, 0);
  zrv::platform::file_close(fd);
  EXPECT_LT(zrv::platform::file_create_new(name), 0);
}

// The file watcher (--watch): a file saved again in place and one written
// aside and renamed into place are each reported once, by the name given.
TEST(OsServicesContract, WatchedFilesSavedAgainAreReportedOnceEach) {
  zrv::test::ScratchDir dir;
  const std::string picture = dir.path() + "/duck.png", sound = dir.path() + "/quack.wav";
  ASSERT_TRUE(zrv::test::write_file(picture, "one"));
  ASSERT_TRUE(zrv::test::write_file(sound, "one"));
  ASSERT_TRUE(zrv::test::write_file(dir.path() + "/other.txt", "one"));
  std::unique_ptr<zrv::platform::FileWatch> watch = zrv::platform::make_file_watch();
  ASSERT_TRUE(watch->add(picture));
  ASSERT_TRUE(watch->add(sound));
  EXPECT_TRUE(watch->take_changed().empty());
  ASSERT_TRUE(zrv::test::write_file(picture, "two, longer"));
  ASSERT_TRUE(zrv::test::write_file(sound + ".new", "three, longer"));
  std::filesystem::rename(sound + ".new", sound);
  ASSERT_TRUE(zrv::test::write_file(dir.path() + "/other.txt", "not watched"));
  std::vector<std::string> changed;
  for (int waited = 0; changed.size() < 2 && waited < 3000; waited += 20) {
    for (const std::string& name : watch->take_changed()) changed.push_back(name);
    if (changed.size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::sort(changed.begin(), changed.end());
  EXPECT_EQ(changed, (std::vector<std::string>{picture, sound}));
  EXPECT_TRUE(watch->take_changed().empty());
}

// Sockets on loopback: a stream that carries bytes both ways, a datagram
// with its sender, a wait that times out, and a connection refused.
TEST(OsServicesContract, SocketsCarryBytesOnLoopback) {
  namespace p = zrv::platform;
  p::SocketAddress loopback{p::SocketFamily::IPv4, 0, {127, 0, 0, 1}};
  const p::SocketHandle listener = p::socket_open(p::SocketFamily::IPv4, p::SocketKind::Stream);
  ASSERT_NE(listener, p::kNoSocket);
  ASSERT_TRUE(p::socket_bind(listener, loopback));
  ASSERT_TRUE(p::socket_listen(listener, 4));
  p::SocketAddress bound{};
  ASSERT_TRUE(p::socket_local_address(listener, &bound));
  EXPECT_NE(bound.port, 0);
  EXPECT_EQ(p::socket_wait(listener, p::SocketWait::Readable, 50), 0);  // nobody yet

  const p::SocketHandle client = p::socket_open(p::SocketFamily::IPv4, p::SocketKind::Stream);
  ASSERT_NE(client, p::kNoSocket);
  ASSERT_NE(p::socket_connect(client, bound), -1) << p::socket_error();
  ASSERT_GT(p::socket_wait(listener, p::SocketWait::Readable, 5000), 0);
  p::SocketAddress peer{};
  const p::SocketHandle served = p::socket_accept(listener, &peer);
  ASSERT_NE(served, p::kNoSocket);
  EXPECT_EQ(peer.family, p::SocketFamily::IPv4);
  EXPECT_EQ(peer.bytes[0], 127);
  EXPECT_EQ(p::socket_send(client, "ping", 4), 4);
  char got[8] = {};
  ASSERT_GT(p::socket_wait(served, p::SocketWait::Readable, 5000), 0);
  EXPECT_EQ(p::socket_receive(served, got, sizeof got), 4);
  EXPECT_EQ(std::string(got, 4), "ping");
  p::socket_close(client);
  ASSERT_GT(p::socket_wait(served, p::SocketWait::Readable, 5000), 0);
  EXPECT_EQ(p::socket_receive(served, got, sizeof got), 0);  // the peer closed
  p::socket_close(served);

  // The listener's port, once closed, refuses.
  p::socket_close(listener);
  const p::SocketHandle refused = p::socket_open(p::SocketFamily::IPv4, p::SocketKind::Stream);
  ASSERT_TRUE(p::socket_set_non_blocking(refused, true));
  const int32_t started = p::socket_connect(refused, bound);
  int32_t error = 0;
  if (started == p::kSocketConnecting) {
    ASSERT_GT(p::socket_wait(refused, p::SocketWait::Writable, 5000), 0);
    ASSERT_TRUE(p::socket_pending_error(refused, &error));
  } else {
    error = p::socket_error();
  }
  EXPECT_NE(error, 0);
  EXPECT_NE(p::socket_error_text(error), nullptr);
  p::socket_close(refused);

  const p::SocketHandle a = p::socket_open(p::SocketFamily::IPv4, p::SocketKind::Datagram);
  const p::SocketHandle b = p::socket_open(p::SocketFamily::IPv4, p::SocketKind::Datagram);
  ASSERT_TRUE(p::socket_bind(a, loopback));
  ASSERT_TRUE(p::socket_bind(b, loopback));
  p::SocketAddress at_a{}, at_b{};
  ASSERT_TRUE(p::socket_local_address(a, &at_a));
  ASSERT_TRUE(p::socket_local_address(b, &at_b));
  EXPECT_EQ(p::socket_send_to(a, "datagram", 8, at_b), 8);
  ASSERT_GT(p::socket_wait(b, p::SocketWait::Readable, 5000), 0);
  p::SocketAddress from{};
  EXPECT_EQ(p::socket_receive_from(b, got, sizeof got, &from), 8);
  EXPECT_EQ(std::string(got, 8), "datagram");
  EXPECT_EQ(from.port, at_a.port);
  p::socket_close(a);
  p::socket_close(b);
}

}  // namespace
