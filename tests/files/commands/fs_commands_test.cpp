// File-system commands: listing and wildcards, copy, size, time, delete,
// folders and the environment.
#include "files/fs_commands.hpp"

#include <gtest/gtest.h>
#include <utime.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "files/paths.hpp"
#include "filesys_util.hpp"
#include "zorvane.hpp"

namespace zrv {
namespace {

using test::read_file;
using test::run_in_child;
using test::write_file;

class FsCommandsTest : public test::FilesysTest {};

std::vector<std::string> texts(RtArray<RtString>& a) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < a.dim0; ++i) out.emplace_back(a(i).c_str());
  return out;
}

// Reference matcher: "*" is any run, letters match without regard to case.
bool reference_match(const char* s, const char* p) {
  const size_t n = std::strlen(s);
  const size_t m = std::strlen(p);
  std::vector<std::vector<char>> ok(n + 1, std::vector<char>(m + 1, 0));
  ok[n][m] = 1;
  for (size_t i = n + 1; i-- > 0;) {
    for (size_t j = m; j-- > 0;) {
      if (p[j] == '*') {
        ok[i][j] = ok[i][j + 1] || (i < n && ok[i + 1][j]);
      } else if (i < n) {
        auto low = [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        ok[i][j] = low(s[i]) == low(p[j]) && ok[i + 1][j + 1];
      }
    }
  }
  return ok[0][0];
}

TEST(WildcardTest, Cases) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  } cases[] = {
      {"duck.png", "d*k.png", true},
      {"DUCK.PNG", "d*k.png", true},
      {"duck.bmp", "d*k.png", false},
      {"README", "*", true},
      {"README", "*.*", true},  // the two catch-all patterns match names without a dot
      {"README", "*.", false},
      {"a.PNG", "*.png", true},
      {"b.wav", "*.png", false},
      {"aaab", "*aab", true},
      {"aaabx", "*aab*", true},
      {"abcabd", "*abd", true},
      {"mississippi", "m*iss*ppi", true},
      {"mississippi", "m*iss*ppx", false},
      {"", "", true},
      {"", "*", true},
      {"", "**", true},
      {"x", "", false},
      {"", "a*", false},
      {"abc", "abc", true},
      {"abc", "ab", false},
      {"ab", "abc", false},
      {"abc", "a**c", true},
      {"a?c", "a?c", true},  // no single-character wildcard
      {"abc", "a?c", false},
      {"level10.dat", "level1*.dat", true},
      {"level1.dat.bak", "level1*.dat", false},
      {"*xb", "*b", true},  // a star in a name is an ordinary character
      {"a*c", "a*c", true},
      {"*", "x*", false},
      // A match that begins inside a partial one, past a later star.
      {"aAabaabc", "*aab*b*", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wildcard_match(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
    if (std::strcmp(c.pattern, "*.*") != 0) {
      EXPECT_EQ(reference_match(c.name, c.pattern), c.match) << "reference: " << c.name;
    }
  }
}

TEST(WildcardTest, AgreesWithTheReferenceOnSmallAlphabets) {
  // Every name of up to 5 characters from {a, b, *} against every pattern of
  // up to 5 characters from {a, b, *}.
  const char letters[] = "ab*";
  const char pattern_chars[] = "ab*";
  std::vector<std::string> names{""};
  for (size_t start = 0, len = 0; len < 5; ++len) {
    const size_t end = names.size();
    for (size_t i = start; i < end; ++i) {
      for (int k = 0; k < 3; ++k) names.push_back(names[i] + letters[k]);
    }
    start = end;
  }
  std::vector<std::string> patterns{""};
  for (size_t start = 0, len = 0; len < 5; ++len) {
    const size_t end = patterns.size();
    for (size_t i = start; i < end; ++i) {
      for (int k = 0; k < 3; ++k) patterns.push_back(patterns[i] + pattern_chars[k]);
    }
    start = end;
  }
  int checked = 0;
  for (const std::string& p : patterns) {
    if (p == "*") continue;
    for (const std::string& n : names) {
      ASSERT_EQ(wildcard_match(n.c_str(), p.c_str()), reference_match(n.c_str(), p.c_str()))
          << "name '" << n << "' pattern '" << p << "'";
      ++checked;
    }
  }
  EXPECT_GT(checked, 10000);
}

TEST(SortOrderTest, IgnoresCaseLikeStricmp) {
  EXPECT_EQ(text_compare_nocase("abc", "ABC"), 0);
  EXPECT_LT(text_compare_nocase("_x", "A"), 0);  // compared as lower case: '_' < 'a'
  EXPECT_LT(text_compare_nocase("a", "a1"), 0);
  EXPECT_GT(text_compare_nocase("b", "A1"), 0);
}

TEST_F(FsCommandsTest, DirListGivesFoldersThenMatchingFiles) {
  write_file(path("a.PNG"), "png");
  write_file(path("b.wav"), "wav");
  ASSERT_TRUE(std::filesystem::create_directory(path("Media")));
  RtArray<RtString> out;
  EXPECT_EQ(dir_list("*.png", out), 1.0 + 3.0 * 65536.0);
  EXPECT_EQ(texts(out), (std::vector<std::string>{".", "..", "Media", "a.PNG"}));

  write_file(path("_under.png"), "");
  write_file(path("Zeta.png"), "");
  write_file(path("alpha.png"), "");
  ASSERT_TRUE(std::filesystem::create_directory(path("assets")));
#ifdef _WIN32
  // A plain folder in the link's place: links need rights on Windows.
  ASSERT_TRUE(std::filesystem::create_directory(path("link_to_media")));
#else
  std::filesystem::create_directory_symlink("Media", path("link_to_media"));
#endif
  EXPECT_EQ(dir_list("*", out), 5.0 + 5.0 * 65536.0);
  EXPECT_EQ(texts(out),
            (std::vector<std::string>{".", "..", "assets", "link_to_media", "Media", "_under.png",
                                      "a.PNG", "alpha.png", "b.wav", "Zeta.png"}));

  EXPECT_EQ(dir_list("nothing*", out), 5.0 * 65536.0);
  EXPECT_EQ(out.dim0, 5);
}

TEST_F(FsCommandsTest, DirListOfAVanishedFolderIsEmpty) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps the current folder from being removed";
#endif
  ASSERT_TRUE(std::filesystem::create_directory(path("gone")));
  ASSERT_TRUE(test::change_folder(path("gone")));
  ASSERT_TRUE(std::filesystem::remove(path("gone")));
  RtArray<RtString> out;
  array_dim(out, 3);
  EXPECT_EQ(dir_list("*", out), 0.0);
  EXPECT_EQ(out.dim0, 0);
  ASSERT_TRUE(test::change_folder(dir_));
}

