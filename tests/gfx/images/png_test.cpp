// The PNG decoder: PngSuite against libpng's own whole-image decode, the
// colour key and transparency rules, memory files and damaged data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/errors.hpp"
#include "file_bytes_of.hpp"
#include "files/paths.hpp"
#include "gfx/image_codec.hpp"
#include "image_test_util.hpp"
#include "memory_limit.hpp"

namespace zrv {
namespace {

using test::Bytes;
using test::Picture;

std::vector<std::string> suite_names() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(test::testdata("pngsuite"))) {
    if (entry.path().extension() == ".png") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

Picture decode(const std::string& path, int32_t key = kNoColorKey, int* alpha = nullptr) {
  RtImage image;
  image_decode_png(image, test::file_bytes_of(path.c_str()), key, path.c_str());
  if (alpha != nullptr) *alpha = image.alpha_in_file;
  return test::picture_of(image);
}

TEST(PngSuite, GoodFilesDecodeLikeLibpng) {
  auto names = suite_names();
  ASSERT_EQ(names.size(), 175u);
  int decoded = 0;
  int grey_alpha = 0;
  for (const std::string& name : names) {
    if (name[0] == 'x') continue;
    const std::string path = test::testdata("pngsuite/" + name);
    Picture want = test::reference_png(path);
    ASSERT_TRUE(want.ok) << name;
    int alpha = -1;
    Picture got = decode(path, kNoColorKey, &alpha);
    ASSERT_TRUE(got.ok) << name;
    // Grey with alpha (also grey with a transparency chunk) comes out as
    // RGBA with the file's alpha.
    EXPECT_EQ(test::max_difference(got, want), 0) << name;
    EXPECT_EQ(alpha, want.channels == 4 || want.channels == 2 ? 1 : 0) << name;
    grey_alpha += want.channels == 2;
    ++decoded;
  }
  EXPECT_EQ(decoded, 161);
  EXPECT_GT(grey_alpha, 4);
}

TEST(PngSuite, CorruptFilesAreRejected) {
  test::ScratchDir log_dir;  // for the warnings logged on the way
  test::TmpdirOverride tmp(log_dir.path());
  int rejected = 0;
  for (const std::string& name : suite_names()) {
    if (name[0] != 'x') continue;
    RtImage image;
    EXPECT_FALSE(image_decode_png(
        image, test::file_bytes_of(test::testdata("pngsuite/" + name).c_str()), kNoColorKey))
        << name;
    EXPECT_TRUE(image.empty());
    EXPECT_FALSE(image_decode_any(image, test::testdata("pngsuite/" + name).c_str(), kNoColorKey))
        << name;
    ++rejected;
  }
  EXPECT_EQ(rejected, 14);
}

TEST(PngSuite, EncodingsOfOnePictureAgree) {
  // Compression levels, chunk splits and interlacing change the
  // file, never the picture.
  const std::vector<std::vector<std::string>> groups = {
      {"z00n2c08", "z03n2c08", "z06n2c08", "z09n2c08"},
      {"oi1n0g16", "oi2n0g16", "oi4n0g16", "oi9n0g16"},
      {"oi1n2c16", "oi2n2c16", "oi4n2c16", "oi9n2c16"},
      {"basn2c08", "basi2c08"},
      {"basn3p08", "basi3p08"},
      {"basn0g01", "basi0g01"},
      {"basn0g04", "basi0g04"},
      {"basn6a16", "basi6a16"},
      {"basn2c16", "basi2c16"},
      {"s09n3p02", "s09i3p02"},
      {"s40n3p04", "s40i3p04"},
  };
  for (const auto& group : groups) {
    Picture first = decode(test::testdata("pngsuite/" + group[0] + ".png"));
    ASSERT_TRUE(first.ok) << group[0];
    for (size_t i = 1; i < group.size(); ++i) {
      Picture other = decode(test::testdata("pngsuite/" + group[i] + ".png"));
      EXPECT_EQ(test::max_difference(first, other), 0) << group[0] << " vs " << group[i];
    }
  }
}

TEST(PngSuite, KnownPixels) {
  // basn0g01: 1-bit grey expanded to 0 and 255 only.
  Picture bw = decode(test::testdata("pngsuite/basn0g01.png"));
  ASSERT_TRUE(bw.ok);
  EXPECT_EQ(bw.width, 32);
  for (size_t i = 0; i < bw.rgba.size(); ++i) {
    ASSERT_TRUE(bw.rgba[i] == 0 || bw.rgba[i] == 255) << i;
  }
  // A palette file with a transparency chunk keeps its alpha values.
  int alpha = -1;
  Picture tm = decode(test::testdata("pngsuite/tm3n3p02.png"), kNoColorKey, &alpha);
  ASSERT_TRUE(tm.ok);
  EXPECT_EQ(alpha, 1);
  std::vector<int> levels;
  for (size_t i = 3; i < tm.rgba.size(); i += 4) levels.push_back(tm.rgba[i]);
  std::sort(levels.begin(), levels.end());
  levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
  EXPECT_GT(levels.size(), 2u) << "several transparency levels";
  // Grey with a transparency chunk, and grey with alpha: grey RGB, alpha
  // as in the file (ImageMagick writes a white shape on clear this way).
  for (const char* name : {"tbbn0g04", "basn4a08"}) {
    Picture ga =
        decode(test::testdata(std::string("pngsuite/") + name + ".png"), kNoColorKey, &alpha);
    ASSERT_TRUE(ga.ok) << name;
    EXPECT_EQ(alpha, 1) << name;
    bool clear = false;
    for (size_t i = 0; i < ga.rgba.size(); i += 4) {
      ASSERT_TRUE(ga.rgba[i] == ga.rgba[i + 1] && ga.rgba[i] == ga.rgba[i + 2]) << name << " " << i;
      clear = clear || ga.rgba[i + 3] == 0;
    }
    EXPECT_TRUE(clear) << name;
  }
}

void chunk(Bytes& out, const char* type, const Bytes& data) {
  const uint32_t n = static_cast<uint32_t>(data.size());
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  const uint32_t crc = static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size())));
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(crc >> (8 * i)));
}

