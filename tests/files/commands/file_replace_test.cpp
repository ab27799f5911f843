// Whole-file replacement through a temporary file.
#include "files/file_replace.hpp"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>

#include "filesys_util.hpp"

namespace zrv {
namespace {

using test::read_file;
using test::write_file;

class FileReplaceTest : public test::FilesysTest {};

TEST_F(FileReplaceTest, TargetChangesOnlyOnCommit) {
  write_file(path("t.txt"), "old");
  FileReplacer out;
  ASSERT_TRUE(out.begin("t.txt"));
  const std::string temp = out.temp_name();
  EXPECT_EQ(temp.find(dir_ + "/.zrv"), 0u);  // beside the target, hidden
  EXPECT_TRUE(out.write("new ", 4));
  EXPECT_TRUE(out.write("text", 4));
  EXPECT_EQ(read_file(path("t.txt")), "old");
  EXPECT_TRUE(out.commit());
  EXPECT_EQ(read_file(path("t.txt")), "new text");
  EXPECT_FALSE(test::exists(temp));
  EXPECT_EQ(test::folder_names(dir_), std::vector<std::string>{"t.txt"});
}

TEST_F(FileReplaceTest, AbortLeavesEverythingAsItWas) {
  write_file(path("t.txt"), "old");
  {
    FileReplacer out;
    ASSERT_TRUE(out.begin(path("t.txt").c_str()));
    EXPECT_TRUE(out.write("partial", 7));
    // Dropped without a commit.
  }
  EXPECT_EQ(read_file(path("t.txt")), "old");
  EXPECT_EQ(test::folder_names(dir_), std::vector<std::string>{"t.txt"});
}

TEST_F(FileReplaceTest, NamesThatCannotTakeAFile) {
  FileReplacer out;
  EXPECT_FALSE(out.begin(""));
  EXPECT_FALSE(out.begin("mem://       4.    1000"));
  EXPECT_FALSE(out.begin("folder/"));
  EXPECT_FALSE(out.begin("missing/folder/x.txt"));
  EXPECT_FALSE(out.begin(std::string(1024, 'n').c_str()));
  EXPECT_FALSE(out.commit());  // nothing begun
  EXPECT_FALSE(file_replace_whole("missing/x.txt", "x", 1));
}

TEST_F(FileReplaceTest, LongTargetNamesStillGetATemporaryFile) {
  // The temporary name does not grow with the target's file name.
  const std::string name(250, 'L');
  ASSERT_TRUE(file_replace_whole(name.c_str(), "x", 1));
  EXPECT_EQ(read_file(path(name)), "x");
}

// A read-only file stays read-only (on Windows: its attribute).
TEST_F(FileReplaceTest, ReadOnlyFilesStayReadOnly) {
  namespace fs = std::filesystem;
  write_file(path("r.txt"), "old");
  fs::permissions(path("r.txt"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  ASSERT_TRUE(file_replace_whole("r.txt", "new", 3));
  EXPECT_EQ(read_file(path("r.txt")), "new");
  EXPECT_EQ(fs::status(path("r.txt")).permissions() & fs::perms::owner_write, fs::perms::none);
  fs::permissions(path("r.txt"), fs::perms::owner_write, fs::perm_options::add);
}

#ifndef _WIN32
TEST_F(FileReplaceTest, NewFilesGetTheUsualPermissions) {
  const mode_t old_mask = ::umask(022);
  ASSERT_TRUE(file_replace_whole("p.txt", "x", 1));
  ::umask(old_mask);
  struct stat st;
  ASSERT_EQ(::stat(path("p.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

// Every write-back (INI and line files, file_copy, pictures) replaces a file
// this way: the new file is the old one's in mode and, where permitted, owner.
TEST_F(FileReplaceTest, ReplacedFilesKeepTheirModeAndOwner) {
  const mode_t old_mask = ::umask(022);
  for (const mode_t mode : {0600, 0700, 0640, 0444}) {
    write_file(path("m.txt"), "old");
    ASSERT_EQ(::chmod(path("m.txt").c_str(), mode), 0);
    ASSERT_TRUE(file_replace_whole("m.txt", "new", 3));
    struct stat st;
    ASSERT_EQ(::stat(path("m.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
    EXPECT_EQ(read_file(path("m.txt")), "new");
  }
  ::umask(old_mask);
  if (::geteuid() != 0) GTEST_SKIP() << "another user's file needs root";
  write_file(path("theirs.txt"), "old");
  ASSERT_EQ(::chown(path("theirs.txt").c_str(), 65534, 65534), 0);
  ASSERT_TRUE(file_replace_whole("theirs.txt", "new", 3));
  struct stat st;
  ASSERT_EQ(::stat(path("theirs.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
}

#endif

TEST_F(FileReplaceTest, AbsoluteNames) {
  EXPECT_EQ(path_absolute("a/b.ini"), dir_ + "/a/b.ini");
  EXPECT_EQ(path_absolute("/x/y"), "/x/y");
  EXPECT_EQ(path_absolute("mem://       4.    1000"), "mem://       4.    1000");
  EXPECT_EQ(path_absolute(""), "");
  EXPECT_EQ(path_folder_part("a/b\\c.txt"), "a/b\\");
  EXPECT_EQ(path_folder_part("c.txt"), "");
}

}  // namespace
}  // namespace zrv
