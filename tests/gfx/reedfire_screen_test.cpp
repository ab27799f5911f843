// reedfire run as a real program on the virtual display: the start-up log,
// and screenshots of the title screen and of a game in progress. Each
// screenshot is checked twice: against a picture composed here from the
// Media files and the game state the program traced for its last frame,
// and against the reference images kept in tests/gfx/reference (with
// ZRV_UPDATE_REFERENCE=1 the run writes them instead).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "file_bytes_of.hpp"
#include "file_io.hpp"
#include "gfx/image_codec.hpp"
#include "x_display.hpp"

namespace gfx_test {
namespace {

using zrv::RtImage;
using zrv::test::have_display;
using zrv::test::read_file;

const std::string kMedia = std::string(ZRV_SOURCE_DIR) + "/assets/Media";
const std::string kReference = GFX_REFERENCE_DIR;

bool have_media() {
  struct stat st;
  return stat((kMedia + "/background.png").c_str(), &st) == 0;
}

// A program folder of its own: a copy of the program and its Media.
struct GameDir {
  std::string path;
  GameDir() {
    char name[] = "/tmp/zrv_gfx_gameXXXXXX";
    path = mkdtemp(name);
    std::ifstream src(REEDFIRE_PROGRAM, std::ios::binary);
    std::ofstream dst(path + "/reedfire", std::ios::binary);
    dst << src.rdbuf();
    dst.close();
    chmod((path + "/reedfire").c_str(), 0755);
    if (symlink(kMedia.c_str(), (path + "/Media").c_str()) != 0) path.clear();
    mkdir((path + "/tmp").c_str(), 0755);
  }
  ~GameDir() {
    if (path.empty()) return;
    std::string cmd = "rm -rf '" + path + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path.c_str());
  }
  std::string file(const std::string& name) const { return path + "/" + name; }

  // Runs the program with the arguments, started in `cwd` (default: its
  // own folder).
  zrv::test::ChildResult run(const std::vector<std::string>& args,
                             const std::string& cwd = std::string()) const {
    return zrv::test::run_in_child([&] {
      std::vector<std::string> copy = args;
      std::string program = file("reedfire");
      std::vector<char*> argv{program.data()};
      for (std::string& a : copy) argv.push_back(a.data());
      argv.push_back(nullptr);
      setenv("TMPDIR", file("tmp").c_str(), 1);
      // The sound goes nowhere (no sound card needed, nothing heard).
      setenv("ALSOFT_DRIVERS", "null", 1);
      // A run that hangs (a paused game waits for its window to be
      // activated again) ends here instead of at the test's time limit.
      alarm(120);
      if (chdir(cwd.empty() ? path.c_str() : cwd.c_str()) != 0) _exit(120);
      execv(program.c_str(), argv.data());
      _exit(121);
    });
  }
};

// ---- the game state of a trace line ----

int64_t field(const std::string& line, const std::string& key) {
  const size_t at = line.find("\"" + key + "\":");
  if (at == std::string::npos) return -1;
  return std::strtoll(line.c_str() + at + key.size() + 3, nullptr, 10);
}

std::vector<std::vector<double>> list(const std::string& line, const std::string& key) {
  std::vector<std::vector<double>> out;
  size_t at = line.find("\"" + key + "\":[");
  if (at == std::string::npos) return out;
  const char* p = line.c_str() + at + key.size() + 4;
  while (*p == '[') {
    ++p;
    std::vector<double> item;
    while (*p != ']') {
      char* end = nullptr;
      item.push_back(std::strtod(p, &end));
      p = end;
      if (*p == ',') ++p;
    }
    ++p;  // ]
    out.push_back(item);
    if (*p == ',') ++p;
  }
  return out;
}

std::string last_line(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == '\n') --end;
  const size_t start = text.rfind('\n', end - 1);
  return text.substr(start == std::string::npos ? 0 : start + 1, end - (start + 1));
}