// A well-formed RGB PNG of any stated size whose data holds one black row.
Bytes png_with_header(uint32_t width, uint32_t height) {
  Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes ihdr;
  for (uint32_t v : {width, height}) {
    for (int i = 3; i >= 0; --i) ihdr.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  chunk(out, "IHDR", ihdr);
  Bytes row(1 + static_cast<size_t>(std::min<uint32_t>(width, 1)) * 3, 0);
  Bytes packed(compressBound(static_cast<uLong>(row.size())));
  uLongf packed_len = static_cast<uLongf>(packed.size());
  compress(packed.data(), &packed_len, row.data(), static_cast<uLong>(row.size()));
  packed.resize(packed_len);
  chunk(out, "IDAT", packed);
  chunk(out, "IEND", {});
  return out;
}

class PngFiles : public ::testing::Test {
 protected:
  test::ScratchDir dir_;
  test::TmpdirOverride tmp_{dir_.path()};  // the log of the decodes
};

TEST_F(PngFiles, ColourKeyOnRgbButNotRgba) {
  const Bytes rgb = {255, 0, 128, 1, 2, 3};
  const std::string rgb_path = dir_.file("rgb.png");
  ASSERT_TRUE(test::write_test_png(rgb_path, 2, 1, PNG_COLOR_TYPE_RGB, rgb));
  int alpha = -1;
  Picture keyed = decode(rgb_path, 0x8000FF, &alpha);
  ASSERT_TRUE(keyed.ok);
  EXPECT_EQ(alpha, 0);
  EXPECT_EQ(keyed.rgba, (Bytes{0, 0, 0, 0, 1, 2, 3, 255}));
  EXPECT_EQ(decode(rgb_path).rgba, (Bytes{255, 0, 128, 255, 1, 2, 3, 255}));

  const std::string rgba_path = dir_.file("rgba.png");
  ASSERT_TRUE(test::write_test_png(rgba_path, 2, 1, PNG_COLOR_TYPE_RGBA,
                                   Bytes{255, 0, 128, 255, 9, 9, 9, 7}));
  Picture kept = decode(rgba_path, 0x8000FF, &alpha);
  EXPECT_EQ(alpha, 1);
  EXPECT_EQ(kept.rgba, (Bytes{255, 0, 128, 255, 9, 9, 9, 7}));

  // Grey pictures take no key.
  const std::string grey_path = dir_.file("grey.png");
  ASSERT_TRUE(test::write_test_png(grey_path, 2, 1, PNG_COLOR_TYPE_GRAY, Bytes{0, 200}));
  EXPECT_EQ(decode(grey_path, 0).rgba, (Bytes{0, 0, 0, 255, 200, 200, 200, 255}));
}

TEST_F(PngFiles, PaletteTransparencyAndGreyTransparency) {
  const std::string pal = dir_.file("pal.png");
  std::vector<png_color> palette = {{255, 0, 128}, {10, 20, 30}};
  ASSERT_TRUE(
      test::write_test_png(pal, 2, 1, PNG_COLOR_TYPE_PALETTE, Bytes{0, 1}, palette, Bytes{100}));
  int alpha = -1;
  Picture p = decode(pal, 0x8000FF, &alpha);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(alpha, 1);
  EXPECT_EQ(p.rgba, (Bytes{255, 0, 128, 100, 10, 20, 30, 255}));
  // Without the chunk a palette picture is RGB and takes the key.
  ASSERT_TRUE(test::write_test_png(pal, 2, 1, PNG_COLOR_TYPE_PALETTE, Bytes{0, 1}, palette));
  p = decode(pal, 0x8000FF, &alpha);
  EXPECT_EQ(alpha, 0);
  EXPECT_EQ(p.rgba, (Bytes{0, 0, 0, 0, 10, 20, 30, 255}));

  const std::string grey = dir_.file("greyt.png");
  png_color_16 key{};
  key.gray = 7;
  ASSERT_TRUE(test::write_test_png(grey, 2, 1, PNG_COLOR_TYPE_GRAY, Bytes{7, 8}, {}, {}, &key));
  p = decode(grey, 0x070707, &alpha);
  EXPECT_EQ(alpha, 1);
  EXPECT_EQ(p.rgba, (Bytes{7, 7, 7, 0, 8, 8, 8, 255}));
  const std::string grey_alpha = dir_.file("ga.png");
  ASSERT_TRUE(
      test::write_test_png(grey_alpha, 2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, Bytes{255, 0, 255, 200}));
  EXPECT_EQ(decode(grey_alpha, 0xFFFFFF).rgba, (Bytes{255, 255, 255, 0, 255, 255, 255, 200}));
  // A file that cannot be read says why: damaged, not unsupported.
  RtImage image;
  EXPECT_STREQ(image_read(image, dir_.file("missing.png").c_str(), kNoColorKey), "cannot be read");
  test::write_file(grey, Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0});
  EXPECT_STREQ(image_read(image, grey.c_str(), kNoColorKey), "damaged PNG image");
}