TEST_F(FsCommandsTest, CopyFilesOfEveryLength) {
  for (size_t length : {size_t{0}, size_t{1}, size_t{4095}, size_t{4096}, size_t{10001}}) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    write_file(path("src.bin"), bytes);
    file_copy("src.bin", "dst.bin");
    EXPECT_EQ(ctx.last_error, 0);
    EXPECT_EQ(read_file(path("dst.bin")), bytes) << length;
  }
  // Onto itself: the content stays.
  file_copy("src.bin", "src.bin");
  EXPECT_EQ(read_file(path("src.bin")).size(), 10001u);
}

TEST_F(FsCommandsTest, CopyReplacesAnEmptyFolderAndKeepsAFullOne) {
  write_file(path("src.txt"), "content");
  ASSERT_TRUE(std::filesystem::create_directory(path("target")));
  file_copy("src.txt", "target");
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(read_file(path("target")), "content");

  ASSERT_TRUE(std::filesystem::create_directory(path("full")));
  write_file(path("full/x"), "x");
  file_copy("src.txt", "full");
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(read_file(path("full/x")), "x");
  for (const std::string& n : test::folder_names(dir_)) EXPECT_NE(n.find(".zrv"), 0u) << n;
}

TEST_F(FsCommandsTest, CopyFailures) {
  file_copy("missing.txt", "dst.txt");  // silent
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_FALSE(test::exists(path("dst.txt")));

  write_file(path("src.txt"), "content");
  file_copy("src.txt", "no/such/folder/dst.txt");
  EXPECT_EQ(ctx.last_error, 3);
  file_copy("src.txt", "mem://       4.    1000");
  EXPECT_EQ(ctx.last_error, 3);
}

