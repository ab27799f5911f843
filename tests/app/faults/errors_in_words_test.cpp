// A failing command says why in one line on standard error and in the log,
// naming the command and what failed; standard output keeps "error: N".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fault_support.hpp"

namespace {

using zrv::fault::Ended;

// A WAV file of 32-bit float samples (format 3), which the output does not take.
std::vector<uint8_t> float_wav() {
  std::vector<uint8_t> b;
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  put(36 + 16, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(3, 2);  // IEEE float
  put(1, 2);
  put(22050, 4);
  put(22050 * 4, 4);
  put(4, 2);
  put(32, 2);
  tag("data");
  put(16, 4);
  for (int i = 0; i < 16; ++i) b.push_back(0);
  return b;
}

TEST(ErrorsInWords, EachFailureNamesTheCommandWhatFailedAndWhy) {
  if (!zrv::fault::have_display()) GTEST_SKIP() << "no X display";
  char name[] = "/tmp/zrv_wordsXXXXXX";
  const std::string dir = mkdtemp(name);
  ASSERT_TRUE(zrv::test::write_file(dir + "/float.wav", float_wav()));
  ASSERT_TRUE(zrv::test::write_file(dir + "/notes.txt", std::string("hello\n")));
  zrv::fault::Child run = zrv::fault::start("zrv_fault_game", {"mode=errors", "dir=" + dir});
  const Ended e = zrv::fault::wait_end(run, 10000);
  ASSERT_TRUE(e.exited) << e.err;
  EXPECT_EQ(e.out,
            "error: 3\nerror: 3\nerror: 7\nerror: 3\nerror: 3\nerror: 7\nerror: 7\nfont kept\n"
            "on_quit\nexit\n");
  const std::vector<std::string> lines = {
      "sprite_load: '" + dir + "/missing.png': no such file\n",
      "sprite_load: '" + dir + "/notes.txt': not a BMP, PNG or JPEG image\n",
      "sprite_load: slot 65504 is reserved (65504.. hold the fonts); program slots are 0..65503\n",
      "sound_load: '" + dir + "/float.wav': unsupported WAV format (32-bit float, mono)\n",
      "sound_load: '" + dir + "/notes.txt': not a WAV file\n",
      "sound_play: slot 5000 out of range 0..4095\n",
      "file_open: channel 9 out of range 0..7\n"};
  std::string said;
  for (const std::string& line : lines) said += line;
  EXPECT_EQ(zrv::fault::without_software_gl_notice(e.err), said);
  EXPECT_NE(e.log.find(said), std::string::npos) << e.log;
}

// Without a sound card the drivers' own reports stay quiet: one line says it.
TEST(ErrorsInWords, NoSoundDeviceIsOneLine) {
  if (!zrv::fault::have_display()) GTEST_SKIP() << "no X display";
  zrv::fault::Child run =
      zrv::fault::start("zrv_fault_game", {"mode=end"}, {"ALSOFT_DRIVERS=alsa", "ALSOFT_LOGLEVEL"});
  const Ended e = zrv::fault::wait_end(run, 10000);
  ASSERT_TRUE(e.exited) << e.err;
  if (e.err.find("no sound device") == std::string::npos) {
    GTEST_SKIP() << "this machine has a sound card";
  }
  EXPECT_EQ(zrv::fault::without_software_gl_notice(e.err),
            "no sound device: no audio output could be opened; the game plays silent\n");
}

}  // namespace
