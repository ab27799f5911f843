// Line files: answers, new files, switching and write-back.
#include "files/line_files.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "base/errors.hpp"
#include "child_process.hpp"
#include "filesys_util.hpp"

namespace zrv {
namespace {

using test::read_file;
using test::run_in_child;
using test::write_file;

class LineFilesTest : public test::FilesysTest {};

RtString read_line_of(const char* file, double number) {
  RtString out = "unchanged";
  line_file_read(file, number, out);
  return out;
}

TEST_F(LineFilesTest, AnswersForPresentAndMissingLines) {
  write_file(path("three.txt"), "first\r\n\r\nthird \x01\r\n");
  EXPECT_EQ(read_line_of("three.txt", 0), "first");
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_EQ(read_line_of("three.txt", 1), "NO_DATA");   // empty line
  EXPECT_EQ(read_line_of("three.txt", 2.9), "third ");  // truncated number; controls cut
  EXPECT_EQ(read_line_of("three.txt", 5), "NO_DATA");
  EXPECT_EQ(read_line_of("three.txt", 255), "NO_DATA");
  EXPECT_EQ(ctx.last_error, 0);

  EXPECT_EQ(read_line_of("three.txt", 256), "NO_DATA");
  EXPECT_EQ(ctx.last_error, 7);
  EXPECT_EQ(read_line_of("three.txt", -1), "NO_DATA");
  EXPECT_EQ(ctx.last_error, 7);
  EXPECT_EQ(read_line_of("three.txt", 1e300), "NO_DATA");
  EXPECT_EQ(ctx.last_error, 7);
  EXPECT_EQ(read_line_of("three.txt", std::nan("")), "NO_DATA");
  EXPECT_EQ(ctx.last_error, 7);
}

TEST_F(LineFilesTest, MissingFileGivesNoFileThenNoData) {
  EXPECT_EQ(read_line_of("missing.txt", 0), "NO_FILE");
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(read_line_of("missing.txt", 0), "NO_DATA");  // cached, empty
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_FALSE(test::exists(path("missing.txt")));
}

TEST_F(LineFilesTest, NumberFormsOfAMissingFileChangeNothing) {
  line_file_write("a.txt", 0, "kept");  // dirty, not yet on disk
  int32_t i = 5;
  double d = 6;
  testing::internal::CaptureStdout();
  line_file_read_int("missing.txt", 0, i);
  line_file_read_number("missing.txt", 1, d);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // no "error: 3"
  EXPECT_EQ(i, 5);
  EXPECT_EQ(d, 6.0);
  EXPECT_FALSE(test::exists(path("a.txt")));  // the cache still holds a.txt
  EXPECT_EQ(read_line_of("a.txt", 0), "kept");
}

TEST_F(LineFilesTest, NumbersAndIntegers) {
  write_file(path("n.txt"), "  42x\n-2.5e1\nword\n");
  int32_t i = -1;
  line_file_read_int("n.txt", 0, i);
  EXPECT_EQ(i, 42);
  double d = 0;
  line_file_read_number("n.txt", 1, d);
  EXPECT_EQ(d, -25.0);
  line_file_read_int("n.txt", 2, i);
  EXPECT_EQ(i, 0);
  i = 9;
  line_file_read_int("n.txt", 7, i);  // "NO_DATA"
  EXPECT_EQ(i, 0);
  d = 9;
  line_file_read_number("absent.txt", 0, d);  // nowhere: left alone
  EXPECT_EQ(d, 9.0);

  line_file_write_number("w.txt", 0, 2.5);
  line_file_write_number("w.txt", 1, -7);
  line_file_read_number("w.txt", 0, d);
  EXPECT_EQ(d, 2.5);
  EXPECT_EQ(read_line_of("w.txt", 1), RtString(-7.0));
}

TEST_F(LineFilesTest, NewFileGetsEmptyLinesUpToTheWrittenOne) {
  auto r = run_in_child([] {
    line_file_write("scores.txt", 3, "top");
    std::printf("error=%d\n", ctx.last_error);
    program_end();
  });
  EXPECT_TRUE(r.exited);
  EXPECT_NE(r.out.find("error=3"), std::string::npos) << r.out;
  EXPECT_EQ(read_file(path("scores.txt")), "\r\n\r\n\r\ntop\r\n");
}

TEST_F(LineFilesTest, WriteLimitsAndLineLength) {
  line_file_write("limits.txt", 256, "x");
  EXPECT_EQ(ctx.last_error, 7);
  line_file_write("limits.txt", -1, "x");
  EXPECT_EQ(ctx.last_error, 7);
  EXPECT_FALSE(line_file_instance().dirty);

  line_file_write("limits.txt", 0, std::string(3000, 'a').c_str());
  line_file_write("limits.txt", 255, "last");
  ini_line_files_flush();
  std::string expected = std::string(1023, 'a') + "\r\n";
  for (int i = 1; i < 255; ++i) expected += "\r\n";
  expected += "last\r\n";
  EXPECT_EQ(read_file(path("limits.txt")), expected);
}

TEST_F(LineFilesTest, SwitchingFilesWritesTheOldOne) {
  write_file(path("b.txt"), "bee\n");
  line_file_write("a.txt", 0, "alpha");
  EXPECT_FALSE(test::exists(path("a.txt")));
  EXPECT_EQ(read_line_of("b.txt", 0), "bee");
  EXPECT_EQ(read_file(path("a.txt")), "alpha\r\n");

  // Reading the same file again does not reload it: unsaved lines stay.
  line_file_write("b.txt", 1, "second");
  EXPECT_EQ(read_line_of("b.txt", 1), "second");
  EXPECT_EQ(read_file(path("b.txt")), "bee\n");
  ini_line_files_flush();
  EXPECT_EQ(read_file(path("b.txt")), "bee\nsecond\r\n");
  // Flushing twice writes nothing more.
  write_file(path("b.txt"), "changed elsewhere");
  ini_line_files_flush();
  EXPECT_EQ(read_file(path("b.txt")), "changed elsewhere");
}

TEST_F(LineFilesTest, LinesBeyond256AreKept) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "line" + std::to_string(i) + "\n";
  text += "no final line feed";
  write_file(path("long.txt"), text);
  EXPECT_EQ(read_line_of("long.txt", 255), "line255");
  line_file_write("long.txt", 0, "changed");
  ini_line_files_flush();
  std::string expected = "changed\r\n" + text.substr(text.find('\n') + 1);
  EXPECT_EQ(read_file(path("long.txt")), expected);
}

// The line limits are for reading: what reading cuts or cannot hold (a long
// line, a NUL byte, a lone carriage return, a missing last line feed) comes
// back byte for byte where the line was not written.
TEST_F(LineFilesTest, UnwrittenLinesKeepTheirBytes) {
  const std::string rest = std::string(3000, 'x') + "\n" + std::string("a\0b\n", 4) + "c\rd\n";
  write_file(path("odd.txt"), "head\n" + rest + "last");
  EXPECT_EQ(read_line_of("odd.txt", 1), std::string(1023, 'x').c_str());
  EXPECT_EQ(read_line_of("odd.txt", 4), "a");
  line_file_write("odd.txt", 0, "HEAD");
  line_file_write("odd.txt", 8, "new");
  ini_line_files_flush();
  EXPECT_EQ(read_file(path("odd.txt")), "HEAD\r\n" + rest + "last\r\n\r\nnew\r\n");
  // A written piece of a long line ends where it is; the pieces around it stay.
  write_file(path("long.txt"), std::string(2500, 'y') + "\n");
  line_file_write("long.txt", 1, "z");
  ini_line_files_flush();
  EXPECT_EQ(read_file(path("long.txt")),
            std::string(1023, 'y') + "\r\nz\r\n" + std::string(454, 'y') + "\n");
}

TEST_F(LineFilesTest, ArchiveEntriesAreReadAndNotConfused) {
  // Two entries of equal length: their blocks may reuse one address.
  install_archive({{"one.txt", {'o', 'n', 'e', '\n'}}, {"two.txt", {'t', 'w', 'o', '\n'}}});
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(read_line_of("one.txt", 0), "one");
    EXPECT_EQ(read_line_of("two.txt", 0), "two");
  }
  // Writing goes to the disk name; the archive is never written.
  line_file_write("one.txt", 1, "more");
  ini_line_files_flush();
  EXPECT_EQ(read_file(path("one.txt")), "\r\nmore\r\n");
}

TEST_F(LineFilesTest, FailedWriteBackKeepsTheOldFile) {
  if (test::kNoFileSizeLimit) GTEST_SKIP() << test::kNoFileSizeLimit;
  std::string old_text;
  for (int i = 0; i < 100; ++i) old_text += "old line " + std::to_string(i) + "\r\n";
  write_file(path("hs.txt"), old_text);
  auto r = run_in_child([] {
    for (int i = 0; i < 256; ++i) line_file_write("hs.txt", i, std::string(100, 'n').c_str());
    test::limit_file_size(4096, false);
    std::printf("%d\n", line_file_write_back(line_file_instance()) ? 1 : 0);
  });
  EXPECT_EQ(r.out, "0\n");
  EXPECT_EQ(read_file(path("hs.txt")), old_text);
  for (const std::string& n : test::folder_names(dir_)) EXPECT_NE(n.find(".zrv"), 0u) << n;
}

}  // namespace
}  // namespace zrv
