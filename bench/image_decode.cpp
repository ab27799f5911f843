// Decoder throughput on the public test pictures, read from disk and from
// memory files, and the archive lookup a loader pays for every asset.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "files/archive.hpp"
#include "files/file_bytes.hpp"
#include "files/paths.hpp"
#include "gfx/image_codec.hpp"

namespace {

// The public test pictures: $ZRV_TESTDATA_DIR, else those of the tree.
std::string testdata(const std::string& rel) {
  if (const char* dir = std::getenv("ZRV_TESTDATA_DIR")) return std::string(dir) + "/" + rel;
  std::string here = __FILE__;
  here = here.substr(0, here.find_last_of('/'));
  return here + "/../tests/data/" + rel;
}

std::vector<uint8_t> slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Each pass reads the name into bytes and decodes them, as a loader does.
template <class Decode>
void decode_name(benchmark::State& state, const char* name, Decode decode) {
  zrv::RtImage image;
  for (auto _ : state) {
    zrv::FileBytes file;
    if (!zrv::file_read_bytes(name, &file) || !decode(image, file.bytes)) {
      state.SkipWithError("decode failed");
    }
    benchmark::DoNotOptimize(image.pixels);
  }
  state.SetItemsProcessed(state.iterations() * int64_t{image.width} * image.height);
}

template <class Decode>
void decode_file(benchmark::State& state, const std::string& rel, Decode decode) {
  decode_name(state, testdata(rel).c_str(), decode);
}

template <class Decode>
void decode_memory(benchmark::State& state, const std::string& rel, Decode decode) {
  std::vector<uint8_t> bytes = slurp(testdata(rel));
  zrv::RtString name = zrv::memfile_name(bytes.data(), static_cast<uint32_t>(bytes.size()));
  decode_name(state, name.c_str(), decode);
  zrv::memfile_unregister(bytes.data());
}

bool bmp(zrv::RtImage& image, std::span<const uint8_t> file) {
  return zrv::image_decode_bmp(image, file, 0x8000FF);
}
bool png(zrv::RtImage& image, std::span<const uint8_t> file) {
  return zrv::image_decode_png(image, file, 0x8000FF);
}
bool jpeg(zrv::RtImage& image, std::span<const uint8_t> file) {
  return zrv::image_decode_jpeg(image, file);
}

void BM_BmpRgb24File(benchmark::State& s) { decode_file(s, "bmpsuite/g/rgb24.bmp", bmp); }
void BM_BmpPal8RleMemory(benchmark::State& s) { decode_memory(s, "bmpsuite/g/pal8rle.bmp", bmp); }
void BM_PngRgbaMemory(benchmark::State& s) { decode_memory(s, "pngsuite/basn6a08.png", png); }
void BM_PngPaletteFile(benchmark::State& s) { decode_file(s, "pngsuite/tbbn3p08.png", png); }
void BM_JpegFile(benchmark::State& s) { decode_file(s, "jpeg/testorig.jpg", jpeg); }

// Resolving a name from an archive of 64 entries in a memory block.
void BM_ArchiveLookup(benchmark::State& state) {
  std::vector<zrv::ArchiveSource> sources;
  for (int i = 0; i < 64; ++i) {
    sources.push_back({"asset" + std::to_string(i) + ".png",
                       std::vector<uint8_t>(4096, static_cast<uint8_t>(i))});
  }
  std::vector<uint8_t> archive;
  std::string error;
  zrv::archive_build(sources, archive, &error);
  zrv::RtString name = zrv::memfile_name(archive.data(), static_cast<uint32_t>(archive.size()));
  zrv::archive_holders_create();
  zrv::archive_set(name.c_str(), "");
  for (auto _ : state) {
    zrv::RtString wanted("Media/asset63.png");
    if (!zrv::path_resolve(wanted)) state.SkipWithError("lookup failed");
    benchmark::DoNotOptimize(wanted.data);
  }
  zrv::archive_holders_destroy();
  zrv::memfile_unregister(archive.data());
}

}  // namespace

BENCHMARK(BM_BmpRgb24File);
BENCHMARK(BM_BmpPal8RleMemory);
BENCHMARK(BM_PngRgbaMemory);
BENCHMARK(BM_PngPaletteFile);
BENCHMARK(BM_JpegFile);
BENCHMARK(BM_ArchiveLookup);
