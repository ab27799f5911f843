// The JPEG decoder: the IJG test pictures against their source, grey and
// four-component pictures, and what it refuses.
// clang-format off
#include <stdio.h>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
// clang-format on
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "file_bytes_of.hpp"
#include "files/paths.hpp"
#include "gfx/image_codec.hpp"
#include "image_test_util.hpp"
#include "memory_limit.hpp"

namespace zrv {
namespace {

using test::Bytes;
using test::Picture;

Picture read_ppm(const std::string& path) {
  Picture p;
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int max = 0;
  in >> magic >> p.width >> p.height >> max;
  in.get();
  if (magic != "P6" || max != 255) return p;
  Bytes rgb(static_cast<size_t>(p.width) * p.height * 3);
  in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  p.rgba.resize(static_cast<size_t>(p.width) * p.height * 4);
  for (size_t i = 0; i < rgb.size() / 3; ++i) {
    std::memcpy(&p.rgba[i * 4], &rgb[i * 3], 3);
    p.rgba[i * 4 + 3] = 255;
  }
  p.ok = static_cast<bool>(in);
  return p;
}

// Writes a JPEG with libjpeg in the given colour space (1 or 4 components).
bool write_jpeg(const std::string& path, int width, int height, int components, J_COLOR_SPACE space,
                const Bytes& samples) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(samples.data()) + cinfo.next_scanline * width * components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(f) == 0;
}

TEST(JpegFiles, IjgPicturesDecodeCloseToTheirSource) {
  Picture source = read_ppm(test::testdata("jpeg/testorig.ppm"));
  ASSERT_TRUE(source.ok);
  for (const char* name : {"testorig.jpg", "testimgint.jpg", "testimgari.jpg"}) {
    RtImage image;
    ASSERT_TRUE(image_decode_jpeg(
        image, test::file_bytes_of(test::testdata(std::string("jpeg/") + name).c_str())))
        << name;
    EXPECT_EQ(image.width, 227);
    EXPECT_EQ(image.height, 149);
    EXPECT_EQ(image.alpha_in_file, 0);
    Picture got = test::picture_of(image);
    for (size_t i = 3; i < got.rgba.size(); i += 4) ASSERT_EQ(got.rgba[i], 255);
    // Plain (not fancy) chroma upsampling: close, not equal.
    EXPECT_GT(test::psnr_rgb(got, source), 28.0) << name;
    // decode_any reaches the JPEG decoder after BMP and PNG decline.
    RtImage any;
    ASSERT_TRUE(image_decode_any(any, test::testdata(std::string("jpeg/") + name).c_str(), 0));
    EXPECT_EQ(test::picture_of(any).rgba, got.rgba) << "no colour key for JPEG";
  }
}

TEST(JpegFiles, RefusesWhatItCannotRead) {
  RtImage image;
  EXPECT_FALSE(
      image_decode_jpeg(image, test::file_bytes_of(test::testdata("jpeg/monkey12.jpg").c_str())));
  EXPECT_TRUE(image.empty());
  EXPECT_FALSE(
      image_decode_jpeg(image, test::file_bytes_of(test::testdata("jpeg/testorig.ppm").c_str())));
  EXPECT_FALSE(image_decode_jpeg(image, test::file_bytes_of(test::testdata("jpeg").c_str())));
  EXPECT_FALSE(image_decode_jpeg(image, test::file_bytes_of("/no/such/file.jpg")));
  EXPECT_FALSE(image_decode_jpeg(image, test::file_bytes_of("")));
  // Damaged data: cut files either fail or give a picture of the stated size.
  Bytes bytes = test::read_bytes(test::testdata("jpeg/testorig.jpg"));
  test::ScratchDir dir;
  const std::string cut = dir.file("cut.jpg");
  for (size_t n : {size_t{0}, size_t{2}, size_t{100}, size_t{600}, bytes.size() / 2}) {
    test::write_file(cut, Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n)));
    if (image_decode_jpeg(image, test::file_bytes_of(cut.c_str()))) {
      EXPECT_EQ(image.width, 227) << n;
    } else {
      EXPECT_TRUE(image.empty()) << n;
    }
  }
}

