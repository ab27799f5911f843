// Music on the media player with generated WAV tracks and no audio output:
// one player at a time, looping kept going by the loop service, pause moving
// the restart, the volume sent only when it changes, archive entries played
// from memory.
#include "sound/music.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/frame.hpp"
#include "base/context.hpp"
#include "files/archive.hpp"
#include "media_files.hpp"
#include "platform/media.hpp"

namespace {

using media_test::write_wav;

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class Music : public ::testing::Test {
 protected:
  void SetUp() override {
    zrv::platform::media().set_audio_output("null");
    zrv::timer_init();
    zrv::ctx.last_error = 0;
    dir_ = media_test::make_temp_dir("zrv_music");
  }
  void TearDown() override {
    zrv::music_stop();
    zrv::archive_holders_destroy();
  }
  // Runs the loop service every 10 ms for ms milliseconds; calls check
  // after each round.
  template <class Fn>
  void serve(int ms, Fn check) {
    const double until = zrv::timer_elapsed_ms() + ms;
    while (zrv::timer_elapsed_ms() < until) {
      zrv::music_loop_service();
      check();
      pause_ms(10);
    }
  }
  zrv::platform::MediaPlayer* media() {
    return zrv::ctx.music_window ? zrv::ctx.music_window->media : nullptr;
  }
  std::string dir_;
};

TEST_F(Music, MissingFileReportsThreeAndLeavesNoPlayer) {
  zrv::music_play(zrv::RtString((dir_ + "/nothing.wav").c_str()), 1);
  EXPECT_EQ(zrv::ctx.last_error, 3);
  EXPECT_EQ(zrv::ctx.music_window, nullptr);
  EXPECT_EQ(zrv::ctx.music_loop_end, 0);
  EXPECT_EQ(zrv::music_is_playing(), 0);
  zrv::music_pause(1);  // no player: nothing to do
  zrv::music_restart();
  EXPECT_EQ(zrv::ctx.music_window, nullptr);
}

TEST_F(Music, UnplayableFileGivesASilentPlayerWithoutError) {
  const std::string path = dir_ + "/notes.wav";
  zrv::test::write_file(path, std::vector<uint8_t>(300, 'x'));
  zrv::music_play(zrv::RtString(path.c_str()), 0);
  EXPECT_EQ(zrv::ctx.last_error, 0);
  ASSERT_NE(zrv::ctx.music_window, nullptr);
  EXPECT_FALSE(zrv::platform::media().loaded(media()));
  EXPECT_EQ(zrv::music_is_playing(), 0);
}

TEST_F(Music, TrackWithoutLoopEndsAndCanBeRestarted) {
  const std::string path = write_wav(dir_, "tone.wav", 600);
  const double before = zrv::timer_elapsed_ms();
  zrv::music_play(zrv::RtString(path.c_str()), 0);
  ASSERT_NE(zrv::ctx.music_window, nullptr);
  EXPECT_EQ(zrv::ctx.music_loop_end, 0);
  EXPECT_EQ(zrv::music_is_playing(), 1);
  EXPECT_NEAR(zrv::platform::media().length_ms(media()), 600, 5);
  EXPECT_FALSE(zrv::platform::media().paused(media()));

  // It plays in real time and then stops at its end.
  int32_t playing_at_400 = -1;
  serve(400, [] {});
  playing_at_400 = zrv::music_is_playing();
  EXPECT_EQ(playing_at_400, 1);
  double ended_at = 0;
  serve(1500, [&] {
    if (ended_at == 0 && zrv::music_is_playing() == 0) ended_at = zrv::timer_elapsed_ms();
  });
  ASSERT_GT(ended_at, 0);
  // About the track's length after the play (the output's buffer ahead).
  EXPECT_GE(ended_at - before, 500);
  EXPECT_LT(ended_at - before, 1300);
  EXPECT_EQ(zrv::music_is_playing(), 0) << "a track without loop is not restarted";

  zrv::music_restart();
  EXPECT_EQ(zrv::music_is_playing(), 1);
  EXPECT_LT(zrv::platform::media().position_ms(media()), 300);
}

TEST_F(Music, LoopingTrackPlaysUntilStopped) {
  const std::string path = write_wav(dir_, "loop.wav", 500);
  const double t0 = zrv::timer_elapsed_ms();
  zrv::music_play(zrv::RtString(path.c_str()), 1);
  const double t1 = zrv::timer_elapsed_ms();
  const double first_end = zrv::ctx.music_loop_end;
  // Due one track length after the play.
  EXPECT_GE(first_end, t0 + 500);
  EXPECT_LE(first_end, t1 + 500);

  int restarts = 0;
  int not_playing = 0;
  double last_end = first_end;
  // The player seeks asynchronously: the position is read a little after
  // a restart and must be about the time since it (a track that was not
  // restarted would be at its 500 ms end).
  double restart_at = -1;
  double restart_position = -1;
  double position_bound = 0;
  serve(1800, [&] {
    if (zrv::music_is_playing() != 1) ++not_playing;
    if (zrv::ctx.music_loop_end != last_end) {
      ++restarts;
      // Moved on by one length from the moment of the restart.
      EXPECT_GE(zrv::ctx.music_loop_end, last_end + 500);
      last_end = zrv::ctx.music_loop_end;
      restart_at = zrv::timer_elapsed_ms();
    } else if (restart_at >= 0 && zrv::timer_elapsed_ms() - restart_at >= 100) {
      const double since = zrv::timer_elapsed_ms() - restart_at;
      restart_position = zrv::platform::media().position_ms(media());
      position_bound = std::min(since + 150, 450.0);
      restart_at = -1;
    }
  });
  EXPECT_EQ(not_playing, 0);
  EXPECT_GE(restarts, 2);
  EXPECT_GE(restart_position, 0);
  EXPECT_LE(restart_position, position_bound) << "the restart plays from the start";
  EXPECT_FALSE(zrv::platform::media().paused(media()));

  zrv::music_stop();
  EXPECT_EQ(zrv::music_is_playing(), 0);
  EXPECT_EQ(zrv::ctx.music_window, nullptr);
  EXPECT_EQ(zrv::ctx.music_loop_end, 0);
  EXPECT_EQ(zrv::music_volume_sent(), -1);
}

// Without an audio device (a sound server that is not there) a track plays
// its length in silence: it is not dropped, and a looping one restarts
// after its length, not at once.
TEST_F(Music, WithoutAnAudioDeviceATrackPlaysItsLength) {
  setenv("PULSE_SERVER", "unix:/nonexistent/zrv-no-server", 1);
  zrv::platform::media().set_audio_output("pulse");
  const std::string path = write_wav(dir_, "long.wav", 1500);
  zrv::music_play(zrv::RtString(path.c_str()), 1);
  ASSERT_NE(media(), nullptr);
  const double first_end = zrv::ctx.music_loop_end;
  int not_playing = 0;
  serve(1000, [&] { not_playing += zrv::music_is_playing() != 1; });
  EXPECT_EQ(not_playing, 0);
  EXPECT_EQ(zrv::ctx.music_loop_end, first_end) << "restarted before the track's end";
  EXPECT_GT(zrv::platform::media().position_ms(media()), 700);
  unsetenv("PULSE_SERVER");
}

TEST_F(Music, PauseMovesTheRestartByThePausedTime) {
  const std::string path = write_wav(dir_, "loop.wav", 1000);
  zrv::music_play(zrv::RtString(path.c_str()), 1);
  const double due = zrv::ctx.music_loop_end;
  ASSERT_GT(due, 0);

  pause_ms(100);
  zrv::music_pause(1);
  const double paused_at = zrv::music_paused_at();
  EXPECT_EQ(zrv::ctx.music_loop_end, -due);
  EXPECT_TRUE(zrv::platform::media().paused(media()));
  EXPECT_EQ(zrv::music_is_playing(), 1) << "paused in the middle of the track";
  // No restart while paused, however long it lasts.
  serve(1200, [] {});
  EXPECT_EQ(zrv::ctx.music_loop_end, -due);
  zrv::music_pause(1);  // a second pause keeps the first one's time
  EXPECT_EQ(zrv::music_paused_at(), paused_at);

  const double resume = zrv::timer_elapsed_ms();
  zrv::music_pause(0);
  const double paused_for = zrv::ctx.music_loop_end - due;
  EXPECT_GE(paused_for, resume - paused_at);
  EXPECT_LE(paused_for, zrv::timer_elapsed_ms() - paused_at);
  EXPECT_GE(paused_for, 1200);
  EXPECT_FALSE(zrv::platform::media().paused(media()));
  zrv::music_pause(0);  // resuming twice does not move it again
  EXPECT_EQ(zrv::ctx.music_loop_end, due + paused_for);

  // The restart then comes at the moved time, not at the old one.
  const double moved = zrv::ctx.music_loop_end;
  double restarted_at = 0;
  serve(1500, [&] {
    if (restarted_at == 0 && zrv::ctx.music_loop_end != moved)
      restarted_at = zrv::timer_elapsed_ms();
  });
  ASSERT_GT(restarted_at, 0);
  EXPECT_GE(restarted_at, moved);
  EXPECT_LT(restarted_at, moved + 100);
}

TEST_F(Music, VolumeIsSentOnlyWhenItChanges) {
  const std::string path = write_wav(dir_, "tone.wav", 800);
  zrv::music_play(zrv::RtString(path.c_str()), 1);
  ASSERT_NE(media(), nullptr);
  EXPECT_EQ(zrv::music_volume_sent(), 1);
  EXPECT_EQ(zrv::platform::media().volume(media()), 1000);

  // Changed behind the command's back: a volume of 1 right after the play
  // sends nothing, so the player keeps what it has.
  zrv::platform::media().set_volume(media(), 400);
  zrv::music_volume(1);
  EXPECT_EQ(zrv::platform::media().volume(media()), 400);

  zrv::music_volume(0.25);
  EXPECT_EQ(zrv::platform::media().volume(media()), 250);
  EXPECT_EQ(zrv::music_volume_sent(), 0.25);
  zrv::platform::media().set_volume(media(), 700);
  zrv::music_volume(0.25);
  EXPECT_EQ(zrv::platform::media().volume(media()), 700);
  zrv::music_volume(1.5);
  EXPECT_EQ(zrv::platform::media().volume(media()), 1500);
  zrv::music_volume(9);  // beyond the player's range: its loudest
  EXPECT_EQ(zrv::platform::media().volume(media()), 2000);
  zrv::music_volume(-1);
  EXPECT_EQ(zrv::platform::media().volume(media()), 0);

  // A new play sends the normal volume again.
  zrv::music_play(zrv::RtString(path.c_str()), 0);
  EXPECT_EQ(zrv::platform::media().volume(media()), 1000);
  EXPECT_EQ(zrv::music_volume_sent(), 1);
}

TEST_F(Music, PlayReplacesThePlayingTrack) {
  const std::string a = write_wav(dir_, "a.wav", 700);
  const std::string b = write_wav(dir_, "b.wav", 1300);
  zrv::music_play(zrv::RtString(a.c_str()), 1);
  zrv::MusicPlayer* first = zrv::ctx.music_window;
  ASSERT_NE(first, nullptr);
  zrv::music_play(zrv::RtString(b.c_str()), 0);
  ASSERT_NE(zrv::ctx.music_window, nullptr);
  EXPECT_EQ(zrv::ctx.music_loop_end, 0) << "the new track does not loop";
  EXPECT_NEAR(zrv::platform::media().length_ms(media()), 1300, 5);
}

TEST_F(Music, ArchiveEntryPlaysFromMemory) {
  // An archive appended to a host file, as the packer makes it.
  std::vector<uint8_t> archive;
  std::string error;
  ASSERT_TRUE(zrv::archive_build({{"tune.wav", media_test::wav_bytes(900)}}, archive, &error))
      << error;
  const std::vector<uint8_t> host = media_test::host_with_archive(1000, 0x5A, archive);
  const std::string host_path = dir_ + "/host.bin";
  ASSERT_TRUE(zrv::test::write_file(host_path, host));
  zrv::archive_holders_create();
  zrv::archive_set(host_path.c_str(), host_path.c_str());
  ASSERT_EQ(chdir(dir_.c_str()), 0);

  zrv::music_play(zrv::RtString("Media/tune.wav"), 1);
  EXPECT_EQ(zrv::ctx.last_error, 0);
  ASSERT_NE(zrv::ctx.music_window, nullptr);
  EXPECT_TRUE(zrv::platform::media().loaded(media()));
  EXPECT_NEAR(zrv::platform::media().length_ms(media()), 900, 5);
  // It really plays, and keeps playing after the holder handed out other
  // blocks (the player holds the block it plays).
  zrv::RtString other("other.wav");
  EXPECT_FALSE(zrv::path_resolve(other));
  serve(400, [] {});
  EXPECT_GT(zrv::platform::media().position_ms(media()), 150);
  EXPECT_EQ(zrv::music_is_playing(), 1);

  zrv::music_play(zrv::RtString("Media/missing.wav"), 0);
  EXPECT_EQ(zrv::ctx.last_error, 3);
  EXPECT_EQ(zrv::ctx.music_window, nullptr);
}

}  // namespace
