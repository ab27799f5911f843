// The sprite store on a real context: texture sizes and layout, loading,
// sheets, colour key, arrays, grabs and saving.
#include <unistd.h>

#include <fstream>

#include "file_bytes_of.hpp"
#include "gl_session.hpp"
#include "zorvane.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

struct TempDir {
  std::string path = make_temp_dir("zrv_gfx_store");
  std::string file(const char* name) const { return path + "/" + name; }
  ~TempDir() {
    std::string cmd = "rm -rf '" + path + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path.c_str());
  }
};

GLint texture_level_size(GLuint texture, int level, GLenum what) {
  GLint v = -1;
  gl.BindTexture(GL_TEXTURE_2D, texture);
  desktop_gl().GetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &v);
  gpu::state_forget();
  return v;
}

TEST(SpriteStore, PaddedSizesAndTextureCoordinateMaxima) {
  REQUIRE_GL();
  fresh();
  struct Case {
    int w, h, pw, ph;
  } cases[] = {{40, 26, 64, 32}, {10, 18, 16, 32}, {16, 16, 16, 16},
               {1, 1, 16, 16},   {17, 33, 32, 64}, {800, 480, 1024, 512}};
  int32_t id = 10;
  for (const Case& c : cases) {
    solid_sprite(id, c.w, c.h, 0xFFFFFF);
    const SpriteRecord& s = ctx.renderer->sprites[id];
    EXPECT_EQ(s.padded_width, c.pw) << c.w;
    EXPECT_EQ(s.padded_height, c.ph) << c.h;
    EXPECT_EQ(s.image_width, c.w);
    EXPECT_EQ(s.image_height, c.h);
    EXPECT_FLOAT_EQ(s.u_max, static_cast<float>(c.w) / c.pw);
    EXPECT_FLOAT_EQ(s.v_max, static_cast<float>(c.h) / c.ph);
    // The texture really has the padded size.
    EXPECT_EQ(texture_level_size(s.texture, 0, GL_TEXTURE_WIDTH), c.pw);
    EXPECT_EQ(texture_level_size(s.texture, 0, GL_TEXTURE_HEIGHT), c.ph);
    ++id;
  }
  const SpriteRecord& duck = ctx.renderer->sprites[10];
  EXPECT_FLOAT_EQ(duck.u_max, 0.625f);
  EXPECT_FLOAT_EQ(duck.v_max, 0.8125f);

  // Deleting leaves the deleted state but keeps a frame size.
  sprite_set_frames(10, 40, 26);
  sprite_delete(ctx.renderer, 10);
  EXPECT_EQ(duck.texture, 0u);
  EXPECT_EQ(duck.padded_width, -1);
  EXPECT_EQ(duck.image_width, 0);
  EXPECT_FLOAT_EQ(duck.u_max, 1.0f);
  EXPECT_EQ(duck.frame_width, 40);
}

int g_textures_made = 0;
decltype(gl.GenTextures) g_real_gen_textures = nullptr;

void counting_gen_textures(GLsizei n, GLuint* names) {
  g_textures_made += n;
  g_real_gen_textures(n, names);
}

// The largest texture side is asked of the driver once per context, not at
// every load.
TEST(SpriteStore, TheTextureLimitIsAskedOnce) {
  REQUIRE_GL();
  solid_sprite(5, 4, 4, 0xFFFFFF);
  static int asked = 0;
  static GlApi saved;
  saved = gl_driver;
  asked = 0;
  gl_driver.GetIntegerv = [](GLenum name, GLint* value) {
    asked += name == GL_MAX_TEXTURE_SIZE;
    saved.GetIntegerv(name, value);
  };
  for (int32_t id = 6; id < 16; ++id) solid_sprite(id, 4, 4, 0xFFFFFF);
  gl_driver = saved;
  EXPECT_EQ(asked, 0);
}

