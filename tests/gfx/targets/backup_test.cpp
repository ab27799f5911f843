// Texture backup to the temporary file and back, on a real window.
#include "gfx/backup.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "gfx/font.hpp"
#include "gl_session.hpp"
#include "zorvane.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

std::vector<uint8_t> file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                              static_cast<uint32_t>(b[at + 3]) << 24);
}

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// A 40 x 26 picture with every pixel different, alpha included.
void pattern_sprite(int32_t id, int w, int h, uint32_t seed) {
  RtImage image;
  image_fill(image, w, h, [&](int x, int y) {
    const uint32_t mix = static_cast<uint32_t>(x) * 7919u + static_cast<uint32_t>(y) * 104729u;
    return ((seed * 2654435761u) ^ mix) | 0x80000000u;
  });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, id, image, 0));
}

std::vector<uint8_t> pixels_of(int32_t id) {
  RtImage image;
  if (!sprite_read_back(ctx.renderer, id, image)) return {};
  return {image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * 4};
}

TEST(TextureBackup, PathIsPerProcessInTheTemporaryDirectory) {
  REQUIRE_GL();
  const std::string& path = backup_path(ctx.renderer);
  std::string tmp = platform::temp_directory();
  EXPECT_EQ(path.rfind(tmp + "/", 0), 0u) << path;
  EXPECT_TRUE(std::regex_search(path, std::regex("/zrvtxs[0-9a-f]+\\.bin$"))) << path;
  EXPECT_EQ(&backup_path(ctx.renderer), &path);
  EXPECT_EQ(backup_path(nullptr), path);  // fixed once
}

TEST(TextureBackup, RecordsInSlotOrderAndIdenticalRestore) {
  REQUIRE_GL();
  fresh(0x000000);
  const std::string& path = backup_path(ctx.renderer);
  pattern_sprite(1000, 3, 2, 7);
  pattern_sprite(100, 40, 26, 1);
  sprite_set_frames(100, 20, 13);
  const std::vector<uint8_t> before100 = pixels_of(100), before1000 = pixels_of(1000);
  ASSERT_EQ(before100.size(), 4160u);

  texture_backup(0);
  const std::vector<uint8_t> bytes = file_bytes(path);
  ASSERT_EQ(bytes.size(), 12u + 4160u + 12u + 24u);
  EXPECT_EQ(le32(bytes, 0), 100);
  EXPECT_EQ(le32(bytes, 4), 40);
  EXPECT_EQ(le32(bytes, 8), 26);
  EXPECT_TRUE(std::equal(before100.begin(), before100.end(), bytes.begin() + 12));
  EXPECT_EQ(le32(bytes, 4172), 1000);
  EXPECT_EQ(le32(bytes, 4176), 3);
  EXPECT_EQ(le32(bytes, 4180), 2);
  // The sprites stay loaded.
  EXPECT_EQ(pixels_of(100), before100);

  // Lose the pictures, then restore them.
  sprite_delete(ctx.renderer, 100);
  pattern_sprite(1000, 5, 5, 99);
  texture_backup(1);
  EXPECT_FALSE(exists(path));
  EXPECT_EQ(pixels_of(100), before100);
  EXPECT_EQ(pixels_of(1000), before1000);
  EXPECT_EQ(ctx.renderer->sprites[100].frame_width, 20);  // kept in the slot record
  sprite_draw_frame(100, 0, 0, 0);

  // Nothing to restore a second time.
  sprite_delete(ctx.renderer, 100);
  texture_backup(1);
  EXPECT_EQ(ctx.renderer->sprites[100].image_width, 0);
}

TEST(TextureBackup, TruncatedFileRestoresWhatItHolds) {
  REQUIRE_GL();
  fresh(0x000000);
  const std::string& path = backup_path(ctx.renderer);
  pattern_sprite(5, 10, 10, 3);
  pattern_sprite(6, 10, 10, 4);
  const std::vector<uint8_t> before5 = pixels_of(5);
  texture_backup(0);
  ASSERT_EQ(file_bytes(path).size(), 2u * (12 + 400));
  ASSERT_EQ(::truncate(path.c_str(), 412 + 12 + 100), 0);
  sprite_delete(ctx.renderer, 5);
  sprite_delete(ctx.renderer, 6);
  texture_backup(1);
  EXPECT_EQ(pixels_of(5), before5);
  EXPECT_EQ(ctx.renderer->sprites[6].image_width, 0);
  EXPECT_FALSE(exists(path));
}

TEST(TextureBackup, DamagedRecordsStopTheRestore) {
  REQUIRE_GL();
  fresh(0x000000);
  const std::string& path = backup_path(ctx.renderer);
  for (const std::vector<int32_t>& head :
       {std::vector<int32_t>{65536, 1, 1}, {-3, 1, 1}, {7, -1, 5}, {7, 40000, 1}, {7, 0, 0}}) {
    std::ofstream out(path, std::ios::binary);
    for (int32_t v : head) out.write(reinterpret_cast<const char*>(&v), 4);
    const char pixel[4] = {1, 2, 3, 4};
    out.write(pixel, 4);
    out.close();
    texture_backup(1);
    EXPECT_EQ(ctx.renderer->sprites[7].image_width, 0) << head[0] << " " << head[1];
    EXPECT_FALSE(exists(path));
  }
}

TEST(TextureBackup, FontSheetsAreKeptToo) {
  REQUIRE_GL();
  fresh(0x000000);
  const std::string& path = backup_path(ctx.renderer);
  font_build_default(ctx.renderer, 3);
  const std::vector<uint8_t> sheet = pixels_of(kFirstFontSprite + 3);
  ASSERT_EQ(sheet.size(), 128u * 64 * 4);
  texture_backup(0);
  const std::vector<uint8_t> bytes = file_bytes(path);
  ASSERT_EQ(bytes.size(), 12u + sheet.size());
  EXPECT_EQ(le32(bytes, 0), kFirstFontSprite + 3);
  sprite_delete(ctx.renderer, kFirstFontSprite + 3);
  texture_backup(1);
  EXPECT_EQ(pixels_of(kFirstFontSprite + 3), sheet);

  // A directory in the file's place is cleared away first.
  ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
  texture_backup(0);
  EXPECT_EQ(file_bytes(path).size(), 12u + sheet.size());
  backup_path_remove(ctx.renderer);
  EXPECT_FALSE(exists(path));
}

}  // namespace
}  // namespace gfx_test
