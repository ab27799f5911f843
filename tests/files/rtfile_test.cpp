// RtFile over real files and registered memory blocks: reads, writes, seeks
// and line reading, which must give the same lines on both kinds of stream.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "files/paths.hpp"
#include "files/rt_file.hpp"
#include "files_test_util.hpp"

namespace zrv {
namespace {

using test::ScratchDir;

// A block of bytes registered under a memory-file name for the test's life.
class MemBlock {
 public:
  explicit MemBlock(const std::string& bytes) : bytes_(bytes.begin(), bytes.end()) {
    if (bytes_.empty()) bytes_.reserve(1);
    name_ = memfile_name(bytes_.data(), static_cast<uint32_t>(bytes.size())).c_str();
  }
  ~MemBlock() { memfile_unregister(bytes_.data()); }
  const char* name() const { return name_.c_str(); }

 private:
  std::vector<uint8_t> bytes_;
  std::string name_;
};

TEST(RtFileMemory, ReadPastTheEndDeliversWhatIsLeft) {
  MemBlock block("abcdefghij");
  RtFile f;
  ASSERT_TRUE(f.open_read(block.name()));
  EXPECT_TRUE(f.is_memory());
  EXPECT_EQ(f.size, 10);
  f.seek(7, 0);
  char buf[8] = {};
  EXPECT_TRUE(f.read(buf, 8));
  EXPECT_EQ(std::string(buf, 8), std::string("hij\0\0\0\0\0", 8));
  EXPECT_EQ(f.pos, f.size);
  EXPECT_TRUE(f.at_end());
  // Nothing left: still a successful read of nothing.
  char one = 'x';
  EXPECT_TRUE(f.read(&one, 1));
  EXPECT_EQ(one, 'x');
  EXPECT_FALSE(f.read(buf, -1));
}

TEST(RtFileMemory, PositionsOutsideTheBlockNeverRead) {
  MemBlock block("0123456789");
  RtFile f;
  ASSERT_TRUE(f.open_read(block.name()));
  char buf[4] = {'-', '-', '-', '-'};
  f.seek(-3, 0);  // before the start
  EXPECT_FALSE(f.read(buf, 4));
  f.seek(5, -1);  // beyond the end
  EXPECT_EQ(f.pos, 15);
  EXPECT_FALSE(f.read(buf, 4));
  EXPECT_EQ(std::string(buf, 4), "----");
  char line[RtFile::kLineSize];
  EXPECT_FALSE(f.read_line(line));
  f.seek(-3, 0);
  EXPECT_FALSE(f.read_line(line));
}

TEST(RtFileMemory, SeekOriginsAndWritesRefused) {
  MemBlock block("0123456789");
  RtFile f;
  ASSERT_TRUE(f.open_read(block.name()));
  char c = 0;
  f.seek(-2, -1);
  ASSERT_TRUE(f.read(&c, 1));
  EXPECT_EQ(c, '8');
  f.seek(-5, 1);
  ASSERT_TRUE(f.read(&c, 1));
  EXPECT_EQ(c, '4');
  f.seek(1, 0);
  ASSERT_TRUE(f.read(&c, 1));
  EXPECT_EQ(c, '1');
  EXPECT_FALSE(f.write("x", 1));
  EXPECT_TRUE(f.write("x", 0));
  EXPECT_EQ(f.query_size(), 10);
  f.close();
  EXPECT_FALSE(f.is_open());
  EXPECT_EQ(f.data, nullptr);
  EXPECT_EQ(f.size, 0);
  EXPECT_EQ(f.pos, 0);
}

TEST(RtFileDisk, ReadsSeeksAndFailsShortReads) {
  ScratchDir dir;
  const std::string path = dir.file("data.bin");
  test::write_file(path, std::string("0123456789"));
  RtFile f;
  ASSERT_TRUE(f.open_read(path.c_str()));
  EXPECT_FALSE(f.is_memory());
  EXPECT_EQ(f.size, 10);
  char buf[8] = {};
  ASSERT_TRUE(f.read(buf, 4));
  EXPECT_EQ(std::string(buf, 4), "0123");
  f.seek(-3, -1);
  ASSERT_TRUE(f.read(buf, 3));
  EXPECT_EQ(std::string(buf, 3), "789");
  f.seek(2, 0);
  f.seek(3, 1);
  ASSERT_TRUE(f.read(buf, 2));
  EXPECT_EQ(std::string(buf, 2), "56");
  // A file read must be complete; the position moves by the count anyway.
  f.seek(8, 0);
  EXPECT_FALSE(f.read(buf, 4));
  EXPECT_EQ(f.pos, 12);
  EXPECT_TRUE(f.at_end());
}

TEST(RtFileDisk, OpenFailures) {
  ScratchDir dir;
  RtFile f;
  EXPECT_FALSE(f.open_read(""));
  EXPECT_FALSE(f.open_read(dir.file("missing").c_str()));
  EXPECT_FALSE(f.open_read(dir.path().c_str()));  // a directory is not a file
  EXPECT_FALSE(f.is_open());
  // A memory-file name the runtime never handed out does not open.
  EXPECT_FALSE(f.open_read("mem://     4d2.    1000"));
  std::string long_name = dir.path() + "/" + std::string(1100, 'n');
  EXPECT_FALSE(f.open_create(long_name.c_str()));
  EXPECT_FALSE(f.open_read(long_name.c_str()));
  char c = 0;
  EXPECT_FALSE(f.read(&c, 1));
  EXPECT_TRUE(f.write(&c, 0));
  EXPECT_FALSE(f.write(&c, 1));
  EXPECT_EQ(f.query_size(), 0);
  f.seek(5, 0);
  EXPECT_EQ(f.pos, 0);
}

TEST(RtFileDisk, CreateReplacesAndAppendKeeps) {
  ScratchDir dir;
  const std::string path = dir.file("out.txt");
  test::write_file(path, std::string("old content that is long"));
  {
    RtFile f;
    ASSERT_TRUE(f.open_create(path.c_str()));
    EXPECT_EQ(f.size, 0);
    EXPECT_TRUE(f.write("new", 3));
    EXPECT_EQ(f.pos, 0);  // writes do not move pos
    EXPECT_EQ(f.size, 0);
    EXPECT_EQ(f.query_size(), 3);
  }
  EXPECT_EQ(test::read_bytes(path), std::vector<uint8_t>({'n', 'e', 'w'}));
  {
    RtFile f;
    ASSERT_TRUE(f.open_append(path.c_str()));
    EXPECT_EQ(f.size, 0);
    EXPECT_EQ(f.pos, 0);
    EXPECT_TRUE(f.write("er", 2));
  }
  EXPECT_EQ(test::read_bytes(path), std::vector<uint8_t>({'n', 'e', 'w', 'e', 'r'}));
  {
    RtFile f;
    ASSERT_TRUE(f.open_append(dir.file("fresh.txt").c_str()));
    EXPECT_TRUE(f.write("a", 1));
  }
  EXPECT_EQ(test::read_bytes(dir.file("fresh.txt")).size(), 1u);
  // An empty directory in the way is removed by create.
  const std::string empty_dir = dir.file("was_a_dir");
  ASSERT_TRUE(std::filesystem::create_directory(empty_dir));
  RtFile f;
  EXPECT_TRUE(f.open_create(empty_dir.c_str()));
  f.close();
  EXPECT_EQ(file_exists(empty_dir.c_str()), 1);
  MemBlock block("abc");
  EXPECT_FALSE(f.open_create(block.name()));
  EXPECT_FALSE(f.open_append(block.name()));
}

TEST(RtFileDisk, MoveTransfersTheStream) {
  MemBlock block("xyz");
  RtFile a;
  ASSERT_TRUE(a.open_read(block.name()));
  RtFile b(std::move(a));
  EXPECT_FALSE(a.is_open());  // NOLINT(bugprone-use-after-move): moved-from state is defined
  EXPECT_TRUE(b.is_open());
  RtFile c;
  c = std::move(b);
  EXPECT_EQ(c.size, 3);
}

// --- line reading, file and memory streams alike ---

enum class Kind { kFile, kMemory };

class ReadLine : public ::testing::TestWithParam<Kind> {
 protected:
  // Every line of content, read until read_line fails.
  std::vector<std::string> lines_of(const std::string& content,
                                    std::vector<int64_t>* ends = nullptr) {
    std::vector<std::string> lines;
    RtFile f;
    MemBlock block(content);
    if (GetParam() == Kind::kFile) {
      const std::string path = dir_.file("lines.txt");
      test::write_file(path, content);
      EXPECT_TRUE(f.open_read(path.c_str()));
    } else {
      EXPECT_TRUE(f.open_read(block.name()));
    }
    char line[RtFile::kLineSize];
    while (f.read_line(line)) {
      lines.emplace_back(line, ::strnlen(line, RtFile::kLineSize));
      if (ends != nullptr) ends->push_back(f.pos);
      if (lines.size() > 100000) break;
    }
    last_at_end_ = f.at_end();
    return lines;
  }

