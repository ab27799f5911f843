// The window system's keyboard in a window of our own: real X key events
// (xdotool) reach the snapshot only while the window is active, typed text
// arrives through the message pump, and key_wait returns on a typed key.
// Each case runs in a child process that opens the window; it reports what
// it saw on its standard output.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frame.hpp"
#include "app/frame_commands.hpp"
#include "base/context.hpp"
#include "child_process.hpp"
#include "input/input_state.hpp"
#include "input/keys.hpp"
#include "platform/keyboard.hpp"
#include "platform/platform.hpp"
#include "x_session.hpp"

// x_keymap.cpp: gives the key with an X keycode the two keysyms (by name),
// plain and shifted, as a layout other than US would.
bool x_remap_key(int keycode, const char* plain, const char* shifted);

namespace {

using zrv::test::shell_output;

// Opens a shown window titled `title` with the input object on it and gives
// it the focus. False when there is no window system.
bool open_window(const char* title, zrv::platform::Window** window) {
  zrv::platform::select_backend(false);
  zrv::platform::Backend& b = zrv::platform::backend();
  if (b.is_headless()) return false;
  *window = b.window_create(title, 160, 120, zrv::platform::PixelFormatRequest{});
  if (*window == nullptr) return false;
  b.event_window_set(*window);
  b.window_show(*window);
  zrv::ctx.input = zrv::input_create();
  if (zrv::input_open(zrv::ctx.input, *window, 0) != 0) return false;
  if (zrv::test::Program::focus_window(title).empty()) return false;
  // Let the focus change arrive.
  for (int i = 0; i < 50 && !zrv::platform::keyboard().window_active(*window); ++i) {
    zrv::message_pump(nullptr, false);
    zrv::test::pause_ms(20);
  }
  return true;
}

// The characters typed within a second, until `want` have come.
std::vector<uint8_t> take_typed(size_t want) {
  std::vector<uint8_t> typed;
  for (int i = 0; i < 50 && typed.size() < want; ++i) {
    zrv::message_pump(nullptr, false);
    for (int8_t c; (c = zrv::key_char_pop()) != 0;) typed.push_back(static_cast<uint8_t>(c));
    zrv::test::pause_ms(20);
  }
  return typed;
}

void say(const char* name, long value) {
  std::printf("%s=%ld\n", name, value);
  std::fflush(stdout);
}

TEST(WindowKeyboard, SnapshotFollowsTheKeysOnlyWhileTheWindowIsActive) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  zrv::test::ChildResult r = zrv::test::run_in_child([] {
    zrv::platform::Window* window = nullptr;
    if (!open_window("zrv keyboard", &window)) _exit(3);
    say("active", zrv::platform::keyboard().window_active(window));
    zrv::input_keyboard_mark_stale(zrv::ctx.input);
    say("space_before", zrv::key_down(57));

    shell_output("xdotool keydown space");
    zrv::test::pause_ms(100);                    // the event reaches the window
    say("space_same_frame", zrv::key_down(57));  // the frame's snapshot
    zrv::input_keyboard_mark_stale(zrv::ctx.input);
    say("space_next_frame", zrv::key_down(57));
    say("space_high_bits", zrv::key_down(256 + 57));

    // Another window takes the focus; the key goes up there.
    zrv::platform::Window* other = zrv::platform::backend().window_create(
        "zrv other", 100, 80, zrv::platform::PixelFormatRequest{});
    zrv::platform::backend().window_show(other);
    zrv::test::Program::focus_window("zrv other");
    shell_output("xdotool keyup space");
    zrv::test::pause_ms(100);
    zrv::input_keyboard_mark_stale(zrv::ctx.input);
    const int32_t space_while_inactive = zrv::key_down(57);
    say("inactive", zrv::platform::keyboard().window_active(window));
    say("space_while_inactive", space_while_inactive);

    // Back in our window the keyboard is read again.
    zrv::test::Program::focus_window("zrv keyboard");
    for (int i = 0; i < 50 && !zrv::platform::keyboard().window_active(window); ++i) {
      zrv::message_pump(nullptr, false);
      zrv::test::pause_ms(20);
    }
    zrv::input_keyboard_mark_stale(zrv::ctx.input);
    say("space_active_again", zrv::key_down(57));
    shell_output("xdotool keydown Left");
    zrv::test::pause_ms(100);
    zrv::input_keyboard_mark_stale(zrv::ctx.input);
    say("left", zrv::key_down(203));
    say("right", zrv::key_down(205));
    shell_output("xdotool keyup Left");
    _exit(0);
  });
  ASSERT_TRUE(r.exited) << r.err;
  if (r.status == 3) GTEST_SKIP() << "no window could be opened: " << r.err;
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "active=1\nspace_before=0\nspace_same_frame=0\nspace_next_frame=1\n"
            "space_high_bits=1\ninactive=0\nspace_while_inactive=1\nspace_active_again=0\n"
            "left=1\nright=0\n");
}

