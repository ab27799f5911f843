// Line input: characters queued as the window's character messages queue
// them, and real X key events (xdotool) on a display of the test's own.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "x_session.hpp"
#include "app/frame_commands.hpp"
#include "gfx/font.hpp"
#include "gl_session.hpp"
#include "input/input_state.hpp"
#include "input/keys.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

void type_queued(const char* text) {
  for (const char* p = text; *p; ++p) key_char_push(static_cast<int8_t>(*p));
}

class InputLine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ctx.input == nullptr) ctx.input = input_create();
  }
};

TEST_F(InputLine, EditsTheTextUntilEnter) {
  REQUIRE_GL();
  fresh(0x000000);
  font_build_default(ctx.renderer, 0);
  font_set(0, 1.0);
  RtString text("AB");
  type_queued("cd\b\bxy\bz\r");
  input_line(text, 10, 10, 1);
  EXPECT_STREQ(text.c_str(), "ABxz");
  EXPECT_EQ(ctx.renderer->background_ids[3], -1);  // the saved screen is released

  // Backspace on an empty text leaves it empty; a tab is typed like any other.
  RtString empty;
  type_queued("\b\b\ta\b\b\b\n");
  input_line(empty, 10, 10, 0);
  EXPECT_STREQ(empty.c_str(), "");
  // Characters after the Enter stay for the next reader.
  RtString next;
  type_queued("q\nrest");
  input_line(next, 0, 0, 1);
  EXPECT_STREQ(next.c_str(), "q");
  EXPECT_EQ(key_char_pop(), 'r');
  while (key_char_pop() != 0) {
  }
}

TEST_F(InputLine, IntegerInput) {
  REQUIRE_GL();
  fresh(0x000000);
  int32_t value = 99;
  type_queued("-42x7\n");
  input_line_int(value, 0, 0, 1);
  EXPECT_EQ(value, -42);
  type_queued("\n");
  input_line_int(value, 0, 0, 1);
  EXPECT_EQ(value, 0);
}

// The part that runs in a fresh process on the test's own display (the
// window system is set up once per process).
TEST(InputLineXChild, Run) {
  if (std::getenv("ZRV_INPUT_LINE_CHILD") == nullptr) GTEST_SKIP() << "runs inside InputLineX";
  alarm(60);
  OpenGLVireo* r = gl_session();
  ASSERT_TRUE(r != nullptr && r->gl_ready);
  window_set_title(r, "zrv input line");
  window_activate(r);
  ctx.input = input_create();
  input_open(ctx.input, r->window_handle, 0);
  ASSERT_FALSE(zrv::test::Program::focus_window("zrv input line").empty());
  for (int i = 0; i < 30; ++i) present_frame();
  font_build_default(r, 0);
  font_set(0, 1.0);
  // Typed while the line input runs its frames.
  ASSERT_EQ(std::system("(sleep 0.3; xdotool type --delay 40 'hellx'; xdotool key BackSpace; "
                        "xdotool type --delay 40 'o 42'; xdotool key Return) "
                        ">/dev/null 2>&1 &"),
            0);
  RtString text("> ");
  input_line(text, 20, 20, 1);
  std::printf("[%s]\n", text.c_str());
  std::fflush(stdout);
}

TEST(InputLineX, RealKeysTypeTheText) {
  if (std::getenv("ZRV_INPUT_LINE_CHILD") != nullptr) GTEST_SKIP();
  if (!zrv::test::PrivateDisplay::available() ||
      std::system("command -v xdotool >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "Xvfb or xdotool missing";
  }
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  const std::string dir = make_temp_dir("zrv_input_line");
  {
    zrv::test::Program child("/proc/self/exe", {"--gtest_filter=InputLineXChild.Run"}, dir,
                             {"ZRV_INPUT_LINE_CHILD=1"});
    ASSERT_TRUE(child.wait_end(60000));
    // The exit status is not checked: a leak report of the window system's
    // libraries (without the suppressions) would change it.
    EXPECT_TRUE(child.exited()) << child.err();
    EXPECT_NE(child.out().find("[> hello 42]"), std::string::npos) << child.out() << child.err();
  }
  unlink((dir + "/stdout.txt").c_str());
  unlink((dir + "/stderr.txt").c_str());
  rmdir(dir.c_str());
}

}  // namespace
}  // namespace gfx_test
