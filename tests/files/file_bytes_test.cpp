// Reading a name into bytes: files on disk, memory files and archive
// entries, whose block stays readable while the bytes are held.
#include "files/file_bytes.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "files/archive.hpp"
#include "files/paths.hpp"
#include "files_test_util.hpp"

namespace zrv {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(const FileBytes& file) { return Bytes(file.bytes.begin(), file.bytes.end()); }

TEST(FileBytes, ReadsAFileOnDiskWhole) {
  test::ScratchDir dir;
  const Bytes content = {'B', 'M', 0, 1, 2, 255};
  test::write_file(dir.file("a.bmp"), content);
  FileBytes file;
  ASSERT_TRUE(file_read_bytes(dir.file("a.bmp").c_str(), &file));
  EXPECT_EQ(bytes_of(file), content);
  test::write_file(dir.file("empty"), Bytes{});
  ASSERT_TRUE(file_read_bytes(dir.file("empty").c_str(), &file));
  EXPECT_TRUE(file.bytes.empty());
  EXPECT_FALSE(file_read_bytes(dir.file("missing").c_str(), &file));
  EXPECT_EQ(file.block, nullptr);
  EXPECT_FALSE(file_read_bytes(dir.path().c_str(), &file)) << "a directory";
  EXPECT_FALSE(file_read_bytes("", &file));
}

TEST(FileBytes, AMemoryFileIsHeldNotCopied) {
  Bytes block = {1, 2, 3, 4, 5};
  RtString name = memfile_name(block.data() + 1, 3);
  FileBytes file;
  ASSERT_TRUE(file_read_bytes(name.c_str(), &file));
  EXPECT_EQ(file.bytes.data(), block.data() + 1);
  EXPECT_EQ(file.bytes.size(), 3u);
  memfile_unregister(block.data() + 1);
  EXPECT_FALSE(file_read_bytes(name.c_str(), &file));
}

TEST(FileBytes, AnArchiveEntryOutlivesTheNextResolution) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir.file("tmp"));
  test::TmpdirOverride tmp(dir.file("tmp"));
  Bytes program = {'p', 'r', 'o', 'g'};
  Bytes archive;
  std::string error;
  ASSERT_TRUE(
      archive_build({{"duck.png", Bytes(300, 7)}, {"shot.wav", Bytes(20, 9)}}, archive, &error))
      << error;
  program.insert(program.end(), archive.begin(), archive.end());
  test::write_file(dir.file("game"), program);
  archive_holders_create();
  archive_set(dir.file("game").c_str(), "");

  RtString duck("Media/duck.png");
  ASSERT_TRUE(path_resolve(duck));
  FileBytes held;
  ASSERT_TRUE(file_read_bytes(duck.c_str(), &held));
  RtString shot("shot.wav");
  ASSERT_TRUE(path_resolve(shot));
  FileBytes file;
  EXPECT_FALSE(file_read_bytes(duck.c_str(), &file)) << "the name no longer opens";
  EXPECT_EQ(bytes_of(held), Bytes(300, 7)) << "but the bytes read stay";
  ASSERT_TRUE(file_read_bytes(shot.c_str(), &file));
  EXPECT_EQ(bytes_of(file), Bytes(20, 9));
  archive_holders_destroy();
}

}  // namespace
}  // namespace zrv
