// The generated art and sounds of reedfire: the generators reproduce the
// committed files, and the files hold what the game draws and plays, in the
// sizes and places the game uses them.

#include <gtest/gtest.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kImages[] = {"background.png", "duck.png",   "gun.png",
                               "font.png",       "bullet.png", "nodux.png",
                               "lvl.png",        "button.png", "smalfont.png"};
const char* const kSounds[] = {"sound01.wav", "sound02.wav", "sound04.wav", "quack.wav",
                               "die.wav",     "sound05.wav", "level_up.wav"};

const fs::path kCommitted = fs::path(ZRV_SOURCE_DIR) / "assets" / "Media";

std::vector<uint8_t> read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs a program with the given arguments; returns its exit status, or -1.
int run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

struct Picture {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;

  const uint8_t* px(int x, int y) const {
    return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4];
  }
  int alpha(int x, int y) const { return px(x, y)[3]; }
  uint32_t colour(int x, int y) const {
    const uint8_t* p = px(x, y);
    return static_cast<uint32_t>(p[0]) | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
  }
  int luma(int x, int y) const {
    const uint8_t* p = px(x, y);
    return (p[0] * 3 + p[1] * 6 + p[2]) / 10;
  }
};

Picture decode(const fs::path& p) {
  Picture pic;
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, p.c_str())) return pic;
  img.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> buf(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, buf.data(), 0, nullptr)) {
    png_image_free(&img);
    return pic;
  }
  pic.w = static_cast<int>(img.width);
  pic.h = static_cast<int>(img.height);
  pic.rgba = std::move(buf);
  return pic;
}

// A sheet cut into frames the way the runtime draws them: frames per row =
// image width div frame width, frames in row-major order.
struct Sheet {
  const Picture& pic;
  int fw, fh;

  int per_row() const { return pic.w / fw; }
  int count() const { return per_row() * (pic.h / fh); }
  int x0(int frame) const { return (frame % per_row()) * fw; }
  int y0(int frame) const { return (frame / per_row()) * fh; }
  int opaque(int frame) const {
    int n = 0;
    for (int y = 0; y < fh; ++y)
      for (int x = 0; x < fw; ++x) n += pic.alpha(x0(frame) + x, y0(frame) + y) != 0;
    return n;
  }
  // Nothing on the frame's outermost ring: neighbouring frames never bleed
  // into each other when the sheet is filtered.
  bool border_clear(int frame) const {
    for (int y = 0; y < fh; ++y)
      for (int x = 0; x < fw; ++x)
        if ((x == 0 || y == 0 || x == fw - 1 || y == fh - 1) &&
            pic.alpha(x0(frame) + x, y0(frame) + y) != 0)
          return false;
    return true;
  }
};

class GeneratedAssets : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/zrv-assets-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    dir_ = pattern;
    art_status_ = run({ARTGEN_PROGRAM, dir_.string()});
    sfx_status_ = run({SFXGEN_PROGRAM, dir_.string()});
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  void SetUp() override {
    ASSERT_FALSE(dir_.empty());
    ASSERT_EQ(art_status_, 0);
    ASSERT_EQ(sfx_status_, 0);
  }

  static Picture image(const char* name) {
    Picture p = decode(dir_ / name);
    EXPECT_GT(p.w, 0) << name << " does not decode";
    return p;
  }

  static fs::path dir_;
  static int art_status_, sfx_status_;
};

fs::path GeneratedAssets::dir_;
int GeneratedAssets::art_status_ = -1;
int GeneratedAssets::sfx_status_ = -1;

TEST_F(GeneratedAssets, GeneratorsReproduceTheCommittedFilesByteForByte) {
  std::vector<std::string> names(std::begin(kImages), std::end(kImages));
  names.insert(names.end(), std::begin(kSounds), std::end(kSounds));
  for (const std::string& name : names) {
    const std::vector<uint8_t> fresh = read_file(dir_ / name);
    const std::vector<uint8_t> committed = read_file(kCommitted / name);
    ASSERT_FALSE(fresh.empty()) << name << " was not written";
    ASSERT_FALSE(committed.empty()) << name << " is not in assets/Media";
    EXPECT_TRUE(fresh == committed)
        << name << " differs from assets/Media/" << name << " (regenerate with the 'media' target)";
  }
}

TEST_F(GeneratedAssets, GeneratorsRejectBadArguments) {
  EXPECT_EQ(run({ARTGEN_PROGRAM}), 2);
  EXPECT_EQ(run({SFXGEN_PROGRAM}), 2);
  EXPECT_EQ(run({ARTGEN_PROGRAM, "--bogus"}), 2);
  const std::string missing = (dir_ / "no" / "such" / "folder").string();
  EXPECT_EQ(run({ARTGEN_PROGRAM, missing}), 1);
  EXPECT_EQ(run({SFXGEN_PROGRAM, missing}), 1);
}