// ---- a frame composed on the CPU, the way the game draws it ----

struct Sheet {
  RtImage image;
  int fw = 0, fh = 0;
};

Sheet load(const char* name, int fw = 0, int fh = 0) {
  Sheet s;
  // As the sprite loader reads it: the default colour key for files
  // without alpha of their own.
  EXPECT_TRUE(zrv::image_decode_any(s.image, (kMedia + "/" + name).c_str(), 0x8000FF)) << name;
  s.fw = fw ? fw : s.image.width;
  s.fh = fh ? fh : s.image.height;
  return s;
}

struct Canvas {
  RtImage image;
  Canvas() {
    EXPECT_TRUE(image.resize(800, 480));
    for (int i = 0; i < 800 * 480; ++i) image.pixels[i * 4 + 3] = 255;
  }
  // Draws frame f of a sheet (or the whole image) with its top-left
  // corner at (x, y), alpha-blended.
  void draw(const Sheet& s, int f, int x, int y) {
    const int per_row = s.image.width / s.fw;
    const int sx = per_row > 0 ? (f % per_row) * s.fw : f * s.fw;
    const int sy = per_row > 0 ? (f / per_row) * s.fh : 0;
    for (int j = 0; j < s.fh; ++j) {
      for (int i = 0; i < s.fw; ++i) {
        const int px = x + i, py = y + j;
        if (px < 0 || py < 0 || px >= 800 || py >= 480) continue;
        if (sx + i >= s.image.width || sy + j >= s.image.height) continue;
        const uint8_t* src = s.image.row(sy + j) + (sx + i) * 4;
        uint8_t* dst = image.row(py) + px * 4;
        const int a = src[3];
        for (int c = 0; c < 3; ++c)
          dst[c] = static_cast<uint8_t>((src[c] * a + dst[c] * (255 - a) + 127) / 255);
      }
    }
  }
};

struct Art {
  Sheet backdrop = load("background.png");
  Sheet duck = load("duck.png", 40, 26);
  Sheet gun = load("gun.png", 19, 30);
  Sheet font = load("font.png", 10, 18);
  Sheet bullet = load("bullet.png", 4, 7);
  Sheet overlay = load("nodux.png");
};

void text(Canvas& c, const Art& art, int x, int y, const std::string& t) {
  for (size_t i = 0; i < t.size(); ++i) {
    c.draw(art.font, static_cast<unsigned char>(t[i]) - 32, x + 10 * static_cast<int>(i), y);
  }
}

std::string digits(int64_t v, int n) {
  std::string s = std::string(n, '0') + std::to_string(v);
  return s.substr(s.size() - n);
}

// The frame of the pass whose state the trace line holds. The pass must
// not have started a game, spawned a duck or fired (those show from the
// next frame on), and no key may be down in it.
Canvas compose(const std::string& line) {
  static const Art art;
  Canvas c;
  c.draw(art.backdrop, 0, 0, 0);
  const int64_t lives = field(line, "lives");
  const int64_t blink = field(line, "blink");
  // The texts are drawn before the pass counts blink up (only without a game).
  const int64_t shown_blink = lives == 0 ? (blink == 0 ? 20 : blink - 1) : blink;
  if (shown_blink < 10) text(c, art, 218, 98, "SC " + digits(field(line, "score"), 5));
  text(c, art, 330, 98, "LVL " + digits(field(line, "level"), 2));
  if (shown_blink < 10) text(c, art, 408, 98, "HI " + digits(field(line, "high_score"), 5));
  if (field(line, "countdown_step") < 4) {
    for (int k = 0; k < lives; ++k) c.draw(art.duck, 8, 498 + 30 * k, 91);
  }
  for (const auto& d : list(line, "ducks")) {
    c.draw(art.duck, static_cast<int>(d[4] * 7 + d[5]), static_cast<int>(d[0] - 2),
           static_cast<int>(d[1] - 2));
  }
  for (const auto& b : list(line, "bullets")) {
    c.draw(art.bullet, 0, static_cast<int>(b[0] - 1), static_cast<int>(b[1] - 1));
  }
  if (lives > 0) {
    for (const auto& g : list(line, "guns")) {
      c.draw(art.gun, 1, static_cast<int>(g[0] - 2), static_cast<int>(g[1] - 2));
    }
  }
  c.draw(art.overlay, 0, 235, 258);
  return c;
}

