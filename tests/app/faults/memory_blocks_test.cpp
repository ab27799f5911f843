// Memory blocks of the appended archive and the channels reading them: a
// stream keeps its block for as long as it is open, whatever is resolved,
// opened or closed meanwhile, while names stop opening once released.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "files/archive.hpp"
#include "files/channels.hpp"
#include "files/paths.hpp"
#include "zorvane.hpp"

namespace zrv {
namespace {

class MemoryBlocks : public ::testing::Test {
 protected:
  void SetUp() override {
    // Entries of different sizes, so that a freed block is not simply
    // handed out again for the next one.
    const std::string notes = "first line\r\nsecond line\n";
    std::vector<uint8_t> archive;
    ASSERT_TRUE(archive_build({{"notes.txt", {notes.begin(), notes.end()}},
                               {"duck.png", std::vector<uint8_t>(3000, 0xD5)}},
                              archive, nullptr));
    host_ = ::testing::TempDir() + "zrv_memblocks_" + std::to_string(::getpid()) + ".bin";
    std::ofstream(host_, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()),
               static_cast<std::streamsize>(archive.size()));
    archive_holders_create();
    archive_set(host_.c_str(), host_.c_str());
  }

  void TearDown() override {
    file_channels_close_all();
    archive_holders_destroy();
    std::remove(host_.c_str());
  }

  static RtString resolved(const char* name) {
    RtString s(name);
    EXPECT_TRUE(path_resolve(s)) << name;
    EXPECT_TRUE(memfile_is_name(s.c_str())) << s.c_str();
    return s;
  }

  static void expect_notes(uint32_t channel) {
    RtString line;
    file_read_line(channel, line);
    EXPECT_EQ(line, "first line");
    file_read_line(channel, line);
    EXPECT_EQ(line, "second line");
    EXPECT_EQ(file_at_end(channel), 1);
  }

  std::string host_;
};

TEST_F(MemoryBlocks, ChannelOnAResolvedNameOutlivesTheNextResolve) {
  const RtString m = resolved("Media/notes.txt");
  ASSERT_EQ(file_open(0, m, 1), 1);
  resolved("duck.png");
  expect_notes(0);
}

TEST_F(MemoryBlocks, ChannelsOnOneBlockInAnyOrder) {
  const RtString m = resolved("notes.txt");
  ASSERT_EQ(file_open(0, m, 1), 1);
  ASSERT_EQ(file_open(1, m, 1), 1);
  // Resolving the entry again decompresses a block of its own.
  ASSERT_EQ(file_open(2, "Media/notes.txt", 1), 1);
  file_close(0);
  expect_notes(2);
  file_close(2);
  resolved("duck.png");
  expect_notes(1);
}

TEST_F(MemoryBlocks, ChannelsOutliveArchiveSetAndTheHolders) {
  ASSERT_EQ(file_open(0, "notes.txt", 1), 1);
  ASSERT_EQ(file_open(1, resolved("notes.txt"), 1), 1);
  archive_set(host_.c_str(), host_.c_str());
  RtString line;
  file_read_line(1, line);
  EXPECT_EQ(line, "first line");
  archive_holders_destroy();
  expect_notes(0);
  file_read_line(1, line);
  EXPECT_EQ(line, "second line");
}

TEST_F(MemoryBlocks, ReleasedAndForgedNamesDoNotOpen) {
  ASSERT_EQ(file_open(0, "notes.txt", 1), 1);
  const RtFile& stream = ctx.file_channels[0]->stream;
  const auto length = static_cast<uint32_t>(stream.size);
  char held[kMemNameSize];
  memfile_format(held, stream.data, length);
  resolved("duck.png");
  // The channel still reads the block, but its name has been released.
  EXPECT_EQ(file_open(1, RtString(held), 1), 0);

  const RtString live = resolved("notes.txt");
  ASSERT_EQ(file_open(1, live, 1), 1);
  const uint8_t* start = ctx.file_channels[1]->stream.data;
  char forged[kMemNameSize];
  memfile_format(forged, start + 1, length);  // runs one byte past the block
  EXPECT_EQ(file_open(2, RtString(forged), 1), 0);
  EXPECT_EQ(file_open(2, RtString("mem://     1a.deadbeef"), 1), 0);  // no block at all
  expect_notes(0);
  expect_notes(1);
}

}  // namespace
}  // namespace zrv
