// Choosing the decoder by the first bytes gives what trying BMP, then PNG,
// then JPEG gives, on every file of the public test suites.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gfx/image_codec.hpp"
#include "image_test_util.hpp"

namespace zrv {
namespace {

bool decode_in_turn(RtImage& image, std::span<const uint8_t> file, int32_t key) {
  return image_decode_bmp(image, file, key) || image_decode_png(image, file, key) ||
         image_decode_jpeg(image, file);
}

TEST(ImageFormat, FirstBytesPickTheDecoderThatWouldSucceed) {
  int files = 0;
  int decoded = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(test::testdata(""))) {
    if (!entry.is_regular_file()) continue;
    const std::string path = entry.path().string();
    const test::Bytes bytes = test::read_bytes(path);
    for (int32_t key : {kNoColorKey, 0x8000FF}) {
      RtImage tried;
      RtImage picked;
      const bool in_turn = decode_in_turn(tried, bytes, key);
      ASSERT_EQ(image_decode(picked, bytes, key), in_turn) << path;
      EXPECT_EQ(picked.width, tried.width) << path;
      EXPECT_EQ(picked.height, tried.height) << path;
      EXPECT_EQ(picked.alpha_in_file, tried.alpha_in_file) << path;
      EXPECT_EQ(test::picture_of(picked).rgba, test::picture_of(tried).rgba) << path;
      if (in_turn) ++decoded;
    }
    ++files;
  }
  EXPECT_GT(files, 300);
  EXPECT_GT(decoded, 2 * 250);
}

}  // namespace
}  // namespace zrv