  ScratchDir dir_;
  bool last_at_end_ = false;
};

TEST_P(ReadLine, CrLfAndMissingFinalLineFeed) {
  std::vector<int64_t> ends;
  auto lines = lines_of("ab\r\ncd", &ends);
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "cd"}));
  EXPECT_EQ(ends, (std::vector<int64_t>{4, 6}));
  EXPECT_TRUE(last_at_end_);
  EXPECT_EQ(lines_of("ab\r"), (std::vector<std::string>{"ab"}));
  EXPECT_EQ(lines_of("a\rb\n\r\n"), (std::vector<std::string>{"a\rb", ""}));
  EXPECT_EQ(lines_of("\n\nx\n"), (std::vector<std::string>{"", "", "x"}));
  EXPECT_TRUE(lines_of("").empty());
}

TEST_P(ReadLine, LinesAroundTheDestinationSize) {
  const std::string l1023(1023, 'a');
  EXPECT_EQ(lines_of(l1023 + "\nz"), (std::vector<std::string>{l1023, "z"}));
  // A carriage return as byte 1023 with the line feed as byte 1024.
  const std::string cr_line = std::string(1022, 'c') + "\r\n";
  EXPECT_EQ(lines_of(cr_line), (std::vector<std::string>{std::string(1022, 'c')}));
  // 1024 bytes before the line feed: 1023 kept, the 1024th comes next.
  const std::string l1024 = std::string(1023, 'b') + "B";
  std::vector<int64_t> ends;
  EXPECT_EQ(lines_of(l1024 + "\n", &ends), (std::vector<std::string>{std::string(1023, 'b'), "B"}));
  EXPECT_EQ(ends, (std::vector<int64_t>{1023, 1025}));
  // 2000 bytes without a line feed: nothing is lost between the two reads.
  std::string l2000;
  for (int i = 0; i < 2000; ++i) l2000.push_back(static_cast<char>('a' + i % 26));
  auto parts = lines_of(l2000);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0], l2000.substr(0, 1023));
  EXPECT_EQ(parts[1], l2000.substr(1023));
}