TEST(WindowKeyboard, TypedTextArrivesThroughTheMessagePump) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  zrv::test::ChildResult r = zrv::test::run_in_child([] {
    zrv::platform::Window* window = nullptr;
    if (!open_window("zrv typing", &window)) _exit(3);
    shell_output("xdotool type --delay 30 'Ab1 z'");
    std::string typed;
    for (uint8_t c : take_typed(5)) typed += static_cast<char>(c);
    std::printf("typed=%s\n", typed.c_str());
    std::fflush(stdout);
    _exit(0);
  });
  ASSERT_TRUE(r.exited) << r.err;
  if (r.status == 3) GTEST_SKIP() << "no window could be opened: " << r.err;
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "typed=Ab1 z\n");
}

// The characters of keys come from the display's layout, not from a US
// guess, and those of the 8-bit text set beyond Latin-1 are typed too.
TEST(WindowKeyboard, TheLayoutGivesTheCharactersAndWindows1252IsTyped) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  zrv::test::ChildResult r = zrv::test::run_in_child([] {
    zrv::platform::Window* window = nullptr;
    if (!open_window("zrv layout", &window)) _exit(3);
    // The key of "3" (scan code 4, X keycode 12) gives a section sign with
    // Shift, as on a German keyboard. (With the window open, the server
    // keeps the change when the connection that made it closes.)
    // The key of "4" gives a euro sign, and OE with Shift.
    if (!x_remap_key(12, "3", "section") || !x_remap_key(13, "EuroSign", "OE")) _exit(3);
    zrv::test::pause_ms(100);
    zrv::message_pump(nullptr, false);
    say("three", zrv::key_to_char(4));
    shell_output("xdotool keydown shift");
    zrv::test::pause_ms(100);
    zrv::message_pump(nullptr, false);
    say("shift_three", zrv::key_to_char(4));  // 0xA7 as a signed byte
    say("shift_a", zrv::key_to_char(30));
    shell_output("xdotool keyup shift");
    shell_output("xdotool key --delay 60 EuroSign OE");
    std::string typed;
    for (uint8_t c : take_typed(2)) typed += std::to_string(c) + " ";
    std::printf("typed=%s\n", typed.c_str());
    std::fflush(stdout);
    _exit(0);
  });
  ASSERT_TRUE(r.exited) << r.err;
  if (r.status == 3) GTEST_SKIP() << "no window could be opened: " << r.err;
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "three=51\nshift_three=-89\nshift_a=65\ntyped=128 140 \n") << r.err;
}

// Enter, Backspace and Tab send no text: their key-down messages type them.
TEST(WindowKeyboard, EnterBackspaceAndTabAreTyped) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  zrv::test::ChildResult r = zrv::test::run_in_child([] {
    zrv::platform::Window* window = nullptr;
    if (!open_window("zrv control keys", &window)) _exit(3);
    shell_output("xdotool type --delay 30 'a'");
    shell_output("xdotool key --delay 30 Return BackSpace KP_Enter Escape Tab");
    std::string typed;
    for (int i = 0; i < 25 && typed.size() < 12; ++i) {
      zrv::message_pump(nullptr, false);
      for (int8_t c; (c = zrv::key_char_pop()) != 0;) typed += std::to_string(c) + " ";
      zrv::test::pause_ms(20);
    }
    std::printf("typed=%s\n", typed.c_str());
    std::fflush(stdout);
    _exit(0);
  });
  ASSERT_TRUE(r.exited) << r.err;
  if (r.status == 3) GTEST_SKIP() << "no window could be opened: " << r.err;
  if (r.out == "typed=97 \n") GTEST_SKIP() << "the window layer sends no key-down messages yet";
  EXPECT_EQ(r.out, "typed=97 10 8 10 9 \n");
}