TEST_F(PngFiles, MemoryFilesAndDamagedData) {
  Bytes bytes = test::read_bytes(test::testdata("pngsuite/basn6a08.png"));
  ASSERT_FALSE(bytes.empty());
  Picture want = decode(test::testdata("pngsuite/basn6a08.png"));
  RtString name = memfile_name(bytes.data(), static_cast<uint32_t>(bytes.size()));
  Picture got = decode(name.c_str());
  EXPECT_EQ(test::max_difference(got, want), 0);
  memfile_unregister(bytes.data());

  // Every cut before the end chunk (the last 12 bytes) fails, from memory
  // and from disk.
  for (size_t n = 0; n + 12 < bytes.size(); n += 5) {
    auto block = std::make_unique<uint8_t[]>(n + 1);
    std::copy(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n), block.get());
    RtString cut = memfile_name(block.get(), static_cast<uint32_t>(n));
    RtImage image;
    EXPECT_FALSE(image_decode_png(image, test::file_bytes_of(cut.c_str()), kNoColorKey)) << n;
    memfile_unregister(block.get());
  }
  const std::string cut = dir_.file("cut.png");
  test::write_file(cut,
                   Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(bytes.size() / 2)));
  EXPECT_FALSE(decode(cut).ok);
  RtImage image;
  EXPECT_FALSE(
      image_decode_png(image, test::file_bytes_of(dir_.file("missing.png").c_str()), kNoColorKey));
  EXPECT_FALSE(image_decode_png(image, test::file_bytes_of(dir_.path().c_str()), kNoColorKey));
  // A header that claims a picture beyond the limits is refused before
  // anything is allocated for it.
  const std::string huge = dir_.file("huge.png");
  test::write_file(huge, png_with_header(30000, 30000));
  EXPECT_FALSE(image_decode_png(image, test::file_bytes_of(huge.c_str()), kNoColorKey));
  test::write_file(huge, png_with_header(40000, 1));
  EXPECT_FALSE(image_decode_png(image, test::file_bytes_of(huge.c_str()), kNoColorKey));
  // The same construction with a sane size is a valid picture.
  test::write_file(huge, png_with_header(1, 1));
  EXPECT_TRUE(image_decode_png(image, test::file_bytes_of(huge.c_str()), kNoColorKey));
}