TEST(SpriteStore, TextureHoldsTheImageFlippedInItsLowerLeft) {
  REQUIRE_GL();
  fresh();
  RtImage image;
  image_fill(image, 100, 60, [](int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(y * 4) << 8 | static_cast<uint32_t>(x * 2);
  });
  // The sprite is one texture: nothing else is made for it (once the
  // atlas has its page).
  solid_sprite(19, 4, 4, 0xFFFFFF);
  g_textures_made = 0;
  g_real_gen_textures = gl_driver.GenTextures;
  gl_driver.GenTextures = counting_gen_textures;
  const bool made = sprite_from_image(ctx.renderer, 20, image, 0);
  gl_driver.GenTextures = g_real_gen_textures;
  ASSERT_TRUE(made);
  EXPECT_EQ(g_textures_made, 1);
  const SpriteRecord& s = ctx.renderer->sprites[20];
  ASSERT_NE(s.texture, 0u);

  std::vector<uint8_t> level0(128 * 64 * 4);
  gl.BindTexture(GL_TEXTURE_2D, s.texture);
  desktop_gl().GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level0.data());
  gpu::state_forget();
  auto texel = [&](int x, int row) { return level0.data() + (row * 128 + x) * 4; };
  // Texture row 0 is the image's bottom row.
  EXPECT_EQ(texel(0, 0)[1], 59 * 4);
  EXPECT_EQ(texel(99, 59)[0], 198);
  EXPECT_EQ(texel(99, 59)[1], 0);
  EXPECT_EQ(texel(5, 59)[3], 255);
  // Outside the image: transparent black.
  for (auto [x, row] : {std::pair{100, 0}, {127, 63}, {0, 60}}) {
    EXPECT_EQ(texel(x, row)[0] | texel(x, row)[1] | texel(x, row)[2] | texel(x, row)[3], 0);
  }

  // Font slots get nearest filtering.
  ASSERT_TRUE(sprite_from_image(ctx.renderer, kFirstFontSprite, image, 0));
  const SpriteRecord& font = ctx.renderer->sprites[kFirstFontSprite];
  GLint filter = 0;
  gl.BindTexture(GL_TEXTURE_2D, font.texture);
  gl.GetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
  EXPECT_EQ(filter, GL_NEAREST);
  gpu::state_forget();
}

TEST(SpriteStore, LoadingSheetsAndTheirFailures) {
  REQUIRE_GL();
  fresh();
  TempDir dir;
  RtImage image;
  image_fill(image, 120, 52, [](int, int) { return 0xFF808080u; });
  ASSERT_TRUE(image_write(dir.file("sheet.png").c_str(), image));

  ctx.last_error = 0;
  sprite_load_sheet(RtString(dir.file("sheet.png").c_str()), 100, 40, 26);
  EXPECT_EQ(ctx.last_error, 0);
  int32_t w = 0, h = 0;
  sprite_size_get(100, &w, &h);
  EXPECT_EQ(w, 120);
  EXPECT_EQ(h, 52);
  EXPECT_EQ(ctx.renderer->sprites[100].frame_width, 40);
  EXPECT_EQ(ctx.renderer->sprites[100].frame_height, 26);
  double dw = 0, dh = 0;
  sprite_size_get(100, &dw, &dh);
  EXPECT_EQ(dw, 120.0);
  EXPECT_NE(sprite_texture_get(100), 0u);

  // A whole-image load keeps the frame size of the earlier sheet.
  sprite_load(RtString(dir.file("sheet.png").c_str()), 100);
  EXPECT_EQ(ctx.renderer->sprites[100].frame_width, 40);

  // A missing file: error 3, the slot that held a sprite is free.
  sprite_load(RtString(dir.file("none.png").c_str()), 100);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_FALSE(sprite_slot_used(100));
  // A sheet from a missing file gets no frame size.
  sprite_load_sheet(RtString(dir.file("none.png").c_str()), 2011, 10, 10);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(ctx.renderer->sprites[2011].frame_width, 0);
  // A file that is no image at all.
  { std::ofstream(dir.file("junk.png")) << "not an image"; }
  sprite_load(RtString(dir.file("junk.png").c_str()), 102);
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_FALSE(sprite_slot_used(102));
  // Frame size 0 x 0: not a sheet.
  sprite_load_sheet(RtString(dir.file("sheet.png").c_str()), 103, 0, 0);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_TRUE(sprite_slot_used(103));
  EXPECT_EQ(ctx.renderer->sprites[103].frame_width, 0);
  // An empty name only frees the slot, without an error.
  sprite_load(RtString(), 103);
  EXPECT_EQ(ctx.last_error, 0);
  EXPECT_FALSE(sprite_slot_used(103));

  // Free slots are searched from 65503 down.
  EXPECT_EQ(sprite_free_get(), 65503);
  SpriteRecord* table = ctx.renderer->sprites;
  for (int32_t id = 0; id <= kLastProgramSprite; ++id) table[id].image_width = 1;
  EXPECT_EQ(sprite_free_get(), -1);
  table[77].image_width = 0;
  EXPECT_EQ(sprite_free_get(), 77);
  for (int32_t id = 0; id <= kLastProgramSprite; ++id) {
    if (table[id].texture == 0) table[id].image_width = 0;
  }
  EXPECT_EQ(sprite_free_get(), 65503);
}

