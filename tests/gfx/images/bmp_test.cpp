// The BMP decoder: hand-made files for the layout rules and the damaged
// cases, and the BMP Suite against its reference renderings.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "file_bytes_of.hpp"
#include "files/paths.hpp"
#include "gfx/image_codec.hpp"
#include "image_test_util.hpp"

namespace zrv {
namespace {

using test::Bytes;
using test::Picture;

void put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
  put16(b, at, v);
  put16(b, at + 2, v >> 16);
}

// A BMP with a 40-byte header (or the 12-byte core header), the given
// palette entries (B, G, R[, 0]), optional bit-field masks and pixel data.
struct BmpSpec {
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bpp = 24;
  uint32_t compression = 0;
  bool core = false;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint32_t> masks;
  Bytes pixels;
  int64_t offset_override = -1;
};

Bytes make_bmp(const BmpSpec& s) {
  const size_t header = s.core ? 12 : 40;
  const size_t entry = s.core ? 3 : 4;
  const size_t offset = 14 + header + s.masks.size() * 4 + s.palette.size() * entry;
  Bytes b(offset, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 10, static_cast<uint32_t>(s.offset_override >= 0 ? s.offset_override : offset));
  put32(b, 14, static_cast<uint32_t>(header));
  if (s.core) {
    put16(b, 18, static_cast<uint32_t>(s.width));
    put16(b, 20, static_cast<uint32_t>(s.height));
    put16(b, 22, 1);
    put16(b, 24, s.bpp);
  } else {
    put32(b, 18, static_cast<uint32_t>(s.width));
    put32(b, 22, static_cast<uint32_t>(s.height));
    put16(b, 26, 1);
    put16(b, 28, s.bpp);
    put32(b, 30, s.compression);
    put32(b, 46, static_cast<uint32_t>(s.palette.size()));
  }
  size_t at = 14 + header;
  for (uint32_t m : s.masks) {
    put32(b, at, m);
    at += 4;
  }
  for (uint32_t c : s.palette) {
    b[at] = static_cast<uint8_t>(c);
    b[at + 1] = static_cast<uint8_t>(c >> 8);
    b[at + 2] = static_cast<uint8_t>(c >> 16);
    at += entry;
  }
  b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  put32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

// Decodes bytes through a memory-file name.
bool decode_bytes(RtImage& image, const Bytes& bytes, int32_t key = kNoColorKey) {
  Bytes copy = bytes;
  if (copy.empty()) copy.reserve(1);
  RtString name = memfile_name(copy.data(), static_cast<uint32_t>(bytes.size()));
  bool ok = image_decode_bmp(image, test::file_bytes_of(name.c_str()), key);
  memfile_unregister(copy.data());
  return ok;
}

std::vector<uint8_t> px(const RtImage& image, int x, int y) {
  const uint8_t* p = image.row(y) + x * 4;
  return {p[0], p[1], p[2], p[3]};
}

using RGBA = std::vector<uint8_t>;

TEST(BmpLayout, RowsArePaddedToFourBytes) {
  // 24 bits, 3 pixels wide: 9 bytes of pixels and 3 of padding per row.
  BmpSpec s;
  s.width = 3;
  s.height = 2;
  s.pixels = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0xEE, 0xEE, 0xEE,  // bottom row
              10, 20, 30, 40, 50, 60, 70, 80, 90, 0xEE, 0xEE, 0xEE};
  RtImage image;
  ASSERT_TRUE(decode_bytes(image, make_bmp(s)));
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.alpha_in_file, 0);
  EXPECT_EQ(px(image, 0, 0), (RGBA{30, 20, 10, 255}));
  EXPECT_EQ(px(image, 2, 0), (RGBA{90, 80, 70, 255}));
  EXPECT_EQ(px(image, 0, 1), (RGBA{3, 2, 1, 255}));
  EXPECT_EQ(px(image, 2, 1), (RGBA{9, 8, 7, 255}));

