// Sprite collision with alpha masks read back from real textures.
#include "gfx/collision.hpp"

#include "gfx/targets.hpp"
#include "gl_session.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

// A w x h sprite whose texel (x, y) is opaque when solid(x, y).
template <class Fn>
void alpha_sprite(int32_t id, int w, int h, Fn solid) {
  RtImage image;
  image_fill(image, w, h, [&](int x, int y) { return solid(x, y) ? 0xFF00FF00u : 0x0000FF00u; });
  ASSERT_TRUE(sprite_from_image(ctx.renderer, id, image, 0));
}

TEST(Collision, TouchingRectanglesDoNotCollideOverlappingOnesDo) {
  REQUIRE_GL();
  fresh();
  solid_sprite(1, 10, 10, 0xFFFFFF);
  solid_sprite(2, 10, 10, 0xFFFFFF);
  EXPECT_FALSE(sprite_collision(1, 0, 0, 2, 10, 0));
  EXPECT_TRUE(sprite_collision(1, 0, 0, 2, 9, 0));
  EXPECT_TRUE(sprite_collision(1, 0, 0, 2, 9, 9));
  EXPECT_FALSE(sprite_collision(1, 0, 0, 2, 9, 10));
  EXPECT_TRUE(sprite_collision(1, 100, 100, 2, 95, 91));
  EXPECT_FALSE(sprite_collision(1, 100, 100, 2, 300, 100));
  // A free slot touches nothing.
  EXPECT_FALSE(sprite_collision(1, 0, 0, 3, 0, 0));
  EXPECT_FALSE(sprite_collision(1, 0, 0, -1, 0, 0));
}

TEST(Collision, TransparentPixelsDoNotCount) {
  REQUIRE_GL();
  fresh();
  alpha_sprite(1, 10, 10, [](int x, int) { return x >= 5; });  // left half clear
  solid_sprite(2, 10, 10, 0xFFFFFF);
  EXPECT_FALSE(sprite_collision(1, 0, 0, 2, -5, 0));  // overlap columns 0..4 only
  EXPECT_TRUE(sprite_collision(1, 0, 0, 2, -4, 0));   // column 5 too
  EXPECT_TRUE(sprite_collision(2, -4, 0, 1, 0, 0));   // either order
  // Two interleaved checkerboards never meet in place; one pixel further
  // every pass of the scan finds a pixel.
  alpha_sprite(3, 9, 9, [](int x, int y) { return (x + y) % 2 == 0; });
  alpha_sprite(4, 9, 9, [](int x, int y) { return (x + y) % 2 == 1; });
  EXPECT_FALSE(sprite_collision(3, 0, 0, 4, 0, 0));
  EXPECT_FALSE(sprite_collision(3, 10, 10, 4, 12, 10));
  EXPECT_TRUE(sprite_collision(3, 0, 0, 4, 1, 0));
  EXPECT_TRUE(sprite_collision(3, 0, 0, 4, 0, -1));
  EXPECT_TRUE(sprite_collision(3, 0, 0, 4, -7, 8));  // a single pixel: (0, 8)
  EXPECT_FALSE(sprite_collision(3, 0, 0, 4, -8, 8));
}

TEST(Collision, OnlyTheLowerRightPixelSolidFindsItsRow) {
  REQUIRE_GL();
  fresh();
  // Rows of the mask run bottom-up in the texture: a wrong flip misses.
  alpha_sprite(5, 16, 12, [](int x, int y) { return x == 15 && y == 11; });
  solid_sprite(6, 1, 1, 0xFFFFFF);
  EXPECT_TRUE(sprite_collision(5, 20, 30, 6, 35, 41));
  EXPECT_FALSE(sprite_collision(5, 20, 30, 6, 35, 30));
  EXPECT_FALSE(sprite_collision(5, 20, 30, 6, 20, 41));
}