TEST_F(FsCommandsTest, CopyThatFailsHalfWayKeepsTheOldDestination) {
  if (test::kNoFileSizeLimit) GTEST_SKIP() << test::kNoFileSizeLimit;
  std::string big(64 * 1024, 'b');
  write_file(path("big.bin"), big);
  write_file(path("dst.bin"), "old destination");
  auto r = run_in_child([] {
    test::limit_file_size(10000, false);
    file_copy("big.bin", "dst.bin");
    std::printf("error=%d\n", ctx.last_error);
  });
  EXPECT_EQ(r.out, "error: 3\nerror=3\n");
  EXPECT_EQ(read_file(path("dst.bin")), "old destination");

  auto fresh = run_in_child([] {
    test::limit_file_size(10000, false);
    file_copy("big.bin", "fresh.bin");
  });
  EXPECT_TRUE(fresh.exited);
  EXPECT_FALSE(test::exists(path("fresh.bin")));
  for (const std::string& n : test::folder_names(dir_)) EXPECT_NE(n.find(".zrv"), 0u) << n;
}

TEST_F(FsCommandsTest, CopyAnArchiveEntryToDisk) {
  std::vector<uint8_t> payload(9000);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i % 251);
  install_archive({{"level1.dat", payload}});
  file_copy("Media/level1.dat", "out.dat");
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(read_file(path("out.dat")), std::string(payload.begin(), payload.end()));
}

TEST_F(FsCommandsTest, SizeAndTime) {
  write_file(path("s.bin"), std::string(12345, 'x'));
  EXPECT_EQ(file_size("s.bin"), 12345);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(file_size("missing"), 0);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(file_size(""), 0);
  EXPECT_EQ(ctx.last_error, 3);
  static const uint8_t block[77] = {};
  RtString mem = memfile_name(block, sizeof block);
  EXPECT_EQ(file_size(mem), 77);
  EXPECT_EQ(file_time(mem), "");
  EXPECT_EQ(ctx.last_error, 3);
  memfile_unregister(block);

  std::tm t{};
  t.tm_year = 2016 - 1900;
  t.tm_mon = 8;
  t.tm_mday = 26;
  t.tm_hour = 16;
  t.tm_min = 42;
  t.tm_sec = 55;
  t.tm_isdst = -1;
  const std::time_t when = std::mktime(&t);
  struct utimbuf times = {when, when};
  ASSERT_EQ(::utime(path("s.bin").c_str(), &times), 0);
  EXPECT_EQ(file_time("s.bin"), "2016-09-26 16:42:55");
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(file_time("missing.txt"), "");
  EXPECT_EQ(ctx.last_error, 3);
}

TEST_F(FsCommandsTest, FormatFileTimePadsEveryField) {
  std::tm t{};
  t.tm_year = 5 - 1900;
  t.tm_mon = 0;
  t.tm_mday = 2;
  t.tm_hour = 3;
  t.tm_min = 4;
  t.tm_sec = 5;
  EXPECT_EQ(format_file_time(t), "0005-01-02 03:04:05");
}