// Largest channel difference, and how many pixels differ by more than 8.
struct Difference {
  int largest = 0;
  int64_t pixels_off = 0;
  int first_x = -1, first_y = -1;
};

Difference compare(const RtImage& a, const RtImage& b) {
  Difference d;
  if (a.width != b.width || a.height != b.height) {
    d.largest = 255;
    d.pixels_off = -1;
    return d;
  }
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      int worst = 0;
      for (int c = 0; c < 3; ++c) {
        worst = std::max(worst, std::abs(a.row(y)[x * 4 + c] - b.row(y)[x * 4 + c]));
      }
      if (worst > d.largest) d.largest = worst;
      if (worst > 8) {
        if (d.pixels_off == 0) {
          d.first_x = x;
          d.first_y = y;
        }
        ++d.pixels_off;
      }
    }
  }
  return d;
}

// Runs the game, returns its screenshot and the trace line of the last
// frame.
struct Shot {
  RtImage image;
  std::string last_trace;
  zrv::test::ChildResult result;
};

Shot shoot(const GameDir& dir, int frames, const std::string& keys) {
  Shot s;
  std::vector<std::string> args = {"--seed",       "8",
                                   "--frames",     std::to_string(frames),
                                   "--screenshot", dir.file("shot.png"),
                                   "--trace",      dir.file("trace.jsonl")};
  if (!keys.empty()) {
    std::ofstream(dir.file("keys.txt")) << keys;
    args.push_back("--keys");
    args.push_back(dir.file("keys.txt"));
  }
  s.result = dir.run(args);
  EXPECT_TRUE(s.result.exited);
  EXPECT_EQ(s.result.status, 0) << s.result.out << s.result.err;
  EXPECT_TRUE(zrv::image_decode_png(s.image, zrv::test::file_bytes_of(dir.file("shot.png").c_str()),
                                    zrv::kNoColorKey))
      << "no screenshot: " << s.result.err;
  s.last_trace = last_line(read_file(dir.file("trace.jsonl")));
  return s;
}

// Compares with the reference image of that name, or writes it when the
// references are being renewed.
void check_reference(const RtImage& shot, const std::string& name) {
  const std::string path = kReference + "/" + name;
  if (std::getenv("ZRV_UPDATE_REFERENCE") != nullptr) {
    ASSERT_TRUE(zrv::image_write(path.c_str(), shot));
    return;
  }
  RtImage reference;
  ASSERT_TRUE(
      zrv::image_decode_png(reference, zrv::test::file_bytes_of(path.c_str()), zrv::kNoColorKey))
      << path << " missing: run the test with ZRV_UPDATE_REFERENCE=1 to make it";
  const Difference d = compare(shot, reference);
  // A small tolerance for rounding differences between OpenGL drivers;
  // art that changed needs new references (ZRV_UPDATE_REFERENCE=1).
  EXPECT_LE(d.pixels_off, 800 * 480 / 1000)
      << name << ": " << d.pixels_off << " pixels differ, first at (" << d.first_x << ","
      << d.first_y << ")";
  EXPECT_LE(d.largest, 48) << name;
}

#define REQUIRE_GAME()                                                      \
  do {                                                                      \
    if (!have_display()) GTEST_SKIP() << "no display (run under xvfb-run)"; \
    if (!have_media()) GTEST_SKIP() << "no art in assets/Media";            \
  } while (0)

