// Address text, family selection, resolution of numeric and hosts-file names
// (no lookup that could leave the machine), error texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "base/context.hpp"
#include "net/net.hpp"
#include "net_test_support.hpp"

namespace zrv {
namespace {

using test::raw;
using test::str;

RtString v6(const char* text) {
  in6_addr a{};
  EXPECT_EQ(inet_pton(AF_INET6, text, &a), 1) << text;
  return raw(std::string(reinterpret_cast<const char*>(&a), 16));
}

TEST(NetAddressText, IPv4Dotted) {
  EXPECT_EQ(str(net_address_text(raw(std::string("\x7f\x00\x00\x01", 4)))), "127.0.0.1");
  EXPECT_EQ(str(net_address_text(raw(std::string("\x00\x00\x00\x00", 4)))), "0.0.0.0");
  EXPECT_EQ(str(net_address_text(raw(std::string("\xff\xfe\x80\x0a", 4)))), "255.254.128.10");
}

TEST(NetAddressText, IPv6Compression) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"::1", "::1"},
      {"::", "::"},
      {"1::", "1::"},
      {"2001:db8::1", "2001:db8::1"},
      {"2001:0DB8:0000:0000:0000:0000:0000:0001", "2001:db8::1"},
      // A single zero group is not compressed.
      {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1"},
      // The longest run wins; the first of equally long runs.
      {"1:0:0:2:0:0:0:3", "1:0:0:2::3"},
      {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},
      {"0:0:1:0:0:1:0:0", "::1:0:0:1:0:0"},
      {"fe80::abcd:ef01:0:0", "fe80::abcd:ef01:0:0"},
      {"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"},
      // No dotted tail for mapped addresses: hexadecimal groups only.
      {"::ffff:127.0.0.1", "::ffff:7f00:1"},
  };
  for (const auto& c : cases) EXPECT_EQ(str(net_address_text(v6(c.in))), c.out) << c.in;
}

// Random addresses (with many zero groups) read back to the same bytes and
// agree with the C library's text wherever that does not use a dotted tail.
TEST(NetAddressText, RandomIPv6RoundTrip) {
  std::mt19937 rng(7);
  for (int i = 0; i < 20000; ++i) {
    uint8_t b[16];
    for (int g = 0; g < 8; ++g) {
      const uint32_t r = rng();
      const uint16_t v = (r % 3 == 0) ? static_cast<uint16_t>(r >> 16) : 0;
      b[2 * g] = static_cast<uint8_t>(v >> 8);
      b[2 * g + 1] = static_cast<uint8_t>(v);
    }
    const std::string text =
        str(net_address_text(raw(std::string(reinterpret_cast<char*>(b), 16))));
    uint8_t back[16];
    ASSERT_EQ(inet_pton(AF_INET6, text.c_str(), back), 1) << text;
    ASSERT_EQ(std::memcmp(b, back, 16), 0) << text;
    char libc[INET6_ADDRSTRLEN];
    ASSERT_NE(inet_ntop(AF_INET6, b, libc, sizeof libc), nullptr);
    if (std::strchr(libc, '.') == nullptr) {
      ASSERT_EQ(text, libc);
    }
  }
}

TEST(NetAddressText, WrongLengthReportsError4) {
  for (const std::string& bytes : {std::string(), std::string("\x01\x02\x03", 3),
                                   std::string(5, '\x01'), std::string(17, '\x00')}) {
    ctx.last_error = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(str(net_address_text(raw(bytes))), "");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ctx.last_error, 4) << bytes.size();
    EXPECT_EQ(out, "error: 4\n");
  }
}

TEST(NetFamily, SelectionAndError4) {
  EXPECT_EQ(net_family(), kNetFamilyIPv4);
  ctx.last_error = 0;
  net_set_family(6);
  EXPECT_EQ(net_family(), kNetFamilyIPv6);
  EXPECT_EQ(ctx.last_error, 0);
  testing::internal::CaptureStdout();
  net_set_family(5);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "error: 4\n");
  EXPECT_EQ(ctx.last_error, 4);
  EXPECT_EQ(net_family(), kNetFamilyIPv4);
  net_set_family(6);
  ctx.last_error = 0;
  net_set_family(4);
  EXPECT_EQ(net_family(), kNetFamilyIPv4);
  EXPECT_EQ(ctx.last_error, 0);
}

TEST(NetConnect, TimeOutClamp) {
  EXPECT_EQ(net_connect_time_out(0), 30000);
  EXPECT_EQ(net_connect_time_out(60000), 30000);
  EXPECT_EQ(net_connect_time_out(-5), 30000);
  EXPECT_EQ(net_connect_time_out(30001), 30000);
  EXPECT_EQ(net_connect_time_out(1), 1);
  EXPECT_EQ(net_connect_time_out(250), 250);
  EXPECT_EQ(net_connect_time_out(30000), 30000);
}

// Names in the hosts file resolve without asking a name server.
bool in_hosts_file(const std::string& name, const std::string& address) {
  std::ifstream f(test::hosts_file());
  std::string line;
  while (std::getline(f, line)) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string addr, n;
    if (!(words >> addr) || addr != address) continue;
    while (words >> n) {
      if (n == name) return true;
    }
  }
  return false;
}