TEST_P(ReadLine, LastLineEndingOnAChunkBoundary) {
  // The file reader works in 64-byte chunks; a last line of exactly 64 or
  // 128 bytes without a line feed must still be delivered.
  for (size_t n : {63u, 64u, 65u, 128u, 960u, 1023u}) {
    const std::string last(n, 'q');
    EXPECT_EQ(lines_of("first\n" + last), (std::vector<std::string>{"first", last})) << n;
  }
}

TEST_P(ReadLine, RandomTextMatchesASimpleSplit) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 20; ++round) {
    std::string content;
    const int n = static_cast<int>(rng() % 5000);
    for (int i = 0; i < n; ++i) {
      uint32_t r = rng() % 100;
      content.push_back(r < 3   ? '\n'
                        : r < 5 ? '\r'
                        : r < 6 ? '\0'
                                : static_cast<char>('a' + r % 26));
    }
    if (round % 3 == 0) content += std::string(1500 + rng() % 700, 'w');
    // The rule written out plainly.
    std::vector<std::string> expected;
    size_t at = 0;
    while (at < content.size()) {
      size_t window = std::min<size_t>(1024, content.size() - at);
      size_t lf = content.find('\n', at);
      std::string line;
      if (lf != std::string::npos && lf < at + window) {
        line = content.substr(at, lf - at);
        at = lf + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
      } else if (window < 1024) {
        line = content.substr(at, window);
        at += window;
        if (!line.empty() && line.back() == '\r') line.pop_back();
      } else {
        line = content.substr(at, 1023);
        at += 1023;
      }
      // The destination is a C string: a zero byte ends the text early.
      expected.push_back(line.substr(0, std::min(line.find('\0'), line.size())));
    }
    EXPECT_EQ(lines_of(content), expected) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(Streams, ReadLine, ::testing::Values(Kind::kFile, Kind::kMemory),
                         [](const auto& param_info) {
                           return param_info.param == Kind::kFile ? std::string("File")
                                                                  : std::string("Memory");
                         });

TEST(RtFileDisk, ReadAfterReadLineContinuesBehindTheLine) {
  ScratchDir dir;
  const std::string path = dir.file("mixed.txt");
  test::write_file(path, std::string("hello\r\nWORLD and more"));
  RtFile f;
  ASSERT_TRUE(f.open_read(path.c_str()));
  char line[RtFile::kLineSize];
  ASSERT_TRUE(f.read_line(line));
  EXPECT_STREQ(line, "hello");
  char buf[5] = {};
  ASSERT_TRUE(f.read(buf, 5));
  EXPECT_EQ(std::string(buf, 5), "WORLD");
}

}  // namespace
}  // namespace zrv