TEST(Reedfire, StartUpLogsEveryStepInOrder) {
  if (!have_display()) GTEST_SKIP() << "no display (run under xvfb-run)";
  GameDir dir;
  ASSERT_FALSE(dir.path.empty());
  // Started elsewhere: the screenshot's relative name counts from there.
  const zrv::test::ChildResult r =
      dir.run({"--frames", "1", "--screenshot", "first.png"}, dir.file("tmp"));
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  RtImage first;
  EXPECT_TRUE(zrv::image_decode_png(
      first, zrv::test::file_bytes_of(dir.file("tmp/first.png").c_str()), zrv::kNoColorKey))
      << r.err;
  EXPECT_EQ(first.width, 800) << "the window after the game's screen set-up";
  const std::string log = zrv::test::run_log(dir.file("tmp"), "reedfire");
  const std::vector<std::string> lines = {"Start new log...\n",
                                          "timer\n",
                                          "vreo\n",
                                          "vreo init\n",
                                          "WIN32 init video\n",
                                          "get accurate timer - 1st call\n",
                                          "flip - 1st call\n",
                                          "BGRA ext",
                                          "Texture size limit: ",
                                          "init fbo\n",
                                          "2D VP\n",
                                          "GL window ready\n",
                                          "Cptn\n",
                                          "Network\n",
                                          "Input\n",
                                          "Window mode\n",
                                          "Create DXin\n",
                                          "reptr\n",
                                          "getexe\n",
                                          "cd\n",
                                          "exepath=curdir= " + dir.path + "\n",
                                          "tuckboxing...\n",
                                          "init gettimer\n",
                                          "clear screen\n",
                                          "flip\n",
                                          "mk2D\n",
                                          "finding font...\n",
                                          "Delay load DLLs\n",
                                          "Init Finalized\n",
                                          "Shut down ZRV\n",
                                          "zrv is shut down\n"};
  size_t at = 0;
  for (const std::string& line : lines) {
    const size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "'" << line << "' missing or out of order in\n" << log;
    at = found + line.size();
  }
  // Mesa's software rasterisers are reported as such, once.
  const size_t warn = log.find("*** OpenGL Software Emulation - update driver!\n");
  if (warn != std::string::npos) {
    EXPECT_LT(warn, log.find("get accurate timer - 1st call\n"));
    EXPECT_GT(warn, log.find("WIN32 init video\n"));
    EXPECT_EQ(log.find("*** OpenGL", warn + 1), std::string::npos);
  }
  // The size limit is a number.
  const size_t limit = log.find("Texture size limit: ");
  EXPECT_GE(std::atoi(log.c_str() + limit + 20), 1024);
}

TEST(Reedfire, TitleScreenWithBlinkingScores) {
  REQUIRE_GAME();
  GameDir dir;
  ASSERT_FALSE(dir.path.empty());
  // After 60 frames the scores are in their hidden phase; after 69 they show.
  for (int frames : {60, 69}) {
    const Shot s = shoot(dir, frames, "");
    ASSERT_EQ(field(s.last_trace, "frame"), frames - 1) << s.last_trace;
    EXPECT_EQ(field(s.last_trace, "lives"), 0);
    const int64_t blink = field(s.last_trace, "blink");
    EXPECT_EQ(blink - 1 < 10, frames == 69) << "blink " << blink;
    const Canvas expected = compose(s.last_trace);
    const Difference d = compare(s.image, expected.image);
    EXPECT_LE(d.largest, 4) << frames << " frames: first difference at (" << d.first_x << ","
                            << d.first_y << ")";
    check_reference(s.image, "title_" + std::to_string(frames) + ".png");
  }
}

// Space starts the game in the first pass (and fires); one move left; a
// second shot later on. No key is down in the last frame.
const char* const kPlayingKeys = "5 57 1\n6 57 0\n40 203 1\n41 203 0\n160 57 1\n161 57 0\n";