TEST(NetResolve, NumericAndHostsFileNames) {
  test::NetFamilyScope scope(4);
  EXPECT_EQ(str(net_resolve("127.0.0.1")), std::string("\x7f\x00\x00\x01", 4));
  EXPECT_EQ(net_last_error(), 0);
  EXPECT_EQ(str(net_resolve("10.1.2.3")), std::string("\x0a\x01\x02\x03", 4));
  // A literal of the other family fails locally (no name-server query).
  EXPECT_EQ(str(net_resolve("::1")), "");
  EXPECT_EQ(net_last_error(), kNetErrNoAddress);
  EXPECT_EQ(str(net_error_text()), "11004 host has no address of this family");
  // A name no host has (an empty label: refused before any name server is
  // asked) is not a route that is missing.
  EXPECT_EQ(str(net_resolve("zrv..invalid")), "");
  EXPECT_EQ(net_last_error(), kNetErrHostNotFound);
  EXPECT_EQ(str(net_error_text()), "11001 host not found");

  const NetAddress a = net_lookup("127.0.0.1", 8080);
  EXPECT_EQ(a.family, kNetFamilyIPv4);
  EXPECT_EQ(ntohs(a.port), 8080);
  EXPECT_EQ(net_lookup("::1", 1).family, kNetFamilyNone);

  if (in_hosts_file("localhost", "127.0.0.1")) {
    EXPECT_EQ(str(net_resolve("localhost")), std::string("\x7f\x00\x00\x01", 4));
  }

  net_set_family(6);
  EXPECT_EQ(str(net_resolve("::1")), std::string(15, '\0') + '\x01');
  EXPECT_EQ(str(net_address_text(net_resolve("2001:db8::7"))), "2001:db8::7");
  EXPECT_EQ(str(net_resolve("127.0.0.1")), "");
}

TEST(NetResolve, ThisMachine) {
  test::raw_sockets_start();
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  bool listed = false;
  {
    std::ifstream f(test::hosts_file());
    std::string line;
    while (std::getline(f, line)) {
      std::istringstream words(line.substr(0, line.find('#')));
      std::string addr, n;
      words >> addr;
      if (addr.find('.') == std::string::npos) continue;  // IPv4 entries only
      while (words >> n) listed = listed || n == host;
    }
  }
  if (!listed) {
    GTEST_SKIP() << "the host name '" << host
                 << "' has no IPv4 entry in the hosts file; resolving it would ask a name server";
  }
  test::NetFamilyScope scope(4);
  const std::string list = str(net_local_addresses());
  ASSERT_FALSE(list.empty());
  EXPECT_LE(list.size(), 2047u);
  EXPECT_NE(list.back(), '|');
  std::vector<std::string> entries;
  std::istringstream parts(list);
  for (std::string e; std::getline(parts, e, '|');) entries.push_back(e);
  for (size_t i = 0; i < entries.size(); ++i) {
    in_addr a{};
    EXPECT_EQ(inet_pton(AF_INET, entries[i].c_str(), &a), 1) << entries[i];
    if (entries[i] == "127.0.0.1") {
      EXPECT_EQ(i, entries.size() - 1) << "loopback comes last";
    }
  }
  // The empty name is the first of those addresses.
  const std::string first = entries.front();
  EXPECT_EQ(str(net_address_text(net_resolve(""))), first);
  EXPECT_EQ(net_users(), 0) << "listing the addresses leaves the user count alone";
}

// The interfaces' addresses (link-local and loopback left out) come first;
// the host name's hosts-file entry is not what the machine is reachable at.
TEST(NetLocalAddresses, AreTheInterfaceAddressesWithLoopbackLast) {
  std::string words;
  ASSERT_TRUE(test::interface_addresses(&words));
  for (int family : {4, 6}) {
    std::vector<std::string> expected;
    std::istringstream in(words);
    for (std::string w; in >> w;) {
      if ((w.find(':') != std::string::npos) == (family == 6)) expected.push_back(w);
    }
    if (expected.empty()) continue;  // no such address on this machine
    test::NetFamilyScope scope(family);
    std::vector<std::string> listed;
    std::istringstream parts(str(net_local_addresses()));
    for (std::string e; std::getline(parts, e, '|');) listed.push_back(e);
    const std::string loopback = family == 6 ? "::1" : "127.0.0.1";
    if (!listed.empty() && listed.back() == loopback) listed.pop_back();
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected) << "IPv" << family;
    EXPECT_NE(str(net_address_text(net_resolve(""))), loopback) << "IPv" << family;
  }
}

TEST(NetErrorText, CodesAndMessages) {
  test::NetFamilyScope scope(4);
  RtString text("junk");
  EXPECT_EQ(net_receive(-1, text, 10), -1);
  const int32_t bad = platform::kSocketErrBadHandle;
  const int32_t reset = platform::kSocketErrConnectionReset;
  EXPECT_EQ(net_last_error(), bad);
  EXPECT_EQ(str(text), "");
  EXPECT_EQ(str(net_error_text()), test::error_text(bad));
  EXPECT_EQ(str(net_error_text_for(0)), test::error_text(0));
  EXPECT_EQ(str(net_error_text_for(reset)), test::error_text(reset));
  EXPECT_EQ(str(net_error_text_for(99999)), "") << "no message for an unknown code";
  EXPECT_EQ(str(net_error_text_for(-4)), "");
  EXPECT_EQ(str(net_error_text_for(kNetErrTableFull)), "8 No free socket slot");
  EXPECT_EQ(net_receive(kNetSlotCount, text, 10), -1);
  EXPECT_EQ(net_close(kNetSlotCount), 0);
  EXPECT_EQ(net_send(5000, "x"), -1);
  EXPECT_EQ(net_peer_port(-3), 0);
  EXPECT_EQ(str(net_peer_address(77)), "");
  EXPECT_EQ(net_slot(kNetSlotCount), nullptr);
  EXPECT_EQ(tcp_listen(70000), -1);
  EXPECT_EQ(net_last_error(), platform::kSocketErrInvalid);
  EXPECT_EQ(udp_open(-1), -1);
  EXPECT_EQ(tcp_connect("127.0.0.1", 65536, 100), -1);
  EXPECT_EQ(test::open_slot_count(), 0);
}

}  // namespace
}  // namespace zrv
