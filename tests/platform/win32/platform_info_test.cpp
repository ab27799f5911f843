// platform_info on Windows answers from Windows' own sources, whatever the
// Linux sources (HOME, the XDG variables, LANG) say.
#ifdef _WIN32
#include "files/platform_info.hpp"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/context.hpp"
#include "files_test_util.hpp"

namespace {

std::string answer(const char* key) { return zrv::platform_info(zrv::RtString(key)).c_str(); }

std::string shell_folder(int csidl) {
  wchar_t path[MAX_PATH];
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
  return std::filesystem::path(path).generic_string();
}

class WindowsPlatformInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    // What Linux would read; Windows must not.
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
      zrv::test::env_set(name, scratch_.path().c_str());
    zrv::test::env_set("LANG", "de_DE.UTF-8");
  }
  void TearDown() override {
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "LANG"})
      zrv::test::env_set(name, nullptr);
  }
  zrv::test::ScratchDir scratch_;
};

TEST_F(WindowsPlatformInfo, NameAndFoldersAreWindows) {
  EXPECT_EQ(answer(""), "WIN32");
  const std::string documents = shell_folder(CSIDL_PERSONAL);
  ASSERT_FALSE(documents.empty());
  EXPECT_EQ(answer("DOCUMENTS"), documents);
  const std::string appdata = shell_folder(CSIDL_LOCAL_APPDATA) + "/Zorvane";
  EXPECT_EQ(answer("appdata"), appdata);
  EXPECT_TRUE(std::filesystem::is_directory(appdata));
  EXPECT_TRUE(std::filesystem::is_empty(scratch_.path())) << "nothing is made where HOME points";
}

TEST_F(WindowsPlatformInfo, TheSaveFolderIsTheGamesOwnUnderTheLocalDataFolder) {
  const zrv::RtString saved_name = zrv::ctx.app_name;
  zrv::ctx.app_name = "zrv save: test";  // a colon is no part of a Windows name
  const std::string folder = zrv::save_folder().c_str();
  zrv::ctx.app_name = saved_name;
  EXPECT_EQ(folder, shell_folder(CSIDL_LOCAL_APPDATA) + "/zrv save_ test/");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  std::filesystem::remove(folder);
  EXPECT_TRUE(std::filesystem::is_empty(scratch_.path()));
}

TEST_F(WindowsPlatformInfo, IdentifierIsTheVolumeSerialMasked) {
  DWORD serial = 0;
  ASSERT_TRUE(::GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
  if (serial == 0) GTEST_SKIP() << "volume C: has no serial number";
  const uint32_t masked = static_cast<uint32_t>(serial) ^ zrv::kDeviceIdMask;
  char expected[9];
  std::snprintf(expected, sizeof expected, "%02X%02X%02X%02X", masked & 0xFF, (masked >> 8) & 0xFF,
                (masked >> 16) & 0xFF, masked >> 24);
  EXPECT_EQ(answer("ID"), expected);
  EXPECT_EQ(answer("id"), expected);
}

TEST_F(WindowsPlatformInfo, LanguageAndBatteryAreWindows) {
  const LANGID ui = ::GetUserDefaultUILanguage();
  EXPECT_EQ(answer("LOCALE"), zrv::locale_from_language_id(ui).c_str());
  SYSTEM_POWER_STATUS power{};
  ASSERT_TRUE(::GetSystemPowerStatus(&power));
  const int expected = power.BatteryLifePercent > 100 ? 100 : power.BatteryLifePercent;
  EXPECT_EQ(answer("BATTERY"), std::to_string(expected));
}

}  // namespace
#endif  // _WIN32