TEST_F(FsCommandsTest, DirectoriesAndDeletion) {
  EXPECT_EQ(dir_create("new"), 1);
  EXPECT_EQ(dir_create("new"), 0);
  EXPECT_EQ(dir_create("a/b/c"), 0);  // parents are not made
  EXPECT_EQ(file_is_directory("new"), 1);
  write_file(path("f.txt"), "x");
  EXPECT_EQ(file_is_directory("f.txt"), 0);
  EXPECT_EQ(file_is_directory("missing"), 0);
  EXPECT_EQ(file_is_directory(""), 0);
  EXPECT_EQ(file_is_directory("mem://       1.    1000"), 0);

  EXPECT_EQ(file_delete("f.txt"), 1);
  EXPECT_FALSE(test::exists(path("f.txt")));
  EXPECT_EQ(file_delete("f.txt"), -1);
  write_file(path("new/inside"), "x");
  EXPECT_EQ(file_delete("new"), 0);  // not removed: not reported as deleted
  EXPECT_TRUE(test::exists(path("new/inside")));
  ASSERT_EQ(::unlink(path("new/inside").c_str()), 0);
  EXPECT_EQ(file_delete("new"), 1);
  EXPECT_FALSE(test::exists(path("new")));
}

// A name relative to the current folder names what it named at the call,
// also when the call has to leave that folder first.
TEST_F(FsCommandsTest, RelativeNamesOfTheCurrentFolder) {
  for (const char* d : {"a", "a/b", "a/b/cur", "a/cur"}) ASSERT_EQ(dir_create(d), 1) << d;
  ASSERT_TRUE(test::change_folder(path("a/b/cur")));
  EXPECT_EQ(file_delete("../cur"), 1);
  EXPECT_FALSE(test::exists(path("a/b/cur")));
  EXPECT_TRUE(test::exists(path("a/cur"))) << "an unrelated folder went";
  EXPECT_EQ(std::string(dir_get_current().c_str()), path("a/b/"));

  ASSERT_EQ(dir_create("cur"), 1);
  ASSERT_TRUE(test::change_folder(path("a/b/cur")));
  ASSERT_EQ(file_open(0, "../cur", 0), 1);
  file_close(0);
  EXPECT_TRUE(std::filesystem::is_regular_file(path("a/b/cur")))
      << "the folder is replaced by the file";
  EXPECT_TRUE(std::filesystem::is_directory(path("a/cur")));

  // A folder that cannot be removed keeps the current folder inside it.
  ASSERT_EQ(dir_create("full"), 1);
  write_file(path("a/b/full/x"), "x");
  ASSERT_TRUE(test::change_folder(path("a/b/full")));
  EXPECT_EQ(file_delete("../full"), 0);
  EXPECT_EQ(std::string(dir_get_current().c_str()), path("a/b/full/"));
}

TEST_F(FsCommandsTest, Environment) {
  test::EnvGuard env;
  env.set("ZRV_TEST_VAR", nullptr);
  env.set("ZRV_TEST_EQ", nullptr);
  EXPECT_EQ(env_get("ZRV_TEST_VAR"), "");
  env_set("ZRV_TEST_VAR", "value one");
  EXPECT_EQ(env_get("ZRV_TEST_VAR"), "value one");
  const RtString all = env_get("");
  EXPECT_NE(std::string(all.c_str()).find("ZRV_TEST_VAR=value one\n"), std::string::npos);
  EXPECT_EQ(all.c_str()[all.length - 1], '\n');
  env_set("ZRV_TEST_VAR", "");  // as "NAME=": removes it
  EXPECT_EQ(std::getenv("ZRV_TEST_VAR"), nullptr);
  env_set("ZRV_TEST_EQ=a", "b");  // the name ends at the first "="
  EXPECT_EQ(env_get("ZRV_TEST_EQ"), "a=b");
  env_set("", "x");  // no name: nothing
  RtString name = "ZRV_TEST_VAR";
  RtString value = "kept";
  env_set(name, value);
  EXPECT_EQ(name, "ZRV_TEST_VAR");
  EXPECT_EQ(value, "kept");
}

}  // namespace
}  // namespace zrv
