// The appended archive: lookups in memory and file mode, the holders'
// lifecycle, damaged and hostile archives, and the packer program.
#include "files/archive.hpp"

#include <gtest/gtest.h>
#include <lzo1x.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "child_process.hpp"
#include "files/paths.hpp"
#include "files/rt_file.hpp"
#include "files_test_util.hpp"
#include "gfx/sprites.hpp"
#include "platform/platform.hpp"

namespace zrv {
namespace {

using test::ScratchDir;
using Bytes = std::vector<uint8_t>;

Bytes bytes_of(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes pattern(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  // Runs and noise, so that the compressor has something to do.
  for (size_t i = 0; i < n; ++i)
    b[i] = (i / 37) % 3 == 0 ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(i / 37);
  return b;
}

void put32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes lzo_compress(const Bytes& in) {
  static bool ready = lzo_init() == LZO_E_OK;
  EXPECT_TRUE(ready);
  Bytes work(LZO1X_1_MEM_COMPRESS);
  Bytes out(in.size() + in.size() / 16 + 64 + 3);
  lzo_uint n = 0;
  static const uint8_t kNone = 0;
  lzo1x_1_compress(in.empty() ? &kNone : in.data(), in.size(), out.data(), &n, work.data());
  out.resize(n);
  return out;
}

// An archive written by hand, independent of archive_build, with offsets
// from the start of the file (D >= 0) behind a prefix of the given size.
struct RawEntry {
  std::string name;
  Bytes stored;  // U + stream
};

Bytes absolute_archive(const Bytes& prefix, const std::vector<RawEntry>& entries) {
  Bytes out = prefix;
  std::vector<uint32_t> offsets;
  for (const RawEntry& e : entries) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    out.insert(out.end(), e.stored.begin(), e.stored.end());
  }
  const uint32_t dir = static_cast<uint32_t>(out.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    out.push_back(static_cast<uint8_t>(entries[i].name.size()));
    out.insert(out.end(), entries[i].name.begin(), entries[i].name.end());
    put32(out, offsets[i]);
    put32(out, static_cast<uint32_t>(entries[i].stored.size()));
  }
  out.push_back(0);
  out.insert(out.end(), {'t', 'b', 'X'});
  put32(out, dir);
  return out;
}

RawEntry raw_entry(const std::string& name, const Bytes& content) {
  RawEntry e{name, {}};
  put32(e.stored, static_cast<uint32_t>(content.size()));
  Bytes packed = lzo_compress(content);
  e.stored.insert(e.stored.end(), packed.begin(), packed.end());
  return e;
}

Bytes built_archive(const std::vector<ArchiveSource>& sources) {
  Bytes out;
  std::string error;
  EXPECT_TRUE(archive_build(sources, out, &error)) << error;
  return out;
}

Bytes read_all(const char* name) {
  RtFile f;
  if (!f.open_read(name)) return {};
  Bytes b(static_cast<size_t>(f.size));
  if (!b.empty()) f.read(b.data(), f.size);
  return b;
}

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir_.file("tmp"));
    archive_holders_create();
  }
  void TearDown() override { archive_holders_destroy(); }

  ArchiveHolder* memory() { return ctx.archive_holders[kMemoryHolder]; }
  ArchiveHolder* files() { return ctx.archive_holders[kFileHolder]; }

  // A "program": some bytes with the archive appended, pointed at by both holders.
  std::string program_with(const Bytes& archive, const std::string& file = "game.bin") {
    Bytes program = bytes_of(
        "\x7f"
        "ELF pretend program bytes ");
    program.insert(program.end(), archive.begin(), archive.end());
    const std::string path = dir_.file(file);
    test::write_file(path, program);
    archive_set(path.c_str(), path.c_str());
    return path;
  }

  std::vector<ArchiveSource> media() {
    return {{"duck.png", pattern(5000, 1)}, {"Shot.WAV", pattern(777, 2)}, {"empty.txt", {}}};
  }

  ScratchDir dir_;
  test::TmpdirOverride tmp_{dir_.file("tmp")};
};

