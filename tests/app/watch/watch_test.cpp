// --watch on a running program under the X display: the pictures and the
// sound it loaded, saved again while it runs, are in their slots within two
// frames; a sheet keeps its frame size; a damaged save keeps the old picture.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "file_io.hpp"
#include "media_files.hpp"
#include "x_display.hpp"

namespace {

struct WatchRun {
  zrv::test::ChildResult result;
  std::vector<std::string> lines;
  std::string log;
};

WatchRun run_watch_game(const std::vector<std::string>& options) {
  WatchRun run;
  const std::string media = media_test::make_temp_dir("zrv_watch_media");
  const std::string tmp = media_test::make_temp_dir("zrv_watch_tmp");
  run.result = zrv::test::run_in_child([&] {
    std::vector<const char*> argv{ZRV_WATCH_GAME};
    for (const std::string& o : options) argv.push_back(o.c_str());
    argv.push_back(nullptr);
    setenv("ZRV_WATCH_FOLDER", media.c_str(), 1);
    setenv("TMPDIR", tmp.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    alarm(60);
    execv(ZRV_WATCH_GAME, const_cast<char* const*>(argv.data()));
    _exit(121);
  });
  std::istringstream out(run.result.out);
  for (std::string line; std::getline(out, line);) run.lines.push_back(line);
  run.log = zrv::test::run_log(tmp, ZRV_WATCH_GAME);
  return run;
}

// The line the game printed for a frame.
std::string frame_line(const WatchRun& run, int frame) {
  const std::string start = std::to_string(frame) + " ";
  for (const std::string& line : run.lines)
    if (line.rfind(start, 0) == 0) return line.substr(start.size());
  return "";
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(Watch, SavedMediaAreInTheirSlotsWithinTwoFrames) {
  if (!zrv::test::have_display()) GTEST_SKIP() << "no X display";
  const WatchRun run = run_watch_game({"--watch"});
  ASSERT_TRUE(run.result.exited) << run.result.err;
  ASSERT_EQ(run.result.status, 0) << run.result.err;

  // Red picture; the sheet's second 8 x 8 frame blue.
  EXPECT_EQ(frame_line(run, 5), "pic=0000ff frame=ff0000 sheet=16x8");
  // Saved at frame 5: the blue picture; the taller sheet, whose second
  // frame (still 8 x 8) is green.
  EXPECT_EQ(frame_line(run, 7), "pic=ff0000 frame=00ff00 sheet=16x16");
  // The new sound, in a slot that kept its two buffers: a second play
  // takes the second one, and the 2 s sound still plays 23 frames later
  // (the 30 ms one would long have ended).
  EXPECT_NE(std::find(run.lines.begin(), run.lines.end(), "play 1280 1281"), run.lines.end());
  EXPECT_NE(std::find(run.lines.begin(), run.lines.end(), "playing 1"), run.lines.end());
  // The damaged save of frame 10 leaves the blue picture.
  EXPECT_EQ(frame_line(run, 12), "pic=ff0000 frame=00ff00 sheet=16x16");

  EXPECT_EQ(count_of(run.log, "watch: reloaded 'pic.png'\n"), 1u) << run.log;
  EXPECT_EQ(count_of(run.log, "watch: reloaded 'sheet.png'\n"), 1u);
  EXPECT_EQ(count_of(run.log, "watch: reloaded 'beep.wav'\n"), 1u);
  EXPECT_EQ(count_of(run.log, "watch: 'pic.png' kept as it was"), 1u);
}

}  // namespace
