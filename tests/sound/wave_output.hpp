// OpenAL's wave-file output for the tests: the device writes everything it
// mixes, in real time, to a WAV file of this process. The settings are read
// once per process at the first use of OpenAL, so this runs before that.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/platform.hpp"

namespace zrv::test {

struct WaveOutput {
  std::string folder;
  std::string conf;
  std::string wav;
};

inline const WaveOutput& wave_output() {
  // Kept for the whole process: the clean-up at exit still reads it.
  static const WaveOutput* out = [] {
    auto* made = new WaveOutput;
    WaveOutput& o = *made;
    o.folder = "/tmp/zrv_alwave_" + std::to_string(getpid());
    mkdir(o.folder.c_str(), 0755);
    o.conf = o.folder + ".conf";
    o.wav = o.folder + "/out.wav";
    std::ofstream(o.conf) << "[general]\ndrivers = wave\n[wave]\nfile = " << o.wav << "\n";
    setenv("ALSOFT_CONF", o.conf.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    std::atexit([] {
      const WaveOutput& w = wave_output();
      std::remove(w.wav.c_str());
      std::remove(w.conf.c_str());
      rmdir(w.folder.c_str());
    });
    return made;
  }();
  return *out;
}

// The sound output binds to a window handle, which it only keeps; the tests
// have no window system, so a handle of their own stands in.
inline platform::Window* test_window() {
  static int token;
  return reinterpret_cast<platform::Window*>(&token);
}

}  // namespace zrv::test
