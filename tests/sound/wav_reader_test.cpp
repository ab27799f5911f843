// The WAV reader on the bytes of real files and memory files: chunk order, odd lengths
// with and without pad bytes, longer format chunks, LIST chunks and every
// way a file can be damaged.
#include "sound/wav_reader.hpp"

#include <gtest/gtest.h>

#include "files/file_bytes.hpp"
#include "files/paths.hpp"
#include "wav_files.hpp"

namespace zrv {
namespace {

using test::Bytes;
using test::chunk;
using test::fmt_body;
using test::riff;

struct Read {
  bool ok = false;
  WavFormat format;
  Bytes samples;
};

// Reads the name's bytes as the sound loader does.
Read read_name(const char* name) {
  FileBytes file;
  Read r;
  EXPECT_TRUE(file_read_bytes(name, &file));
  std::span<const uint8_t> samples;
  r.ok = wav_read(file.bytes, &r.format, &samples);
  r.samples.assign(samples.begin(), samples.end());
  return r;
}

Read read_from_file(const Bytes& bytes) {
  test::ScratchFolder dir;
  const std::string path = dir.file("t.wav");
  EXPECT_TRUE(test::write_file(path, bytes));
  return read_name(path.c_str());
}

Read read_from_memory(const Bytes& bytes) {
  // A block of its own (never null, even for no bytes) registered with the
  // exact length, so that nothing after it can be read.
  Bytes block(bytes);
  block.push_back(0xEE);
  RtString name = memfile_name(block.data(), static_cast<uint32_t>(bytes.size()));
  Read r = read_name(name.c_str());
  memfile_unregister(block.data());
  return r;
}

// Both ways of reading must agree.
Read read_both(const Bytes& bytes) {
  Read file = read_from_file(bytes);
  Read memory = read_from_memory(bytes);
  EXPECT_EQ(file.ok, memory.ok);
  EXPECT_EQ(file.samples, memory.samples);
  return file;
}

Bytes data_bytes(size_t n, uint8_t first = 1) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(first + i);
  return b;
}

TEST(WavReader, PlainFileGivesFormatAndSamples) {
  const Bytes data = data_bytes(40);
  Read r = read_both(riff({chunk("fmt ", fmt_body(2, 44100, 16)), chunk("data", data)}));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.format.format_tag, 1);
  EXPECT_EQ(r.format.channels, 2);
  EXPECT_EQ(r.format.samples_per_sec, 44100u);
  EXPECT_EQ(r.format.avg_bytes_per_sec, 44100u * 4);
  EXPECT_EQ(r.format.block_align, 4);
  EXPECT_EQ(r.format.bits_per_sample, 16);
  EXPECT_EQ(r.samples, data);
}

TEST(WavReader, ChunksAroundFormatAndDataAreSkipped) {
  const Bytes data = data_bytes(10, 50);
  Bytes list_body;
  test::put_id(list_body, "INFO");
  test::put_id(list_body, "INAM");
  test::put32(list_body, 4);
  test::put_id(list_body, "duck");
  Read r = read_both(riff({chunk("JUNK", Bytes(28, 0)), chunk("fmt ", fmt_body(1, 22050, 8)),
                           chunk("LIST", list_body), chunk("fact", Bytes{1, 0, 0, 0}),
                           chunk("data", data), chunk("cue ", Bytes(4, 9))}));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.format.channels, 1);
  EXPECT_EQ(r.format.bits_per_sample, 8);
  EXPECT_EQ(r.samples, data);
}

TEST(WavReader, LongerFormatChunksAreReadPastTheirExtraBytes) {
  const Bytes data = data_bytes(8);
  for (uint16_t extra : {2, 4, 24}) {
    Read r = read_both(riff({chunk("fmt ", fmt_body(1, 8000, 16, extra)), chunk("data", data)}));
    ASSERT_TRUE(r.ok) << "extra " << extra;
    EXPECT_EQ(r.format.samples_per_sec, 8000u);
    EXPECT_EQ(r.samples, data);
  }
}

