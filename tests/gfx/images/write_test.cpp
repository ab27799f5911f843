// image_write: the format chosen by the name, and round trips through the
// decoders.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "file_bytes_of.hpp"
#include "gfx/image_codec.hpp"
#include "image_test_util.hpp"

namespace zrv {
namespace {

using test::Bytes;

RtImage random_image(int w, int h, bool with_alpha, uint32_t seed) {
  RtImage image;
  EXPECT_TRUE(image.resize(w, h));
  std::mt19937 rng(seed);
  for (int i = 0; i < w * h; ++i) {
    uint8_t* p = image.pixels + i * 4;
    p[0] = static_cast<uint8_t>(rng());
    p[1] = static_cast<uint8_t>(rng());
    p[2] = static_cast<uint8_t>(rng());
    p[3] = with_alpha ? static_cast<uint8_t>(rng()) : 255;
  }
  return image;
}

// A smooth picture, so that JPEG has something it can keep.
RtImage gradient(int w, int h) {
  RtImage image;
  EXPECT_TRUE(image.resize(w, h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image.row(y) + x * 4;
      p[0] = static_cast<uint8_t>(x * 255 / w);
      p[1] = static_cast<uint8_t>(y * 255 / h);
      p[2] = 128;
      p[3] = 255;
    }
  }
  return image;
}

std::string head(const std::string& path, size_t n) {
  Bytes b = test::read_bytes(path);
  return std::string(b.begin(), b.begin() + static_cast<ptrdiff_t>(std::min(n, b.size())));
}

uint32_t le32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(ImageWrite, PngRoundTripKeepsEveryByte) {
  test::ScratchDir dir;
  RtImage image = random_image(37, 21, true, 1);
  for (const char* name : {"a.png", "b.PNG", "c.pNg"}) {
    const std::string path = dir.file(name);
    ASSERT_TRUE(image_write(path.c_str(), image)) << name;
    EXPECT_EQ(head(path, 4), "\x89PNG") << name;
    RtImage back;
    ASSERT_TRUE(image_decode_png(back, test::file_bytes_of(path.c_str()), 0x8000FF));
    EXPECT_EQ(back.alpha_in_file, 1);
    EXPECT_EQ(test::picture_of(back).rgba, test::picture_of(image).rgba);
  }
}

TEST(ImageWrite, BmpLayoutAndTransparencyAsTheColourKey) {
  test::ScratchDir dir;
  RtImage image = random_image(3, 2, false, 2);
  image.pixels[3] = 0;     // pixel (0, 0) transparent
  image.pixels[19] = 254;  // pixel (1, 1) almost opaque
  for (const char* name : {"plain", "x.bmp", "y.jpeg", "z.pn", "w.gif", "v.apng"}) {
    const std::string path = dir.file(name);
    ASSERT_TRUE(image_write(path.c_str(), image)) << name;
    Bytes b = test::read_bytes(path);
    ASSERT_EQ(b.size(), 54u + 2 * 12) << name;  // rows of 9 bytes padded to 12
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32(b, 2), 78u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 3u);
    EXPECT_EQ(le32(b, 22), 2u);
    EXPECT_EQ(b[26] | b[27] << 8, 1);
    EXPECT_EQ(b[28] | b[29] << 8, 24);
    EXPECT_EQ(le32(b, 30), 0u);
    EXPECT_EQ(le32(b, 38), 10000u);
    EXPECT_EQ(le32(b, 42), 10000u);
    // Bottom row first, blue green red; the transparent pixel in key colour.
    EXPECT_EQ(b[54 + 12], 128);
    EXPECT_EQ(b[54 + 12 + 1], 0);
    EXPECT_EQ(b[54 + 12 + 2], 255);
    EXPECT_EQ(b[54], image.pixels[12 + 2]);

    RtImage back;
    ASSERT_TRUE(image_decode_bmp(back, test::file_bytes_of(path.c_str()), 0x8000FF));
    for (int i = 0; i < 6; ++i) {
      const uint8_t* want = image.pixels + i * 4;
      const uint8_t* got = back.pixels + i * 4;
      if (want[3] != 255) {
        EXPECT_EQ(std::memcmp(got, "\0\0\0\0", 4), 0) << i;
      } else {
        EXPECT_EQ(std::memcmp(got, want, 4), 0) << i;
      }
    }
  }
}

TEST(ImageWrite, JpegAtQualityEighty) {
  test::ScratchDir dir;
  RtImage image = gradient(64, 48);
  image.pixels[3] = 0;  // alpha is dropped
  for (const char* name : {"a.jpg", "b.JPG"}) {
    const std::string path = dir.file(name);
    ASSERT_TRUE(image_write(path.c_str(), image));
    EXPECT_EQ(head(path, 3), "\xFF\xD8\xFF");
    RtImage back;
    ASSERT_TRUE(image_decode_jpeg(back, test::file_bytes_of(path.c_str())));
    EXPECT_EQ(back.width, 64);
    EXPECT_EQ(back.height, 48);
    EXPECT_EQ(back.pixels[3], 255);
    EXPECT_GT(test::psnr_rgb(test::picture_of(back), test::picture_of(image)), 30.0);
  }
}

TEST(ImageWrite, ReplacesWhatIsThereAndFailsCleanly) {
  test::ScratchDir dir;
  RtImage image = random_image(4, 4, true, 3);
  const std::string path = dir.file("old.png");
  test::write_file(path, std::string(100000, 'x'));
  ASSERT_TRUE(image_write(path.c_str(), image));
  RtImage back;
  EXPECT_TRUE(image_decode_png(back, test::file_bytes_of(path.c_str()), kNoColorKey));
  const std::string empty_dir = dir.file("d.bmp");
  ASSERT_TRUE(std::filesystem::create_directory(empty_dir));
  EXPECT_TRUE(image_write(empty_dir.c_str(), image));
  EXPECT_TRUE(image_decode_bmp(back, test::file_bytes_of(empty_dir.c_str()), kNoColorKey));

  for (const char* name :
       {"no/such/folder/a.png", "no/such/folder/a.jpg", "no/such/folder/a.bmp"}) {
    EXPECT_FALSE(image_write(dir.file(name).c_str(), image)) << name;
  }
  RtImage nothing;
  EXPECT_FALSE(image_write(dir.file("empty.png").c_str(), nothing));
  EXPECT_FALSE(test::exists_on_disk(dir.file("empty.png")));
  EXPECT_FALSE(image_write("", image));
  EXPECT_FALSE(image_write((dir.path() + "/" + std::string(1100, 'n') + ".png").c_str(), image));
}

TEST(RtImageStore, ResizeClearAndMove) {
  RtImage image;
  EXPECT_TRUE(image.empty());
  EXPECT_EQ(image.alpha_in_file, 1);
  ASSERT_TRUE(image.resize(10, 5));
  EXPECT_EQ(image.capacity, 200);
  image.pixels[0] = 9;
  image.alpha_in_file = 0;
  ASSERT_TRUE(image.resize(5, 5));  // reuses the block, cleared
  EXPECT_EQ(image.capacity, 200);
  EXPECT_EQ(image.pixels[0], 0);
  RtImage moved(std::move(image));
  EXPECT_EQ(moved.width, 5);
  EXPECT_EQ(image.pixels, nullptr);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(image.alpha_in_file, 1);
  EXPECT_FALSE(moved.resize(0, 5));
  EXPECT_TRUE(moved.empty());
  EXPECT_FALSE(moved.resize(40000, 1));
  EXPECT_FALSE(moved.resize(20000, 20000));
  const int64_t old = image_pixel_limit();
  image_pixel_limit_set(100);
  EXPECT_FALSE(moved.resize(11, 10));
  EXPECT_TRUE(moved.resize(10, 10));
  image_pixel_limit_set(old);
  moved.clear();
  EXPECT_EQ(moved.capacity, 0);
  EXPECT_EQ(moved.alpha_in_file, 1);
}

}  // namespace
}  // namespace zrv