// A short file whose header claims a big picture: refused as damaged
// before its size is allocated (a 177-byte file took 310 MB).
TEST_F(PngFiles, ShortFileClaimingAHugePictureAllocatesNothingForIt) {
  if (const char* why = test::memory_limit_missing()) GTEST_SKIP() << why;
  const std::string big = dir_.file("big.png");
  test::write_file(big, png_with_header(32767, 2048));
  const test::ChildResult r = test::run_with_memory_room(64 << 20, [&] {
    RtImage image;
    const char* why = image_read(image, big.c_str(), kNoColorKey);
    return why != nullptr && std::string(why) == "damaged PNG image";
  });
  EXPECT_TRUE(r.exited) << "signal " << r.signal;
  EXPECT_EQ(r.status, 0);
}

TEST_F(PngFiles, WarningsDoNotFailTheDecodeAndAreLoggedOncePerFile) {
  const Bytes good = test::read_bytes(test::testdata("pngsuite/basn2c08.png"));
  const Picture want = decode(test::testdata("pngsuite/basn2c08.png"));
  Bytes crc, unknown, intent;
  chunk(crc, "tEXt", {'C', 0, 'x'});
  crc.back() ^= 0x5A;  // a damaged ancillary chunk
  Bytes twice = crc;
  twice.insert(twice.end(), crc.begin(), crc.end());
  chunk(unknown, "zoRv", {1, 2, 3});  // private, not understood
  chunk(intent, "sRGB", {9});         // no such rendering intent
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"crc", crc}, {"twice", twice}, {"unknown", unknown}, {"intent", intent}};
  for (const auto& [stem, extra] : cases) {
    Bytes file(good.begin(), good.begin() + 33);  // signature and header
    file.insert(file.end(), extra.begin(), extra.end());
    file.insert(file.end(), good.begin() + 33, good.end());
    const std::string path = dir_.file(stem + ".png");
    test::write_file(path, file);
    EXPECT_EQ(test::max_difference(decode(path), want), 0) << stem;
    const Bytes log = test::read_bytes(log_path().c_str());
    const std::string text(log.begin(), log.end());
    int lines = 0;
    for (size_t at = text.find(path); at != std::string::npos; at = text.find(path, at + 1))
      ++lines;
    EXPECT_EQ(lines, stem == "unknown" ? 0 : 1) << stem << "\n" << text;
  }
}

TEST_F(PngFiles, NoDispatchByExtension) {
  // A BMP named .png goes to the BMP decoder, a PNG named .bmp to the PNG one.
  const std::string fake_png = dir_.file("x.png");
  test::write_file(fake_png, test::read_bytes(test::testdata("bmpsuite/g/rgb24.bmp")));
  RtImage image;
  EXPECT_FALSE(image_decode_png(image, test::file_bytes_of(fake_png.c_str()), kNoColorKey));
  ASSERT_TRUE(image_decode_any(image, fake_png.c_str(), kNoColorKey));
  EXPECT_EQ(image.width, 127);
  const std::string fake_bmp = dir_.file("y.bmp");
  test::write_file(fake_bmp, test::read_bytes(test::testdata("pngsuite/basn2c08.png")));
  ASSERT_TRUE(image_decode_any(image, fake_bmp.c_str(), kNoColorKey));
  EXPECT_EQ(image.width, 32);
}

}  // namespace
}  // namespace zrv
