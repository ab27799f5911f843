// The frame-time overlay: its graph shows each frame's time, it leaves the
// game's drawing settings as they were, and a --screenshot never holds it.
#include "app/stats_overlay.hpp"

#include "child_process.hpp"
#include "file_io.hpp"
#include "gfx/font.hpp"
#include "gl_session.hpp"
#include "input/input_state.hpp"
#include "x_display.hpp"
#include "zorvane.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

TEST(StatsOverlay, BarsFollowFrameTimesAndTheGamesSettingsStay) {
  REQUIRE_GL();
  fresh(0x000000);
  OpenGLVireo* r = ctx.renderer;
  font_build_default(r, 0);
  text_color_set(color::Blue);
  color_key_set(0);
  // 119 frames on time, then one of 40 ms: the last bar is red and
  // reaches twice as high.
  for (int i = 0; i < kStatsFrames - 1; ++i) stats_overlay_record(16.7, 3, 40);
  stats_overlay_record(40, 3, 40);
  stats_overlay_draw(r);
  EXPECT_PX(9, 60, 0, 0, 0);  // nothing drawn while hidden
  stats_overlay_show(1);
  stats_overlay_draw(r);
  stats_overlay_show(0);
  // Down the first and the last bar, below the two lines of text (the
  // white 60-a-second line crosses both bars).
  auto white = [](const Rgba& p) { return p.r > 200 && p.g > 200 && p.b > 200; };
  int green = 0, red = 0, base = 0;
  for (int y = 26; y < 120; ++y) {
    const Rgba first = px(9, y), last = px(8 + 2 * (kStatsFrames - 1), y);
    if ((first.g > 200 && first.r < 100) || white(first)) ++green, base = y;
    if ((last.r > 200 && last.g < 100) || white(last)) ++red;
  }
  EXPECT_EQ(green, 22);  // 16.7 ms at 0.75 ms a pixel
  EXPECT_EQ(red, 44);    // 40 ms, at the graph's top
  // Beyond the box the frame is untouched.
  EXPECT_PX(400, base, 0, 0, 0);
  EXPECT_PX(9, base + 8, 0, 0, 0);
  EXPECT_EQ(r->text_color[2], 1.0f);
  EXPECT_EQ(r->text_color[0], 0.0f);
  EXPECT_EQ(r->color_key, 0);
  color_key_set(color::Key);
  text_color_set(color::White);
}

TEST(StatsOverlay, F12ShowsAndHidesItWhereTheGameAllows) {
  InputState input;
  InputState* saved = ctx.input;
  ctx.input = &input;
  input.presses[key::F12] = 1;  // F12 pressed in each of these frames
  stats_overlay_frame();
  EXPECT_EQ(stats_overlay_shown(), 0);
  app_set_stats_key(1);
  stats_overlay_frame();
  EXPECT_EQ(stats_overlay_shown(), 1);
  stats_overlay_frame();
  EXPECT_EQ(stats_overlay_shown(), 0);
  app_set_stats_key(0);
  ctx.input = saved;
}

TEST(StatsOverlay, AScreenshotIsTakenWithoutIt) {
  if (!zrv::test::have_display()) GTEST_SKIP() << "no display";
  const std::string dir = make_temp_dir("zrv_stats");
  const std::string game = std::string(ZRV_BINARY_DIR) + "/game";
  for (const char* stats : {"", "--stats"}) {
    std::vector<std::string> args = {REEDFIRE_PROGRAM,
                                     "--seed",
                                     "3",
                                     "--frames",
                                     "40",
                                     "--screenshot",
                                     dir + "/" + (*stats ? "with.png" : "without.png")};
    if (*stats) args.push_back(stats);
    ASSERT_EQ(zrv::test::run_program(args, "", game), 0);
  }
  const std::string without = zrv::test::read_file(dir + "/without.png");
  EXPECT_GT(without.size(), 1000u);
  EXPECT_TRUE(without == zrv::test::read_file(dir + "/with.png"));
  zrv::test::shell_output("rm -rf '" + dir + "'");
}

}  // namespace
}  // namespace gfx_test
