// platform_info: keys, formats and the Linux sources behind them.
#include "files/platform_info.hpp"

// The answers from Linux's own sources (XDG folders, /sys, X, machine-id).
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>

#include "base/errors.hpp"
#include "child_process.hpp"
#include "files/ini_file.hpp"
#include "files/sha256.hpp"
#include "filesys_util.hpp"
#include "platform/platform.hpp"
#include "x_display.hpp"

namespace zrv {
namespace {

using test::read_file;
using test::shell_output;
using test::write_file;

std::string hex(const uint8_t* p, size_t n) {
  std::string s;
  char b[3];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02x", p[i]);
    s += b;
  }
  return s;
}

std::string sha_hex(const std::string& text) {
  uint8_t d[kSha256Size];
  sha256(text.data(), text.size(), d);
  return hex(d, sizeof d);
}

std::string hmac_hex(const std::string& key, const std::string& msg) {
  uint8_t d[kSha256Size];
  hmac_sha256(key.data(), key.size(), msg.data(), msg.size(), d);
  return hex(d, sizeof d);
}

TEST(Sha256Test, KnownAnswers) {
  EXPECT_EQ(sha_hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha_hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // One million "a", fed in uneven pieces.
  Sha256 h;
  const std::string piece(997, 'a');
  size_t left = 1000000;
  while (left > 0) {
    const size_t n = left < piece.size() ? left : piece.size();
    h.update(piece.data(), n);
    left -= n;
  }
  uint8_t d[kSha256Size];
  h.finish(d);
  EXPECT_EQ(hex(d, sizeof d), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // Lengths around the padding boundary agree with one another's streaming.
  for (size_t n : {55u, 56u, 63u, 64u, 65u, 119u, 120u}) {
    const std::string text(n, 'x');
    Sha256 split;
    split.update(text.data(), n / 3);
    split.update(text.data() + n / 3, n - n / 3);
    split.finish(d);
    EXPECT_EQ(hex(d, sizeof d), sha_hex(text)) << n;
  }
}

TEST(Sha256Test, HmacRfc4231) {
  EXPECT_EQ(hmac_hex(std::string(20, '\x0b'), "Hi There"),
            "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
  EXPECT_EQ(hmac_hex("Jefe", "what do ya want for nothing?"),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  EXPECT_EQ(
      hmac_hex(std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
      "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
}

class PlatformInfoTest : public test::FilesysTest {
 protected:
  void SetUp() override {
    FilesysTest::SetUp();
    saved_ = platform_sources();
    env_.set("HOME", path("home").c_str());
    env_.set("XDG_DATA_HOME", path("data").c_str());
    env_.set("XDG_CONFIG_HOME", path("config").c_str());
    ::mkdir(path("home").c_str(), 0700);
  }
  void TearDown() override {
    platform_sources() = saved_;
    FilesysTest::TearDown();
  }
  PlatformSources saved_;
};

TEST_F(PlatformInfoTest, FixedKeys) {
  EXPECT_EQ(platform_info(""), "LINUX");
  EXPECT_EQ(platform_info("device"), "DESKTOP");
  EXPECT_EQ(platform_info("DeViCe"), "DESKTOP");
  EXPECT_EQ(platform_info("nonsense"), "NO_DATA");
  EXPECT_EQ(platform_info("DEVICES"), "NO_DATA");
  EXPECT_EQ(platform_info(RtString("ID ")), "NO_DATA");
}

TEST_F(PlatformInfoTest, BuildConstants) {
  platform_info_set_build("Sep 26 2016-16:42:55", "f9308845", "000.001");
  EXPECT_EQ(platform_info("compiled"), "Sep 26 2016-16:42:55");
  EXPECT_EQ(platform_info("HOSTID"), "f9308845");
  EXPECT_EQ(platform_info("Version"), "000.001");
}

TEST_F(PlatformInfoTest, TimeFormats) {
  std::tm t{};
  t.tm_year = 2020 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 2;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 3;
  EXPECT_EQ(format_clock_time(t), "2020-03-02 09:05:03");
  t.tm_mon = 11;
  t.tm_mday = 31;
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 59;
  EXPECT_EQ(format_clock_time(t), "2020-12-31 23:59:59");

  const std::regex shape(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)");
  const std::string utc = platform_info("utctime").c_str();
  EXPECT_TRUE(std::regex_match(utc, shape)) << utc;
  EXPECT_TRUE(std::regex_match(std::string(platform_info("TIME").c_str()), shape));
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  ::gmtime_r(&now, &parts);
  char year[16];
  std::snprintf(year, sizeof year, "%d-", parts.tm_year + 1900);
  EXPECT_EQ(utc.rfind(year, 0), 0u) << utc;
}

TEST_F(PlatformInfoTest, LocaleTableAndPosixNames) {
  EXPECT_EQ(locale_from_language_id(0x0409), "uk");
  EXPECT_EQ(locale_from_language_id(0x0809), "us");
  EXPECT_EQ(locale_from_language_id(0x0407), "de");
  EXPECT_EQ(locale_from_language_id(0x0408), "gr");
  EXPECT_EQ(locale_from_language_id(0x0411), "jp");
  EXPECT_EQ(locale_from_language_id(0x0C1A), "sr");
  EXPECT_EQ(locale_from_language_id(0x1234), "us");
  EXPECT_EQ(locale_from_language_id(0), "us");

  EXPECT_EQ(language_id_from_posix("en_US.UTF-8"), 0x0409u);
  EXPECT_EQ(language_id_from_posix("en_GB"), 0x0809u);
  EXPECT_EQ(language_id_from_posix("de_AT.ISO-8859-1@euro"), 0x0C07u);
  EXPECT_EQ(language_id_from_posix("DE"), 0x0407u);
  EXPECT_EQ(language_id_from_posix("de_XX"), 0x0407u);  // unknown territory: the language
  EXPECT_EQ(language_id_from_posix("sr_RS.UTF-8@latin"), 0x081Au);
  EXPECT_EQ(language_id_from_posix("zh_TW.Big5"), 0x0404u);
  EXPECT_EQ(language_id_from_posix("pt_BR"), 0x0416u);
  EXPECT_EQ(language_id_from_posix("C"), 0u);
  EXPECT_EQ(language_id_from_posix("POSIX"), 0u);
  EXPECT_EQ(language_id_from_posix(""), 0u);
  EXPECT_EQ(language_id_from_posix("_@."), 0u);

  env_.set("LC_ALL", "de_DE.UTF-8");
  env_.set("LC_MESSAGES", "fr_FR.UTF-8");
  env_.set("LANG", "el_GR.UTF-8");
  EXPECT_EQ(platform_info("LOCALE"), "de");
  env_.set("LC_ALL", "");
  EXPECT_EQ(platform_info("locale"), "fr");
  env_.set("LC_MESSAGES", nullptr);
  EXPECT_EQ(platform_info("LOCALE"), "gr");
  env_.set("LANG", "ja_JP.UTF-8");
  EXPECT_EQ(platform_info("LOCALE"), "jp");
  env_.set("LANG", "C.UTF-8");
  EXPECT_EQ(platform_info("LOCALE"), "us");
  env_.set("LANG", nullptr);
  EXPECT_EQ(platform_info("LOCALE"), "us");
}

TEST_F(PlatformInfoTest, Dpi) {
  EXPECT_EQ(dpi_answer(72), 96);
  EXPECT_EQ(dpi_answer(0), 96);
  EXPECT_EQ(dpi_answer(std::nan("")), 96);
  EXPECT_EQ(dpi_answer(96), 96);
  EXPECT_EQ(dpi_answer(144.7), 145);  // rounded
  EXPECT_EQ(dpi_answer(1280 / (226 / 25.4)), 144) << "1280 pixels over 226 mm";
  EXPECT_EQ(dpi_answer(144.4), 144);
  EXPECT_GE(std::atoi(platform_info("DPI").c_str()), 96);
}

// A display of its own at 192 dots per inch: the answer is the display's.
TEST_F(PlatformInfoTest, DpiComesFromTheDisplay) {
  if (!test::windowed_platform()) GTEST_SKIP() << "the build has no window system";
  FILE* server = ::popen(
      "exec Xvfb -displayfd 1 -dpi 192 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & "
      "echo $!",
      "r");
  ASSERT_NE(server, nullptr);
  int pid = 0, display = -1;
  ASSERT_EQ(std::fscanf(server, "%d %d", &pid, &display), 2) << "Xvfb did not start";
  const test::ChildResult r = test::run_in_child([&] {
    ::setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
    platform::select_backend(false);
    std::printf("%s", platform_info("DPI").c_str());
  });
  ::kill(pid, SIGTERM);
  ::pclose(server);
  EXPECT_NEAR(std::atoi(r.out.c_str()), 192, 2) << r.out << r.err;
}

TEST_F(PlatformInfoTest, Battery) {
  const std::string root = path("power");
  EXPECT_EQ(battery_percent(root), 100);  // no such folder
  ::mkdir(root.c_str(), 0777);
  EXPECT_EQ(battery_percent(root), 100);  // no battery
  ::mkdir((root + "/AC").c_str(), 0777);
  write_file(root + "/AC/type", "Mains\n");
  write_file(root + "/AC/online", "1\n");
  EXPECT_EQ(battery_percent(root), 100);

  ::mkdir((root + "/BAT0").c_str(), 0777);
  write_file(root + "/BAT0/type", "Battery\n");
  write_file(root + "/BAT0/capacity", "57\n");
  EXPECT_EQ(battery_percent(root), 57);

  // A mouse battery is not the device's.
  ::mkdir((root + "/hidpp_battery_0").c_str(), 0777);
  write_file(root + "/hidpp_battery_0/type", "Battery\n");
  write_file(root + "/hidpp_battery_0/scope", "Device\n");
  write_file(root + "/hidpp_battery_0/capacity", "5\n");
  EXPECT_EQ(battery_percent(root), 57);

  // A second battery without a capacity file: energy levels.
  ::mkdir((root + "/BAT1").c_str(), 0777);
  write_file(root + "/BAT1/type", "Battery\n");
  write_file(root + "/BAT1/energy_now", "25000000\n");
  write_file(root + "/BAT1/energy_full", "50000000\n");
  EXPECT_EQ(battery_percent(root), 54);  // (57 + 50) / 2 rounded

  write_file(root + "/BAT1/present", "0\n");
  EXPECT_EQ(battery_percent(root), 57);
  write_file(root + "/BAT0/capacity", "150\n");
  EXPECT_EQ(battery_percent(root), 100);
  write_file(root + "/BAT0/capacity", "garbage\n");
  EXPECT_EQ(battery_percent(root), 100);  // a level nobody can tell

  platform_sources().power_supply_root = root;
  write_file(root + "/BAT0/capacity", "33");
  EXPECT_EQ(platform_info("battery"), "33");
}

TEST_F(PlatformInfoTest, FoldersFollowTheXdgSettings) {
  EXPECT_EQ(platform_info("TEMP"), RtString((dir_ + "/").c_str()));

  const RtString appdata = platform_info("APPDATA");
  EXPECT_EQ(appdata, RtString(path("data/Zorvane").c_str()));
  struct stat st;
  ASSERT_EQ(::stat(path("data/Zorvane").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  env_.set("XDG_DATA_HOME", "relative/is/ignored");
  EXPECT_EQ(platform_info("appdata"), RtString(path("home/.local/share/Zorvane").c_str()));

  // Documents: the home folder without any user-dirs file or Documents folder.
  EXPECT_EQ(platform_info("DOCUMENTS"), RtString(path("home").c_str()));
  ::mkdir(path("home/Documents").c_str(), 0700);
  EXPECT_EQ(platform_info("DOCUMENTS"), RtString(path("home/Documents").c_str()));
  ::mkdir(path("config").c_str(), 0700);
  write_file(path("config/user-dirs.dirs"),
             "# written by xdg-user-dirs-update\n"
             "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
             "XDG_DOCUMENTS_DIR=\"$HOME/Papiere/\"\n");
  EXPECT_EQ(platform_info("DOCUMENTS"), RtString(path("home/Papiere").c_str()));

  env_.set("HOME", nullptr);
  env_.set("XDG_CONFIG_HOME", nullptr);
  env_.set("XDG_DATA_HOME", nullptr);
  // The password database still knows a home folder.
  EXPECT_NE(platform_info("DOCUMENTS"), "NO_DATA");
}

TEST_F(PlatformInfoTest, SaveFolderIsTheGamesOwnUnderTheDataFolder) {
  const RtString saved_name = ctx.app_name;
  ctx.app_name = "Duck Hunt";
  EXPECT_FALSE(test::exists(path("data/Duck Hunt")));
  EXPECT_EQ(save_folder(), RtString(path("data/Duck Hunt/").c_str()));
  EXPECT_TRUE(test::exists(path("data/Duck Hunt")));  // made on first use

  // An INI file given that folder is written there and read back.
  ini_open(save_folder() + "scores.ini");
  ini_put("best", "score", "120");
  ini_open("");
  EXPECT_EQ(read_file(path("data/Duck Hunt/scores.ini")), "[best]\r\nscore=120\r\n");
  ini_open(save_folder() + "scores.ini");
  EXPECT_EQ(ini_get("best", "score", "0"), "120");

  // Separators and dot names stay inside the data folder.
  ctx.app_name = "../up/a:b.";
  EXPECT_EQ(save_folder(), RtString(path("data/.._up_a_b_/").c_str()));
  ctx.app_name = "..";
  EXPECT_EQ(save_folder(), RtString(path("data/__/").c_str()));
  ctx.app_name = "";
  EXPECT_EQ(save_folder(), RtString(path("data/game/").c_str()));

  // Without a usable XDG_DATA_HOME: ~/.local/share.
  ctx.app_name = "Duck Hunt";
  env_.set("XDG_DATA_HOME", "relative");
  EXPECT_EQ(save_folder(), RtString(path("home/.local/share/Duck Hunt/").c_str()));
  env_.set("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(save_folder(), RtString(path("home/.local/share/Duck Hunt/").c_str()));
  EXPECT_TRUE(test::exists(path("home/.local/share/Duck Hunt")));
  ctx.app_name = saved_name;
}

TEST(XdgUserDirsTest, Parsing) {
  std::string folder;
  const std::string home = "/home/ann";
  auto parse = [&](const std::string& text) {
    folder = "untouched";
    return xdg_user_dir_parse(text.data(), text.size(), "XDG_DOCUMENTS_DIR", home, &folder);
  };
  EXPECT_TRUE(parse("XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"));
  EXPECT_EQ(folder, "/home/ann/Documents");
  EXPECT_TRUE(parse("  XDG_DOCUMENTS_DIR = \"/srv/docs\""));
  EXPECT_EQ(folder, "/srv/docs");
  EXPECT_TRUE(parse("XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\\\"\n"));
  EXPECT_EQ(folder, "/home/ann/My \"Docs\\");
  EXPECT_TRUE(parse("XDG_DOCUMENTS_DIR=\"$HOME\""));
  EXPECT_EQ(folder, "/home/ann");
  EXPECT_TRUE(parse("XDG_DOCUMENTS_DIR=\"/a\"\nXDG_DOCUMENTS_DIR=\"/b\"\n"));
  EXPECT_EQ(folder, "/b");  // the last one counts
  EXPECT_FALSE(parse("#XDG_DOCUMENTS_DIR=\"/a\"\n"));
  EXPECT_FALSE(parse("XDG_DOCUMENTS_DIR=\"relative\"\n"));
  EXPECT_FALSE(parse("XDG_DOCUMENTS_DIR=\"$HOMEX/a\"\n"));
  EXPECT_FALSE(parse("XDG_DOCUMENTS_DIR=/unquoted\n"));
  EXPECT_FALSE(parse("XDG_DOCUMENTS_DIRS=\"/a\"\n"));
  EXPECT_FALSE(parse(""));
  EXPECT_FALSE(parse(std::string("XDG_DOCUMENTS_DIR=\"/a\0b\"", 24)));
  EXPECT_EQ(folder, "untouched");
}

TEST_F(PlatformInfoTest, IdFromTheMachineIdIsDerivedNotCopied) {
  const std::string machine_id = "4f2a9c1e8b7d6a5f0e1d2c3b4a596877";
  write_file(path("machine-id"), machine_id + "\n");
  platform_sources().machine_id_files[0] = path("machine-id");
  platform_sources().machine_id_files[1] = path("absent");

  const RtString id = platform_info("ID");
  ASSERT_EQ(id.length, 8u);
  EXPECT_TRUE(std::regex_match(std::string(id.c_str()), std::regex("[0-9A-F]{8}")));
  EXPECT_EQ(platform_info("id"), id);  // stable
  std::string upper_id = machine_id;
  for (char& c : upper_id) c = static_cast<char>(std::toupper(c));
  EXPECT_EQ(upper_id.find(id.c_str()), std::string::npos);
  EXPECT_EQ(machine_id.find(id.c_str()), std::string::npos);
  EXPECT_FALSE(test::exists(path("data/Zorvane/zorvane.deviceid")));

  // The same derivation computed independently.
  const std::string key_hex = hex(kDeviceIdAppKey, sizeof kDeviceIdAppKey);
  char script[1024];
  std::snprintf(script, sizeof script,
                "%s -c \"import hmac,hashlib,struct;"
                "m=hmac.new(bytes.fromhex('%s'),bytes.fromhex('%s'),hashlib.sha256).digest();"
                "v=struct.unpack('<I',m[:4])[0]^%u;print(struct.pack('<I',v).hex().upper())\"",
                test::python_command().c_str(), machine_id.c_str(), key_hex.c_str(), kDeviceIdMask);
  EXPECT_EQ(shell_output(script), id.c_str());

  // Another machine gives another identifier.
  write_file(path("machine-id"), "00000000000000000000000000000001");
  EXPECT_NE(platform_info("ID"), id);
}

TEST_F(PlatformInfoTest, MachineIdParsing) {
  uint8_t id[16];
  EXPECT_TRUE(machine_id_parse("0123456789abcdefABCDEF0123456789\n", 33, id));
  EXPECT_EQ(id[0], 0x01);
  EXPECT_EQ(id[7], 0xEF);
  EXPECT_FALSE(machine_id_parse("uninitialized\n", 14, id));
  EXPECT_FALSE(machine_id_parse("00000000000000000000000000000000", 32, id));
  EXPECT_FALSE(machine_id_parse("0123456789abcdef0123456789abcde", 31, id));
  EXPECT_FALSE(machine_id_parse("0123456789abcdef0123456789abcdeg", 32, id));
  EXPECT_FALSE(machine_id_parse("", 0, id));
  EXPECT_EQ(device_id_text(kDeviceIdMask ^ 0x12345678u), "78563412");
}

TEST_F(PlatformInfoTest, IdFallsBackToTheIdentifierFile) {
  platform_sources().machine_id_files[0] = path("absent1");
  platform_sources().machine_id_files[1] = path("absent2");
  const RtString first = platform_info("ID");
  EXPECT_TRUE(std::regex_match(std::string(first.c_str()), std::regex("[0-9A-F]{32}")))
      << first.c_str();
  const std::string file = path("data/Zorvane/zorvane.deviceid");
  EXPECT_EQ(read_file(file), first.c_str());
  EXPECT_EQ(platform_info("ID"), first);  // the stored one

  write_file(file, " \t\r\nMY-DEVICE-7\r\n\f\v ");
  EXPECT_EQ(platform_info("ID"), "MY-DEVICE-7");

  write_file(file, " \n\t ");  // nothing in it: a new one
  const RtString fresh = platform_info("ID");
  EXPECT_EQ(fresh.length, 32u);
  EXPECT_EQ(read_file(file), fresh.c_str());

  // No folder to keep it in.
  EXPECT_EQ(device_id_answer(path("no/such/folder")), "FA17ED");
  EXPECT_EQ(device_id_answer(""), "FA17ED");
}

TEST_F(PlatformInfoTest, GlExtensionWithoutAContext) {
  // The log is made once per process: this one's own is looked at.
  const auto r = test::run_in_child([] {
    std::printf("%s %s ", platform_info("GLEXT:glGenFramebuffersEXT").c_str(),
                platform_info("glext:").c_str());
    std::printf("%s", log_path().c_str());
    std::exit(0);
  });
  ASSERT_EQ(r.out.rfind("0 0 ", 0), 0u) << r.out;
  const std::string log = read_file(r.out.substr(4));
  // The name keeps the case the caller wrote, padded to 35 characters.
  const std::string line = "ext: glGenFramebuffersEXT" + std::string(15, ' ') + "   [FAILED]";
  EXPECT_NE(log.find(line), std::string::npos) << log;
}

}  // namespace
}  // namespace zrv

#endif  // _WIN32