  // 1 bit, 10 pixels wide: 2 bytes of bits, rows of 4 bytes.
  BmpSpec one;
  one.width = 10;
  one.height = 2;
  one.bpp = 1;
  one.palette = {0x000000, 0xFFFFFF};
  one.pixels = {0b10000000, 0b01000000, 0xFF, 0xFF,  // bottom: x = 0 and x = 9 set
                0b01111111, 0b10000000, 0xFF, 0xFF};
  ASSERT_TRUE(decode_bytes(image, make_bmp(one)));
  EXPECT_EQ(px(image, 0, 1), (RGBA{255, 255, 255, 255}));
  EXPECT_EQ(px(image, 1, 1), (RGBA{0, 0, 0, 255}));
  EXPECT_EQ(px(image, 9, 1), (RGBA{255, 255, 255, 255}));
  EXPECT_EQ(px(image, 0, 0), (RGBA{0, 0, 0, 255}));
  EXPECT_EQ(px(image, 7, 0), (RGBA{255, 255, 255, 255}));
  EXPECT_EQ(px(image, 8, 0), (RGBA{255, 255, 255, 255}));
  EXPECT_EQ(px(image, 9, 0), (RGBA{0, 0, 0, 255}));

  // 4 bits, 1 pixel wide: one nibble, rows of 4 bytes.
  BmpSpec four;
  four.width = 1;
  four.height = 2;
  four.bpp = 4;
  four.palette = {0x102030, 0x405060, 0x708090};
  four.pixels = {0x20, 0xEE, 0xEE, 0xEE, 0x10, 0xEE, 0xEE, 0xEE};
  ASSERT_TRUE(decode_bytes(image, make_bmp(four)));
  EXPECT_EQ(px(image, 0, 0), (RGBA{0x40, 0x50, 0x60, 255}));
  EXPECT_EQ(px(image, 0, 1), (RGBA{0x70, 0x80, 0x90, 255}));
}

TEST(BmpLayout, SixteenBitColours) {
  BmpSpec s;
  s.width = 4;
  s.height = 1;
  s.bpp = 16;
  s.pixels = {0xFF, 0x7F, 0x21, 0x04, 0x00, 0x7C, 0x1F, 0x00};
  RtImage image;
  ASSERT_TRUE(decode_bytes(image, make_bmp(s)));
  EXPECT_EQ(px(image, 0, 0), (RGBA{255, 255, 255, 255}));
  EXPECT_EQ(px(image, 1, 0), (RGBA{8, 8, 8, 255}));
  EXPECT_EQ(px(image, 2, 0), (RGBA{255, 0, 0, 255}));
  EXPECT_EQ(px(image, 3, 0), (RGBA{0, 0, 255, 255}));

  // 5-6-5 bit fields.
  BmpSpec f = s;
  f.compression = 3;
  f.masks = {0xF800, 0x07E0, 0x001F};
  f.pixels = {0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0x20, 0x00};
  ASSERT_TRUE(decode_bytes(image, make_bmp(f)));
  EXPECT_EQ(px(image, 0, 0), (RGBA{255, 255, 255, 255}));
  EXPECT_EQ(px(image, 1, 0), (RGBA{255, 0, 0, 255}));
  EXPECT_EQ(px(image, 2, 0), (RGBA{0, 255, 0, 255}));
  EXPECT_EQ(px(image, 3, 0), (RGBA{0, 4, 0, 255}));  // 1 * 255 / 63

  // 32 bits: blue, green, red and an ignored byte; then masks.
  BmpSpec t;
  t.width = 1;
  t.height = 1;
  t.bpp = 32;
  t.pixels = {1, 2, 3, 4};
  ASSERT_TRUE(decode_bytes(image, make_bmp(t)));
  EXPECT_EQ(px(image, 0, 0), (RGBA{3, 2, 1, 255}));
  t.compression = 3;
  t.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
  ASSERT_TRUE(decode_bytes(image, make_bmp(t)));
  EXPECT_EQ(px(image, 0, 0), (RGBA{1, 2, 3, 255}));
}

TEST(BmpLayout, NegativeHeightMeansTopRowFirst) {
  BmpSpec up;
  up.width = 2;
  up.height = 3;
  up.bpp = 8;
  up.palette = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x808080};
  up.pixels = {0, 1, 0, 0, 2, 3, 0, 0, 4, 5, 0, 0};  // stored bottom row first
  BmpSpec down = up;
  down.height = -3;
  down.pixels = {4, 5, 0, 0, 2, 3, 0, 0, 0, 1, 0, 0};  // the same picture, top row first
  RtImage a;
  RtImage b;
  ASSERT_TRUE(decode_bytes(a, make_bmp(up)));
  ASSERT_TRUE(decode_bytes(b, make_bmp(down)));
  EXPECT_EQ(b.height, 3);
  EXPECT_EQ(test::picture_of(a).rgba, test::picture_of(b).rgba);
  EXPECT_EQ(px(a, 0, 0), (RGBA{255, 255, 255, 255}));
  EXPECT_EQ(px(a, 1, 2), (RGBA{0, 0, 255, 255}));
}