TEST(Reedfire, GameInProgressShowsGunDucksBulletAndLives) {
  REQUIRE_GAME();
  GameDir dir;
  ASSERT_FALSE(dir.path.empty());
  const Shot s = shoot(dir, 230, kPlayingKeys);
  const std::string& line = s.last_trace;
  ASSERT_EQ(field(line, "frame"), 229) << line;
  EXPECT_EQ(field(line, "lives"), 3);
  EXPECT_NE(field(line, "step_timer"), 0) << "no spawn tick in the last pass";
  const auto ducks = list(line, "ducks");
  EXPECT_GE(ducks.size(), 2u) << line;
  EXPECT_EQ(list(line, "bullets").size(), 1u) << line;
  const auto guns = list(line, "guns");
  ASSERT_EQ(guns.size(), 1u);
  EXPECT_EQ(guns[0][0], 348);
  const Canvas expected = compose(line);
  const Difference d = compare(s.image, expected.image);
  EXPECT_LE(d.largest, 4) << "first difference at (" << d.first_x << "," << d.first_y << ")";
  check_reference(s.image, "playing_230.png");
}

// The shaders are written for OpenGL ES and core contexts too: a game in
// progress looks the same to the byte on each.
TEST(Reedfire, CoreAndEsContextsDrawTheSamePicture) {
  REQUIRE_GAME();
  GameDir dir;
  ASSERT_FALSE(dir.path.empty());
  const Shot compatible = shoot(dir, 230, kPlayingKeys);
  for (const auto& [kind, language] : {std::pair{"core", "shaders: GLSL 1.40 on "},
                                       {"es", "shaders: GLSL ES 1.00 on OpenGL ES"}}) {
    setenv("ZRV_GL_CONTEXT", kind, 1);
    const Shot s = shoot(dir, 230, kPlayingKeys);
    unsetenv("ZRV_GL_CONTEXT");
    EXPECT_NE(zrv::test::run_log(dir.file("tmp"), "reedfire").find(language), std::string::npos)
        << kind;
    ASSERT_EQ(s.image.width * s.image.height, compatible.image.width * compatible.image.height);
    EXPECT_EQ(std::memcmp(s.image.pixels, compatible.image.pixels,
                          static_cast<size_t>(s.image.width) * s.image.height * 4),
              0)
        << kind;
  }
}

TEST(Reedfire, QuitWithEscapeKeepsTheLastShownFrame) {
  REQUIRE_GAME();
  GameDir dir;
  ASSERT_FALSE(dir.path.empty());
  std::ofstream(dir.file("keys.txt")) << "40 1 1\n";
  const zrv::test::ChildResult r =
      dir.run({"--seed", "8", "--keys", dir.file("keys.txt"), "--screenshot", dir.file("esc.png"),
               "--trace", dir.file("trace.jsonl")});
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  RtImage shot;
  ASSERT_TRUE(zrv::image_decode_png(shot, zrv::test::file_bytes_of(dir.file("esc.png").c_str()),
                                    zrv::kNoColorKey));
  // Escape ends the run inside the frame after 40; the picture is the
  // last one presented, that of the trace's second-last line.
  const std::string trace = read_file(dir.file("trace.jsonl"));
  const std::string last = last_line(trace);
  const std::string before = last_line(trace.substr(0, trace.size() - last.size() - 1));
  ASSERT_EQ(field(before, "frame"), 39) << before;
  const Difference d = compare(shot, compose(before).image);
  EXPECT_LE(d.largest, 4) << "first difference at (" << d.first_x << "," << d.first_y << ")";
}

TEST(Reedfire, HeadlessRunHasNoScreenToSave) {
  GameDir dir;
  ASSERT_FALSE(dir.path.empty());
  const zrv::test::ChildResult r =
      dir.run({"--headless", "--frames", "10", "--screenshot", dir.file("none.png")});
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("--screenshot: no screen to save"), std::string::npos) << r.err;
  struct stat st;
  EXPECT_NE(stat(dir.file("none.png").c_str(), &st), 0);
}

}  // namespace
}  // namespace gfx_test
