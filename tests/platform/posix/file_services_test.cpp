// The file, folder, environment, calendar and memory services of the POSIX
// platform: what the callers in files/, gfx/, base/ and path/ rely on, the
// system's error number on failure included.
#include <gtest/gtest.h>
#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files_test_util.hpp"
#include "platform/environment.hpp"
#include "platform/files.hpp"
#include "platform/folders.hpp"
#include "platform/memory.hpp"
#include "platform/platform.hpp"
#include "platform/time_of_day.hpp"

namespace {

namespace fs = std::filesystem;
namespace platform = zrv::platform;
using zrv::test::ScratchDir;

TEST(PlatformFiles, WrittenBytesReadBackWithSizeAndPosition) {
  ScratchDir dir;
  const std::string name = dir.file("data.bin");
  const int fd = platform::file_open_create(name.c_str());
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(platform::file_write(fd, "abcdefgh", 8));
  platform::FileStatus st;
  ASSERT_TRUE(platform::file_status_open(fd, &st));
  EXPECT_TRUE(st.is_regular);
  EXPECT_FALSE(st.is_folder);
  EXPECT_EQ(st.size, 8);
  EXPECT_EQ(st.links, 1u);
  EXPECT_EQ(platform::file_seek(fd, 2, platform::SeekFrom::Start), 2);
  char got[16] = {};
  EXPECT_EQ(platform::file_read(fd, got, 16), 6);  // the end cuts the read short
  EXPECT_STREQ(got, "cdefgh");
  EXPECT_EQ(platform::file_seek(fd, 0, platform::SeekFrom::End), 8);
  EXPECT_EQ(platform::file_read(fd, got, 4), 0);
  EXPECT_TRUE(platform::file_close(fd));
}

TEST(PlatformFiles, CreateEmptiesAndWriteKeepsTheContent) {
  ScratchDir dir;
  const std::string name = dir.file("kept.txt");
  zrv::test::write_file(name, "0123456789");
  int fd = platform::file_open_write(name.c_str());
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(platform::file_write(fd, "ab", 2));  // at the start, over the old bytes
  platform::file_close(fd);
  EXPECT_EQ(zrv::test::read_file(name), "ab23456789");
  fd = platform::file_open_create(name.c_str());
  ASSERT_GE(fd, 0);
  platform::file_close(fd);
  EXPECT_EQ(zrv::test::read_file(name), "");
}

TEST(PlatformFiles, FailuresLeaveTheSystemsErrorNumber) {
  ScratchDir dir;
  const std::string missing = dir.file("none/x");
  platform::FileStatus st;
  errno = 0;
  EXPECT_FALSE(platform::file_status(missing.c_str(), &st));
  EXPECT_EQ(errno, ENOENT);
  errno = 0;
  EXPECT_LT(platform::file_open_read(missing.c_str()), 0);
  EXPECT_EQ(errno, ENOENT);
  errno = 0;
  EXPECT_FALSE(platform::folder_make(dir.path().c_str(), 0700));
  EXPECT_EQ(errno, EEXIST);
  zrv::test::write_file(dir.file("full"), "x");
  errno = 0;
  EXPECT_FALSE(platform::folder_remove(dir.path().c_str()));
  EXPECT_EQ(errno, ENOTEMPTY);
  errno = 0;
  EXPECT_FALSE(platform::file_write(-1, "x", 1));
  EXPECT_EQ(errno, EBADF);
}

TEST(PlatformFiles, LinkStatusSeesTheLinkAndFileStatusItsTarget) {
  ScratchDir dir;
  fs::create_directory(dir.file("folder"));
  fs::create_directory_symlink(dir.file("folder"), dir.file("link"));
  platform::FileStatus through, itself;
  ASSERT_TRUE(platform::file_status(dir.file("link").c_str(), &through));
  ASSERT_TRUE(platform::link_status(dir.file("link").c_str(), &itself));
  EXPECT_TRUE(through.is_folder);
  EXPECT_FALSE(through.is_link);
  EXPECT_TRUE(itself.is_link);
  EXPECT_FALSE(itself.is_folder);
  platform::FileStatus folder;
  ASSERT_TRUE(platform::file_status(dir.file("folder").c_str(), &folder));
  EXPECT_EQ(folder.device, through.device);
  EXPECT_EQ(folder.inode, through.inode);
  EXPECT_NE(folder.inode, itself.inode);
}

TEST(PlatformFiles, StatusGivesModeAndModificationTime) {
  ScratchDir dir;
  const std::string name = dir.file("stamped");
  zrv::test::write_file(name, "x");
  ASSERT_TRUE(platform::permissions_set(name.c_str(), 0640));
  const std::chrono::sys_time<std::chrono::nanoseconds> when{std::chrono::seconds(1000000000) +
                                                             std::chrono::nanoseconds(123456789)};
  fs::last_write_time(name, std::chrono::file_clock::from_sys(when));
  platform::FileStatus st;
  ASSERT_TRUE(platform::file_status(name.c_str(), &st));
  EXPECT_EQ(st.mode, 0640u);
  EXPECT_EQ(st.modified_seconds, 1000000000);
  EXPECT_EQ(st.modified_nanoseconds, 123456789);
  // The change of the time is itself a change of the record, made now.
  EXPECT_GT(st.changed_seconds, st.modified_seconds);
}

TEST(PlatformFiles, RemovedOpenFileHasNoLinks) {
  ScratchDir dir;
  const std::string name = dir.file("gone");
  const int fd = platform::file_open_create(name.c_str());
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(platform::file_remove(name.c_str()));
  platform::FileStatus st;
  ASSERT_TRUE(platform::file_status_open(fd, &st));
  EXPECT_EQ(st.links, 0u);
  platform::file_close(fd);
}

TEST(PlatformFolders, ListingMarksFoldersAndLinksToThem) {
  ScratchDir dir;
  fs::create_directory(dir.file("sub"));
  zrv::test::write_file(dir.file("plain.txt"), "x");
  fs::create_directory_symlink(dir.file("sub"), dir.file("to_sub"));
  fs::create_symlink(dir.file("plain.txt"), dir.file("to_plain"));
  fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));
  std::vector<platform::FolderEntry> entries;
  ASSERT_TRUE(platform::folder_list(dir.path().c_str(), &entries));
  std::vector<std::string> folders, files;
  for (const platform::FolderEntry& e : entries) (e.is_folder ? folders : files).push_back(e.name);
  std::sort(folders.begin(), folders.end());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(folders, (std::vector<std::string>{".", "..", "sub", "to_sub"}));
  EXPECT_EQ(files, (std::vector<std::string>{"dangling", "plain.txt", "to_plain"}));
  EXPECT_FALSE(platform::folder_list(dir.file("nowhere").c_str(), &entries));
  EXPECT_TRUE(entries.empty());
}