TEST(BmpLayout, CoreHeaderWithThreeBytePalette) {
  BmpSpec s;
  s.core = true;
  s.width = 2;
  s.height = 1;
  s.bpp = 8;
  s.palette = {0x112233, 0x445566};
  s.pixels = {1, 0, 0, 0};
  RtImage image;
  ASSERT_TRUE(decode_bytes(image, make_bmp(s)));
  EXPECT_EQ(px(image, 0, 0), (RGBA{0x44, 0x55, 0x66, 255}));
  EXPECT_EQ(px(image, 1, 0), (RGBA{0x11, 0x22, 0x33, 255}));
}

TEST(BmpLayout, ColourKeyMakesPixelsTransparent) {
  BmpSpec s;
  s.width = 2;
  s.height = 1;
  s.pixels = {128, 0, 255, 128, 0, 254, 0, 0};  // (255, 0, 128) and (254, 0, 128)
  RtImage image;
  ASSERT_TRUE(decode_bytes(image, make_bmp(s), 0x8000FF));
  EXPECT_EQ(px(image, 0, 0), (RGBA{0, 0, 0, 0}));
  EXPECT_EQ(px(image, 1, 0), (RGBA{254, 0, 128, 255}));
  EXPECT_EQ(image.alpha_in_file, 0);
  ASSERT_TRUE(decode_bytes(image, make_bmp(s), kNoColorKey));
  EXPECT_EQ(px(image, 0, 0), (RGBA{255, 0, 128, 255}));
}

TEST(BmpRle, Rle8RunsLiteralsDeltasAndLineEnds) {
  BmpSpec s;
  s.width = 6;
  s.height = 3;
  s.bpp = 8;
  s.compression = 1;
  s.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  s.pixels = {
      3, 1,              // bottom row: three of colour 1
      0, 3, 2, 3, 2, 0,  // literal run of 3 (2, 3, 2), padded to an even count
      0, 0,              // end of line
      0, 2, 2, 0,        // move 2 right
      2, 3,              // two of colour 3
      0, 0,              // end of line
      6, 2,              // top row: colour 2
      0, 1,              // end of picture
  };
  RtImage image;
  ASSERT_TRUE(decode_bytes(image, make_bmp(s)));
  EXPECT_EQ(px(image, 0, 2), (RGBA{255, 0, 0, 255}));
  EXPECT_EQ(px(image, 2, 2), (RGBA{255, 0, 0, 255}));
  EXPECT_EQ(px(image, 3, 2), (RGBA{0, 255, 0, 255}));
  EXPECT_EQ(px(image, 4, 2), (RGBA{0, 0, 255, 255}));
  EXPECT_EQ(px(image, 5, 2), (RGBA{0, 255, 0, 255}));
  EXPECT_EQ(px(image, 0, 1), (RGBA{0, 0, 0, 0})) << "skipped pixels stay transparent";
  EXPECT_EQ(px(image, 2, 1), (RGBA{0, 0, 255, 255}));
  EXPECT_EQ(px(image, 3, 1), (RGBA{0, 0, 255, 255}));
  EXPECT_EQ(px(image, 4, 1), (RGBA{0, 0, 0, 0}));
  EXPECT_EQ(px(image, 5, 0), (RGBA{0, 255, 0, 255}));

  // An index beyond the palette, a stream cut short, a delta beyond the picture.
  BmpSpec bad = s;
  bad.pixels = {2, 9, 0, 1};
  EXPECT_FALSE(decode_bytes(image, make_bmp(bad)));
  EXPECT_TRUE(image.empty());
  bad.pixels = {3, 1, 0, 3, 1};
  EXPECT_FALSE(decode_bytes(image, make_bmp(bad)));
  bad.pixels = {0, 2, 200, 200, 5, 1, 0, 1};
  EXPECT_TRUE(decode_bytes(image, make_bmp(bad)));
  // A run longer than the row is cut at the edge.
  bad.pixels = {255, 1, 0, 1};
  ASSERT_TRUE(decode_bytes(image, make_bmp(bad)));
  EXPECT_EQ(px(image, 5, 2), (RGBA{255, 0, 0, 255}));
  EXPECT_EQ(px(image, 0, 1), (RGBA{0, 0, 0, 0}));
}

