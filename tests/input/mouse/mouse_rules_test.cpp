// The mouse records without a window system: positions mapped to the
// screen (orientation, drawing area, logical screen) and back, the motion
// and wheel of an update with and without consumption, the mouse count and
// selection, and the pointer slots that pointer messages fill.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "gfx/renderer.hpp"
#include "gfx/screen.hpp"
#include "input/mouse.hpp"
#include "platform/platform.hpp"

namespace {

class MouseRules : public ::testing::Test {
 protected:
  void SetUp() override {
    zrv::platform::select_backend(true);
    zrv::ctx.renderer = zrv::renderer_create();
    zrv::ctx.renderer->width = 800;
    zrv::ctx.renderer->height = 480;
    zrv::screen_state.screen_scale = 0;
    zrv::screen_state.screen_offset_x = zrv::screen_state.screen_offset_y = 0;
    for (zrv::PointerSlot& s : zrv::ctx.pointer_slots) s = zrv::PointerSlot{};
    zrv::pointer_mode_override(0);
    zrv::mouse_open(nullptr, nullptr, 0);
  }
  void TearDown() override {
    zrv::mouse_close(nullptr);
    zrv::renderer_destroy(zrv::ctx.renderer);
    zrv::ctx.renderer = nullptr;
    zrv::screen_state.screen_scale = 0;
    zrv::pointer_mode_override(-1);
  }
  zrv::MouseRecord& record() {
    return zrv::mouse_input().mice[static_cast<size_t>(zrv::mouse_input().current_mouse)];
  }
  void state(int32_t* x, int32_t* y) {
    int32_t l = -1, r = -1;
    zrv::mouse_state(*x, *y, l, r);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(r, 0);
  }
};

TEST_F(MouseRules, OpenStartsWithOneNewRecordInCursorMode) {
  const zrv::MouseInput& m = zrv::mouse_input();
  ASSERT_EQ(m.mice.size(), 1u);
  EXPECT_GE(m.mice.capacity(), 4u);
  EXPECT_EQ(m.cursor_mode, 1);
  EXPECT_FALSE(m.mouse_device) << "no window system";
  EXPECT_EQ(m.mice[0].last_x, 100);
  EXPECT_EQ(m.mice[0].last_y, 100);
  EXPECT_EQ(m.mice[0].wheel, 0);
}

TEST_F(MouseRules, SetPositionReadsBackInEveryOrientationAndOnALogicalScreen) {
  for (int o = 0; o < 4; ++o) {
    zrv::ctx.renderer->orientation = o;
    zrv::mouse_set_position(10, 20);
    int32_t x = -1, y = -1;
    state(&x, &y);
    EXPECT_EQ(x, 10) << "orientation " << o;
    EXPECT_EQ(y, 20) << "orientation " << o;
  }
  // A 320 x 240 logical screen enlarged twice, 80 pixels from the left.
  zrv::ctx.renderer->orientation = 0;
  zrv::screen_state.screen_scale = 2;
  zrv::screen_state.screen_offset_x = 80;
  zrv::mouse_set_position(10, 20);
  EXPECT_EQ(record().last_x, 101);  // the centre of logical pixel 10: 80 + 10.5 x 2
  EXPECT_EQ(record().last_y, 41);
  int32_t x = -1, y = -1;
  state(&x, &y);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 20);
  // Window pixels left of the logical screen come out negative, rounded down.
  record().last_x = record().x = 75;
  state(&x, &y);
  EXPECT_EQ(x, -3);
  // At 1.5 the window pixel takes the logical pixel that holds its centre,
  // as the drawing does (logical 0 covers window 80 to 81.5): 79 is
  // outside, 80 is logical 0, 81 and 82 logical 1, 83 logical 2.
  zrv::screen_state.screen_scale = 1.5f;
  const int32_t expected[] = {-1, 0, 1, 1, 2, 3};
  for (int32_t i = 0; i < 6; ++i) {
    record().last_x = record().x = 79 + i;
    state(&x, &y);
    EXPECT_EQ(x, expected[i]) << "window x " << 79 + i;
  }
  for (int32_t logical = -3; logical < 40; ++logical) {
    zrv::mouse_set_position(logical, 7);
    state(&x, &y);
    EXPECT_EQ(x, logical);
    EXPECT_EQ(y, 7);
  }
}

