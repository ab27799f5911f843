// Video clips in the runtime's window on the test's X display: a generated
// 320 x 240 clip (red left half, blue right half) in an 800 x 480 window is
// read back from the screen while it plays; clicks, typed keys and the
// clip's end stop playback. Each window case runs in a child process and
// reports what it saw on its standard output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "app/frame.hpp"
#include "app/frame_commands.hpp"
#include "base/context.hpp"
#include "child_process.hpp"
#include "files/archive.hpp"
#include "gfx/draw.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/video_surface.hpp"
#include "input/keys.hpp"
#include "media_files.hpp"
#include "platform/media.hpp"
#include "x_capture.hpp"
#include "x_pointer.hpp"

namespace {

using x_test::say;

constexpr int kW = 800;
constexpr int kH = 480;

enum Tone { kBlack, kRed, kBlue, kOther };

Tone tone(uint32_t rgb) {
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  if (r < 40 && g < 40 && b < 40) return kBlack;
  if (r > 190 && g < 70 && b < 70) return kRed;
  if (b > 190 && r < 70 && g < 70) return kBlue;
  return kOther;
}

const char* tone_name(Tone t) {
  switch (t) {
    case kBlack:
      return "black";
    case kRed:
      return "red";
    case kBlue:
      return "blue";
    default:
      return "other";
  }
}

void say_tone(const char* name, const x_test::Capture& c, int x, int y) {
  std::printf("%s=%s\n", name, c.ok() ? tone_name(tone(c.at(x, y))) : "none");
  std::fflush(stdout);
}

// The case's window; exits with 3 when there is none (the parent skips).
std::string window_or_exit(const char* title) {
  std::string xid;
  if (!x_test::open_window(title, kW, kH, 0, &xid) || !zrv::ctx.renderer->gl_ready) _exit(3);
  zrv::platform::media().set_audio_output("null");
  return xid;
}

TEST(VideoFit, ScalesByTheSmallerRatioAndCentres) {
  const zrv::VideoRect a = zrv::video_fit(320, 240, 800, 480);
  EXPECT_EQ(a.x, 80);
  EXPECT_EQ(a.y, 0);
  EXPECT_EQ(a.w, 640);
  EXPECT_EQ(a.h, 480);
  const zrv::VideoRect b = zrv::video_fit(100, 400, 800, 480);  // 1.2
  EXPECT_EQ(b.w, 120);
  EXPECT_EQ(b.h, 480);
  EXPECT_EQ(b.x, 340);
  EXPECT_EQ(b.y, 0);
  const zrv::VideoRect c = zrv::video_fit(1600, 400, 800, 480);  // 0.5
  EXPECT_EQ(c.w, 800);
  EXPECT_EQ(c.h, 200);
  EXPECT_EQ(c.x, 0);
  EXPECT_EQ(c.y, 140);
  const zrv::VideoRect same = zrv::video_fit(640, 480, 640, 480);
  EXPECT_EQ(same.x + same.y + same.w + same.h, 0 + 0 + 640 + 480);
  const zrv::VideoRect none = zrv::video_fit(0, 240, 800, 480);
  EXPECT_EQ(none.w, 0);
  EXPECT_EQ(none.h, 0);
}

TEST(Video, MissingOrUnplayableFileGivesThreeAndKeepsLastError) {
  zrv::platform::media().set_audio_output("null");
  const std::string dir = media_test::make_temp_dir("zrv_video");
  zrv::ctx.last_error = 77;
  EXPECT_EQ(zrv::video_play(zrv::RtString((dir + "/none.y4m").c_str())), 3);
  EXPECT_EQ(zrv::video_play_loop(zrv::RtString((dir + "/none.y4m").c_str())), 3);
  EXPECT_EQ(zrv::video_play(zrv::RtString("")), 3);
  const std::string junk = dir + "/junk.y4m";
  zrv::test::write_file(junk, std::vector<uint8_t>(500, 'q'));
  EXPECT_EQ(zrv::video_play(zrv::RtString(junk.c_str())), 3);
  EXPECT_EQ(zrv::ctx.last_error, 77);
}

TEST(Video, ArchiveClipIsExtractedToATemporaryFileAndPlayed) {
  zrv::platform::media().set_audio_output("null");
  zrv::timer_init();
  const std::string dir = media_test::make_temp_dir("zrv_video");
  setenv("TMPDIR", dir.c_str(), 1);
  std::vector<uint8_t> archive;
  std::string error;
  ASSERT_TRUE(zrv::archive_build(
      {{"clip.y4m", media_test::y4m_bytes(320, 240, 3, 5, media_test::kRed, media_test::kBlue)}},
      archive, &error))
      << error;
  const std::vector<uint8_t> host = media_test::host_with_archive(64, 1, archive);
  const std::string host_path = dir + "/host.bin";
  ASSERT_TRUE(zrv::test::write_file(host_path, host));
  zrv::archive_holders_create();
  zrv::archive_set(host_path.c_str(), host_path.c_str());
  ASSERT_EQ(chdir(dir.c_str()), 0);

  // No window: the clip plays to its end without being shown.
  const double t0 = zrv::timer_elapsed_ms();
  EXPECT_EQ(zrv::video_play(zrv::RtString("Media/clip.y4m")), 0);
  const double took = zrv::timer_elapsed_ms() - t0;
  EXPECT_GE(took, 450) << "three frames at 5 per second";
  EXPECT_LT(took, 5000);
  // The extracted file stays until the next file-mode lookup.
  EXPECT_NE(zrv::ctx.archive_holders[zrv::kFileHolder]->extracted_path[0], 0);
  EXPECT_EQ(zrv::video_play(zrv::RtString("Media/absent.y4m")), 3);
  zrv::archive_holders_destroy();
}

TEST(Video, ClipIsScaledToFitCentredAndEndsOnAClick) {
  RUN_WINDOW_CASE(r, [] {
    const std::string xid = window_or_exit("zrv video");
    const std::string dir = media_test::make_temp_dir("zrv_video");
    const std::string clip = media_test::write_clip(dir, "clip.y4m", 20, 5);  // 4 s
    x_test::move_to(xid, 400, 240);
    x_test::Capture shot;
    std::thread user([&] {
      x_test::pause_ms(1500);
      shot = x_test::capture_window(xid, kW, kH);
      x_test::press(1, 150);
    });
    const double t0 = zrv::timer_elapsed_ms();
    const int32_t result = zrv::video_play(zrv::RtString(clip.c_str()));
    const double took = zrv::timer_elapsed_ms() - t0;
    user.join();
    say("result", result);
    say("ended_by_click", took >= 1500 && took < 3500);
    // Left edge at 80, the halves meet at 400 (twice 160), right edge at 720;
    // the full height is used.
    say_tone("x78", shot, 78, 240);
    say_tone("x82", shot, 82, 240);
    say_tone("x396", shot, 396, 240);
    say_tone("x404", shot, 404, 240);
    say_tone("x716", shot, 716, 240);
    say_tone("x722", shot, 722, 240);
    say_tone("top", shot, 200, 1);
    say_tone("bottom", shot, 600, 478);
    _exit(0);
  });
  EXPECT_EQ(r.out,
            "result=0\nended_by_click=1\nx78=black\nx82=red\nx396=red\nx404=blue\n"
            "x716=blue\nx722=black\ntop=red\nbottom=blue\n");
}

TEST(Video, TypedKeyEndsPlayback) {
  RUN_WINDOW_CASE(r, [] {
    const std::string xid = window_or_exit("zrv video key");
    const std::string dir = media_test::make_temp_dir("zrv_video");
    const std::string clip = media_test::write_clip(dir, "clip.y4m", 20, 5);
    std::thread user([&] {
      x_test::pause_ms(800);
      zrv::test::shell_output("xdotool key --window " + xid + " a");
    });
    const double t0 = zrv::timer_elapsed_ms();
    say("result", zrv::video_play(zrv::RtString(clip.c_str())));
    const double took = zrv::timer_elapsed_ms() - t0;
    user.join();
    say("ended_by_key", took >= 700 && took < 3500);
    say("key_taken", zrv::key_char_take() ? 0 : 1);
    _exit(0);
  });
  EXPECT_EQ(r.out, "result=0\nended_by_key=1\nkey_taken=1\n");
}

TEST(Video, WaitingCharacterIsDiscardedAndTheClipPlaysToItsEnd) {
  RUN_WINDOW_CASE(r, [] {
    window_or_exit("zrv video end");
    const std::string dir = media_test::make_temp_dir("zrv_video");
    const std::string clip = media_test::write_clip(dir, "clip.y4m", 5, 5);  // 1 s
    zrv::key_char_push('x');
    const double t0 = zrv::timer_elapsed_ms();
    say("result", zrv::video_play(zrv::RtString(clip.c_str())));
    const double took = zrv::timer_elapsed_ms() - t0;
    say("played_to_end", took >= 900 && took < 4000);
    say("char_left", zrv::key_char_take() ? 1 : 0);
    // The game's 2D drawing works as before.
    zrv::OpenGLVireo* ren = zrv::ctx.renderer;
    zrv::frame_reset();
    zrv::rect_fill(10, 10, 20, 20, 0x00FF00);
    uint8_t p[4] = {};
    zrv::gl.ReadPixels(15, ren->height - 1 - 15, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    say("green_after", p[0] < 10 && p[1] > 245 && p[2] < 10);
    zrv::gl.ReadPixels(100, ren->height - 1 - 100, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    say("cleared_after", p[0] < 10 && p[1] < 10 && p[2] < 10);
    _exit(0);
  });
  EXPECT_EQ(r.out, "result=0\nplayed_to_end=1\nchar_left=0\ngreen_after=1\ncleared_after=1\n");
}

TEST(Video, SoundFileWithoutPicturePlaysToItsEnd) {
  RUN_WINDOW_CASE(r, [] {
    window_or_exit("zrv video sound");
    const std::string dir = media_test::make_temp_dir("zrv_video");
    const std::string wav = media_test::write_wav(dir, "tone.wav", 600);
    const double t0 = zrv::timer_elapsed_ms();
    say("result", zrv::video_play(zrv::RtString(wav.c_str())));
    const double took = zrv::timer_elapsed_ms() - t0;
    say("played", took >= 400 && took < 2500);
    _exit(0);
  });
  EXPECT_EQ(r.out, "result=0\nplayed=1\n");
}

TEST(Video, LoopPlaysTheClipAgainUntilClicked) {
  RUN_WINDOW_CASE(r, [] {
    const std::string xid = window_or_exit("zrv video loop");
    const std::string dir = media_test::make_temp_dir("zrv_video");
    const std::string clip = media_test::write_clip(dir, "clip.y4m", 4, 5);  // 0.8 s
    x_test::move_to(xid, 400, 240);
    x_test::Capture second_round;
    std::thread user([&] {
      x_test::pause_ms(1900);
      second_round = x_test::capture_window(xid, kW, kH);
      // So quick that it is over before the buttons are read.
      x_test::shell_output("xdotool click --delay 0 1");
    });
    const double t0 = zrv::timer_elapsed_ms();
    say("result", zrv::video_play_loop(zrv::RtString(clip.c_str())));
    const double took = zrv::timer_elapsed_ms() - t0;
    user.join();
    say("past_the_end", took >= 1800 && took < 5000);
    say_tone("shown_again", second_round, 200, 240);
    _exit(0);
  });
  EXPECT_EQ(r.out, "result=0\npast_the_end=1\nshown_again=red\n");
}

}  // namespace