TEST(BmpRle, Rle4AlternatesNibbles) {
  BmpSpec s;
  s.width = 7;
  s.height = 1;
  s.bpp = 4;
  s.compression = 2;
  s.palette = {0x000000, 0xFF0000, 0x00FF00};
  // A run of 3 (1, 2, 1), a literal run of 3 (2, 1, 2) padded to two
  // bytes, one pixel of 2, end of picture.
  s.pixels = {3, 0x12, 0, 3, 0x21, 0x20, 1, 0x22, 0, 1};
  RtImage image;
  ASSERT_TRUE(decode_bytes(image, make_bmp(s)));
  const RGBA red{255, 0, 0, 255};
  const RGBA green{0, 255, 0, 255};
  const std::vector<RGBA> want = {red, green, red, green, red, green, green};
  for (int x = 0; x < 7; ++x) EXPECT_EQ(px(image, x, 0), want[static_cast<size_t>(x)]) << x;
}

TEST(BmpDamaged, FailsCleanly) {
  BmpSpec good;
  good.width = 4;
  good.height = 2;
  good.bpp = 8;
  good.palette = {0x000000, 0xFFFFFF};
  good.pixels = {0, 1, 0, 1, 1, 0, 1, 0};
  RtImage image;
  ASSERT_TRUE(decode_bytes(image, make_bmp(good)));

  auto fails = [&](const Bytes& bytes, const char* what) {
    EXPECT_FALSE(decode_bytes(image, bytes)) << what;
    EXPECT_TRUE(image.empty()) << what;
    EXPECT_EQ(image.alpha_in_file, 1) << what;
  };
  BmpSpec s = good;
  s.pixels[3] = 2;
  fails(make_bmp(s), "index beyond the palette");
  s = good;
  s.bpp = 1;
  s.palette.clear();
  s.pixels = {0, 0, 0, 0, 0, 0, 0, 0};
  fails(make_bmp(s), "no palette");
  s = good;
  s.offset_override = 40;
  fails(make_bmp(s), "data offset inside the headers");
  s = good;
  s.pixels.resize(6);
  fails(make_bmp(s), "pixel data short");
  s = good;
  s.width = 65536;
  s.height = 65536;
  fails(make_bmp(s), "width x height x 4 overflows");
  s.width = 20000;
  s.height = 20000;
  fails(make_bmp(s), "beyond the pixel limit");
  s = good;
  s.width = 0;
  fails(make_bmp(s), "zero width");
  s = good;
  s.height = INT32_MIN;
  fails(make_bmp(s), "most negative height");
  for (uint16_t bpp : {0, 2, 30000}) {
    s = good;
    s.bpp = bpp;
    fails(make_bmp(s), "bit count");
  }
  for (uint32_t c : {4u, 5u, 6u, 100u}) {
    s = good;
    s.compression = c;
    fails(make_bmp(s), "compression");
  }
  s = good;
  s.compression = 1;
  s.height = -2;
  fails(make_bmp(s), "RLE rows cannot be top-down");
  s = good;
  s.compression = 2;  // RLE4 on an 8-bit file
  fails(make_bmp(s), "RLE4 with 8 bits");
  Bytes bytes = make_bmp(good);
  bytes[14] = 41;
  fails(bytes, "header size");
  bytes = make_bmp(good);
  bytes[1] = 'A';
  fails(bytes, "signature");
  bytes = make_bmp(good);
  for (size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_FALSE(
        decode_bytes(image, Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n))))
        << "cut at " << n;
  }
  EXPECT_FALSE(image_decode_bmp(image, test::file_bytes_of("/no/such/file.bmp"), kNoColorKey));
}

// --- BMP Suite ---

struct SuiteFile {
  std::string file;
  char category;
  std::vector<std::string> references;
};