TEST_F(MouseRules, StateMapsWindowPositionsToTheScreenAndClamps) {
  record().x = record().last_x = 0;
  record().y = record().last_y = 0;
  zrv::ctx.renderer->orientation = 1;  // (y, W - 1 - x) on a 480 x 800 screen
  int32_t x = -1, y = -1;
  state(&x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 799);
  zrv::ctx.renderer->orientation = 2;
  state(&x, &y);
  EXPECT_EQ(x, 799);
  EXPECT_EQ(y, 479);
  zrv::ctx.renderer->orientation = 0;
  record().x = record().last_x = 900;
  record().y = record().last_y = -5;
  state(&x, &y);
  EXPECT_EQ(x, 800);
  EXPECT_EQ(y, 0);
  double dx = -1, dy = -1, dl = -1, dr = -1;
  zrv::mouse_state(dx, dy, dl, dr);
  EXPECT_EQ(dx, 800.0);
  EXPECT_EQ(dy, 0.0);
  EXPECT_EQ(dl, 0.0);
}

TEST_F(MouseRules, UpdateWithoutConsumeKeepsMotionAndWheelUntilConsumed) {
  zrv::mouse_pointer_show(0);  // exclusive: the working position moves
  EXPECT_EQ(zrv::mouse_input().cursor_mode, 0);
  record().x = 130;
  record().y = 90;
  record().last_x = 100;
  record().last_y = 100;
  record().wheel = 2;
  EXPECT_EQ(zrv::mouse_axis(0), 30);
  EXPECT_EQ(zrv::mouse_axis(1), -10);
  EXPECT_EQ(zrv::mouse_axis(2), 2);
  EXPECT_EQ(zrv::mouse_axis(0), 30) << "not consumed";
  EXPECT_EQ(zrv::mouse_axis(3) + zrv::mouse_axis(4) + zrv::mouse_axis(5), 0);
  EXPECT_EQ(zrv::mouse_axis(6), 0);
  EXPECT_EQ(zrv::mouse_axis(-1), 0);
  // Motion turns with the screen as a direction.
  zrv::ctx.renderer->orientation = 2;
  EXPECT_EQ(zrv::mouse_axis(0), -30);
  EXPECT_EQ(zrv::mouse_axis(1), 10);
  zrv::ctx.renderer->orientation = 0;

  // The frame's update consumes: the motion is taken and the wheel cleared.
  zrv::mouse_update_all(true);
  EXPECT_EQ(record().last_x, 130);
  EXPECT_EQ(record().last_y, 90);
  EXPECT_EQ(zrv::mouse_axis(0), 0);
  EXPECT_EQ(zrv::mouse_axis(2), 0);
  int32_t x = -1, y = -1;
  state(&x, &y);
  EXPECT_EQ(x, 130);
  EXPECT_EQ(y, 90);
}

TEST_F(MouseRules, CountAndSelectFollowPointerMode) {
  EXPECT_EQ(zrv::mouse_count(), 1);
  zrv::mouse_select(5);
  EXPECT_EQ(zrv::mouse_input().current_mouse, 0);
  zrv::mouse_select(-3);
  EXPECT_EQ(zrv::mouse_input().current_mouse, 0);
  EXPECT_EQ(zrv::mouse_input().mice.size(), 1u);

  zrv::pointer_mode_override(1);
  EXPECT_EQ(zrv::mouse_count(), 32);
  zrv::mouse_select(5);
  EXPECT_EQ(zrv::mouse_input().current_mouse, 5);
  ASSERT_EQ(zrv::mouse_input().mice.size(), 32u);
  EXPECT_EQ(zrv::mouse_input().mice[31].last_x, 100);
  zrv::mouse_select(32);
  EXPECT_EQ(zrv::mouse_input().current_mouse, 0);
  zrv::mouse_select(31);
  EXPECT_EQ(zrv::mouse_input().current_mouse, 31);

  // In pointer mode with the cursor, a mouse is its pointer slot.
  zrv::ctx.pointer_slots[31] = zrv::PointerSlot{321, 123, 3, 44};
  int32_t x = 0, y = 0, l = 0, r = 0;
  zrv::mouse_state(x, y, l, r);
  EXPECT_EQ(x, 321);
  EXPECT_EQ(y, 123);
  EXPECT_EQ(l, 1);
  EXPECT_EQ(r, 1);
  EXPECT_TRUE(zrv::mouse_any_button());
  zrv::ctx.pointer_slots[31].buttons = 0;
  EXPECT_FALSE(zrv::mouse_any_button());
}

