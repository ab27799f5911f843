// Path conventions, memory-file names and the small file-system routines.
#include "files/paths.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "base/context.hpp"
#include "files/rt_file.hpp"
#include "files_test_util.hpp"

namespace zrv {
namespace {

using test::ScratchDir;

using test::CwdGuard;

std::string real(const std::string& path) { return test::real_path(path); }

TEST(MemoryFileName, FormatMatchesTheFixedLayout) {
  char name[kMemNameSize];
  memfile_format(name, reinterpret_cast<const void*>(uintptr_t{0x1000}), 1234);
  EXPECT_STREQ(name, "mem://     4d2.    1000");
  // Above 4 GiB, where 64-bit Windows places a program's own data.
  memfile_format(name, reinterpret_cast<const void*>(uintptr_t{0x123456789a}), 1234);
  EXPECT_STREQ(name, "mem://     4d2.123456789a");
  EXPECT_TRUE(memfile_is_name(name));
  EXPECT_FALSE(memfile_is_name("MEM://     4d2.    1000"));
  EXPECT_FALSE(memfile_is_name("mem:/"));
}

TEST(MemoryFileName, CarriesTheFullAddressAndOpensOnlyWhileRegistered) {
  auto block = std::make_unique<uint8_t[]>(64);
  for (int i = 0; i < 64; ++i) block[i] = static_cast<uint8_t>(i);
  RtString name = memfile_name(block.get(), 64);
  char hex[32];
  std::snprintf(hex, sizeof hex, "%llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(block.get())));
  EXPECT_NE(std::strstr(name.c_str(), hex), nullptr) << name.c_str();

  const uint8_t* data = nullptr;
  int64_t length = 0;
  ASSERT_TRUE(memfile_lookup(name.c_str(), &data, &length));
  EXPECT_EQ(data, block.get());
  EXPECT_EQ(length, 64);
  EXPECT_EQ(file_exists(name.c_str()), 1);

  // A range inside the block is fine; one reaching past it is not.
  char inner[kMemNameSize];
  memfile_format(inner, block.get() + 16, 48);
  EXPECT_TRUE(memfile_lookup(inner, &data, &length));
  RtFile f;
  ASSERT_TRUE(f.open_read(inner));
  uint8_t first = 0;
  ASSERT_TRUE(f.read(&first, 1));
  EXPECT_EQ(first, 16);
  char outer[kMemNameSize];
  memfile_format(outer, block.get() + 16, 49);
  EXPECT_FALSE(memfile_lookup(outer, &data, &length));
  EXPECT_FALSE(f.open_read(outer));
  EXPECT_EQ(file_exists(outer), 1);  // a memory-file name exists unchecked

  memfile_unregister(block.get());
  EXPECT_FALSE(memfile_lookup(name.c_str(), &data, &length));
  EXPECT_FALSE(f.open_read(name.c_str()));
  EXPECT_EQ(file_exists(name.c_str()), 1);
  EXPECT_EQ(file_exists("mem://anything"), 1);
}

TEST(MemoryFileName, MalformedNamesNeverOpen) {
  auto block = std::make_unique<uint8_t[]>(16);
  RtString name = memfile_name(block.get(), 16);
  std::string good = name.c_str();
  const uint8_t* data = nullptr;
  int64_t length = 0;
  for (std::string bad : {good.substr(0, 14), good.substr(0, 15), good + "0", good + " ",
                          std::string("mem://").append(good.substr(7)),  // field shifted
                          std::string("mem://      1x.") + good.substr(15),
                          std::string("mem://       0.        0")}) {
    EXPECT_FALSE(memfile_lookup(bad.c_str(), &data, &length)) << "'" << bad << "'";
  }
  std::string dotless = good;
  dotless[14] = ',';
  EXPECT_FALSE(memfile_lookup(dotless.c_str(), &data, &length));
  memfile_unregister(block.get());
}

TEST(Paths, FileNamePartAndPlatformNames) {
  EXPECT_STREQ(path_file_part("Media/duck.png"), "duck.png");
  EXPECT_STREQ(path_file_part("C:\\game\\Media\\Duck.PNG"), "Duck.PNG");
  EXPECT_STREQ(path_file_part("a/b\\c/d.wav"), "d.wav");
  EXPECT_STREQ(path_file_part("plain"), "plain");
  EXPECT_STREQ(path_file_part("folder/"), "");
  // The folder part: a root keeps its separator, so that it still names
  // the root and not a drive's current folder.
  EXPECT_EQ(path_folder_part("/opt/game/reedfire"), "/opt/game");
  EXPECT_EQ(path_folder_part("/reedfire"), "/");
  EXPECT_EQ(path_folder_part("C:/reedfire.exe"), "C:/");
  EXPECT_EQ(path_folder_part("C:\\Games\\reedfire.exe"), "C:\\Games");
  EXPECT_EQ(path_folder_part("reedfire"), ".");
  char out[kPathBufferSize];
  EXPECT_TRUE(path_to_platform(std::string(1023, 'x').c_str(), out));
  EXPECT_EQ(std::strlen(out), 1023u);
  EXPECT_FALSE(path_to_platform(std::string(1024, 'x').c_str(), out));
  EXPECT_STREQ(out, "");
}

TEST(Paths, TempFolderEndsInOneSlash) {
  ScratchDir dir;
  {
    test::TmpdirOverride tmp(dir.path() + "/");
    EXPECT_EQ(std::string(temp_folder().c_str()), dir.path() + "/");
  }
  test::TmpdirOverride tmp(dir.path());
  EXPECT_EQ(std::string(temp_folder().c_str()), dir.path() + "/");
}

TEST(Paths, FileExists) {
  ScratchDir dir;
  test::write_file(dir.file("a.txt"), std::string("x"));
  EXPECT_EQ(file_exists(dir.file("a.txt").c_str()), 1);
  EXPECT_EQ(file_exists(dir.file("b.txt").c_str()), 0);
  EXPECT_EQ(file_exists(dir.path().c_str()), 0);
  EXPECT_EQ(file_exists(""), 0);
  EXPECT_EQ(file_exists(std::string(2000, 'y').c_str()), 0);

  RtString name(dir.file("a.txt-").c_str());
  EXPECT_EQ(file_exists(name), 0);
  name.data[name.length - 1] = 0;  // "a.txt" and a zero byte: not that file
  EXPECT_EQ(file_exists(name), 0);
  EXPECT_EQ(file_exists(RtString(dir.file("a.txt").c_str())), 1);
}

TEST(Paths, DeleteFilesAndDirectories) {
  ScratchDir dir;
  EXPECT_EQ(path_delete(dir.file("nothing").c_str()), -1);
  test::write_file(dir.file("f"), std::string("x"));
  EXPECT_EQ(path_delete(dir.file("f").c_str()), 1);
  EXPECT_FALSE(test::exists_on_disk(dir.file("f")));

  ASSERT_TRUE(std::filesystem::create_directory(dir.file("empty")));
  EXPECT_EQ(path_delete(dir.file("empty").c_str()), 1);
  EXPECT_FALSE(test::exists_on_disk(dir.file("empty")));

  // A directory with something in it stays, and says so.
  ASSERT_TRUE(std::filesystem::create_directory(dir.file("full")));
  test::write_file(dir.file("full/inside"), std::string("x"));
  EXPECT_EQ(path_delete(dir.file("full").c_str()), 0);
  EXPECT_TRUE(test::exists_on_disk(dir.file("full/inside")));

#ifndef _WIN32
  // A symbolic link is removed, not what it points to.
  std::filesystem::create_directory_symlink(dir.file("full"), dir.file("link"));
  EXPECT_EQ(path_delete(dir.file("link").c_str()), 1);
  EXPECT_TRUE(test::exists_on_disk(dir.file("full/inside")));
#endif
}

TEST(Paths, DeletingTheCurrentDirectoryStepsOutFirst) {
  CwdGuard guard;
  ScratchDir dir;
  const std::string inner = dir.file("here");
  ASSERT_TRUE(std::filesystem::create_directory(inner));
  ASSERT_TRUE(test::change_folder(inner));
  EXPECT_EQ(path_delete(inner.c_str()), 1);
  EXPECT_FALSE(test::exists_on_disk(inner));
  EXPECT_EQ(std::string(dir_get_current().c_str()), real(dir.path()) + "/");
}

TEST(Paths, CurrentDirectory) {
  CwdGuard guard;
  ScratchDir dir;
  ctx.last_error = 0;
  EXPECT_EQ(dir_set_current(dir.path().c_str()), 1.0);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(std::string(dir_get_current().c_str()), real(dir.path()) + "/");
  EXPECT_EQ(dir_set_current(dir.file("missing").c_str()), 0.0);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(std::string(dir_get_current().c_str()), real(dir.path()) + "/");
  EXPECT_EQ(dir_set_current("/"), 1.0);
  EXPECT_EQ(ctx.last_error, 0);
#ifdef _WIN32
  // The root of a drive ("C:/").
  const std::string root = dir_get_current().c_str();
  EXPECT_TRUE(root.size() == 3 && root[1] == ':' && root[2] == '/') << root;
#else
  EXPECT_STREQ(dir_get_current().c_str(), "/");
#endif
}

}  // namespace
}  // namespace zrv