TEST(SpriteStore, ColourKeyMakesPixelsTransparentAndBleedsTheirColour) {
  REQUIRE_GL();
  fresh(0x404040);
  TempDir dir;
  // A BMP (no alpha of its own) with a key-coloured left half.
  RtImage image;
  image_fill(image, 8, 8, [](int x, int) { return x < 4 ? 0xFF8000FFu : 0xFF00FF00u; });
  ASSERT_TRUE(image_write(dir.file("keyed.bmp").c_str(), image));
  sprite_load(RtString(dir.file("keyed.bmp").c_str()), 30);
  ASSERT_EQ(ctx.last_error, 0);
  smooth_set(0);
  sprite_draw(30, 10, 10);
  EXPECT_PX(11, 12, 0x40, 0x40, 0x40);
  EXPECT_PX(16, 12, 0, 255, 0);

  // Another key for later loads: now the green half goes.
  color_key_set(0x00FF00);
  EXPECT_EQ(ctx.renderer->font_color_key, 0x00FF00);
  sprite_load(RtString(dir.file("keyed.bmp").c_str()), 31);
  sprite_draw(31, 30, 10);
  EXPECT_PX(31, 12, 255, 0, 128);
  EXPECT_PX(36, 12, 0x40, 0x40, 0x40);
  color_key_set(0x8000FF);

  // The keyed pixels carry the colour of their opaque neighbours (alpha
  // bleeding), so linear filtering does not darken the edges.
  RtArray<int32_t> pixels;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(image_file_to_array(RtString(dir.file("keyed.bmp").c_str()), &w, &h, pixels));
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 8);
  ASSERT_EQ(pixels.count, 64);
  EXPECT_EQ(static_cast<uint32_t>(pixels(2 * 8 + 3)), 0x0000FF00u) << "next to the green half";
  EXPECT_EQ(static_cast<uint32_t>(pixels(2 * 8 + 1)), 0x00000000u) << "no opaque neighbour";
  EXPECT_EQ(static_cast<uint32_t>(pixels(2 * 8 + 5)), 0xFF00FF00u);
  ctx.last_error = 0;
  EXPECT_FALSE(image_file_to_array(RtString(dir.file("none.bmp").c_str()), &w, &h, pixels));
  EXPECT_EQ(ctx.last_error, 3);
}