// A file whose header claims a far bigger picture than its data holds
// (baseline and progressive): refused without taking memory for the claim.
TEST(JpegFiles, AHeaderClaimingAHugePictureTakesNoMemoryForIt) {
  if (const char* why = test::memory_limit_missing()) GTEST_SKIP() << why;
  for (const char* name : {"testorig.jpg", "testimgint.jpg"}) {
    Bytes bytes = test::read_bytes(test::testdata(std::string("jpeg/") + name));
    size_t sof = 0;
    for (size_t i = 2; i + 9 < bytes.size() && sof == 0; ++i) {
      if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) sof = i;
    }
    ASSERT_NE(sof, 0u) << name;
    for (size_t at : {sof + 5, sof + 7}) {  // height, then width: 8000 each
      bytes[at] = 8000 >> 8;
      bytes[at + 1] = 8000 & 0xFF;
    }
    const test::ChildResult r = test::run_with_memory_room(96 << 20, [&] {
      RtImage image;
      return !image_decode_jpeg(image, bytes) && image.empty();
    });
    EXPECT_TRUE(r.exited) << name << ": signal " << r.signal;
    EXPECT_EQ(r.status, 0) << name;
  }
}

TEST(JpegFiles, MemoryFilesDecodeLikeTheirFiles) {
  const std::string path = test::testdata("jpeg/testorig.jpg");
  RtImage from_file;
  ASSERT_TRUE(image_decode_jpeg(from_file, test::file_bytes_of(path.c_str())));
  Bytes bytes = test::read_bytes(path);
  RtString name = memfile_name(bytes.data(), static_cast<uint32_t>(bytes.size()));
  RtImage image;
  ASSERT_TRUE(image_decode_jpeg(image, test::file_bytes_of(name.c_str())));
  EXPECT_EQ(test::picture_of(image).rgba, test::picture_of(from_file).rgba);
  EXPECT_EQ(image.alpha_in_file, 0);
  ASSERT_TRUE(image_decode_any(image, name.c_str(), kNoColorKey));
  EXPECT_EQ(image.width, 227);
  // A name whose block is gone is a missing file.
  memfile_unregister(bytes.data());
  EXPECT_FALSE(image_decode_jpeg(image, test::file_bytes_of(name.c_str())));
  EXPECT_TRUE(image.empty());
}

TEST(JpegFiles, GreyAndFourComponentPictures) {
  test::ScratchDir dir;
  const int w = 16;
  const int h = 8;
  Bytes grey(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i % w * 16);
  const std::string grey_path = dir.file("grey.jpg");
  ASSERT_TRUE(write_jpeg(grey_path, w, h, 1, JCS_GRAYSCALE, grey));
  RtImage image;
  ASSERT_TRUE(image_decode_jpeg(image, test::file_bytes_of(grey_path.c_str())));
  EXPECT_EQ(image.alpha_in_file, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = image.row(y) + x * 4;
      ASSERT_EQ(p[0], p[1]);
      ASSERT_EQ(p[1], p[2]);
      ASSERT_EQ(p[3], 255);
      ASSERT_NEAR(p[0], grey[static_cast<size_t>(y) * w + x], 3);
    }
  }
  Bytes cmyk(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < cmyk.size(); ++i) cmyk[i] = static_cast<uint8_t>(i % 4 * 60 + 10);
  const std::string cmyk_path = dir.file("cmyk.jpg");
  ASSERT_TRUE(write_jpeg(cmyk_path, w, h, 4, JCS_CMYK, cmyk));
  ASSERT_TRUE(image_decode_jpeg(image, test::file_bytes_of(cmyk_path.c_str())));
  EXPECT_EQ(image.alpha_in_file, 1);
  EXPECT_NEAR(image.pixels[0], 10, 3);
  EXPECT_NEAR(image.pixels[3], 190, 3);
}

}  // namespace
}  // namespace zrv
