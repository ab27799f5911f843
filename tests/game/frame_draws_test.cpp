// A frame of reedfire through the GPU layer: the title screen and a game in
// progress (the backdrop, the HUD's letters, ducks, the half-transparent
// gun, bullets, the overlay) each reach the driver in at most four draws.
#include <algorithm>
#include <string>

#include "game_driver.hpp"
#include "gfx/gpu.hpp"
#include "gl_session.hpp"
#include "zorvane.hpp"

namespace reedfire_test {
namespace {

void load_media() {
  const std::string media = std::string(ZRV_SOURCE_DIR) + "/assets/Media/";
  const auto at = [&](const char* name) { return zrv::RtString((media + name).c_str()); };
  zrv::sprite_load(at("background.png"), 900);
  zrv::sprite_load_sheet(at("duck.png"), 100, 40, 26);
  zrv::sprite_load_sheet(at("gun.png"), 150, 19, 30);
  zrv::sprite_load_sheet(at("font.png"), 1000, 10, 18);
  zrv::sprite_load_sheet(at("bullet.png"), 200, 4, 7);
  zrv::sprite_load(at("nodux.png"), 300);
}

TEST(FrameDraws, AFrameOfTheGameIsAtMostFourDraws) {
  REQUIRE_GL();
  gfx_test::fresh(0x000000);
  load_media();
  ASSERT_TRUE(zrv::sprite_slot_used(900));
  // The title screen, then a game: fire now and then while moving.
  std::string script = hold(kSpace, 30, 30);
  for (int64_t p = 60; p < 600; p += 25) script += hold(kSpace, p, p);
  script += hold(kLeft, 100, 160) + hold(kRight, 300, 380);
  GameDriver game(7, script);
  zrv::gpu::draws_taken();
  int64_t most = 0;
  int32_t most_ducks = 0, most_bullets = 0;
  for (int pass = 1; pass <= 600; ++pass) {
    game.pass();
    const int64_t draws = zrv::gpu::draws_taken();
    ASSERT_GE(draws, 1) << "pass " << pass;
    most = std::max(most, draws);
    most_ducks = std::max(most_ducks, zrv::array_bounds(ducks, 0));
    most_bullets = std::max(most_bullets, zrv::array_bounds(bullets, 0));
  }
  EXPECT_LE(most, 4);
  // The frames counted were busy ones.
  EXPECT_GE(most_ducks, 2);
  EXPECT_GE(most_bullets, 1);
}

}  // namespace
}  // namespace reedfire_test