TEST(WavReader, OddChunksReadWithAndWithoutTheirPadByte) {
  const Bytes data = data_bytes(6);
  for (bool pad : {true, false}) {
    // An odd format chunk (17 bytes) and an odd LIST chunk before the data.
    Read r =
        read_both(riff({chunk("fmt ", fmt_body(1, 11025, 16, 1), pad),
                        chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'x'}, pad), chunk("data", data)}));
    ASSERT_TRUE(r.ok) << "pad " << pad;
    EXPECT_EQ(r.format.samples_per_sec, 11025u);
    EXPECT_EQ(r.samples, data);
  }
}

TEST(WavReader, OddDataLengthIsReadAsIs) {
  const Bytes data = data_bytes(7);
  Read r = read_both(riff({chunk("fmt ", fmt_body(1, 8000, 8)), chunk("data", data)}));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.samples, data);
}

TEST(WavReader, EmptyDataChunkReads) {
  Read r = read_both(riff({chunk("fmt ", fmt_body(1, 8000, 8)), chunk("data", {})}));
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.samples.empty());
}

TEST(WavReader, TheRiffLengthIsNotChecked) {
  Bytes b = riff({chunk("fmt ", fmt_body(1, 8000, 8)), chunk("data", data_bytes(4))});
  b[4] = b[5] = b[6] = b[7] = 0;
  EXPECT_TRUE(read_both(b).ok);
}

TEST(WavReader, DamagedFilesFail) {
  const Bytes fmt = chunk("fmt ", fmt_body(1, 8000, 8));
  const Bytes data = chunk("data", data_bytes(16));
  const Bytes good = riff({fmt, data});
  ASSERT_TRUE(read_both(good).ok);

  Bytes not_riff = good;
  not_riff[0] = 'R';
  not_riff[3] = 'X';
  Bytes not_wave = good;
  not_wave[8] = 'A';
  Bytes short_fmt = riff({chunk("fmt ", Bytes(14, 1)), data});
  Bytes huge_skip = riff({chunk("JUNK", Bytes(4, 0)), fmt, data});
  huge_skip[16] = huge_skip[17] = huge_skip[18] = huge_skip[19] = 0xFF;
  Bytes long_data = good;
  long_data[long_data.size() - 16 - 4] = 17;  // one byte more than the file holds

  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"only RIFF", Bytes(good.begin(), good.begin() + 4)},
      {"header cut", Bytes(good.begin(), good.begin() + 11)},
      {"not RIFF", not_riff},
      {"not WAVE", not_wave},
      {"no chunks", riff({})},
      {"no format chunk", riff({data})},
      {"no data chunk", riff({fmt})},
      {"data before format", riff({data, fmt})},
      {"format cut", Bytes(good.begin(), good.begin() + 12 + 8 + 10)},
      {"chunk header cut", Bytes(good.begin(), good.begin() + 12 + 24 + 5)},
      {"data cut", Bytes(good.begin(), good.end() - 1)},
      {"data longer than the file", long_data},
      {"format chunk under 16 bytes", short_fmt},
      {"skip past the end", huge_skip},
  };
  for (const auto& c : cases) EXPECT_FALSE(read_both(c.bytes).ok) << c.what;
}

TEST(WavReader, SamplesAreTheBytesAfterTheDataHeader) {
  const Bytes data = data_bytes(12, 100);
  const Bytes b = riff({chunk("fmt ", fmt_body(1, 8000, 8, 2)), chunk("data", data)});
  WavFormat format;
  std::span<const uint8_t> samples;
  ASSERT_TRUE(wav_read(b, &format, &samples));
  EXPECT_EQ(samples.size(), 12u);
  EXPECT_EQ(samples.data(), b.data() + b.size() - 12);
  EXPECT_EQ(samples[0], 100);
}

}  // namespace
}  // namespace zrv