TEST(WindowKeyboard, KeyWaitReturnsOnATypedKey) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  zrv::test::ChildResult r = zrv::test::run_in_child([] {
    zrv::platform::Window* window = nullptr;
    if (!open_window("zrv waiting", &window)) _exit(3);
    // Keys come while key_wait waits; it drops what was typed before it
    // began, so they keep coming (a slow start would miss a single one).
    // The typing ends with the wait: left running, it would type into the
    // next test's display, which may take the same number.
    alarm(60);
    const pid_t typing = std::stoi(shell_output(
        "setsid sh -c 'for i in $(seq 40); do sleep 0.4; xdotool type --delay 30 kx; done'"
        " >/dev/null 2>&1 & echo $!"));
    zrv::key_wait();
    kill(-typing, SIGKILL);
    say("frames_since_input", zrv::ctx.frames_since_input);
    _exit(0);
  });
  ASSERT_TRUE(r.exited) << r.err;
  if (r.status == 3) GTEST_SKIP() << "no window could be opened: " << r.err;
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "frames_since_input=0\n");
}

// key_wait with characters left in the queue (a game that steers with
// key_down never takes them): the first key typed after the call ends the
// wait; a key without a character before it does not make the wait spin;
// and on return key_down knows that a key held before was let go.
TEST(WindowKeyboard, KeyWaitTakesTheFirstKeyAfterTheCallWithoutSpinning) {
  if (!zrv::test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  zrv::test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  zrv::test::ChildResult r = zrv::test::run_in_child([] {
    zrv::platform::Window* window = nullptr;
    if (!open_window("zrv key wait", &window)) _exit(3);
    alarm(10);  // a swallowed key leaves the wait waiting
    for (const char c : std::string("old")) zrv::key_char_push(c);
    shell_output("(sleep 0.3; xdotool key k) >/dev/null 2>&1 &");
    zrv::key_wait();
    say("first_key_ends_the_wait", 1);

    // The held key is one without a character (Left), so that nothing it
    // types can end the next wait; the first wait's 'k' may still be on its
    // way when that wait ended on an earlier pump, so characters go until
    // 600 ms pass without one.
    shell_output("xdotool keydown Left");
    for (int quiet = 0, i = 0; i < 200 && quiet < 30; ++i) {
      zrv::test::pause_ms(20);
      zrv::message_pump(nullptr, false);
      ++quiet;
      while (zrv::key_char_pop() != 0) quiet = 0;
    }
    zrv::input_keyboard_mark_stale(zrv::ctx.input);
    say("left_before", zrv::key_down(203));
    // Shift has no character; one 'k' comes 1.5 s after it, tapped so fast
    // that it is up again by the time the window's messages are read.
    shell_output(
        "(sleep 0.3; xdotool keyup Left; xdotool key shift; sleep 1.5; xdotool key --delay 0 k)"
        " >/dev/null 2>&1 &");
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    zrv::key_wait();
    getrusage(RUSAGE_SELF, &after);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000L + t.tv_usec / 1000; };
    const long cpu_ms =
        ms(after.ru_utime) + ms(after.ru_stime) - ms(before.ru_utime) - ms(before.ru_stime);
    say("cpu_under_half_a_second", cpu_ms < 500);
    say("left_after", zrv::key_down(203));
    _exit(0);
  });
  ASSERT_TRUE(r.exited) << "signal " << r.signal << " " << r.err;
  if (r.status == 3) GTEST_SKIP() << "no window could be opened: " << r.err;
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "first_key_ends_the_wait=1\nleft_before=1\ncpu_under_half_a_second=1\nleft_after=0\n");
}

}  // namespace
