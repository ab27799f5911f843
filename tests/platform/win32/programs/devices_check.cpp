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
//   devices_check video          a clip's pictures in the game window: the
//                                size, length and where they are shown
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
#include "platform/win32/window_system.hpp"

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

// Little-endian bytes of a RIFF file (WAV, AVI) as it is built.
struct RiffBytes {
  std::vector<uint8_t> b;
  void u16(uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void tag(const char* t) { b.insert(b.end(), t, t + 4); }
  // Starts a chunk (or a RIFF or LIST with its type); end() fills in its size.
  size_t begin(const char* id, const char* type = nullptr) {
    tag(id);
    const size_t at = b.size();
    u32(0);
    if (type != nullptr) tag(type);
    return at;
  }
  void end(size_t at) {
    const uint32_t size = static_cast<uint32_t>(b.size() - at - 4);
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(size >> (8 * i));
  }
};

// A mono 16-bit WAV file of a 440 Hz tone, ms milliseconds long.
std::vector<uint8_t> wav_bytes(int ms) {
  const uint32_t rate = 22050;
  const uint32_t frames = rate * static_cast<uint32_t>(ms) / 1000;
  RiffBytes r;
  const size_t riff = r.begin("RIFF", "WAVE");
  const size_t fmt = r.begin("fmt ");
  r.u16(1);
  r.u16(1);
  r.u32(rate);
  r.u32(rate * 2);
  r.u16(2);
  r.u16(16);
  r.end(fmt);
  const size_t data = r.begin("data");
  for (uint32_t i = 0; i < frames; ++i) {
    r.u16(static_cast<uint16_t>(
        static_cast<int16_t>(6000 * std::sin(i * 2 * 3.14159265 * 440 / rate))));
  }
  r.end(data);
  r.end(riff);
  return r.b;
}

// An uncompressed AVI of w x h pixels, `frames` frames at 5 a second, each
// red on its left half and blue on its right.
std::vector<uint8_t> avi_bytes(uint32_t w, uint32_t h, uint32_t frames) {
  // 32-bit pixels (B, G, R, unused): Wine 8's AVI device misdraws 24-bit ones.
  const uint32_t frame = w * h * 4;
  RiffBytes r;
  const size_t riff = r.begin("RIFF", "AVI ");
  const size_t hdrl = r.begin("LIST", "hdrl");
  const size_t avih = r.begin("avih");
  r.u32(200000);     // microseconds per frame
  r.u32(frame * 5);  // bytes per second
  r.u32(0);          // padding
  r.u32(0x10);       // has an index
  r.u32(frames);
  r.u32(0);      // initial frames
  r.u32(1);      // streams
  r.u32(frame);  // buffer size
  r.u32(w);
  r.u32(h);
  for (int i = 0; i < 4; ++i) r.u32(0);
  r.end(avih);
  const size_t strl = r.begin("LIST", "strl");
  const size_t strh = r.begin("strh");
  r.tag("vids");
  r.u32(0);  // no codec: plain DIB frames
  r.u32(0);  // flags
  r.u16(0);  // priority
  r.u16(0);  // language
  r.u32(0);  // initial frames
  r.u32(1);  // scale
  r.u32(5);  // rate: 5 frames a second
  r.u32(0);  // start
  r.u32(frames);
  r.u32(frame);
  r.u32(0xFFFFFFFFu);  // quality: default
  r.u32(0);            // sample size
  r.u16(0);
  r.u16(0);
  r.u16(w);
  r.u16(h);
  r.end(strh);
  const size_t strf = r.begin("strf");  // BITMAPINFOHEADER
  r.u32(40);
  r.u32(w);
  r.u32(h);
  r.u16(1);
  r.u16(32);
  r.u32(0);  // uncompressed
  r.u32(frame);
  for (int i = 0; i < 4; ++i) r.u32(0);
  r.end(strf);
  r.end(strl);
  r.end(hdrl);
  const size_t movi = r.begin("LIST", "movi");
  std::vector<uint8_t> pixels(frame);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* bgr = &pixels[(y * w + x) * 4];
      bgr[0] = x < w / 2 ? 0 : 255;
      bgr[1] = 0;
      bgr[2] = x < w / 2 ? 255 : 0;
    }
  }
  for (uint32_t i = 0; i < frames; ++i) {
    const size_t chunk = r.begin("00db");
    r.b.insert(r.b.end(), pixels.begin(), pixels.end());
    r.end(chunk);
  }
  r.end(movi);
  const size_t idx1 = r.begin("idx1");
  for (uint32_t i = 0; i < frames; ++i) {
    r.tag("00db");
    r.u32(0x10);                 // a key frame
    r.u32(4 + i * (8 + frame));  // from the "movi" type
    r.u32(frame);
  }
  r.end(idx1);
  r.end(riff);
  return r.b;
}

bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  const bool ok = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f != nullptr) std::fclose(f);
  return ok;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string ms_text(double a) { return std::to_string(static_cast<long>(a)) + " ms"; }
std::string ms_text(double a, double b) { return ms_text(a) + " then " + ms_text(b); }

int media(bool null_output) {
  std::unique_ptr<p::Media> m = p::make_media(null_output ? "null" : "");
  const std::string path = p::temp_directory() + "/zrv_devices_check.wav";
  const std::vector<uint8_t> wav = wav_bytes(1500);
  if (!write_bytes(path, wav)) {
    check(false, "the WAV file is written", path);
    return 1;
  }

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

// Messages of this thread's windows, for ms milliseconds.
void pump_for(int ms) {
  for (int t = 0; t < ms; t += 20) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    sleep_ms(20);
  }
}

// 'W'hite, 'R'ed, 'B'lue or '?' of a pixel on the screen.
char colour_at(HWND window, int x, int y) {
  POINT at{x, y};
  ClientToScreen(window, &at);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  if (r > 200 && g > 200 && b > 200) return 'W';
  if (r > 200 && g < 60 && b < 60) return 'R';
  if (b > 200 && r < 60 && g < 60) return 'B';
  return '?';
}

// A clip's pictures in the game window: a 320 x 240 AVI, red on the left
// and blue on the right, fitted into an 800 x 480 client area (640 x 480
// at x = 80). The game window here is a plain one: Wine shows an OpenGL
// window's picture above its child windows, which Windows clips out.
int video() {
  std::unique_ptr<p::Media> m = p::make_media("null");
  const std::string path = p::temp_directory() + "/zrv_devices_check.avi";
  if (!write_bytes(path, avi_bytes(320, 240, 10))) {
    check(false, "the AVI file is written", path);
    return 1;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"zrv_video_check";
  RegisterClassW(&wc);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
  RECT outer{0, 0, 800, 480};
  AdjustWindowRect(&outer, style, FALSE);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"video", style, 0, 0, outer.right - outer.left,
                              outer.bottom - outer.top, nullptr, nullptr, wc.hInstance, nullptr);
  check(hwnd != nullptr, "the game window opens");
  if (hwnd == nullptr) return g_failures;
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  pump_for(300);

  p::MediaPlayer* clip = m->open(path.c_str(), true, nullptr);
  check(clip != nullptr && m->loaded(clip), "the AVI file opens", path);
  if (clip == nullptr || !m->loaded(clip)) return g_failures;
  int32_t w = 0, h = 0;
  const bool sized = m->video_size(clip, &w, &h);
  check(sized && w == 320 && h == 240, "its picture is 320 x 240",
        std::to_string(w) + " x " + std::to_string(h));
  check(std::fabs(m->length_ms(clip) - 2000) <= 1, "its length", ms_text(m->length_ms(clip)));
  zrv::NativeWindow game;
  game.hwnd = hwnd;
  m->place_video(clip, &game, p::Rect{80, 0, 640, 480});
  m->play(clip);
  pump_for(600);
  const double at = m->position_ms(clip);
  check(at >= 300 && at <= 1300, "it plays", ms_text(at));
  std::string row;
  for (int x = 4; x < 800; x += 8) row += colour_at(hwnd, x, 240);
  // Every 8 pixels from x = 4: 10 white, 40 red, 40 blue, 10 white.
  const std::string expected =
      std::string(10, 'W') + std::string(40, 'R') + std::string(40, 'B') + std::string(10, 'W');
  check(row == expected, "its picture fills the fitted rectangle", row);
  check(FindWindowExW(hwnd, nullptr, L"STATIC", nullptr) != nullptr, "in a child window");
  m->close(clip);
  check(FindWindowExW(hwnd, nullptr, L"STATIC", nullptr) == nullptr,
        "closing the clip removes its window");
  DestroyWindow(hwnd);
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
  if (mode == "video") return video();
  std::fprintf(stderr, "usage: devices_check joysticks [N] | watch SECS | media [null] | video\n");
  return 2;
}