TEST_F(GeneratedAssets, PreviewComposesAFullScreen) {
  const fs::path out = dir_ / "preview.png";
  ASSERT_EQ(run({ARTGEN_PROGRAM, "--preview", out.string()}), 0);
  const Picture p = decode(out);
  EXPECT_EQ(p.w, 800);
  EXPECT_EQ(p.h, 480);
  // The life icons are drawn over the calm scoreboard, so the preview differs there.
  const Picture bg = image("background.png");
  ASSERT_EQ(bg.w, 800);
  EXPECT_NE(p.colour(518, 104), bg.colour(518, 104));
}

TEST_F(GeneratedAssets, BackdropFillsThePlayFieldWithButtonsAndACalmHudBand) {
  const Picture bg = image("background.png");
  ASSERT_EQ(bg.w, 800);
  ASSERT_EQ(bg.h, 480);
  for (int y = 0; y < bg.h; ++y)
    for (int x = 0; x < bg.w; ++x) ASSERT_EQ(bg.alpha(x, y), 255) << x << "," << y;

  // HUD texts at y 98 (18 rows) from x 218, life icons at (498 + 30 k, 91),
  // 40 x 26 each: the board behind them is plain.
  std::set<uint32_t> colours;
  for (int y = 91; y < 117; ++y)
    for (int x = 214; x < 602; ++x) colours.insert(bg.colour(x, y));
  EXPECT_LE(colours.size(), 2u);

  // Each highlight (its opaque disc) lies over a round button whose dark rim
  // is inside the highlight in all four directions.
  const Picture hl = image("button.png");
  ASSERT_GT(hl.w, 0);
  const int cx = hl.w / 2, cy = hl.h / 2;
  for (int bx : {44, 115, 674}) {
    for (auto [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
      bool rim = false;
      for (int r = 16; r < hl.w / 2; ++r) {
        const int x = cx + dx * r, y = cy + dy * r;
        if (hl.alpha(x, y) == 0) break;
        rim = rim || bg.luma(bx + x, 308 + y) < 40;
      }
      EXPECT_TRUE(rim) << "button at x " << bx << " direction " << dx << "," << dy;
    }
  }
}

TEST_F(GeneratedAssets, DuckSheetHoldsTheFlightAndFallInBothDirections) {
  const Picture pic = image("duck.png");
  ASSERT_EQ(pic.w % 40, 0);
  ASSERT_EQ(pic.h % 26, 0);
  const Sheet sheet{pic, 40, 26};
  ASSERT_GE(sheet.count(), 13);
  for (int frame : {1, 2, 3, 4, 5, 8, 9, 10, 11, 12}) {
    EXPECT_GT(sheet.opaque(frame), 40) << "frame " << frame;
    EXPECT_TRUE(sheet.border_clear(frame)) << "frame " << frame;
  }
  // Frames 8..12 (direction 1, moving left) are frames 1..5 turned around.
  for (int f = 1; f <= 5; ++f)
    for (int y = 0; y < 26; ++y)
      for (int x = 0; x < 40; ++x)
        ASSERT_EQ(pic.colour(sheet.x0(f) + x, sheet.y0(f) + y),
                  pic.colour(sheet.x0(f + 7) + 39 - x, sheet.y0(f + 7) + y))
            << "frame " << f << " at " << x << "," << y;
  // The falling frames shrink away: each shows less duck than the one before.
  for (int f = 3; f <= 5; ++f) EXPECT_LT(sheet.opaque(f), sheet.opaque(f - 1)) << f;
}

TEST_F(GeneratedAssets, GunMuzzleIsWhereTheBulletLeaves) {
  const Picture pic = image("gun.png");
  ASSERT_EQ(pic.w % 19, 0);
  ASSERT_EQ(pic.h % 30, 0);
  const Sheet sheet{pic, 19, 30};
  ASSERT_GE(sheet.count(), 2);
  ASSERT_GT(sheet.opaque(1), 60);
  // The gun frame is drawn at gun x - 2 and the bullet (4 wide) at gun x - 1:
  // the top of the gun must lie in the frame columns 1..4 under the bullet.
  int top = -1;
  for (int y = 0; y < 30 && top < 0; ++y)
    for (int x = 0; x < 19; ++x)
      if (pic.alpha(sheet.x0(1) + x, y) != 0) {
        top = y;
        break;
      }
  ASSERT_GE(top, 0);
  for (int x = 0; x < 19; ++x)
    if (pic.alpha(sheet.x0(1) + x, top) != 0) {
      EXPECT_GE(x, 1);
      EXPECT_LE(x, 4);
    }
}

TEST_F(GeneratedAssets, BulletAndHudFontHoldTheDrawnFrames) {
  const Picture bullet = image("bullet.png");
  ASSERT_EQ(bullet.w % 4, 0);
  ASSERT_EQ(bullet.h % 7, 0);
  EXPECT_GT((Sheet{bullet, 4, 7}.opaque(0)), 10);

  const Picture font = image("font.png");
  ASSERT_EQ(font.w, 64 * 10) << "64 frames per colour row";
  ASSERT_EQ(font.h % 18, 0);
  const Sheet sheet{font, 10, 18};
  // Colour 0, frame = code - 32: what the HUD prints.
  for (char c : std::string("0123456789CHILSV")) {
    const int frame = c - 32;
    EXPECT_GT(sheet.opaque(frame), 20) << "'" << c << "'";
    // The last column stays empty so that 10-pixel steps leave a gap.
    for (int y = 0; y < 18; ++y) EXPECT_EQ(font.alpha(sheet.x0(frame) + 9, y), 0) << c;
  }
  EXPECT_EQ(sheet.opaque(0), 0) << "a space prints nothing";
  // Every colour row holds the same characters.
  for (int colour = 1; colour < font.h / 18; ++colour)
    for (int code = 33; code < 96; ++code)
      EXPECT_EQ(sheet.opaque(code - 32 + 64 * colour) > 0, sheet.opaque(code - 32) > 0)
          << "colour " << colour << " code " << code;
}

TEST_F(GeneratedAssets, OverlayAndHighlightFitWhereTheyAreDrawn) {
  const Picture overlay = image("nodux.png");
  ASSERT_GT(overlay.w, 0);
  // Drawn at (235, 258) over the ducks; the bullet's lowest position at a duck
  // row is drawn from y 289, and it must not disappear behind the overlay.
  EXPECT_LE(258 + overlay.h, 289);
  EXPECT_LE(235 + overlay.w, 800);
  // It hides the lower part of the lowest row (drawn from y 258), not all of it.
  int covered_rows = 0;
  for (int y = 0; y < std::min(overlay.h, 26); ++y) {
    int n = 0;
    for (int x = 0; x < overlay.w; ++x) n += overlay.alpha(x, y) != 0;
    covered_rows += n > overlay.w / 2;
  }
  EXPECT_GT(covered_rows, 4);
  EXPECT_LT(covered_rows, 20);

  const Picture hl = image("button.png");
  ASSERT_GT(hl.w, 0);
  // Left at x 44 and right at x 115: the two highlights must not overlap.
  EXPECT_LE(hl.w, 115 - 44);
  EXPECT_LE(674 + hl.w, 800);
  EXPECT_LE(308 + hl.h, 480);
  int translucent = 0, lit = 0;
  for (int y = 0; y < hl.h; ++y)
    for (int x = 0; x < hl.w; ++x) {
      translucent += hl.alpha(x, y) > 0 && hl.alpha(x, y) < 255;
      lit += hl.alpha(x, y) > 0 && hl.luma(x, y) > 200;
    }
  EXPECT_GT(translucent, hl.w * hl.h / 4);
  EXPECT_GT(lit, hl.w * hl.h / 4);

  EXPECT_GT(image("lvl.png").w, 0);
}

// Glyph measuring as the runtime does it for a font sheet.
struct Measured {
  int left = 0, width = 0, advance = 0;
  bool empty = true;
};

Measured measure(const Picture& p, int cw, int ch, int code) {
  const int cx = (code % 16) * cw, cy = (code / 16) * ch;
  auto column = [&](int x) {
    for (int y = 0; y < ch; ++y)
      if (p.alpha(cx + x, cy + y) != 0) return true;
    return false;
  };
  Measured m;
  int left = 0;
  while (left < cw && !column(left)) ++left;
  if (left == cw) {
    m.advance = cw;
    return m;
  }
  int right = cw - 1;
  while (right > left && !column(right)) --right;
  m.width = right - left + 1;
  m.left = left;
  m.advance = m.width + (left + m.width < cw ? 1 : 0);
  m.empty = false;
  return m;
}

TEST_F(GeneratedAssets, SystemFontIsA128CodeSheetThatMeasuresProportionally) {
  const Picture p = image("smalfont.png");
  ASSERT_GT(p.w, 0);
  ASSERT_GE(p.w, p.h) << "wider than tall: 128 codes in 8 rows";
  ASSERT_EQ(p.w % 16, 0);
  ASSERT_EQ(p.h % 8, 0);
  const int cw = p.w / 16, ch = p.h / 8;
  for (int code = 0; code < 128; ++code) {
    const Measured m = measure(p, cw, ch, code);
    const bool printable = code > 32 && code < 127;
    EXPECT_EQ(m.empty, !printable) << "code " << code;
    if (!printable) continue;
    // Room for the spacing column in every cell, so glyphs never touch.
    EXPECT_EQ(m.advance, m.width + 1) << "code " << code;
    int light = 0, dark = 0;
    for (int y = 0; y < ch; ++y)
      for (int x = 0; x < cw; ++x) {
        const int px = (code % 16) * cw + x, py = (code / 16) * ch + y;
        if (p.alpha(px, py) == 0) continue;
        light += p.luma(px, py) > 200;
        dark += p.luma(px, py) < 60;
      }
    EXPECT_GT(light, 0) << "code " << code;
    EXPECT_GT(dark, light) << "outlined, code " << code;
  }
  // Proportional: narrow letters advance less than wide ones; the space takes
  // the advance of 'j', which must be a visible gap.
  EXPECT_LT(measure(p, cw, ch, 'i').advance, measure(p, cw, ch, 'm').advance);
  EXPECT_LT(measure(p, cw, ch, '.').advance, measure(p, cw, ch, 'W').advance);
  EXPECT_GE(measure(p, cw, ch, 'j').advance, 3);
}

struct Wav {
  int rate = 0;
  std::vector<int16_t> samples;
};

// Reads a canonical RIFF WAVE file (44-byte header, 16-bit PCM mono).
Wav read_wav(const fs::path& p, std::string& problem) {
  const std::vector<uint8_t> b = read_file(p);
  Wav w;
  auto u32 = [&](size_t o) {
    return static_cast<uint32_t>(b[o] | b[o + 1] << 8 | b[o + 2] << 16) |
           static_cast<uint32_t>(b[o + 3]) << 24;
  };
  auto u16 = [&](size_t o) { return static_cast<uint16_t>(b[o] | b[o + 1] << 8); };
  auto tag = [&](size_t o, const char* t) { return std::equal(t, t + 4, b.begin() + o); };
  if (b.size() < 46) return problem = "too short", w;
  if (!tag(0, "RIFF") || !tag(8, "WAVE") || !tag(12, "fmt ") || !tag(36, "data"))
    return problem = "not a canonical RIFF WAVE", w;
  if (u32(4) != b.size() - 8) return problem = "RIFF size", w;
  if (u32(16) != 16 || u16(20) != 1) return problem = "not plain PCM", w;
  if (u16(22) != 1) return problem = "not mono", w;
  if (u16(34) != 16 || u16(32) != 2) return problem = "not 16-bit", w;
  w.rate = static_cast<int>(u32(24));
  if (u32(28) != u32(24) * 2) return problem = "byte rate", w;
  if (u32(40) != b.size() - 44 || u32(40) % 2 != 0) return problem = "data size", w;
  for (size_t o = 44; o + 1 < b.size(); o += 2) w.samples.push_back(static_cast<int16_t>(u16(o)));
  return w;
}

TEST_F(GeneratedAssets, SoundsAreShortCleanPcmThatStartAndEndInSilence) {
  double shot_peak = 0, step_peak = 0;
  for (const char* name : kSounds) {
    std::string problem;
    const Wav w = read_wav(dir_ / name, problem);
    ASSERT_TRUE(problem.empty()) << name << ": " << problem;
    EXPECT_TRUE(w.rate == 22050 || w.rate == 44100) << name;
    const double seconds = static_cast<double>(w.samples.size()) / w.rate;
    EXPECT_GT(seconds, 0.05) << name;
    EXPECT_LT(seconds, 2.5) << name;
    // No click: the first and last samples are (close to) silence.
    EXPECT_LE(std::abs(w.samples.front()), 328) << name;
    EXPECT_LE(std::abs(w.samples.back()), 328) << name;
    int peak = 0;
    double sum = 0;
    for (int16_t s : w.samples) {
      peak = std::max(peak, std::abs(static_cast<int>(s)));
      sum += s;
    }
    // Audible, never clipped, no constant offset.
    EXPECT_GT(peak, 32768 * 0.2) << name;
    EXPECT_LT(peak, 32768 * 0.95) << name;
    EXPECT_LT(std::abs(sum / static_cast<double>(w.samples.size())), 32768 * 0.02) << name;
    if (std::string(name) == "sound01.wav") shot_peak = peak;
    if (std::string(name) == "sound05.wav") step_peak = peak;
  }
  // The duck step is heard every half second: it stays softer than the shot.
  EXPECT_LT(step_peak, shot_peak);
}

}  // namespace