TEST_F(ArchiveTest, FindsEntriesByFileNamePartIgnoringCase) {
  auto sources = media();
  program_with(built_archive(sources));
  char out[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(memory(), "Media/Duck.PNG", out, true));
  EXPECT_TRUE(memfile_is_name(out));
  EXPECT_EQ(read_all(out), sources[0].bytes);
  ASSERT_TRUE(archive_lookup(memory(), "C:\\x\\shot.wav", out, true));
  EXPECT_EQ(read_all(out), sources[1].bytes);
  ASSERT_TRUE(archive_lookup(memory(), "empty.txt", out, true));
  EXPECT_TRUE(read_all(out).empty());
  RtFile f;
  EXPECT_TRUE(f.open_read(out));
  EXPECT_EQ(f.size, 0);
  // Only whole names match.
  for (const char* miss : {"duck", "duck.pn", "uck.png", "duck.png2", "Media/", "other.png"}) {
    EXPECT_FALSE(archive_lookup(memory(), miss, out, true)) << miss;
    EXPECT_STREQ(out, "");
    EXPECT_EQ(memory()->enabled, 1) << "a missing entry keeps the archive in use";
  }
}

TEST_F(ArchiveTest, EntriesWithAFolderPartAreNeverFound) {
  Bytes content = pattern(100, 3);
  Bytes file = absolute_archive(
      bytes_of("prefix"), {raw_entry("sub/duck.png", content), raw_entry("duck.png", content)});
  test::write_file(dir_.file("p.bin"), file);
  archive_set(dir_.file("p.bin").c_str(), "");
  char out[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(memory(), "sub/duck.png", out, true));
  // Found the flat entry, the only one a file-name part can equal.
  EXPECT_EQ(read_all(out), content);
  Bytes only_sub = absolute_archive(bytes_of("prefix"), {raw_entry("sub/duck.png", content)});
  test::write_file(dir_.file("p.bin"), only_sub);
  EXPECT_FALSE(archive_lookup(memory(), "sub/duck.png", out, true));
  EXPECT_FALSE(archive_lookup(memory(), "duck.png", out, true));
}

TEST_F(ArchiveTest, DiskWinsOverTheArchive) {
  auto sources = media();
  program_with(built_archive(sources));
  const std::string on_disk = dir_.file("duck.png");
  test::write_file(on_disk, std::string("from disk"));
  char out[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(memory(), on_disk.c_str(), out, true));
  EXPECT_EQ(std::string(out), on_disk);
  EXPECT_EQ(memory()->block, nullptr);
  RtString name(on_disk.c_str());
  EXPECT_TRUE(path_resolve(name));
  EXPECT_EQ(std::string(name.c_str()), on_disk);
  // A directory on disk does not count as the file.
  std::filesystem::create_directory(dir_.file("Shot.WAV"));
  ASSERT_TRUE(archive_lookup(memory(), dir_.file("Shot.WAV").c_str(), out, true));
  EXPECT_TRUE(memfile_is_name(out));
}

TEST_F(ArchiveTest, ResolvingAgainFreesThePreviousBlock) {
  auto sources = media();
  program_with(built_archive(sources));
  RtString first("Media/duck.png");
  ASSERT_TRUE(path_resolve(first));
  ASSERT_TRUE(memfile_is_name(first.c_str()));
  EXPECT_EQ(read_all(first.c_str()), sources[0].bytes);
  RtString second("shot.wav");
  ASSERT_TRUE(path_resolve(second));
  EXPECT_EQ(read_all(second.c_str()), sources[1].bytes);
  RtFile f;
  EXPECT_FALSE(f.open_read(first.c_str())) << "the first block was freed";
  RtString missing("nope.png");
  EXPECT_FALSE(path_resolve(missing));
  EXPECT_STREQ(missing.c_str(), "nope.png");
  EXPECT_FALSE(f.open_read(second.c_str())) << "every lookup releases the last result";
  RtString empty;
  EXPECT_FALSE(path_resolve(empty));
  // Resolving a resolved name again keeps its block alive.
  RtString third("duck.png");
  ASSERT_TRUE(path_resolve(third));
  RtString again = third;
  EXPECT_TRUE(path_resolve(again));
  EXPECT_STREQ(again.c_str(), third.c_str());
  EXPECT_EQ(read_all(third.c_str()), sources[0].bytes);
  // A live memory-file name resolves to itself.
  Bytes block = bytes_of("abc");
  RtString mem = memfile_name(block.data(), 3);
  RtString copy = mem;
  EXPECT_TRUE(path_resolve(copy));
  EXPECT_STREQ(copy.c_str(), mem.c_str());
  memfile_unregister(block.data());
  EXPECT_FALSE(path_resolve(copy));
}