TEST(Collision, FramesCollideByTheirOwnPixels) {
  REQUIRE_GL();
  fresh();
  // Two 10 x 10 frames: frame 0 solid only at its top-left texel, frame 1
  // only at its bottom-right one; a second row of two more frames.
  alpha_sprite(7, 20, 20, [](int x, int y) {
    const int fx = x % 10, fy = y % 10, frame = (y / 10) * 2 + x / 10;
    if (frame == 0) return fx == 0 && fy == 0;
    if (frame == 1) return fx == 9 && fy == 9;
    if (frame == 2) return fx == 5 && fy == 5;
    return false;
  });
  sprite_set_frames(7, 10, 10);
  solid_sprite(8, 1, 1, 0xFFFFFF);
  EXPECT_TRUE(sprite_frame_collision(7, 0, 50, 50, 8, 0, 50, 50));
  EXPECT_FALSE(sprite_frame_collision(7, 0, 50, 50, 8, 0, 59, 59));
  EXPECT_FALSE(sprite_frame_collision(7, 1, 50, 50, 8, 0, 50, 50));
  EXPECT_TRUE(sprite_frame_collision(7, 1, 50, 50, 8, 0, 59, 59));
  EXPECT_TRUE(sprite_frame_collision(7, 2, 50, 50, 8, 0, 55, 55));
  EXPECT_FALSE(sprite_frame_collision(7, 3, 50, 50, 8, 0, 55, 55));
  // Outside the frame's box nothing collides, even where the sheet has
  // pixels (frame 1 of the sheet lies right of frame 0's box).
  EXPECT_FALSE(sprite_frame_collision(7, 0, 50, 50, 8, 0, 69, 59));
  // A sprite without frame size takes part whole.
  EXPECT_TRUE(sprite_frame_collision(8, 5, 59, 59, 7, 1, 50, 50));
}

TEST(Collision, MasksAreMadeOnceAndDroppedWhenThePictureChanges) {
  REQUIRE_GL();
  fresh();
  OpenGLVireo* r = ctx.renderer;
  solid_sprite(1, 10, 10, 0xFFFFFF);
  solid_sprite(2, 10, 10, 0xFFFFFF);
  EXPECT_FALSE(collision_mask_present(r, 1));
  EXPECT_TRUE(sprite_collision(1, 0, 0, 2, 5, 5));
  ASSERT_TRUE(collision_mask_present(r, 1));
  const uint8_t* first = r->pixel_copies[1];
  EXPECT_TRUE(sprite_collision(1, 0, 0, 2, 5, 5));
  EXPECT_EQ(r->pixel_copies[1], first);  // the stored mask

  // Reloaded with a clear picture: the mask goes, the new one says no.
  alpha_sprite(1, 10, 10, [](int, int) { return false; });
  EXPECT_FALSE(collision_mask_present(r, 1));
  EXPECT_FALSE(sprite_collision(1, 0, 0, 2, 5, 5));

  // Deleting and grabbing drop it too.
  EXPECT_TRUE(collision_mask_present(r, 2));
  sprite_delete(r, 2);
  EXPECT_FALSE(collision_mask_present(r, 2));
  solid_sprite(2, 10, 10, 0xFFFFFF);
  sprite_collision(2, 0, 0, 2, 0, 0);
  ASSERT_TRUE(collision_mask_present(r, 2));
  sprite_grab(2, 0, 0, 10, 10);
  EXPECT_FALSE(collision_mask_present(r, 2));

  // Using a sprite as a target drops its mask.
  target_create(0, 9, 16, 16);
  sprite_collision(9, 0, 0, 2, 0, 0);
  ASSERT_TRUE(collision_mask_present(r, 9));
  target_use(0);
  EXPECT_FALSE(collision_mask_present(r, 9));
  rect_fill(0, 0, 4, 4, 0xFFFFFF);
  target_use(-1);
  solid_sprite(3, 1, 1, 0xFFFFFF);
  EXPECT_TRUE(sprite_collision(9, 0, 0, 3, 3, 3));
  EXPECT_FALSE(sprite_collision(9, 0, 0, 3, 4, 4));
  // A mask taken while the target is drawn into goes when the target ends.
  target_use(0);
  EXPECT_FALSE(sprite_collision(9, 0, 0, 3, 8, 8));
  rect_fill(8, 8, 1, 1, 0xFFFFFF);
  target_use(-1);
  EXPECT_TRUE(sprite_collision(9, 0, 0, 3, 8, 8));
  target_create(0, -1, 0, 0);
}

}  // namespace
}  // namespace gfx_test
