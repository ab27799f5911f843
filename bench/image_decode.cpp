// Decoder throughput on the public test pictures, from disk and from memory
// files, and the archive lookup a loader pays for every asset.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "files/archive.hpp"
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

template <bool (*Decode)(zrv::RtImage&, const char*, int32_t)>
void decode_file(benchmark::State& state, const std::string& rel) {
  const std::string path = testdata(rel);
  zrv::RtImage image;
  for (auto _ : state) {
    if (!Decode(image, path.c_str(), 0x8000FF)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image.pixels);
  }
  state.SetItemsProcessed(state.iterations() * int64_t{image.width} * image.height);
}

template <bool (*Decode)(zrv::RtImage&, const char*, int32_t)>
void decode_memory(benchmark::State& state, const std::string& rel) {
  std::vector<uint8_t> bytes = slurp(testdata(rel));
  zrv::RtString name = zrv::memfile_name(bytes.data(), static_cast<uint32_t>(bytes.size()));
  zrv::RtImage image;
  for (auto _ : state) {
    if (!Decode(image, name.c_str(), 0x8000FF)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image.pixels);
  }
  state.SetItemsProcessed(state.iterations() * int64_t{image.width} * image.height);
  zrv::memfile_unregister(bytes.data());
}

void BM_BmpRgb24File(benchmark::State& s) {
  decode_file<zrv::image_decode_bmp>(s, "bmpsuite/g/rgb24.bmp");
}
void BM_BmpPal8RleMemory(benchmark::State& s) {
  decode_memory<zrv::image_decode_bmp>(s, "bmpsuite/g/pal8rle.bmp");
}
void BM_PngRgbaMemory(benchmark::State& s) {
  decode_memory<zrv::image_decode_png>(s, "pngsuite/basn6a08.png");
}
void BM_PngPaletteFile(benchmark::State& s) {
  decode_file<zrv::image_decode_png>(s, "pngsuite/tbbn3p08.png");
}

void BM_JpegFile(benchmark::State& state) {
  const std::string path = testdata("jpeg/testorig.jpg");
  zrv::RtImage image;
  for (auto _ : state) {
    if (!zrv::image_decode_jpeg(image, path.c_str())) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image.pixels);
  }
  state.SetItemsProcessed(state.iterations() * int64_t{image.width} * image.height);
}

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