TEST_F(ArchiveTest, HolderIsDisabledWithoutArchiveAndReenabledBySet) {
  const std::string plain = dir_.file("plain.bin");
  test::write_file(plain, std::string("a program without any archive at its end"));
  archive_set(plain.c_str(), plain.c_str());
  char out[kPathBufferSize];
  EXPECT_FALSE(archive_lookup(memory(), "duck.png", out, true));
  EXPECT_EQ(memory()->enabled, 0);
  // Later lookups do not look at the file again: an archive that appears
  // now is not seen until archive_set.
  Bytes file = bytes_of("program ");
  Bytes archive = built_archive(media());
  file.insert(file.end(), archive.begin(), archive.end());
  test::write_file(plain, file);
  EXPECT_FALSE(archive_lookup(memory(), "duck.png", out, true));
  EXPECT_EQ(files()->enabled, 1);
  archive_set(plain.c_str(), plain.c_str());
  EXPECT_EQ(memory()->enabled, 1);
  EXPECT_TRUE(archive_lookup(memory(), "duck.png", out, true));

  archive_set("", dir_.file("missing.bin").c_str());
  EXPECT_FALSE(archive_lookup(memory(), "duck.png", out, true));
  EXPECT_EQ(memory()->enabled, 0);
  EXPECT_FALSE(archive_lookup(files(), "duck.png", out, false));
  EXPECT_EQ(files()->enabled, 0);
  const std::string tiny = dir_.file("tiny.bin");
  test::write_file(tiny, std::string("tbX"));
  archive_set(tiny.c_str(), tiny.c_str());
  EXPECT_FALSE(archive_lookup(memory(), "duck.png", out, true));
  EXPECT_EQ(memory()->enabled, 0);
}

TEST_F(ArchiveTest, TemporaryNameRule) {
  const std::string tmp = platform::run_folder() + "/";
  EXPECT_EQ(std::string(archive_temp_name("intro.avi", 300, 27).c_str()), tmp + "tbxSBintro.avi");
  EXPECT_EQ(std::string(archive_temp_name("a", 0, 25).c_str()), tmp + "tbxAZa");
  // Offsets counted from the end are negative: their low byte gives the letter.
  EXPECT_EQ(std::string(archive_temp_name("a", -300, 26).c_str()), tmp + "tbxEAa");
}

