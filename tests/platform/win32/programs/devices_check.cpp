// The Win32 controllers checked on Windows or Wine, through their
// interface: every check prints "ok" or "FAIL" with what it saw, and the
// status is the number of failures.
//
//   devices_check joysticks [N]  count, open, read, rumble and close every
//                                controller; with N, the count must be N
//                                (0 under Wine without a controller)
//   devices_check watch SECS     prints every controller's reading twice a
//                                second for SECS seconds (try a pad by hand)
//   devices_check media [null]   the media player on a WAV file it writes:
//                                length, play, pause, seek, volume, the end,
//                                bytes in memory, a missing file; with null,
//                                players without audio output
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "check_report.hpp"
#include "platform/joysticks.hpp"
#include "platform/media.hpp"
#include "platform/platform.hpp"

namespace {

namespace p = zrv::platform;

using zrv::check::check;
using zrv::check::g_failures;
using zrv::check::text;

std::string state_text(const p::JoystickState& s) {
  char line[160];
  std::snprintf(line, sizeof line, "axes %d %d %d %d %d %d sliders %d %d hat ", s.axes[0],
                s.axes[1], s.axes[2], s.axes[3], s.axes[4], s.axes[5], s.sliders[0], s.sliders[1]);
  std::string t = line;
  t += s.hats[0] == 0xFFFFFFFFu ? std::string("centred") : std::to_string(s.hats[0]);
  t += " buttons ";
  for (uint8_t b : s.buttons) t += b ? '1' : '0';
  return t;
}

bool in_range(const p::JoystickState& s) {
  for (int32_t a : s.axes) {
    if (a < -32768 || a > 32768) return false;
  }
  for (uint8_t b : s.buttons) {
    if (b != 0 && b != 0x80) return false;
  }
  return s.hats[0] == 0xFFFFFFFFu || s.hats[0] < 36000;
}

int joysticks(int expected) {
  std::unique_ptr<p::Joysticks> j = p::make_joysticks();
  const int32_t n = j->count();
  std::printf("%d controllers\n", n);
  if (expected >= 0) check(n == expected, "the controllers counted", std::to_string(n));
  check(j->open(-1, nullptr) == nullptr, "no controller -1");
  std::string name = "untouched";
  check(j->open(n, &name) == nullptr && name == "untouched", "no controller past the count");
  // Every call takes a null device.
  p::JoystickState s;
  s.axes[0] = 7;
  check(!j->read(nullptr, &s) && s.axes[0] == 7, "a null device reads nothing");
  check(!j->has_rumble(nullptr) && !j->rumble(nullptr, 30000, 100), "a null device has no rumble");
  j->close(nullptr);

  std::vector<p::JoystickDevice*> open;
  for (int32_t i = 0; i < n; ++i) {
    name.clear();
    p::JoystickDevice* d = j->open(i, &name);
    check(d != nullptr && name.find(", ") != std::string::npos, "opens with instance and product",
          name);
    if (d == nullptr) continue;
    open.push_back(d);
    p::JoystickState r;
    const bool read = j->read(d, &r);
    check(read && in_range(r), "reads within the ranges", state_text(r));
    if (j->has_rumble(d)) {
      check(j->rumble(d, 40000, 300), "rumbles for 300 ms");
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      check(j->rumble(d, 20000, 100), "rumbles again, shorter, before the first ends");
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      check(j->rumble(d, 0, 0), "the motors stop at strength 0");
    }
  }
  for (p::JoystickDevice* d : open) j->close(d);
  j->release();
  // Found again after letting go of everything.
  check(j->count() == n, "the same count after release", std::to_string(j->count()));
  j->release();
  std::printf("%d failures\n", g_failures);
  return g_failures;
}

int watch(int seconds) {
  std::unique_ptr<p::Joysticks> j = p::make_joysticks();
  const int32_t n = j->count();
  std::vector<p::JoystickDevice*> open;
  for (int32_t i = 0; i < n; ++i) {
    std::string name;
    if (p::JoystickDevice* d = j->open(i, &name)) {
      std::printf("%d: %s%s\n", i, name.c_str(), j->has_rumble(d) ? " (rumble)" : "");
      open.push_back(d);
    }
  }
  for (int t = 0; t < seconds * 2; ++t) {
    for (size_t i = 0; i < open.size(); ++i) {
      p::JoystickState s;
      if (j->read(open[i], &s)) {
        std::printf("%zu: %s\n", i, state_text(s).c_str());
        // Button 0 held: a short rumble, to feel it work.
        if (s.buttons[0]) j->rumble(open[i], 30000, 200);
      } else {
        std::printf("%zu: not readable\n", i);
      }
    }
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  for (p::JoystickDevice* d : open) j->close(d);
  j->release();
  return 0;
}

// A mono 16-bit WAV file of a 440 Hz tone, ms milliseconds long.
std::vector<uint8_t> wav_bytes(int ms) {
  const uint32_t rate = 22050;
  const uint32_t frames = rate * static_cast<uint32_t>(ms) / 1000;
  std::vector<uint8_t> b;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
  tag("RIFF");
  u32(36 + frames * 2);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  tag("data");
  u32(frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    u16(static_cast<uint16_t>(
        static_cast<int16_t>(6000 * std::sin(i * 2 * 3.14159265 * 440 / rate))));
  }
  return b;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string ms_text(double a) { return std::to_string(static_cast<long>(a)) + " ms"; }
std::string ms_text(double a, double b) { return ms_text(a) + " then " + ms_text(b); }

int media(bool null_output) {
  std::unique_ptr<p::Media> m = p::make_media(null_output ? "null" : "");
  const std::string path = p::temp_directory() + "/zrv_devices_check.wav";
  const std::vector<uint8_t> wav = wav_bytes(1500);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(wav.data(), 1, wav.size(), f) != wav.size()) {
    check(false, "the WAV file is written", path);
    return 1;
  }
  std::fclose(f);

  // Null players are taken by every call.
  m->play(nullptr);
  m->pause(nullptr);
  m->seek_start(nullptr);
  m->set_volume(nullptr, 500);
  m->service(nullptr);
  check(!m->loaded(nullptr) && m->length_ms(nullptr) == 0 && m->volume(nullptr) == 0,
        "a null player answers 0");

  p::MediaPlayer* missing = m->open((path + ".none").c_str(), false, nullptr);
  check(missing != nullptr && !m->loaded(missing) && m->length_ms(missing) == 0,
        "a missing file gives a player that is not loaded");
  m->play(missing);
  check(m->position_ms(missing) == 0, "which plays nothing");
  m->close(missing);

  p::MediaPlayer* a = m->open(path.c_str(), false, nullptr);
  check(a != nullptr && m->loaded(a), "the WAV file opens", path);
  if (a == nullptr || !m->loaded(a)) return g_failures;
  const double length = m->length_ms(a);
  check(std::fabs(length - 1500) <= 1, "its length", ms_text(length));
  check(m->paused(a) && m->position_ms(a) == 0, "it opens paused at the start");
  int32_t w = 0, h = 0;
  check(!m->video_size(a, &w, &h), "it has no picture");

  check(m->volume(a) == 1000, "the volume starts normal", std::to_string(m->volume(a)));
  m->set_volume(a, 500);
  const int32_t half = m->volume(a);
  m->set_volume(a, 2500);
  const int32_t high = m->volume(a);
  m->set_volume(a, -3);
  const int32_t low = m->volume(a);
  m->set_volume(a, 1000);
  check(half == 500 && high == 2000 && low == 0, "volumes are kept within 0..2000",
        std::to_string(half) + " " + std::to_string(high) + " " + std::to_string(low));

  m->play(a);
  sleep_ms(400);
  const double p1 = m->position_ms(a);
  check(!m->paused(a) && p1 >= 300 && p1 <= 600, "playing moves the position", ms_text(p1));
  m->pause(a);
  const double p2 = m->position_ms(a);
  sleep_ms(300);
  const double p3 = m->position_ms(a);
  check(m->paused(a) && p2 >= p1 && p3 == p2, "pausing holds it", ms_text(p2, p3));
  m->play(a);
  sleep_ms(200);
  const double p4 = m->position_ms(a);
  check(p4 >= p3 + 120 && p4 <= p3 + 400, "playing again goes on from there", ms_text(p3, p4));
  m->seek_start(a);
  const double p5 = m->position_ms(a);
  sleep_ms(200);
  const double p6 = m->position_ms(a);
  check(p5 < 100 && p6 >= 120 && p6 <= 400 && !m->paused(a),
        "seeking to the start while playing plays on from there", ms_text(p5, p6));
  sleep_ms(1600);
  m->service(a);
  const double p7 = m->position_ms(a);
  check(p7 == length, "at the end the position is the length", ms_text(p7));
  m->play(a);
  sleep_ms(100);
  check(m->position_ms(a) == length, "playing at the end stays there");
  m->seek_start(a);
  sleep_ms(200);
  const double p8 = m->position_ms(a);
  check(p8 >= 100 && p8 <= 400, "seeking to the start at the end plays again", ms_text(p8));
  m->pause(a);
  m->seek_start(a);
  sleep_ms(200);
  check(m->paused(a) && m->position_ms(a) == 0, "seeking while paused stays paused at 0",
        ms_text(m->position_ms(a)));
  m->stop(a);
  check(!m->loaded(a) && m->position_ms(a) == 0, "stopped, nothing is loaded");
  m->close(a);

  // Bytes in memory: the same track.
  std::shared_ptr<uint8_t> bytes(new uint8_t[wav.size()], std::default_delete<uint8_t[]>());
  std::copy(wav.begin(), wav.end(), bytes.get());
  p::MediaPlayer* b = m->open_memory(bytes, wav.size(), false, nullptr);
  check(b != nullptr && m->loaded(b) && std::fabs(m->length_ms(b) - 1500) <= 1,
        "bytes in memory open", b ? ms_text(m->length_ms(b)) : "");
  if (b != nullptr) {
    m->play(b);
    sleep_ms(300);
    const double q = m->position_ms(b);
    check(q >= 200 && q <= 500, "and play", ms_text(q));
    m->close(b);
  }
  std::remove(path.c_str());
  std::printf("%d failures\n", g_failures);
  return g_failures;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc >= 2 ? argv[1] : "";
  if (mode == "joysticks") return joysticks(argc >= 3 ? std::atoi(argv[2]) : -1);
  if (mode == "watch") return watch(argc >= 3 ? std::atoi(argv[2]) : 10);
  if (mode == "media") return media(argc >= 3 && std::strcmp(argv[2], "null") == 0);
  std::fprintf(stderr, "usage: devices_check joysticks [N] | watch SECS | media [null]\n");
  return 2;
}
