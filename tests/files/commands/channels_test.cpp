// File channels: value kinds, byte order, strict errors, memory channels.
#include "files/channels.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/errors.hpp"
#include "child_process.hpp"
#include "files/paths.hpp"
#include "filesys_util.hpp"
#include "zorvane.hpp"

namespace zrv {
namespace {

using test::read_file;
using test::run_in_child;
using test::write_file;

class ChannelsTest : public test::FilesysTest {};

// The child ended through program_end after reporting `code`.
void expect_fatal(const test::ChildResult& r, const char* code_line) {
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1) << "a fatal error ends with status 1";
  EXPECT_NE(r.out.find(code_line), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("exit\n"), std::string::npos) << r.out;
}

TEST_F(ChannelsTest, IntegersAreLittleEndianAndExtendedByKind) {
  ASSERT_EQ(file_open(0, "ints.bin", 0), 1);
  file_write_i16(0, -2);
  file_write_i32(0, 0x01020304);
  file_write_u8(0, 0x1FF);  // only the low byte is stored
  file_write_i8(0, -128);
  file_write_u16(0, 0xBEEF);
  file_write_u32(0, -1);
  file_close(0);
  const std::string bytes = read_file(path("ints.bin"));
  const std::string expected("\xFE\xFF\x04\x03\x02\x01\xFF\x80\xEF\xBE\xFF\xFF\xFF\xFF", 14);
  EXPECT_EQ(bytes, expected);

  ASSERT_EQ(file_open(1, "ints.bin", 1), 1);
  int32_t v = 0;
  file_read_u16(1, v);
  EXPECT_EQ(v, 65534);
  file_seek(1, 0, 0);
  file_read_i16(1, v);
  EXPECT_EQ(v, -2);
  file_read_i32(1, v);
  EXPECT_EQ(v, 0x01020304);
  file_read_i8(1, v);
  EXPECT_EQ(v, -1);
  file_seek(1, -1, 1);
  file_read_u8(1, v);
  EXPECT_EQ(v, 255);
  file_read_u8(1, v);
  EXPECT_EQ(v, 128);
  file_read_u16(1, v);
  EXPECT_EQ(v, 0xBEEF);
  file_read_u32(1, v);
  EXPECT_EQ(v, -1);
  EXPECT_EQ(file_at_end(1), 1);
}

TEST_F(ChannelsTest, FloatsRoundTripThroughSingleAndDoublePrecision) {
  ASSERT_EQ(file_open(0, "f.bin", 0), 1);
  file_write_float(0, 0.1);
  file_write_double(0, 0.1);
  file_write_float(0, -2.5);
  file_close(0);
  const std::string bytes = read_file(path("f.bin"));
  ASSERT_EQ(bytes.size(), 16u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xCD\xCC\xCC\x3D", 4));
  EXPECT_EQ(bytes.substr(4, 8), std::string("\x9A\x99\x99\x99\x99\x99\xB9\x3F", 8));

  ASSERT_EQ(file_open(0, "f.bin", 1), 1);
  double d = 0;
  file_read_float(0, d);
  EXPECT_EQ(d, static_cast<double>(0.1f));
  EXPECT_NEAR(d, 0.100000001490116, 1e-15);
  file_read_double(0, d);
  EXPECT_EQ(d, 0.1);
  file_read_float(0, d);
  EXPECT_EQ(d, -2.5);
}

TEST_F(ChannelsTest, LinesAndStringsWriteExactBytes) {
  ASSERT_EQ(file_open(3, "lines.txt", 0), 1);
  file_write_line(3, "");
  file_write_line(3, "abc");
  file_write_string(3, "xy");
  file_write_string(3, "");
  file_close(3);
  EXPECT_EQ(read_file(path("lines.txt")), "\r\nabc\r\nxy");

  ASSERT_EQ(file_open(3, "empty_line.txt", 0), 1);
  file_write_line(3, "");
  file_close(3);
  EXPECT_EQ(read_file(path("empty_line.txt")), "\r\n");
}

TEST_F(ChannelsTest, ReadingLinesAndNumbers) {
  write_file(path("in.txt"), "a\r\n\r\nb\n  42abc\n3.5e2x\nnothing");
  ASSERT_EQ(file_open(0, "in.txt", 1), 1);
  RtString line;
  file_read_line(0, line);
  EXPECT_EQ(line, "a");
  file_read_line(0, line);
  EXPECT_EQ(line, "");
  file_read_line(0, line);
  EXPECT_EQ(line, "b");
  int32_t n = -1;
  file_read_line_int(0, n);
  EXPECT_EQ(n, 42);
  double x = 0;
  file_read_line_number(0, x);
  EXPECT_EQ(x, 350.0);
  file_read_line_int(0, n);
  EXPECT_EQ(n, 0);  // no digits
  EXPECT_EQ(file_at_end(0), 1);
}

TEST_F(ChannelsTest, ReadingPastTheLastLineEndsTheProgram) {
  write_file(path("three.txt"), "a\n\nb\n");
  auto r = run_in_child([&] {
    if (file_open(0, "three.txt", 1) != 1) _exit(2);
    RtString line;
    for (int i = 0; i < 3; ++i) file_read_line(0, line);
    if (!(line == "b")) _exit(3);
    std::printf("before\n");
    file_read_line(0, line);
    std::printf("after\n");
  });
  expect_fatal(r, "before\nerror: 3\n");
  EXPECT_EQ(r.out.find("after"), std::string::npos);
}

TEST_F(ChannelsTest, ReadingPastTheEndOfAFileEndsTheProgram) {
  write_file(path("short.bin"), "\x01\x02");
  auto r = run_in_child([&] {
    file_open(0, "short.bin", 1);
    int32_t v = 0;
    file_read_i32(0, v);
    std::printf("after\n");
  });
  expect_fatal(r, "error: 3\n");
  EXPECT_EQ(r.out.find("after"), std::string::npos);
}

TEST_F(ChannelsTest, WritesToClosedOrReadingChannelsEndTheProgram) {
  auto closed = run_in_child([] {
    file_write_line(5, "");
    std::printf("after\n");
  });
  expect_fatal(closed, "error: 3\n");
  EXPECT_EQ(closed.out.find("after"), std::string::npos);

  write_file(path("r.txt"), "data");
  auto reading = run_in_child([] {
    file_open(2, "r.txt", 1);
    file_write_string(2, "");  // even nothing: the channel does not write
    std::printf("after\n");
  });
  expect_fatal(reading, "error: 3\n");
  EXPECT_EQ(read_file(path("r.txt")), "data");

  auto closed_read = run_in_child([] {
    double d = 0;
    file_read_double(6, d);
    std::printf("after\n");
  });
  expect_fatal(closed_read, "error: 3\n");

  // Reads of a channel opened for writing end the program like any read
  // that cannot deliver; a line read must not move where writes go.
  for (const bool line : {true, false}) {
    auto writing = run_in_child([&] {
      file_open(1, "w.txt", 0);
      file_write_line(1, "hello world");
      file_seek(1, 0, 0);
      RtString text;
      int32_t value = 0;
      if (line)
        file_read_line(1, text);
      else
        file_read_i32(1, value);
      file_write_string(1, "XX");
      std::printf("after\n");
    });
    expect_fatal(writing, "error: 3\n");
    EXPECT_EQ(read_file(path("w.txt")), "hello world\r\n") << "line=" << line;
  }
}

TEST_F(ChannelsTest, ChannelNumbersAboveSeven) {
  EXPECT_EQ(file_open(8, "x.txt", 0), 0);
  EXPECT_EQ(ctx.last_error, 7);
  EXPECT_FALSE(test::exists(path("x.txt")));
  EXPECT_EQ(file_at_end(12), 1);

  auto r = run_in_child([] {
    file_close(8);
    std::printf("after\n");
  });
  expect_fatal(r, "error: 7\n");
  EXPECT_EQ(r.out.find("after"), std::string::npos);

  auto big = run_in_child([] {
    int32_t v = 0;
    file_read_u8(0xFFFFFFFFu, v);
    std::printf("after\n");
  });
  expect_fatal(big, "error: 7\n");
}

TEST_F(ChannelsTest, ReadStringLengthIsTheCount) {
  write_file(path("s.bin"), std::string("hello\0world", 11));
  ASSERT_EQ(file_open(0, "s.bin", 1), 1);
  RtString s = "old";
  file_read_string(0, s, 0);
  EXPECT_EQ(s.length, 0u);
  file_read_string(0, s, 7);
  ASSERT_EQ(s.length, 7u);
  EXPECT_EQ(std::memcmp(s.data, "hello\0w", 7), 0);
  EXPECT_EQ(s.data[7], 0);
  // A count of 0 or less does not look at the channel at all.
  file_read_string(9, s, -3);
  EXPECT_EQ(s.length, 0u);
}

TEST_F(ChannelsTest, MemoryChannelShortReadsPadWithZeros) {
  static const uint8_t block[6] = {'a', 'b', 'c', 'd', 0x34, 0x12};
  RtString name = memfile_name(block, sizeof block);
  ASSERT_EQ(file_open(4, name, 1), 1);
  file_seek(4, 4, 0);
  RtString s;
  file_read_string(4, s, 5);
  ASSERT_EQ(s.length, 5u);
  EXPECT_EQ(std::memcmp(s.data, "\x34\x12\0\0\0", 5), 0);
  EXPECT_EQ(file_position(4), 6);
  EXPECT_EQ(file_at_end(4), 1);

  file_seek(4, -2, -1);
  int32_t v = -1;
  file_read_i32(4, v);
  EXPECT_EQ(v, 0x1234);
  double d = 1;
  file_read_double(4, d);  // nothing left: all zero
  EXPECT_EQ(d, 0.0);
  file_close(4);
  memfile_unregister(block);

  // Nothing is written to a memory channel.
  ASSERT_EQ(file_open(4, memfile_name(block, sizeof block), 1), 1);
  auto r = run_in_child([] { file_write_u8(4, 1); });
  expect_fatal(r, "error: 3\n");
  file_close(4);
  memfile_unregister(block);
}

TEST_F(ChannelsTest, AtEndAndPositions) {
  write_file(path("empty.txt"), "");
  ASSERT_EQ(file_open(0, "empty.txt", 1), 1);
  EXPECT_EQ(file_at_end(0), 1);

  write_file(path("ten.bin"), "0123456789");
  ASSERT_EQ(file_open(0, "ten.bin", 1), 1);
  EXPECT_EQ(file_at_end(0), 0);
  file_seek(0, -3, -1);
  EXPECT_EQ(file_position(0), 7);
  file_seek(0, 2, 1);
  EXPECT_EQ(file_position(0), 9);
  RtString s;
  file_read_string(0, s, 1);
  EXPECT_EQ(s, "9");
  EXPECT_EQ(file_at_end(0), 1);

  // Writing channels keep the position last set by a seek.
  ASSERT_EQ(file_open(1, "w.bin", 0), 1);
  file_write_u32(1, 7);
  EXPECT_EQ(file_position(1), 0);
  EXPECT_EQ(file_at_end(1), 1);
  // A channel that is not open ignores a seek.
  file_seek(7, 100, 0);
  EXPECT_EQ(file_position(7), 0);
}

TEST_F(ChannelsTest, AppendKeepsTheContent) {
  write_file(path("log.txt"), "first\r\n");
  ASSERT_EQ(file_open(0, "log.txt", -1), 1);
  file_write_line(0, "second");
  file_close(0);
  EXPECT_EQ(read_file(path("log.txt")), "first\r\nsecond\r\n");

  ASSERT_EQ(file_open(0, "new.txt", -5), 1);  // created when missing
  file_write_string(0, "x");
  file_close(0);
  EXPECT_EQ(read_file(path("new.txt")), "x");
}

TEST_F(ChannelsTest, WriteModeReplacesFilesAndEmptyFolders) {
  write_file(path("old.txt"), "old content");
  ASSERT_EQ(file_open(0, "old.txt", 0), 1);
  file_close(0);
  EXPECT_EQ(read_file(path("old.txt")), "");

  ASSERT_TRUE(std::filesystem::create_directory(path("folder")));
  ASSERT_EQ(file_open(0, "folder", 0), 1);
  file_write_string(0, "now a file");
  file_close(0);
  EXPECT_EQ(read_file(path("folder")), "now a file");

  ASSERT_TRUE(std::filesystem::create_directory(path("full")));
  write_file(path("full/inside"), "x");
  EXPECT_EQ(file_open(0, "full", 0), 0);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(read_file(path("full/inside")), "x");
}

TEST_F(ChannelsTest, OpenFailures) {
  EXPECT_EQ(file_open(0, "missing.txt", 1), 0);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(file_open(0, "no/such/folder/file.txt", 0), 0);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(file_open(0, "mem://       4.    1000", 0), 0);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(file_open(0, "mem://       4.    1000", -1), 0);
  EXPECT_EQ(ctx.last_error, 3);
  write_file(path("ok.txt"), "x");
  EXPECT_EQ(file_open(0, "ok.txt", 1), 1);
  EXPECT_EQ(ctx.last_error, 0);
}

TEST_F(ChannelsTest, FreeChannel) {
  EXPECT_EQ(file_free_channel(), 0);
  write_file(path("a.txt"), "a");
  ASSERT_EQ(file_open(0, "a.txt", 1), 1);
  ASSERT_EQ(file_open(2, "a.txt", 1), 1);
  EXPECT_EQ(file_free_channel(), 1);
  for (uint32_t c = 0; c < 8; ++c) ASSERT_EQ(file_open(c, "a.txt", 1), 1);
  EXPECT_EQ(file_free_channel(), -1);
  file_close(5);
  EXPECT_EQ(file_free_channel(), 5);
  file_channels_close_all();
  EXPECT_EQ(file_free_channel(), 0);
  for (FileChannel* ch : ctx.file_channels) EXPECT_EQ(ch, nullptr);
}

TEST_F(ChannelsTest, ArchiveEntryOutlivesLaterResolutions) {
  std::vector<uint8_t> first(5000);
  for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<uint8_t>(i * 7);
  install_archive({{"first.bin", first}, {"second.txt", {'s', 'e', 'c'}}});

  ASSERT_EQ(file_open(0, "Media/first.bin", 1), 1);
  ASSERT_TRUE(ctx.file_channels[0]->stream.is_memory());
  // The channel shares the entry's block with the archive holder.
  EXPECT_EQ(ctx.file_channels[0]->stream.block, ctx.archive_holders[kMemoryHolder]->block);
  // Later resolutions let the holder's reference go; the channel keeps its own.
  ASSERT_EQ(file_open(1, "second.txt", 1), 1);
  RtString other = "first.bin";
  ASSERT_TRUE(path_resolve(other));
  RtString s;
  file_read_string(1, s, 3);
  EXPECT_EQ(s, "sec");
  file_read_string(0, s, 5000);
  ASSERT_EQ(s.length, 5000u);
  EXPECT_EQ(std::memcmp(s.data, first.data(), first.size()), 0);
  file_close(0);
  file_close(1);
  EXPECT_EQ(ctx.file_channels[0]->stream.block, nullptr);
}

}  // namespace
}  // namespace zrv