std::vector<SuiteFile> suite_files() {
  std::vector<SuiteFile> files;
  std::ifstream in(test::testdata("bmpsuite/reference-map.tsv"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    SuiteFile f;
    std::string cat;
    std::string refs;
    std::getline(fields, f.file, '\t');
    std::getline(fields, cat, '\t');
    std::getline(fields, refs, '\t');
    f.category = cat.empty() ? '?' : cat[0];
    std::istringstream alts(refs);
    std::string r;
    while (std::getline(alts, r, '|')) {
      if (r != "-") f.references.push_back(r);
    }
    files.push_back(f);
  }
  return files;
}

TEST(BmpSuite, GoodFilesMatchTheirReferences) {
  auto files = suite_files();
  ASSERT_GT(files.size(), 80u);
  int checked = 0;
  for (const SuiteFile& f : files) {
    if (f.category != 'g') continue;
    RtImage image;
    const std::string path = test::testdata("bmpsuite/" + f.file);
    ASSERT_TRUE(image_decode_bmp(image, test::file_bytes_of(path.c_str()), kNoColorKey)) << f.file;
    EXPECT_EQ(image.alpha_in_file, 0) << f.file;
    Picture got = test::picture_of(image);
    // 16-bit channels are widened by truncation; renderers may round.
    const int tolerance = f.file.find("rgb16") != std::string::npos ? 1 : 0;
    bool matched = false;
    std::string report;
    for (const std::string& ref : f.references) {
      Picture want = test::reference_png(test::testdata("bmpsuite/html/" + ref));
      if (!want.ok) continue;
      int diff = test::max_difference(got, want);
      report += " " + ref + ":" + std::to_string(diff);
      if (diff >= 0 && diff <= tolerance) matched = true;
    }
    EXPECT_TRUE(matched) << f.file << report;
    ++checked;
  }
  EXPECT_EQ(checked, 27);
}

TEST(BmpSuite, QuestionableAndBadFilesNeverCrash) {
  // The ones this decoder must reject outright.
  const std::vector<std::string> must_fail = {
      "b/badbitcount.bmp", "b/badheadersize.bmp", "b/badwidth.bmp",  "b/pal8badindex.bmp",
      "b/reallybig.bmp",   "b/rletopdown.bmp",    "b/shortfile.bmp", "x/ba-bm.bmp"};
  int decoded = 0;
  for (const SuiteFile& f : suite_files()) {
    if (f.category == 'g') continue;
    RtImage image;
    const std::string path = test::testdata("bmpsuite/" + f.file);
    bool ok = image_decode_bmp(image, test::file_bytes_of(path.c_str()), 0x8000FF);
    if (std::find(must_fail.begin(), must_fail.end(), f.file) != must_fail.end()) {
      EXPECT_FALSE(ok) << f.file;
    }
    if (!ok) {
      EXPECT_TRUE(image.empty()) << f.file;
      continue;
    }
    ++decoded;
    // Whatever decodes has the size the header states.
    Picture want;
    for (const std::string& ref : f.references) {
      want = test::reference_png(test::testdata("bmpsuite/html/" + ref));
      if (want.ok) break;
    }
    if (want.ok && f.file != "g/pal8nonsquare.bmp") {
      EXPECT_EQ(image.width, want.width) << f.file;
    }
    // The other decoders see the same bytes without harm.
    RtImage other;
    image_decode_any(other, path.c_str(), kNoColorKey);
  }
  EXPECT_GT(decoded, 10);
}

TEST(BmpSuite, PaletteVariantsOfOnePictureAgree) {
  // The same picture stored eight ways.
  RtImage base;
  ASSERT_TRUE(image_decode_bmp(
      base, test::file_bytes_of(test::testdata("bmpsuite/g/pal8.bmp").c_str()), kNoColorKey));
  for (const char* name : {"g/pal8-0.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8os2.bmp",
                           "g/pal8v4.bmp", "g/pal8v5.bmp", "q/pal8os2sp.bmp", "q/pal8offs.bmp"}) {
    RtImage other;
    ASSERT_TRUE(image_decode_bmp(
        other, test::file_bytes_of(test::testdata(std::string("bmpsuite/") + name).c_str()),
        kNoColorKey))
        << name;
    EXPECT_EQ(test::max_difference(test::picture_of(base), test::picture_of(other)), 0) << name;
  }
  RtImage rgb24;
  RtImage rgb32;
  ASSERT_TRUE(image_decode_bmp(
      rgb24, test::file_bytes_of(test::testdata("bmpsuite/g/rgb24.bmp").c_str()), kNoColorKey));
  for (const char* name : {"g/rgb32.bmp", "g/rgb32bf.bmp", "g/rgb32bfdef.bmp", "g/rgb24pal.bmp"}) {
    ASSERT_TRUE(image_decode_bmp(
        rgb32, test::file_bytes_of(test::testdata(std::string("bmpsuite/") + name).c_str()),
        kNoColorKey));
    EXPECT_EQ(test::max_difference(test::picture_of(rgb24), test::picture_of(rgb32)), 0) << name;
  }
}

}  // namespace
}  // namespace zrv