TEST(SpriteStore, ArraysReadBackGrabsAndSavedFiles) {
  REQUIRE_GL();
  fresh(0x000000);
  TempDir dir;
  RtArray<int32_t> pixels;
  array_dim(pixels, 6);
  const uint32_t values[6] = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000,
                              0x80FFFFFF, 0xFF102030, 0x00000000};
  for (int i = 0; i < 6; ++i) pixels(i) = static_cast<int32_t>(values[i]);
  EXPECT_FALSE(sprite_from_array(pixels, 40, 4, 2)) << "wrong element count";
  EXPECT_FALSE(sprite_slot_used(40));
  EXPECT_FALSE(sprite_from_array(pixels, 40, -2, -3)) << "no such image";
  ASSERT_TRUE(sprite_from_array(pixels, 40, 3, 2));
  smooth_set(0);
  sprite_draw(40, 0, 0);
  EXPECT_PX(0, 0, 255, 0, 0);
  EXPECT_PX(2, 0, 0, 0, 255);
  EXPECT_PX(1, 1, 0x30, 0x20, 0x10);

  RtArray<int32_t> back;
  ASSERT_TRUE(sprite_to_array(back, 40));
  ASSERT_EQ(back.count, 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(static_cast<uint32_t>(back(i)), values[i]) << i;
  RtArray<int32_t> untouched;
  EXPECT_FALSE(sprite_to_array(untouched, 41));
  EXPECT_EQ(untouched.count, 0);
  RtImage none;
  EXPECT_FALSE(sprite_read_back(ctx.renderer, 41, none));

  // Grab a drawn rectangle and draw it elsewhere.
  rect_fill(100, 100, 10, 5, 0x0000FF);
  rect_fill(110, 100, 10, 5, 0xFF0000);
  sprite_grab(42, 100, 100, 20, 5);
  EXPECT_EQ(ctx.renderer->sprites[42].image_width, 20);
  EXPECT_EQ(ctx.renderer->sprites[42].padded_width, 32);
  sprite_draw(42, 300, 300);
  EXPECT_PX(300, 300, 255, 0, 0);
  EXPECT_PX(319, 304, 0, 0, 255);
  RtArray<int32_t> grabbed;
  ASSERT_TRUE(sprite_to_array(grabbed, 42));
  ASSERT_EQ(grabbed.count, 100);
  EXPECT_EQ(static_cast<uint32_t>(grabbed(0)) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(static_cast<uint32_t>(grabbed(19)) & 0xFFFFFF, 0xFF0000u);
  // A grab of size 0 frees the slot.
  sprite_grab(42, 0, 0, 0, 5);
  EXPECT_FALSE(sprite_slot_used(42));

  // On an enlarged logical screen the grab is taken at logical size.
  screen_logical_set(400, 240);
  ASSERT_EQ(screen_state.screen_scale, 2.0f);
  rect_fill(10, 10, 4, 4, 0x00FF00);
  sprite_grab(43, 10, 10, 4, 4);
  EXPECT_EQ(ctx.renderer->sprites[43].image_width, 4);
  RtArray<int32_t> small;
  ASSERT_TRUE(sprite_to_array(small, 43));
  ASSERT_EQ(small.count, 16);
  EXPECT_EQ(static_cast<uint32_t>(small(5)) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(sprite_free_get(), 65503) << "the scratch slot is free again";
  // Into the highest free slot, which the copy at enlarged size must not use.
  const int32_t top = sprite_free_get();
  sprite_grab(top, 10, 10, 4, 4);
  EXPECT_EQ(ctx.renderer->sprites[top].image_width, 4);
  EXPECT_EQ(ctx.renderer->sprites[top].image_height, 4);
  ASSERT_TRUE(sprite_to_array(small, top));
  ASSERT_EQ(small.count, 16);
  EXPECT_EQ(static_cast<uint32_t>(small(15)) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(sprite_free_get(), top - 1) << "only the grab's slot is taken";
  sprite_delete(ctx.renderer, top);
  screen_logical_set(0, 0);

  // Saving: the sprite and the whole window as PNG, read back in.
  ASSERT_TRUE(sprite_save(40, RtString(dir.file("sprite.png").c_str())));
  RtImage saved;
  ASSERT_TRUE(
      image_decode_png(saved, test::file_bytes_of(dir.file("sprite.png").c_str()), kNoColorKey));
  ASSERT_EQ(saved.width, 3);
  ASSERT_EQ(saved.height, 2);
  EXPECT_EQ(saved.row(0)[0], 255);
  EXPECT_EQ(saved.row(0)[3], 255);
  EXPECT_EQ(saved.row(1)[3], 0x80) << "alpha kept";
  EXPECT_EQ(saved.row(1)[4], 0x30);
  EXPECT_EQ(saved.row(1)[8 + 3], 0);

  fresh(0x000000);
  rect_fill(0, 0, 1, 1, 0x00FFFF);
  rect_fill(799, 479, 1, 1, 0xFF00FF);
  ASSERT_TRUE(screen_save(RtString(dir.file("screen.png").c_str())));
  ASSERT_TRUE(
      image_decode_png(saved, test::file_bytes_of(dir.file("screen.png").c_str()), kNoColorKey));
  ASSERT_EQ(saved.width, kW);
  ASSERT_EQ(saved.height, kH);
  EXPECT_EQ(saved.row(0)[0], 255);
  EXPECT_EQ(saved.row(0)[1], 255);
  EXPECT_EQ(saved.row(0)[2], 0);
  EXPECT_EQ(saved.row(479)[799 * 4 + 0], 255);
  EXPECT_EQ(saved.row(479)[799 * 4 + 1], 0);
  EXPECT_EQ(saved.row(479)[799 * 4 + 2], 255);
  EXPECT_EQ(sprite_free_get(), 65503) << "the slot of the screen is free again";

  ctx.last_error = 0;
  EXPECT_FALSE(sprite_save(41, RtString(dir.file("free.png").c_str())));
  EXPECT_EQ(ctx.last_error, 3);
  ctx.last_error = 0;
  EXPECT_FALSE(screen_save(RtString((dir.file("no/such/dir.png")).c_str())));
  EXPECT_EQ(ctx.last_error, 3);
}

}  // namespace
}  // namespace gfx_test