TEST_F(ArchiveTest, FileModeExtractsToTheTemporaryName) {
  auto sources = media();
  const std::string program = program_with(built_archive(sources));
  RtFile f;
  ASSERT_TRUE(f.open_read(program.c_str()));
  std::vector<ArchiveEntry> entries;
  ASSERT_TRUE(archive_read_directory(f, entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "duck.png");
  EXPECT_LT(entries[0].offset, 0);

#ifndef _WIN32
  // A link planted in the shared temporary folder under the entry's name
  // leads nowhere: entries go to the run's private folder.
  const std::string victim = dir_.file("victim.txt");
  test::write_file(victim, std::string("mine"));
  const std::string leaf =
      path_file_part(archive_temp_name("duck.png", entries[0].offset, entries[0].stored).c_str());
  std::filesystem::create_symlink(victim, dir_.file("tmp/" + leaf));
#endif
  char out[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(files(), "Media/DUCK.png", out, false));
  const std::string expected =
      archive_temp_name("duck.png", entries[0].offset, entries[0].stored).c_str();
  EXPECT_EQ(std::string(out), expected);
#ifndef _WIN32
  EXPECT_EQ(test::read_file(victim), "mine");
  struct stat st;
  ASSERT_EQ(lstat(out, &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
  EXPECT_EQ(std::string(files()->extracted_path), expected);
  EXPECT_EQ(test::read_bytes(out), sources[0].bytes);
  // The next lookup on the holder removes the temporary file.
  ASSERT_TRUE(archive_lookup(files(), "shot.wav", out, false));
  EXPECT_FALSE(test::exists_on_disk(expected));
  EXPECT_EQ(test::read_bytes(out), sources[1].bytes);
  const std::string second = out;
  // A failed lookup also releases it.
  EXPECT_FALSE(archive_lookup(files(), "nothing", out, false));
  EXPECT_FALSE(test::exists_on_disk(second));
  EXPECT_STREQ(files()->extracted_path, "");

  // Shutdown deletes what is left and frees the memory holder's block.
  ASSERT_TRUE(archive_lookup(files(), "duck.png", out, false));
  char mem[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(memory(), "duck.png", mem, true));
  archive_holders_destroy();
  EXPECT_EQ(ctx.archive_holders[0], nullptr);
  EXPECT_EQ(ctx.archive_holders[1], nullptr);
  EXPECT_FALSE(test::exists_on_disk(expected));
  EXPECT_FALSE(f.open_read(mem));
  // Without holders resolution sees the disk alone.
  RtString name("duck.png");
  EXPECT_FALSE(path_resolve(name));
  RtString disk(program.c_str());
  EXPECT_TRUE(path_resolve(disk));
}

TEST_F(ArchiveTest, FileModeFailsWhenTheTemporaryFolderIsUnusable) {
  program_with(built_archive(media()));
  test::TmpdirOverride gone(dir_.file("no/such/folder"));
  char out[kPathBufferSize];
  EXPECT_FALSE(archive_lookup(files(), "duck.png", out, false));
  EXPECT_STREQ(out, "");
}

TEST_F(ArchiveTest, OffsetsFromTheStartOfTheFile) {
  Bytes a = pattern(3000, 7);
  Bytes b = bytes_of("short text");
  Bytes file = absolute_archive(pattern(1000, 9), {raw_entry("a.bin", a), raw_entry("B.txt", b)});
  test::write_file(dir_.file("abs.bin"), file);
  archive_set(dir_.file("abs.bin").c_str(), dir_.file("abs.bin").c_str());
  char out[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(memory(), "A.BIN", out, true));
  EXPECT_EQ(read_all(out), a);
  ASSERT_TRUE(archive_lookup(files(), "b.txt", out, false));
  EXPECT_EQ(test::read_bytes(out), b);
}

TEST_F(ArchiveTest, ArchiveInsideAMemoryBlock) {
  auto sources = media();
  Bytes block = bytes_of("header ");
  Bytes archive = built_archive(sources);
  block.insert(block.end(), archive.begin(), archive.end());
  RtString name = memfile_name(block.data(), static_cast<uint32_t>(block.size()));
  archive_set(name.c_str(), name.c_str());
  char out[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(memory(), "shot.wav", out, true));
  EXPECT_EQ(read_all(out), sources[1].bytes);
  memfile_unregister(block.data());
}

// Builds "prefix + archive" with a hand-made directory entry.
Bytes with_entry(const std::string& name, int32_t offset, int32_t stored, const Bytes& data) {
  Bytes out = bytes_of("PROGRAM!");
  out.insert(out.end(), data.begin(), data.end());
  uint32_t dir = static_cast<uint32_t>(out.size());
  out.push_back(static_cast<uint8_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  put32(out, static_cast<uint32_t>(offset));
  put32(out, static_cast<uint32_t>(stored));
  out.push_back(0);
  out.insert(out.end(), {'t', 'b', 'X'});
  put32(out, dir);
  return out;
}

TEST_F(ArchiveTest, HostileDirectoriesFailTheLookup) {
  Bytes content = pattern(200, 4);
  RawEntry good = raw_entry("x.bin", content);
  const int32_t at = 8;  // behind "PROGRAM!"
  const int32_t s = static_cast<int32_t>(good.stored.size());
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"data beyond the end", with_entry("x.bin", at + 1000, s, good.stored)},
      {"length beyond the end", with_entry("x.bin", at, s + 1000, good.stored)},
      {"negative offset from the start", with_entry("x.bin", -5, s, good.stored)},
      {"huge length", with_entry("x.bin", at, 0x7FFFFFFF, good.stored)},
      {"stored length below 4", with_entry("x.bin", at, 3, good.stored)},
      {"negative length", with_entry("x.bin", at, -20, good.stored)},
  };
  char out[kPathBufferSize];
  for (const Case& c : cases) {
    test::write_file(dir_.file("h.bin"), c.file);
    archive_set(dir_.file("h.bin").c_str(), dir_.file("h.bin").c_str());
    EXPECT_FALSE(archive_lookup(memory(), "x.bin", out, true)) << c.what;
    EXPECT_FALSE(archive_lookup(files(), "x.bin", out, false)) << c.what;
  }
  // The sane version of the same file works.
  test::write_file(dir_.file("h.bin"), with_entry("x.bin", at, s, good.stored));
  archive_set(dir_.file("h.bin").c_str(), "");
  ASSERT_TRUE(archive_lookup(memory(), "x.bin", out, true));
  EXPECT_EQ(read_all(out), content);

  // Directory offsets outside the file, and a directory without end mark.
  Bytes trailer_only = bytes_of("tbX");
  put32(trailer_only, 5000);
  Bytes before_start = bytes_of(
      "abcdefgh"
      "tbX");
  put32(before_start, static_cast<uint32_t>(-100));
  Bytes no_end = {0, 0, 0, 0, 5, 'y', '.', 'b', 'i', 'n'};  // one entry, no end mark
  put32(no_end, 0);
  put32(no_end, 4);
  no_end.insert(no_end.end(), {'t', 'b', 'X'});
  put32(no_end, 4);
  for (const Bytes& f : {trailer_only, before_start, no_end}) {
    test::write_file(dir_.file("h.bin"), f);
    archive_set(dir_.file("h.bin").c_str(), "");
    EXPECT_FALSE(archive_lookup(memory(), "x.bin", out, true));
  }
}

TEST_F(ArchiveTest, ADamagedEntryHidesNoEntryAfterIt) {
  const Bytes content = pattern(300, 6);
  const Bytes prefix = bytes_of("PROGRAM!");
  Bytes file = absolute_archive(
      prefix, {raw_entry("bad.bin", pattern(100, 7)), raw_entry("good.bin", content)});
  // The first directory entry's data offset now points far past the end.
  const size_t dir = prefix.size() + raw_entry("bad.bin", pattern(100, 7)).stored.size() +
                     raw_entry("good.bin", content).stored.size();
  file[dir + 1 + 7 + 3] = 0x40;
  test::write_file(dir_.file("h.bin"), file);
  archive_set(dir_.file("h.bin").c_str(), "");
  char out[kPathBufferSize];
  EXPECT_FALSE(archive_lookup(memory(), "bad.bin", out, true));
  ASSERT_TRUE(archive_lookup(memory(), "good.bin", out, true));
  EXPECT_EQ(read_all(out), content);
}

TEST_F(ArchiveTest, BrokenStreamsGiveAnEmptyBlock) {
  Bytes content = pattern(4000, 5);
  RawEntry e = raw_entry("x.bin", content);
  const int32_t s = static_cast<int32_t>(e.stored.size());
  Bytes absurd = e.stored;  // claims 4 GiB from a few hundred bytes
  absurd[0] = absurd[1] = absurd[2] = absurd[3] = 0xFF;
  Bytes too_small = e.stored;  // claims less than the stream produces
  too_small[0] = 10;
  too_small[1] = too_small[2] = too_small[3] = 0;
  Bytes too_big = e.stored;  // claims more than the stream produces
  too_big[0] = static_cast<uint8_t>(content.size() + 1);
  too_big[1] = static_cast<uint8_t>((content.size() + 1) >> 8);
  Bytes garbage = e.stored;
  for (size_t i = 4; i < garbage.size(); i += 3) garbage[i] ^= 0x5A;
  char out[kPathBufferSize];
  for (const Bytes* stored : {&absurd, &too_small, &too_big, &garbage}) {
    test::write_file(dir_.file("c.bin"), with_entry("x.bin", 8, s, *stored));
    archive_set(dir_.file("c.bin").c_str(), dir_.file("c.bin").c_str());
    ASSERT_TRUE(archive_lookup(memory(), "x.bin", out, true));
    RtFile f;
    ASSERT_TRUE(f.open_read(out));
    EXPECT_EQ(f.size, 0);
    ASSERT_TRUE(archive_lookup(files(), "x.bin", out, false));
    EXPECT_TRUE(test::read_bytes(out).empty());
  }
}

// An entry may hold 256 MiB: a real stream that would give more (a few
// MiB of zeros packed from a program of that size) reads as damaged instead
// of taking the memory; packing refuses it. A loader that cannot use an
// entry lets its bytes go at once.
TEST_F(ArchiveTest, EntriesAreCappedAndAFailedLoadLetsTheBytesGo) {
  const Bytes zeros(size_t{kArchiveEntryMaxBytes} + 1, 0);
  RawEntry big = raw_entry("big.bin", zeros);
  ASSERT_LT(big.stored.size(), size_t{4} << 20);
  test::write_file(
      dir_.file("big.bin"),
      absolute_archive(bytes_of("program"), {big, raw_entry("x.png", pattern(99, 3))}));
  archive_set(dir_.file("big.bin").c_str(), dir_.file("big.bin").c_str());
  char out[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(memory(), "big.bin", out, true));
  EXPECT_EQ(read_all(out).size(), 0u);
  Bytes packed;
  std::string error;
  EXPECT_FALSE(archive_build({{"big.bin", zeros}}, packed, &error));
  EXPECT_EQ(error, "entry larger than 256 MiB: big.bin");

  int32_t w = 0, h = 0;
  RtArray<int32_t> pixels;
  EXPECT_FALSE(image_file_to_array("x.png", &w, &h, pixels));  // not a picture
  EXPECT_EQ(memory()->block, nullptr);
}

TEST_F(ArchiveTest, EveryTruncationAndManyCorruptionsAreSafe) {
  auto sources = media();
  Bytes full = bytes_of("prog");
  Bytes archive = built_archive(sources);
  full.insert(full.end(), archive.begin(), archive.end());
  char out[kPathBufferSize];
  // Truncated copies live in exactly-sized memory blocks, so that any read
  // outside them is caught by the sanitizers.
  for (size_t n = 0; n <= full.size(); n += (n < 64 || full.size() - n < 64) ? 1 : 61) {
    auto block = std::make_unique<uint8_t[]>(n + 1);
    std::memcpy(block.get(), full.data(), n);
    RtString name = memfile_name(block.get(), static_cast<uint32_t>(n));
    archive_set(name.c_str(), "");
    for (const ArchiveSource& src : sources) {
      if (archive_lookup(memory(), src.name.c_str(), out, true)) {
        Bytes got = read_all(out);
        EXPECT_TRUE(got == src.bytes || got.empty()) << n;
      }
    }
    memfile_unregister(block.get());
  }
  std::mt19937 rng(99);
  for (int round = 0; round < 400; ++round) {
    Bytes bad = full;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < flips; ++i) {
      // Mostly the directory and trailer, sometimes anywhere.
      size_t at = rng() % 2 ? bad.size() - 1 - rng() % std::min<size_t>(bad.size(), 60)
                            : rng() % bad.size();
      bad[at] = static_cast<uint8_t>(rng());
    }
    RtString name = memfile_name(bad.data(), static_cast<uint32_t>(bad.size()));
    archive_set(name.c_str(), "");
    for (const ArchiveSource& src : sources) {
      if (archive_lookup(memory(), src.name.c_str(), out, true)) {
        RtFile f;
        EXPECT_TRUE(f.open_read(out));
      }
    }
    memfile_unregister(bad.data());
  }
}

// Read system calls this process has made so far, -1 where the kernel
// does not count them.
// The read calls this process has made so far, or -1 when they are not
// counted (Wine's /proc is the Linux process's, whose own reads would count).
int64_t read_calls() {
#ifndef _WIN32
  std::ifstream io("/proc/self/io");
  std::string key;
  int64_t value = 0;
  while (io >> key >> value) {
    if (key == "syscr:") return value;
  }
#endif
  return -1;
}

TEST_F(ArchiveTest, TheDirectoryIsReadOnceForManyLookups) {
  std::vector<ArchiveSource> sources;
  for (int i = 0; i < 200; ++i) {
    sources.push_back(
        {"asset" + std::to_string(i) + ".png", pattern(64, static_cast<uint32_t>(i))});
  }
  const std::string program = program_with(built_archive(sources));
  char out[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(memory(), "asset199.png", out, true));
  const int64_t before = read_calls();
  if (before < 0) GTEST_SKIP() << "no count of the read calls of this process";
  constexpr int kLookups = 50;
  for (int i = 0; i < kLookups; ++i) {
    const std::string name = "Media/ASSET" + std::to_string(199 - i) + ".png";
    ASSERT_TRUE(archive_lookup(memory(), name.c_str(), out, true)) << name;
  }
  // A few reads per lookup for its entry, none for the 200 directory entries.
  EXPECT_LT(read_calls() - before, kLookups * 4);
  EXPECT_EQ(read_all(out), sources[199 - kLookups + 1].bytes);

  // A new archive in the same file is read anew.
  Bytes program_bytes = bytes_of("another program ");
  Bytes other = built_archive({{"other.png", pattern(10, 1)}});
  program_bytes.insert(program_bytes.end(), other.begin(), other.end());
  test::write_file(program, program_bytes);
  EXPECT_FALSE(archive_lookup(memory(), "asset0.png", out, true));
  ASSERT_TRUE(archive_lookup(memory(), "other.png", out, true));
  EXPECT_EQ(read_all(out), pattern(10, 1));
}

TEST(ArchiveBuild, RejectsNamesTheLookupCouldNotFind) {
  Bytes out;
  std::string error;
  EXPECT_FALSE(archive_build({{"sub/a.png", {1}}}, out, &error));
  EXPECT_FALSE(archive_build({{"a\\b.png", {1}}}, out, &error));
  EXPECT_FALSE(archive_build({{"", {1}}}, out, &error));
  EXPECT_FALSE(archive_build({{std::string(256, 'n'), {1}}}, out, &error));
  EXPECT_FALSE(archive_build({{"A.png", {1}}, {"a.PNG", {2}}}, out, &error));
  EXPECT_NE(error.find("case"), std::string::npos);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(archive_build({{std::string(255, 'n'), {1}}}, out, &error));
  EXPECT_TRUE(archive_build({}, out, &error));
  // An empty archive: end mark and trailer only.
  ASSERT_EQ(out.size(), 8u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(std::string(out.begin() + 1, out.begin() + 4), "tbX");
}

// --- the packer program ---

// Runs a program (in the given folder, if any); its exit status or -1.
int run(const std::vector<std::string>& args, const std::string& stdout_file = "",
        const std::string& folder = "") {
  return test::run_program(args, stdout_file, folder);
}

std::string text_of(const std::string& path) {
  Bytes b = test::read_bytes(path);
  return std::string(b.begin(), b.end());
}

TEST_F(ArchiveTest, PackerPacksListsAndExtracts) {
  const std::string packer = ZRV_PACKER;
  // A small real program to carry the archive: it must still run.
#ifdef _WIN32
  const std::string program = packer;
#else
  std::string program = "/bin/true";
  if (!test::exists_on_disk(program)) program = packer;
#endif
  const std::string copy = dir_.file("prog");
  std::filesystem::copy_file(program, copy);

  const std::string media_dir = dir_.file("Media");
  std::filesystem::create_directories(media_dir + "/sounds");
  const Bytes png = test::read_bytes(test::testdata_path("pngsuite/basn6a08.png"));
  ASSERT_FALSE(png.empty());
  const Bytes wav = pattern(70000, 11);
  test::write_file(media_dir + "/duck.png", png);
  test::write_file(media_dir + "/sounds/Shot.wav", wav);
  test::write_file(media_dir + "/empty.txt", std::string());

  const std::string packed = dir_.file("packed");
  ASSERT_EQ(run({packer, "pack", copy, media_dir, packed}), 0);
  EXPECT_EQ(std::filesystem::file_size(packed),
            std::filesystem::file_size(copy) +
                built_archive({{"duck.png", png}, {"empty.txt", {}}, {"Shot.wav", wav}}).size());
  // The program still runs with its archive appended.
  if (program == "/bin/true") {
    EXPECT_EQ(run({packed}), 0);
  } else {
    EXPECT_EQ(run({packed, "list", packed}), 0);
  }
  // Packing onto a file that already carries an archive is refused.
  EXPECT_NE(run({packer, "pack", packed, media_dir, dir_.file("twice")}), 0);
  EXPECT_FALSE(test::exists_on_disk(dir_.file("twice")));

  archive_set(packed.c_str(), packed.c_str());
  char out[kPathBufferSize];
  ASSERT_TRUE(archive_lookup(memory(), "Media/duck.png", out, true));
  EXPECT_EQ(read_all(out), png);
  ASSERT_TRUE(archive_lookup(memory(), "Media/sounds/shot.WAV", out, true));
  EXPECT_EQ(read_all(out), wav);
  ASSERT_TRUE(archive_lookup(files(), "Shot.wav", out, false));
  EXPECT_EQ(test::read_bytes(out), wav);
  ASSERT_TRUE(archive_lookup(files(), "empty.txt", out, false));
  EXPECT_TRUE(test::exists_on_disk(out));

  const std::string listing = dir_.file("list.txt");
  ASSERT_EQ(run({packer, "list", packed}, listing), 0);
  const std::string list = text_of(listing);
  EXPECT_NE(list.find("duck.png"), std::string::npos);
  EXPECT_NE(list.find("Shot.wav"), std::string::npos);
  EXPECT_NE(list.find("70000"), std::string::npos);

  ASSERT_EQ(run({packer, "extract", packed, dir_.file("out")}), 0);
  EXPECT_EQ(test::read_bytes(dir_.file("out/duck.png")), png);
  EXPECT_EQ(test::read_bytes(dir_.file("out/Shot.wav")), wav);
  ASSERT_EQ(run({packer, "extract", packed, dir_.file("one"), "duck.png"}), 0);
  EXPECT_TRUE(test::exists_on_disk(dir_.file("one/duck.png")));
  EXPECT_FALSE(test::exists_on_disk(dir_.file("one/Shot.wav")));
  EXPECT_NE(run({packer, "extract", packed, dir_.file("two"), "missing.png"}), 0);
  EXPECT_NE(run({packer, "list", copy}), 0);
  EXPECT_NE(run({packer, "bogus"}), 0);
}

TEST_F(ArchiveTest, PackedProgramFindsItsPicturesFromAnEmptyFolder) {
  const std::string media_dir = dir_.file("Media");
  std::filesystem::create_directories(media_dir);
  std::filesystem::copy_file(test::testdata_path("pngsuite/basn6a08.png"), media_dir + "/duck.png");
  std::filesystem::copy_file(test::testdata_path("bmpsuite/g/pal8.bmp"), media_dir + "/back.bmp");
  const std::string packed = dir_.file("bin/probe");
  std::filesystem::create_directories(dir_.file("bin"));
  ASSERT_EQ(run({ZRV_PACKER, "pack", ZRV_MEDIA_PROBE, media_dir, packed}), 0);
  const std::string empty = dir_.file("empty");
  std::filesystem::create_directories(empty);
  const std::string out = dir_.file("probe.txt");
  EXPECT_EQ(run({packed, "Media/duck.png", "Media/Back.BMP", "smalfont.png"}, out, empty), 1);
  EXPECT_EQ(text_of(out), "Media/duck.png 32 32\nMedia/Back.BMP 127 64\nsmalfont.png missing\n");
  EXPECT_TRUE(std::filesystem::is_empty(empty));
  // The program without the archive finds nothing there.
  EXPECT_EQ(run({ZRV_MEDIA_PROBE, "Media/duck.png"}, out, empty), 1);
  EXPECT_EQ(text_of(out), "Media/duck.png missing\n");
}

}  // namespace
}  // namespace zrv
