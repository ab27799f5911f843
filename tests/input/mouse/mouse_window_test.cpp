// The mouse in a window of the runtime on the test's X display, moved and
// clicked with real X pointer events; touch contacts as SDL finger events.
// Each case runs in a child process with its own window and reports what
// it saw on its standard output.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/frame.hpp"
#include "app/frame_commands.hpp"
#include "base/context.hpp"
#include "child_process.hpp"
#include "input/mouse.hpp"
#include "x_pointer.hpp"

namespace {

using x_test::move_by;
using x_test::move_to;
using x_test::say;
using zrv::test::shell_output;

constexpr int kW = 400;
constexpr int kH = 300;

std::string window_or_exit(const char* title, int exclusive) {
  std::string xid;
  if (!x_test::open_window(title, kW, kH, exclusive, &xid)) _exit(3);
  return xid;
}

void say_state(const char* name) {
  int32_t x = -1, y = -1, l = -1, r = -1;
  zrv::mouse_state(x, y, l, r);
  std::printf("%s=%d,%d,%d,%d\n", name, x, y, l, r);
  std::fflush(stdout);
}

TEST(MouseWindow, CursorModeReportsClientPositionsButtonsAndClamps) {
  RUN_WINDOW_CASE(r, [] {
    const std::string xid = window_or_exit("zrv mouse cursor", 0);
    say("device", zrv::mouse_input().mouse_device);
    say("cursor_mode", zrv::mouse_input().cursor_mode);
    move_to(xid, 50, 60);
    say_state("at_50_60");
    move_to(xid, 80, 90);
    say("axis_x", zrv::mouse_axis(0));
    say("axis_y", zrv::mouse_axis(1));
    say("axis_x_again", zrv::mouse_axis(0));
    say_state("at_80_90");
    say("axis_x_after_state", zrv::mouse_axis(0));
    // Two reads in one frame: the second sees no motion since the first.
    move_to(xid, 120, 100);
    say_state("first");
    say_state("second");
    say("motion_after_second", zrv::mouse_axis(0) + zrv::mouse_axis(1));

    shell_output("xdotool mousedown 1");
    x_test::pause_ms(60);
    say_state("left_down");
    say("any_button", zrv::mouse_any_button());
    shell_output("xdotool mousedown 3");
    x_test::pause_ms(60);
    say_state("both_down");
    shell_output("xdotool mouseup 1 mouseup 3 mousedown 2");
    x_test::pause_ms(60);
    say("middle", zrv::mouse_axis(5));
    say("left_axis", zrv::mouse_axis(3));
    shell_output("xdotool mouseup 2");
    x_test::pause_ms(60);
    say("any_button_after", zrv::mouse_any_button());

    // Outside the window the position stays on its edges.
    move_to(xid, -30, 50);
    say_state("left_of_window");
    move_to(xid, kW + 60, kH + 40);
    say_state("beyond_corner");
    say("count", zrv::mouse_count());
    _exit(0);
  });
  EXPECT_EQ(r.out,
            "device=1\ncursor_mode=1\nat_50_60=50,60,0,0\naxis_x=30\naxis_y=30\n"
            "axis_x_again=30\nat_80_90=80,90,0,0\naxis_x_after_state=0\nfirst=120,100,0,0\n"
            "second=120,100,0,0\nmotion_after_second=0\nleft_down=120,100,1,0\nany_button=1\n"
            "both_down=120,100,1,1\nmiddle=1\nleft_axis=0\nany_button_after=0\n"
            "left_of_window=0,50,0,0\nbeyond_corner=400,300,0,0\ncount=1\n");
}

TEST(MouseWindow, ExclusiveModeAddsRelativeMotionAndClamps) {
  RUN_WINDOW_CASE(r, [] {
    const std::string xid = window_or_exit("zrv mouse exclusive", 1);
    say("cursor_mode", zrv::mouse_input().cursor_mode);
    say("relative", SDL_GetRelativeMouseMode() == SDL_TRUE);
    zrv::mouse_set_position(100, 100);
    say_state("set");
    move_by(30, 20);
    say_state("moved");
    say_state("again");
    // Far to the left stays at 0; the way back starts from 0 at once.
    move_by(-2000, 0);
    say_state("far_left");
    move_by(25, 0);
    say_state("back_right");
    move_by(0, -2000);
    move_by(0, 5000);
    say_state("far_down");
    move_by(0, -2000);
    say_state("far_up");
    // Let go (a debugger break): the next read takes the mouse again.
    zrv::mouse_release();
    say("relative_after_release", SDL_GetRelativeMouseMode() == SDL_TRUE);
    move_by(7, 9);  // unseen: the mouse is not held
    x_test::pump(50);
    say_state("read_again");
    say("relative_after_read", SDL_GetRelativeMouseMode() == SDL_TRUE);
    move_by(-7, -9);
    // Back to the cursor: relative mode ends, the cursor is put where the
    // mouse was and positions are the cursor's again.
    zrv::mouse_pointer_show(1);
    say("relative_after_show", SDL_GetRelativeMouseMode() == SDL_TRUE);
    move_to(xid, 210, 110);
    say_state("cursor_again");
    zrv::mouse_pointer_show(0);
    say("relative_after_hide", SDL_GetRelativeMouseMode() == SDL_TRUE);
    move_by(-10, 5);
    say_state("exclusive_again");
    _exit(0);
  });
  EXPECT_EQ(r.out,
            "cursor_mode=0\nrelative=1\nset=100,100,0,0\nmoved=130,120,0,0\nagain=130,120,0,0\n"
            "far_left=0,120,0,0\nback_right=25,120,0,0\nfar_down=25,300,0,0\nfar_up=25,0,0,0\n"
            "relative_after_release=0\nread_again=25,0,0,0\nrelative_after_read=1\n"
            "relative_after_show=0\ncursor_again=210,110,0,0\nrelative_after_hide=1\n"
            "exclusive_again=200,115,0,0\n");
}

TEST(MouseWindow, WheelStepsAddUpWithoutConsumeAndClearWithTheFrame) {
  RUN_WINDOW_CASE(r, [] {
    const std::string xid = window_or_exit("zrv mouse wheel", 0);
    move_to(xid, 200, 150);
    zrv::mouse_update_all(true);
    say("wheel_start", zrv::mouse_axis(2));
    shell_output("xdotool click 4");
    x_test::pause_ms(60);
    say("one_up", zrv::mouse_axis(2));
    shell_output("xdotool click 4");
    x_test::pause_ms(60);
    say("two_up", zrv::mouse_axis(2));
    say("still_two", zrv::mouse_axis(2));
    zrv::mouse_update_all(true);  // the frame's update
    say("next_frame", zrv::mouse_axis(2));
    shell_output("xdotool click 5");
    x_test::pause_ms(60);
    say("one_down", zrv::mouse_axis(2));
    say_state("state_consumes");
    say("after_state", zrv::mouse_axis(2));
    _exit(0);
  });
  EXPECT_EQ(r.out,
            "wheel_start=0\none_up=1\ntwo_up=2\nstill_two=2\nnext_frame=0\none_down=-1\n"
            "state_consumes=200,150,0,0\nafter_state=0\n");
}

TEST(MouseWindow, WaitReturnsAfterAClick) {
  RUN_WINDOW_CASE(r, [] {
    const std::string xid = window_or_exit("zrv mouse wait", 0);
    move_to(xid, 100, 100);
    std::thread user([] {
      x_test::pause_ms(500);
      x_test::press(1, 150);
    });
    const double t0 = zrv::timer_elapsed_ms();
    zrv::mouse_wait();
    const double took = zrv::timer_elapsed_ms() - t0;
    user.join();
    say("waited_for_click", took >= 450 && took < 5000);
    say("frames_since_input", zrv::ctx.frames_since_input);
    say("button_up", zrv::mouse_any_button() ? 0 : 1);
    // A click so quick that it is over before the buttons are read.
    alarm(10);
    std::thread quick([] {
      x_test::pause_ms(300);
      x_test::shell_output("xdotool click --delay 0 1");
    });
    zrv::mouse_wait();
    quick.join();
    say("quick_click_ends_it", 1);
    _exit(0);
  });
  EXPECT_EQ(r.out,
            "waited_for_click=1\nframes_since_input=0\nbutton_up=1\nquick_click_ends_it=1\n");
}

void push_finger(uint32_t type, SDL_FingerID finger, float x, float y, uint32_t window_id) {
  SDL_Event e{};
  e.type = type;
  e.tfinger.touchId = 1;
  e.tfinger.fingerId = finger;
  e.tfinger.x = x;
  e.tfinger.y = y;
  e.tfinger.pressure = 1;
  e.tfinger.windowID = window_id;
  SDL_PushEvent(&e);
}

void say_slot(const char* name, int i) {
  const zrv::PointerSlot& s = zrv::ctx.pointer_slots[i];
  std::printf("%s=%d,%d,%d,%s\n", name, s.x, s.y, s.buttons, s.pointer_id ? "taken" : "free");
  std::fflush(stdout);
}

TEST(Touch, FingerEventsFillAndFreePointerSlots) {
  RUN_WINDOW_CASE(r, [] {
    const std::string xid = window_or_exit("zrv touch", 0);
    move_to(xid, -60, -60);  // the real pointer away from the window
    zrv::message_pump(nullptr, false);
    const uint32_t id = zrv::platform::backend().window_id(zrv::ctx.window);
    push_finger(SDL_FINGERDOWN, 7, 0.5f, 0.25f, id);
    say_slot("down_a", 0);
    push_finger(SDL_FINGERDOWN, 8, 0.25f, 0.5f, id);
    say_slot("down_b", 1);
    say("distinct_ids",
        zrv::ctx.pointer_slots[0].pointer_id != zrv::ctx.pointer_slots[1].pointer_id);
    push_finger(SDL_FINGERMOTION, 7, 0.75f, 0.5f, id);
    say_slot("moved_a", 0);
    push_finger(SDL_FINGERDOWN, 9, 0.1f, 0.1f, id + 100);  // another window's
    say_slot("other_window", 2);
    push_finger(SDL_FINGERUP, 7, 0.8f, 0.6f, id);
    say_slot("up_a", 0);
    push_finger(SDL_FINGERDOWN, 10, 0.1f, 0.2f, id);
    say_slot("reused", 0);

    // In pointer mode each slot is a mouse.
    zrv::pointer_mode_override(1);
    say("count", zrv::mouse_count());
    zrv::mouse_select(1);
    say_state("mouse_1");
    zrv::mouse_select(40);
    say("selected", zrv::mouse_input().current_mouse);
    say_state("mouse_0");
    push_finger(SDL_FINGERUP, 8, 0.25f, 0.5f, id);
    zrv::mouse_select(1);
    say_state("mouse_1_released");
    _exit(0);
  });
  EXPECT_EQ(r.out,
            "down_a=200,75,1,taken\ndown_b=100,150,1,taken\ndistinct_ids=1\n"
            "moved_a=300,150,1,taken\nother_window=0,0,0,free\nup_a=320,180,0,free\n"
            "reused=40,60,1,taken\ncount=32\nmouse_1=100,150,1,0\nselected=0\n"
            "mouse_0=40,60,1,0\nmouse_1_released=100,150,0,0\n");
}

}  // namespace