TEST_F(MouseRules, PointerModeIsDecidedOnceAndLogged) {
  const std::string tmp = "/tmp/zrv_mouse_log_" + std::to_string(getpid());
  mkdir(tmp.c_str(), 0700);
  setenv("TMPDIR", tmp.c_str(), 1);
  zrv::pointer_mode_override(-1);
  EXPECT_EQ(zrv::mouse_count(), 1) << "no touch device without a window system";
  zrv::mouse_count();
  zrv::mouse_select(3);
  std::ifstream in(zrv::log_path().c_str());
  std::stringstream s;
  s << in.rdbuf();
  const std::string log = s.str();
  const size_t at = log.find("Win: ");
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find("Win: ", at + 1), std::string::npos) << "decided once: " << log;
  int major = -1, minor = -1;
  EXPECT_EQ(std::sscanf(log.c_str() + at, "Win: %d, %d\n", &major, &minor), 2);
  EXPECT_GT(major, 0);
}

TEST(PointerMessages, DownUpdateAndUpFillAndFreeSlots) {
  for (zrv::PointerSlot& s : zrv::ctx.pointer_slots) s = zrv::PointerSlot{};
  auto info = [](uint32_t flags, int32_t x, int32_t y) {
    zrv::platform::PointerInfo i;
    i.flags = flags;
    i.x = x;
    i.y = y;
    return i;
  };
  zrv::pointer_message(1, 0, info(0x10, 5, 5));  // id 0: not a pointer
  EXPECT_EQ(zrv::ctx.pointer_slots[0].x, 0);

  zrv::pointer_message(1, 7, info(0x10, 10, 20));
  EXPECT_EQ(zrv::ctx.pointer_slots[0].pointer_id, 7);
  EXPECT_EQ(zrv::ctx.pointer_slots[0].buttons, 1);
  EXPECT_EQ(zrv::ctx.pointer_slots[0].x, 10);
  EXPECT_EQ(zrv::ctx.pointer_slots[0].y, 20);
  zrv::pointer_message(1, 9, info(0x20, 30, 40));
  EXPECT_EQ(zrv::ctx.pointer_slots[1].pointer_id, 9);
  EXPECT_EQ(zrv::ctx.pointer_slots[1].buttons, 2);
  // A second button goes down on the same pointer: the bits add up.
  zrv::pointer_message(1, 9, info(0x40, 31, 41));
  EXPECT_EQ(zrv::ctx.pointer_slots[1].buttons, 6);
  // An update sets the buttons as they are.
  zrv::pointer_message(0, 7, info(0x10 | 0x20, 11, 21));
  EXPECT_EQ(zrv::ctx.pointer_slots[0].buttons, 3);
  EXPECT_EQ(zrv::ctx.pointer_slots[0].x, 11);
  // Up keeps only the buttons still down and frees the slot.
  zrv::pointer_message(-1, 7, info(0, 12, 22));
  EXPECT_EQ(zrv::ctx.pointer_slots[0].pointer_id, 0);
  EXPECT_EQ(zrv::ctx.pointer_slots[0].buttons, 0);
  EXPECT_EQ(zrv::ctx.pointer_slots[0].x, 12);
  // The next new pointer takes the first free slot.
  zrv::pointer_message(1, 50, info(0x10, 1, 2));
  EXPECT_EQ(zrv::ctx.pointer_slots[0].pointer_id, 50);
  EXPECT_EQ(zrv::ctx.pointer_slots[1].pointer_id, 9);

  // 32 pointers at most; the 33rd finds no slot and changes nothing.
  for (int id = 100; id < 130; ++id) zrv::pointer_message(1, id, info(0x10, id, id));
  for (const zrv::PointerSlot& s : zrv::ctx.pointer_slots) EXPECT_NE(s.pointer_id, 0);
  zrv::PointerSlot before[32];
  std::copy(std::begin(zrv::ctx.pointer_slots), std::end(zrv::ctx.pointer_slots), before);
  zrv::pointer_message(1, 999, info(0x10, 7, 7));
  zrv::pointer_message(0, 998, info(0x10, 7, 7));
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(zrv::ctx.pointer_slots[i].x, before[i].x);
    EXPECT_EQ(zrv::ctx.pointer_slots[i].pointer_id, before[i].pointer_id);
  }
}

}  // namespace