TEST(PlatformFolders, MakeOpenResolveAndRemove) {
  ScratchDir dir;
  const std::string folder = dir.file("made");
  ASSERT_TRUE(platform::folder_make(folder.c_str(), 0700));
  platform::FileStatus st;
  ASSERT_TRUE(platform::file_status(folder.c_str(), &st));
  EXPECT_TRUE(st.is_folder);
  EXPECT_EQ(st.mode & 0700u, 0700u);
  EXPECT_TRUE(platform::folder_opens(folder.c_str()));
  zrv::test::write_file(dir.file("file"), "x");
  EXPECT_FALSE(platform::folder_opens(dir.file("file").c_str()));

  std::string resolved;
  ASSERT_TRUE(platform::real_path((folder + "/../made/.").c_str(), &resolved));
  EXPECT_EQ(resolved, fs::canonical(folder).string());
  EXPECT_FALSE(platform::real_path(dir.file("none/..").c_str(), &resolved));

  EXPECT_TRUE(platform::folder_remove(folder.c_str()));
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(platform::file_remove(dir.file("file").c_str()));
  EXPECT_FALSE(fs::exists(dir.file("file")));
}

TEST(PlatformEnvironment, SetListAndUnset) {
  const char* name = "ZRV_PLATFORM_ENV_TEST";
  ASSERT_TRUE(platform::environment_set(name, "one=two"));
  EXPECT_STREQ(std::getenv(name), "one=two");
  std::vector<std::string> all = platform::environment_entries();
  EXPECT_NE(std::find(all.begin(), all.end(), "ZRV_PLATFORM_ENV_TEST=one=two"), all.end());
  ASSERT_TRUE(platform::environment_unset(name));
  EXPECT_EQ(std::getenv(name), nullptr);
  all = platform::environment_entries();
  for (const std::string& entry : all) EXPECT_NE(entry.rfind("ZRV_PLATFORM_ENV_TEST=", 0), 0u);
}

TEST(PlatformEnvironment, RecordedHomeIsTheUserDatabases) {
  const passwd* pw = ::getpwuid(::getuid());
  const std::string expected = pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : "";
  EXPECT_EQ(platform::user_home_recorded(), expected);
}

TEST(PlatformTimeOfDay, UtcBreakdownOfKnownMoments) {
  std::tm t{};
  ASSERT_TRUE(platform::utc_time(0, &t));
  EXPECT_EQ(t.tm_year, 70);
  EXPECT_EQ(t.tm_mon, 0);
  EXPECT_EQ(t.tm_mday, 1);
  EXPECT_EQ(t.tm_hour, 0);
  ASSERT_TRUE(platform::utc_time(951782400 + 3 * 3600 + 25 * 60 + 7, &t));  // 2000-02-29
  EXPECT_EQ(t.tm_year, 100);
  EXPECT_EQ(t.tm_mon, 1);
  EXPECT_EQ(t.tm_mday, 29);
  EXPECT_EQ(t.tm_hour, 3);
  EXPECT_EQ(t.tm_min, 25);
  EXPECT_EQ(t.tm_sec, 7);
}

TEST(PlatformTimeOfDay, LocalTimeFollowsTheZone) {
  const char* old = std::getenv("TZ");
  const std::string kept = old != nullptr ? old : "";
  platform::environment_set("TZ", "UTC+05");  // five hours behind UTC
  tzset();
  std::tm t{};
  ASSERT_TRUE(platform::local_time(0, &t));
  EXPECT_EQ(t.tm_year, 69);
  EXPECT_EQ(t.tm_mday, 31);
  EXPECT_EQ(t.tm_hour, 19);
  if (old != nullptr) {
    platform::environment_set("TZ", kept.c_str());
  } else {
    platform::environment_unset("TZ");
  }
  tzset();
}

TEST(PlatformMemory, MappedBlockIsZeroedAndWritable) {
  const size_t bytes = size_t{8} << 20;
  auto* block = static_cast<unsigned char*>(platform::memory_map_zeroed(bytes));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(block[bytes / 2], 0);
  EXPECT_EQ(block[bytes - 1], 0);
  std::memset(block, 0x5a, bytes);
  EXPECT_EQ(block[bytes - 1], 0x5a);
  platform::memory_unmap(block, bytes);
  platform::memory_unmap(nullptr, bytes);  // nothing to give back
}

}  // namespace
