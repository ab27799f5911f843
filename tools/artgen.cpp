// artgen: draws the art of reedfire and writes it as PNG files.
//
//   artgen <folder>              writes background.png, duck.png, gun.png, bullet.png,
//                                font.png, nodux.png, lvl.png, button.png, smalfont.png
//   artgen --preview <file.png>  composes a mock game screen from the same art
//
// Everything is drawn from fixed shapes, hand-set pixel maps and a seeded hash,
// so every run writes the same bytes.

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Pixels and images

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 0;
  bool operator==(const Rgba&) const = default;
};

constexpr Rgba hex(uint32_t v, uint8_t a = 255) {
  return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v), a};
}

constexpr Rgba kClear{};

// One palette for everything (outlines, wood, paint, sky, water, plants).
namespace pal {
constexpr Rgba ink = hex(0x181425);
constexpr Rgba night = hex(0x262b44);
constexpr Rgba slate = hex(0x3a4466);
constexpr Rgba steel = hex(0x5a6988);
constexpr Rgba mist = hex(0x8b9bb4);
constexpr Rgba cloud = hex(0xc0cbdc);
constexpr Rgba white = hex(0xffffff);
constexpr Rgba bark = hex(0x3e2731);
constexpr Rgba umber = hex(0x733e39);
constexpr Rgba oak = hex(0xb86f50);
constexpr Rgba tan = hex(0xe4a672);
constexpr Rgba sand = hex(0xead4aa);
constexpr Rgba skin = hex(0xc28569);
constexpr Rgba peach = hex(0xe8b796);
constexpr Rgba wine = hex(0xa22633);
constexpr Rgba red = hex(0xe43b44);
constexpr Rgba rust = hex(0xbe4a2f);
constexpr Rgba rose = hex(0xf6757a);
constexpr Rgba amber = hex(0xf77622);
constexpr Rgba gold = hex(0xfeae34);
constexpr Rgba lemon = hex(0xfee761);
constexpr Rgba leaf = hex(0x63c74d);
constexpr Rgba moss = hex(0x3e8948);
constexpr Rgba pine = hex(0x265c42);
constexpr Rgba deep = hex(0x193c3e);
constexpr Rgba navy = hex(0x124e89);
constexpr Rgba sea = hex(0x0099db);
constexpr Rgba foam = hex(0x2ce8f5);
// Sky steps, from the top of the stage down to the haze over the marsh.
constexpr Rgba sky0 = hex(0x3d6fc4);
constexpr Rgba sky1 = hex(0x5b8fdc);
constexpr Rgba sky2 = hex(0x82b3ea);
constexpr Rgba sky3 = hex(0xb2d5f2);
constexpr Rgba sky4 = hex(0xe3eef0);
constexpr Rgba haze = hex(0xf3e6c4);
}  // namespace pal

class Image {
 public:
  Image() = default;
  Image(int w, int h, Rgba fill = kClear)
      : w_(w), h_(h), px_(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}

  int width() const { return w_; }
  int height() const { return h_; }
  const std::vector<Rgba>& pixels() const { return px_; }

  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
  Rgba at(int x, int y) const { return inside(x, y) ? px_[index(x, y)] : kClear; }
  bool solid(int x, int y) const { return at(x, y).a != 0; }

  void put(int x, int y, Rgba c) {
    if (inside(x, y)) px_[index(x, y)] = c;
  }

  // Source-over compositing in integers.
  void mix(int x, int y, Rgba c) {
    if (!inside(x, y) || c.a == 0) return;
    Rgba& d = px_[index(x, y)];
    if (c.a == 255 || d.a == 0) {
      d = c;
      return;
    }
    const int sa = c.a;
    const int da = d.a * (255 - sa) / 255;
    const int oa = sa + da;
    auto ch = [&](int s, int t) { return static_cast<uint8_t>((s * sa + t * da + oa / 2) / oa); };
    d = {ch(c.r, d.r), ch(c.g, d.g), ch(c.b, d.b), static_cast<uint8_t>(oa)};
  }

  void fill(int x, int y, int w, int h, Rgba c) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) mix(i, j, c);
  }

  void draw(const Image& src, int dx, int dy) { draw_part(src, 0, 0, src.w_, src.h_, dx, dy); }

  void draw_part(const Image& src, int sx, int sy, int w, int h, int dx, int dy) {
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) mix(dx + i, dy + j, src.at(sx + i, sy + j));
  }

  // Draws with the opacity scaled by alpha_num / 256 (a half-transparent highlight).
  void draw_faded(const Image& src, int dx, int dy, int alpha_num) {
    for (int j = 0; j < src.h_; ++j)
      for (int i = 0; i < src.w_; ++i) {
        Rgba c = src.at(i, j);
        c.a = static_cast<uint8_t>(c.a * alpha_num / 256);
        mix(dx + i, dy + j, c);
      }
  }

  Image crop(int x, int y, int w, int h) const {
    Image out(w, h);
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) out.put(i, j, at(x + i, y + j));
    return out;
  }

  Image mirrored() const {
    Image out(w_, h_);
    for (int j = 0; j < h_; ++j)
      for (int i = 0; i < w_; ++i) out.put(w_ - 1 - i, j, at(i, j));
    return out;
  }

  Image scaled(int k) const {
    Image out(w_ * k, h_ * k);
    for (int j = 0; j < out.h_; ++j)
      for (int i = 0; i < out.w_; ++i) out.put(i, j, at(i / k, j / k));
    return out;
  }

 private:
  size_t index(int x, int y) const {
    return static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x);
  }

  int w_ = 0, h_ = 0;
  std::vector<Rgba> px_;
};

Rgba with_alpha(Rgba c, int a) {
  c.a = static_cast<uint8_t>(a);
  return c;
}

// Draws a dark line around every opaque shape: transparent pixels that touch an
// opaque one (4-neighbourhood, or 8 when diagonal is set) take the colour.
void outline(Image& img, Rgba c, bool diagonal = false) {
  const Image src = img;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      if (src.solid(x, y)) continue;
      bool edge =
          src.solid(x - 1, y) || src.solid(x + 1, y) || src.solid(x, y - 1) || src.solid(x, y + 1);
      if (diagonal)
        edge = edge || src.solid(x - 1, y - 1) || src.solid(x + 1, y - 1) ||
               src.solid(x - 1, y + 1) || src.solid(x + 1, y + 1);
      if (edge) img.put(x, y, c);
    }
}

// Pixel map: one character per pixel, looked up in a legend; '.' is transparent.
struct Key {
  char ch;
  Rgba c;
};

Image from_map(const std::vector<std::string>& rows, const std::vector<Key>& legend) {
  int w = 0;
  for (const auto& r : rows) w = std::max(w, static_cast<int>(r.size()));
  Image img(w, static_cast<int>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      for (const Key& k : legend)
        if (k.ch == rows[y][x]) img.put(static_cast<int>(x), static_cast<int>(y), k.c);
  return img;
}

// ---------------------------------------------------------------------------
// Deterministic noise and dithering

uint32_t hash3(int x, int y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B1u ^ static_cast<uint32_t>(x) * 0x85EBCA77u ^
               static_cast<uint32_t>(y) * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

double rand01(int x, int y, uint32_t seed) { return hash3(x, y, seed) / 4294967296.0; }

double smooth(double t) { return t * t * (3 - 2 * t); }

double value_noise(double x, double y, uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const double tx = smooth(x - fx), ty = smooth(y - fy);
  const double a = rand01(ix, iy, seed), b = rand01(ix + 1, iy, seed);
  const double c = rand01(ix, iy + 1, seed), d = rand01(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

double fbm(double x, double y, uint32_t seed, int octaves = 3) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * value_noise(x, y, seed + static_cast<uint32_t>(o) * 101u);
    norm += amp;
    x *= 2;
    y *= 2;
    amp *= 0.5;
  }
  return sum / norm;
}

constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

double bayer(int x, int y) { return (kBayer[y & 3][x & 3] + 0.5) / 16.0; }

// Picks a colour of the ramp for t in [0, 1], ordered-dithering between steps.
Rgba ramp(std::initializer_list<Rgba> steps, double t, int x, int y) {
  const int n = static_cast<int>(steps.size());
  t = std::clamp(t, 0.0, 1.0) * (n - 1);
  int i = std::min(static_cast<int>(t), n - 2);
  const double f = t - i;
  if (f > bayer(x, y)) ++i;
  return *(steps.begin() + i);
}

// ---------------------------------------------------------------------------
// Shapes

struct Pt {
  double x, y;
};

bool in_poly(const std::vector<Pt>& poly, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Pt& a = poly[i];
    const Pt& b = poly[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

bool in_ellipse(double x, double y, double cx, double cy, double rx, double ry) {
  const double dx = (x - cx) / rx, dy = (y - cy) / ry;
  return dx * dx + dy * dy <= 1.0;
}

void fill_poly(Image& img, const std::vector<Pt>& poly, Rgba c) {
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (const Pt& p : poly) {
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  }
  for (int y = static_cast<int>(std::floor(y0)); y <= static_cast<int>(std::ceil(y1)); ++y)
    for (int x = static_cast<int>(std::floor(x0)); x <= static_cast<int>(std::ceil(x1)); ++x)
      if (in_poly(poly, x + 0.5, y + 0.5)) img.mix(x, y, c);
}

void fill_circle(Image& img, double cx, double cy, double r, Rgba c) {
  for (int y = static_cast<int>(cy - r - 1); y <= static_cast<int>(cy + r + 1); ++y)
    for (int x = static_cast<int>(cx - r - 1); x <= static_cast<int>(cx + r + 1); ++x)
      if (in_ellipse(x + 0.5, y + 0.5, cx, cy, r, r)) img.mix(x, y, c);
}

// A rectangle with a one-pixel bevel: light top and left, dark bottom and right.
void bevel_rect(Image& img, int x, int y, int w, int h, Rgba face, Rgba light, Rgba dark) {
  img.fill(x, y, w, h, face);
  img.fill(x, y, w, 1, light);
  img.fill(x, y, 1, h, light);
  img.fill(x, y + h - 1, w, 1, dark);
  img.fill(x + w - 1, y, 1, h, dark);
}

// ---------------------------------------------------------------------------
// PNG output

bool write_png(const std::string& path, const Image& img) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "artgen: cannot create %s\n", path.c_str());
    return false;
  }
  std::vector<png_bytep> rows(static_cast<size_t>(img.height()));
  for (int y = 0; y < img.height(); ++y)
    rows[static_cast<size_t>(y)] = reinterpret_cast<png_bytep>(
        const_cast<Rgba*>(img.pixels().data() + static_cast<size_t>(y) * img.width()));
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info;
  if (ok) {
    if (setjmp(png_jmpbuf(png))) {
      ok = false;
    } else {
      png_init_io(png, f);
      png_set_compression_level(png, 9);
      png_set_IHDR(png, info, static_cast<png_uint_32>(img.width()),
                   static_cast<png_uint_32>(img.height()), 8, PNG_COLOR_TYPE_RGBA,
                   PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
      png_write_info(png, info);
      png_write_image(png, rows.data());
      png_write_end(png, nullptr);
    }
  }
  png_destroy_write_struct(&png, &info);
  if (std::fclose(f) != 0) ok = false;
  if (!ok) std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
  return ok;
}

static_assert(sizeof(Rgba) == 4, "pixels are written as packed RGBA");

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// Glyphs: 5 x 7 shapes for the printable ASCII codes, rows separated by '/';
// rows 8 and 9 hold descenders. Narrow glyphs are narrow so that measured
// (proportional) printing sets them tightly.

struct GlyphDef {
  char code;
  const char* rows;
};

constexpr GlyphDef kGlyphs[] = {
    {' ', "...../...../...../...../...../...../....."},
    {'!', "#/#/#/#/#/./#"},
    {'"', "#.#/#.#/.../.../.../.../..."},
    {'#', ".#.#./#####/.#.#./.#.#./.#.#./#####/.#.#."},
    {'$', "..#../.####/#.#../.###./..#.#/####./..#.."},
    {'%', "##..#/##..#/...#./..#../.#.../#..##/#..##"},
    {'&', ".##../#..#./#.#../.#.../#.#.#/#..#./.##.#"},
    {'\'', "#/#/./././././"},
    {'(', ".#/#./#./#./#./#./.#"},
    {')', "#./.#/.#/.#/.#/.#/#."},
    {'*', "...../.#.#./..#../#####/..#../.#.#./....."},
    {'+', "...../..#../..#../#####/..#../..#../....."},
    {',', "../../../../../.#/.#/#."},
    {'-', "..../..../..../####/..../..../...."},
    {'.', "./././././././#"},
    {'/', "....#/...#./...#./..#../.#.../.#.../#...."},
    {'0', ".###./#...#/#..##/#.#.#/##..#/#...#/.###."},
    {'1', "..#../.##../..#../..#../..#../..#../.###."},
    {'2', ".###./#...#/....#/...#./..#../.#.../#####"},
    {'3', "#####/...#./..#../...#./....#/#...#/.###."},
    {'4', "...#./..##./.#.#./#..#./#####/...#./...#."},
    {'5', "#####/#..../####./....#/....#/#...#/.###."},
    {'6', "..##./.#.../#..../####./#...#/#...#/.###."},
    {'7', "#####/....#/...#./..#../.#.../.#.../.#..."},
    {'8', ".###./#...#/#...#/.###./#...#/#...#/.###."},
    {'9', ".###./#...#/#...#/.####/....#/...#./.##.."},
    {':', "./#/#/./#/#/."},
    {';', "../.#/.#/../.#/.#/#."},
    {'<', "...#/..#./.#../#.../.#../..#./...#"},
    {'=', "...../...../#####/...../#####/...../....."},
    {'>', "#.../.#../..#./...#/..#./.#../#..."},
    {'?', ".###./#...#/....#/...#./..#../...../..#.."},
    {'@', ".###./#...#/#.###/#.#.#/#.###/#..../.###."},
    {'A', ".###./#...#/#...#/#####/#...#/#...#/#...#"},
    {'B', "####./#...#/#...#/####./#...#/#...#/####."},
    {'C', ".###./#...#/#..../#..../#..../#...#/.###."},
    {'D', "####./#...#/#...#/#...#/#...#/#...#/####."},
    {'E', "#####/#..../#..../####./#..../#..../#####"},
    {'F', "#####/#..../#..../####./#..../#..../#...."},
    {'G', ".###./#...#/#..../#.###/#...#/#...#/.####"},
    {'H', "#...#/#...#/#...#/#####/#...#/#...#/#...#"},
    {'I', "###/.#./.#./.#./.#./.#./###"},
    {'J', "..###/...#./...#./...#./...#./#..#./.##.."},
    {'K', "#...#/#..#./#.#../##.../#.#../#..#./#...#"},
    {'L', "#..../#..../#..../#..../#..../#..../#####"},
    {'M', "#...#/##.##/#.#.#/#.#.#/#...#/#...#/#...#"},
    {'N', "#...#/#...#/##..#/#.#.#/#..##/#...#/#...#"},
    {'O', ".###./#...#/#...#/#...#/#...#/#...#/.###."},
    {'P', "####./#...#/#...#/####./#..../#..../#...."},
    {'Q', ".###./#...#/#...#/#...#/#.#.#/#..#./.##.#"},
    {'R', "####./#...#/#...#/####./#.#../#..#./#...#"},
    {'S', ".####/#..../#..../.###./....#/....#/####."},
    {'T', "#####/..#../..#../..#../..#../..#../..#.."},
    {'U', "#...#/#...#/#...#/#...#/#...#/#...#/.###."},
    {'V', "#...#/#...#/#...#/#...#/#...#/.#.#./..#.."},
    {'W', "#...#/#...#/#...#/#.#.#/#.#.#/#.#.#/.#.#."},
    {'X', "#...#/#...#/.#.#./..#../.#.#./#...#/#...#"},
    {'Y', "#...#/#...#/.#.#./..#../..#../..#../..#.."},
    {'Z', "#####/....#/...#./..#../.#.../#..../#####"},
    {'[', "##/#./#./#./#./#./##"},
    {'\\', "#..../.#.../.#.../..#../...#./...#./....#"},
    {']', "##/.#/.#/.#/.#/.#/##"},
    {'^', "..#../.#.#./#...#/...../...../...../....."},
    {'_', "...../...../...../...../...../...../#####"},
    {'`', "#./.#/../../../../.."},
    {'a', "..../..../.##./...#/.###/#..#/.###"},
    {'b', "#.../#.../###./#..#/#..#/#..#/###."},
    {'c', "..../..../.###/#.../#.../#.../.###"},
    {'d', "...#/...#/.###/#..#/#..#/#..#/.###"},
    {'e', "..../..../.##./#..#/####/#.../.###"},
    {'f', ".##/#../#../###/#../#../#.."},
    {'g', "..../..../.###/#..#/#..#/#..#/.###/...#/.##."},
    {'h', "#.../#.../###./#..#/#..#/#..#/#..#"},
    {'i', "#/./#/#/#/#/#"},
    {'j', ".#/../.#/.#/.#/.#/.#/.#/#."},
    {'k', "#.../#.../#..#/#.#./##../#.#./#..#"},
    {'l', "#./#./#./#./#./#./.#"},
    {'m', "...../...../####./#.#.#/#.#.#/#.#.#/#.#.#"},
    {'n', "..../..../###./#..#/#..#/#..#/#..#"},
    {'o', "..../..../.##./#..#/#..#/#..#/.##."},
    {'p', "..../..../###./#..#/#..#/#..#/###./#.../#..."},
    {'q', "..../..../.###/#..#/#..#/#..#/.###/...#/...#"},
    {'r', ".../.../#.#/##./#../#../#.."},
    {'s', "..../..../.###/#.../.##./...#/###."},
    {'t', "#../#../###/#../#../#../.##"},
    {'u', "..../..../#..#/#..#/#..#/#..#/.###"},
    {'v', "...../...../#...#/#...#/.#.#./.#.#./..#.."},
    {'w', "...../...../#...#/#...#/#.#.#/#.#.#/.#.#."},
    {'x', "...../...../#...#/.#.#./..#../.#.#./#...#"},
    {'y', "..../..../#..#/#..#/#..#/#..#/.###/...#/.##."},
    {'z', "..../..../####/...#/.##./#.../####"},
    {'{', "..#/.#./.#./#../.#./.#./..#"},
    {'|', "#/#/#/#/#/#/#/#/#"},
    {'}', "#../.#./.#./..#/.#./.#./#.."},
    {'~', "...../...../.#.../#.#.#/...#./...../....."},
};

struct Glyph {
  int width = 0;
  std::vector<std::string> rows;  // up to 9 rows
  bool on(int x, int y) const {
    return y >= 0 && y < static_cast<int>(rows.size()) && x >= 0 &&
           x < static_cast<int>(rows[static_cast<size_t>(y)].size()) &&
           rows[static_cast<size_t>(y)][static_cast<size_t>(x)] == '#';
  }
};

Glyph glyph(int code) {
  Glyph g;
  for (const GlyphDef& d : kGlyphs) {
    if (d.code != code) continue;
    std::string cur;
    for (const char* p = d.rows;; ++p) {
      if (*p == '/' || *p == 0) {
        g.width = std::max(g.width, static_cast<int>(cur.size()));
        g.rows.push_back(cur);
        cur.clear();
        if (*p == 0) break;
      } else {
        cur += *p;
      }
    }
  }
  return g;
}

// ---------------------------------------------------------------------------
// HUD font: frames of 10 x 18, frame = code - 32 + 64 x colour, 64 frames per
// row, one row per colour. Each 5 x 7 shape is drawn bold (one column wider),
// twice as tall, with a gradient face, a dark outline and a soft drop shadow.

constexpr int kHudW = 10, kHudH = 18, kHudColours = 4;

struct FaceRamp {
  Rgba shine, top, middle, bottom;
};

constexpr FaceRamp kHudRamps[kHudColours] = {
    {hex(0xfff8d8), pal::lemon, pal::gold, pal::amber},  // 0: gold, the HUD's colour
    {pal::white, pal::white, pal::cloud, pal::mist},     // 1: silver
    {hex(0xd8f8b0), pal::leaf, pal::moss, pal::pine},    // 2: green
    {pal::peach, pal::rose, pal::red, pal::wine},        // 3: red
};

Image hud_glyph(int code, const FaceRamp& ramp) {
  Image cell(kHudW, kHudH);
  const Glyph g = glyph(code);
  if (g.width == 0) return cell;
  const int bold_w = g.width + 1;
  const int ox = 1 + (6 - bold_w) / 2, oy = 1;
  auto face = [&](int x, int y) {  // bold, double-height shape in glyph units
    if (y < 0 || y >= 14) return false;
    return g.on(x, y / 2) || g.on(x - 1, y / 2);
  };
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < bold_w; ++x) {
      if (!face(x, y)) continue;
      Rgba c = y < 5 ? ramp.top : y < 10 ? ramp.middle : ramp.bottom;
      if (!face(x, y - 1)) c = y < 5 ? ramp.shine : ramp.top;
      cell.put(ox + x, oy + y, c);
    }
  outline(cell, pal::ink, true);
  // Shadow one pixel down and right of the outlined shape, kept off the last
  // column and row so that neighbouring frames never touch.
  const Image shape = cell;
  for (int y = 0; y < kHudH - 1; ++y)
    for (int x = 0; x < kHudW - 1; ++x)
      if (!shape.solid(x, y) && shape.solid(x - 1, y - 1))
        cell.put(x, y, with_alpha(pal::ink, 110));
  return cell;
}

Image make_hud_font() {
  Image sheet(64 * kHudW, kHudColours * kHudH);
  for (int colour = 0; colour < kHudColours; ++colour)
    for (int code = 32; code < 96; ++code)
      sheet.draw(hud_glyph(code, kHudRamps[colour]), (code - 32) * kHudW, colour * kHudH);
  return sheet;
}

// Prints with the HUD font the way the game does (10 pixels per character).
void hud_text(Image& dst, const Image& font, int x, int y, const std::string& text, int colour,
              int scale = 1) {
  for (size_t i = 0; i < text.size(); ++i) {
    const int frame = static_cast<unsigned char>(text[i]) - 32 + 64 * colour;
    if (frame < 0 || frame >= 64 * kHudColours) continue;
    const Image cell = font.crop((frame % 64) * kHudW, (frame / 64) * kHudH, kHudW, kHudH);
    dst.draw(scale == 1 ? cell : cell.scaled(scale), x + static_cast<int>(i) * kHudW * scale, y);
  }
}

// ---------------------------------------------------------------------------
// System font: 16 x 8 cells of 8 x 12 pixels for codes 0..127 (the sheet is
// wider than tall, so it is read as a 128-code sheet). Each glyph sits at the
// left of its cell, white with a one-pixel dark outline; the cell's last
// column stays empty so that the measured advance includes one spacing column.

constexpr int kSysW = 8, kSysH = 12;

Image make_system_font() {
  Image sheet(16 * kSysW, 8 * kSysH);
  for (int code = 33; code < 127; ++code) {
    const Glyph g = glyph(code);
    Image cell(kSysW, kSysH);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < g.width; ++x)
        if (g.on(x, y)) cell.put(1 + x, 1 + y, pal::white);
    outline(cell, pal::ink);
    sheet.draw(cell, (code % 16) * kSysW, (code / 16) * kSysH);
  }
  return sheet;
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// Ducks: a mallard built from simple shapes in its own coordinates (u towards
// the bill, v downwards, body centre at the origin), rasterised at any angle
// and size, then shaded in screen space (light from above) and outlined.

constexpr int kDuckW = 40, kDuckH = 26, kDuckPerRow = 7;

enum Part : uint8_t {
  kNone,
  kFarWing,
  kFoot,
  kTail,
  kRump,
  kBody,
  kChest,
  kWing,
  kPrimary,
  kMirror,
  kHead,
  kRing,
  kBill,
  kPartCount
};

struct PartRamp {
  Rgba dark, mid, light;
};

constexpr PartRamp kPartRamps[kPartCount] = {
    {},                                    // none
    {pal::bark, pal::umber, pal::skin},    // far wing, in the body's shade
    {pal::rust, pal::amber, pal::gold},    // feet
    {pal::mist, pal::cloud, pal::white},   // tail
    {pal::ink, pal::night, pal::slate},    // rump and tail curl
    {pal::mist, pal::cloud, pal::white},   // body
    {pal::bark, pal::umber, pal::oak},     // chestnut breast
    {pal::umber, pal::skin, pal::peach},   // near wing
    {pal::night, pal::slate, pal::steel},  // primaries
    {pal::navy, pal::sea, pal::foam},      // blue wing mirror
    {pal::deep, pal::pine, pal::moss},     // green head
    {pal::cloud, pal::white, pal::white},  // neck ring
    {pal::amber, pal::gold, pal::lemon},   // bill
};

enum class Wings { kRaised, kFlared, kFolded };

struct DuckPose {
  double cx = 17.5, cy = 15.5;  // body centre in the frame
  double angle = 0;             // degrees; positive tips the bill down
  double scale = 1;
  Wings wings = Wings::kRaised;
  bool dazed = false;  // crossed-out eye after a hit
};

Pt rotate(Pt p, Pt about, double deg) {
  const double r = deg * 3.14159265358979323846 / 180.0;
  const double c = std::cos(r), s = std::sin(r);
  const double dx = p.x - about.x, dy = p.y - about.y;
  return {about.x + dx * c - dy * s, about.y + dx * s + dy * c};
}

std::vector<Pt> rotated(std::vector<Pt> poly, Pt about, double deg) {
  for (Pt& p : poly) p = rotate(p, about, deg);
  return poly;
}

std::vector<Pt> shifted(std::vector<Pt> poly, double dx, double dy) {
  for (Pt& p : poly) p.x += dx, p.y += dy;
  return poly;
}

// Near wing, raised high in the down-stroke's start.
const std::vector<Pt> kWingRaised = {{5, -2.5},  {2, -7},     {-3, -11.5}, {-8, -13.6},
                                     {-12, -13}, {-10, -9.5}, {-7, -6},    {-4, -2.5}};
const std::vector<Pt> kWingFolded = {{5, -2.5},  {-2, -4},  {-9, -3.5}, {-13, -1.2},
                                     {-10, 0.8}, {-3, 1.2}, {4, 0.5}};

Part duck_part(const DuckPose& pose, double u, double v) {
  const Pt shoulder{1, -3};
  std::vector<Pt> wing = kWingRaised;
  if (pose.wings == Wings::kFlared) wing = rotated(wing, shoulder, 18);
  const bool folded = pose.wings == Wings::kFolded;
  if (folded) wing = kWingFolded;

  Part p = kNone;
  if (!folded && in_poly(shifted(rotated(wing, shoulder, -14), 3.5, 0.5), u, v)) p = kFarWing;
  if (in_ellipse(u, v, -5.5, 4.6, 2.4, 1.3)) p = kFoot;
  if (in_poly({{-7, -2.8}, {-15, -1.2}, {-14.5, 0.4}, {-7, 2.6}}, u, v)) p = kTail;
  if (in_ellipse(u, v, -9.6, -3.4, 1.1, 1.1) && !in_ellipse(u, v, -9.6, -2.5, 0.7, 0.7))
    p = kRump;  // curled tail feather
  // Neck: from the front of the body up to the head, ring part-way up.
  const bool neck = in_poly({{5.5, -3}, {9.5, -8}, {14, -5.5}, {10.5, 0.5}}, u, v);
  const double along = ((u - 8.0) * 3.5 + (v + 1.5) * -5.0) / (3.5 * 3.5 + 5.0 * 5.0);
  if (neck) p = along < 0.36 ? kChest : along < 0.5 ? kRing : kHead;
  if (in_ellipse(u, v, 0, 0, 10.5, 5)) p = u > 4 ? kChest : u < -7 ? kRump : kBody;
  if (in_ellipse(u, v, 12.4, -7, 4.3, 3.7)) p = kHead;
  if (in_poly({{15.2, -8.3}, {19.8, -6.9}, {19.8, -5.3}, {15.2, -5.3}}, u, v)) p = kBill;
  if (in_poly(wing, u, v)) {
    p = kWing;
    if (folded) {
      if (u < -6.5)
        p = kPrimary;
      else if (u < -2.5 && v > -1.5)
        p = kMirror;
    } else {
      const Pt w = rotate({u, v}, shoulder, pose.wings == Wings::kFlared ? -18 : 0);
      if (w.y < -10.5 || w.x < -9)
        p = kPrimary;
      else if (w.y > -8 && w.y < -4.5 && w.x < -3.2 && w.x > -8.5)
        p = kMirror;
    }
  }
  return p;
}

Pt duck_to_frame(const DuckPose& pose, Pt local) {
  const Pt r = rotate({local.x * pose.scale, local.y * pose.scale}, {0, 0}, pose.angle);
  return {pose.cx + r.x, pose.cy + r.y};
}

void put_feather(Image& img, int x, int y, bool flip) {
  img.put(x + (flip ? 1 : 0), y, pal::white);
  img.put(x + (flip ? 0 : 1), y, pal::cloud);
  img.put(x + (flip ? 2 : -1), y + 1, pal::cloud);
  img.put(x + (flip ? 1 : 0), y + 1, pal::white);
}

Image render_duck(const DuckPose& pose) {
  std::array<std::array<Part, kDuckW>, kDuckH> map{};
  for (int y = 2; y < kDuckH - 2; ++y)
    for (int x = 2; x < kDuckW - 2; ++x) {
      Pt l = rotate({x + 0.5 - pose.cx, y + 0.5 - pose.cy}, {0, 0}, -pose.angle);
      map[static_cast<size_t>(y)][static_cast<size_t>(x)] =
          duck_part(pose, l.x / pose.scale, l.y / pose.scale);
    }
  auto part = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= kDuckW || y >= kDuckH) return kNone;
    return map[static_cast<size_t>(y)][static_cast<size_t>(x)];
  };
  Image img(kDuckW, kDuckH);
  for (int y = 0; y < kDuckH; ++y)
    for (int x = 0; x < kDuckW; ++x) {
      const Part p = part(x, y);
      if (p == kNone) continue;
      const PartRamp& r = kPartRamps[p];
      Rgba c = r.mid;
      if (part(x, y - 1) != p)
        c = r.light;
      else if (part(x, y + 1) != p || (p == kBody && part(x, y + 2) != p))
        c = r.dark;
      // Wing edges over the body read as a fold line.
      if ((p == kWing || p == kPrimary) && part(x, y + 1) != kWing && part(x, y + 1) != kPrimary &&
          part(x, y + 1) != kMirror && part(x, y + 1) != kNone)
        c = r.dark;
      img.put(x, y, c);
    }
  // Eye with a glint, or a crossed-out eye when dazed.
  const Pt eye = duck_to_frame(pose, {13.6, -8.2});
  const int ex = static_cast<int>(std::floor(eye.x)), ey = static_cast<int>(std::floor(eye.y));
  if (pose.dazed) {
    for (int d = -1; d <= 1; ++d) {
      if (ey + 1 >= kDuckH - 2 || ey - 1 < 2) break;  // keep the frame's edge clear
      img.put(ex + d, ey + d, pal::ink);
      img.put(ex + d, ey - d, pal::ink);
    }
  } else {
    img.put(ex, ey, pal::ink);
    img.put(ex, ey + 1, pal::ink);
    img.put(ex + 1, ey, pal::night);
  }
  // Head sheen.
  const Pt sheen = duck_to_frame(pose, {11.2, -9.3});
  if (part(static_cast<int>(sheen.x), static_cast<int>(sheen.y)) == kHead)
    img.put(static_cast<int>(sheen.x), static_cast<int>(sheen.y), pal::leaf);
  return img;
}

// Impact star where the shot strikes, under the belly.
void put_burst(Image& img, int cx, int cy) {
  for (int d = -3; d <= 3; ++d) {
    img.put(cx + d, cy, std::abs(d) < 2 ? pal::white : pal::lemon);
    img.put(cx, cy + d, std::abs(d) < 2 ? pal::white : pal::lemon);
  }
  for (int d : {-2, 2}) {
    img.put(cx + d, cy + d, pal::gold);
    img.put(cx + d, cy - d, pal::gold);
  }
}

// Frames 1..5 facing right: flying, hit, and three frames of a tumbling fall.
Image duck_frame(int frame) {
  Image img(kDuckW, kDuckH);
  DuckPose pose;
  switch (frame) {
    case 1:
      img = render_duck(pose);
      outline(img, pal::ink);
      break;
    case 2:
      pose.angle = -14;
      pose.wings = Wings::kFlared;
      pose.dazed = true;
      pose.cy = 16.5;
      img = render_duck(pose);
      put_burst(img, 20, 20);
      put_feather(img, 5, 19, false);
      put_feather(img, 31, 19, true);
      put_feather(img, 26, 3, true);
      outline(img, pal::ink);
      break;
    case 3:
      pose.angle = 40;
      pose.scale = 0.78;
      pose.wings = Wings::kFolded;
      pose.dazed = true;
      pose.cx = 19;
      pose.cy = 11.5;
      img = render_duck(pose);
      put_feather(img, 4, 9, false);
      put_feather(img, 32, 5, true);
      put_feather(img, 8, 20, true);
      outline(img, pal::ink);
      break;
    case 4:
      pose.angle = 125;
      pose.scale = 0.66;
      pose.wings = Wings::kFolded;
      pose.dazed = true;
      pose.cx = 20;
      pose.cy = 12;
      img = render_duck(pose);
      put_feather(img, 5, 6, true);
      put_feather(img, 31, 12, false);
      put_feather(img, 11, 21, false);
      put_feather(img, 29, 3, true);
      outline(img, pal::ink);
      break;
    case 5:
      pose.angle = 205;
      pose.scale = 0.5;
      pose.wings = Wings::kFolded;
      pose.dazed = true;
      pose.cx = 20;
      pose.cy = 17;
      img = render_duck(pose);
      put_feather(img, 6, 4, false);
      put_feather(img, 14, 9, true);
      put_feather(img, 30, 6, true);
      put_feather(img, 33, 16, false);
      put_feather(img, 4, 16, true);
      outline(img, pal::ink);
      break;
    default:
      break;
  }
  return img;
}

// Sheet of 7 frames per row: 0..6 face right, 7..13 face left (mirrored).
Image make_duck_sheet() {
  Image sheet(kDuckW * kDuckPerRow, kDuckH * 2);
  for (int f = 1; f <= 5; ++f) {
    const Image right = duck_frame(f);
    sheet.draw(right, f * kDuckW, 0);
    sheet.draw(right.mirrored(), f * kDuckW, kDuckH);
  }
  return sheet;
}

Image duck_sheet_frame(const Image& sheet, int frame) {
  return sheet.crop((frame % kDuckPerRow) * kDuckW, (frame / kDuckPerRow) * kDuckH, kDuckW, kDuckH);
}

// ---------------------------------------------------------------------------
// Gun: a cork rifle standing upright, barrel on the left so that the shot
// leaves the muzzle (the bullet starts one pixel right of the frame's left
// edge). Frame 0 is the same rifle with a muzzle flash.

constexpr int kGunW = 19, kGunH = 30;

const std::vector<Key> kGunKeys = {
    {'k', pal::ink},  {'s', pal::cloud}, {'m', pal::mist},  {'d', pal::steel}, {'n', pal::slate},
    {'W', pal::tan},  {'w', pal::oak},   {'u', pal::umber}, {'b', pal::bark},  {'y', pal::lemon},
    {'Y', pal::gold}, {'A', pal::amber}, {'r', pal::red},   {'R', pal::wine},
};

const std::vector<std::string> kGunMap = {
    // 0123456789012345678
    ".kkkk..............",  //  0 muzzle
    ".ksdk..............",  //  1
    "kksdk..............",  //  2 front sight
    "kksdk..............",  //  3
    ".ksdk..............",  //  4
    ".ksdk..............",  //  5
    ".ksdkk.............",  //  6 fore-end
    ".ksdkWk............",  //  7
    ".kyYAAk............",  //  8 barrel band
    ".ksdkWuk...........",  //  9
    ".ksdkWuk...........",  // 10
    ".ksdkWuk...........",  // 11
    ".ksdkWuk...........",  // 12
    ".kyYAAAk...........",  // 13 barrel band
    ".ksdkWuk...........",  // 14
    "kkssmmdk...........",  // 15 receiver, rear sight
    "kksmmmddk..........",  // 16
    ".ksmmmddkk.........",  // 17 trigger guard
    ".kmmddddkdk........",  // 18
    ".kmddndkdk.k.......",  // 19 trigger
    ".kWwwwukkkkk.......",  // 20 grip
    ".kWwwwwuk..........",  // 21
    ".kWWwwwuuk.........",  // 22
    ".kWwwwwwuk.........",  // 23
    ".kWWwwwwuuk........",  // 24
    ".kWwwwwwwuk........",  // 25
    ".kWWwwwwwuuk.......",  // 26
    ".kWwwwwwwwuuk......",  // 27
    ".kRrrrrrrrrRRk.....",  // 28 butt plate
    ".kkkkkkkkkkkkk.....",  // 29
};

Image make_gun_sheet() {
  Image sheet(kGunW * 2, kGunH);
  const Image gun = from_map(kGunMap, kGunKeys);
  sheet.draw(gun, kGunW, 0);
  // Frame 0: the shot just leaving, a small flash over the muzzle.
  sheet.draw(gun, 0, 0);
  const std::vector<std::string> flash = {
      ".y.y.",
      "yyWyy",
      ".yWy.",
  };
  sheet.draw(from_map(flash, {{'y', pal::lemon}, {'W', pal::white}}), 0, 0);
  return sheet;
}

// Bullet: a glowing cork pellet, 4 x 7.
Image make_bullet() {
  return from_map({".kk.", "kWyk", "kyyk", "kYYk", "kYAk", "kARk", ".kk."}, {{'k', pal::ink},
                                                                             {'W', pal::white},
                                                                             {'y', pal::lemon},
                                                                             {'Y', pal::gold},
                                                                             {'A', pal::amber},
                                                                             {'R', pal::rust}});
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// Where the game draws things on its 800 x 480 play field.

constexpr int kScreenW = 800, kScreenH = 480;
constexpr int kButtonSize = 64;  // the on-screen buttons and their highlight
constexpr int kButtonY = 308;
constexpr int kButtonX[3] = {44, 115, 674};  // left, right, fire
constexpr int kOverlayX = 235, kOverlayY = 258, kOverlayW = 372, kOverlayH = 30;
constexpr int kHudY = 98;
constexpr int kLifeX = 498, kLifeY = 91, kLifeStep = 30;
constexpr int kGunY = 350;
constexpr int kGunXMin = 248, kGunStep = 50, kGunPositions = 7;

// Scoreboard behind the HUD, and the stage the ducks fly over.
constexpr int kBoardX = 204, kBoardY = 82, kBoardW = 410, kBoardH = 44;
constexpr int kStageX0 = 206, kStageX1 = 614, kStageY0 = 132, kStageY1 = 300;
constexpr double kPi = 3.14159265358979323846;

// Planks: tones run from the seam colour to the highlight.
void wood(Image& img, int x0, int y0, int w, int h, bool vertical, int plank, uint32_t seed,
          std::initializer_list<Rgba> tones) {
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      const int across = vertical ? x - x0 : y - y0;
      const int along = vertical ? y - y0 : x - x0;
      const int k = across / plank, in = across % plank;
      const double base = 0.55 + 0.22 * (rand01(k, 7, seed) - 0.5);
      const double grain = fbm(along * 0.02 + k * 13.1, in * 0.5 + k * 3.7, seed + 17u * k);
      double t = base + (grain - 0.5) * 0.7;
      const int joint = (along + k * 97 + static_cast<int>(hash3(k, 1, seed) % 60)) % 190;
      if (in == 0 || joint == 1) t = 0.97;
      Rgba c = ramp(tones, t, x, y);
      if (in == plank - 1 || joint == 0) c = *tones.begin();
      img.put(x, y, c);
    }
}

// Picture-frame border of six rings: dark, gilt (lit top-left), gold, wood, wood, dark.
void gilt_frame(Image& img, int x, int y, int w, int h, int rings = 6) {
  for (int r = 0; r < rings; ++r) {
    const bool last = r == rings - 1;
    Rgba lit = pal::ink, shade = pal::ink;
    if (!last && r == 1) lit = pal::lemon, shade = pal::amber;
    if (!last && r == 2) lit = pal::gold, shade = pal::amber;
    if (!last && r >= 3) lit = pal::oak, shade = pal::umber;
    const int x0 = x + r, y0 = y + r, x1 = x + w - 1 - r, y1 = y + h - 1 - r;
    for (int i = x0; i <= x1; ++i) img.put(i, y0, lit), img.put(i, y1, shade);
    for (int j = y0; j <= y1; ++j) img.put(x0, j, lit), img.put(x1, j, shade);
  }
}

void screw(Image& img, int x, int y) {
  img.put(x, y, pal::lemon);
  img.put(x + 1, y, pal::gold);
  img.put(x, y + 1, pal::gold);
  img.put(x + 1, y + 1, pal::umber);
}

void bulb(Image& img, int cx, int cy) {
  fill_circle(img, cx + 0.5, cy + 0.5, 11, with_alpha(pal::lemon, 30));
  fill_circle(img, cx + 0.5, cy + 0.5, 8, with_alpha(pal::lemon, 50));
  img.fill(cx - 2, cy - 8, 5, 4, pal::ink);  // socket
  img.fill(cx - 1, cy - 7, 3, 3, pal::steel);
  img.put(cx - 1, cy - 7, pal::cloud);
  fill_circle(img, cx + 0.5, cy + 0.5, 5, pal::ink);
  fill_circle(img, cx + 0.5, cy + 0.5, 4, pal::gold);
  fill_circle(img, cx, cy, 3, pal::lemon);
  img.fill(cx - 2, cy - 2, 2, 2, pal::white);
}

// A reed blade from (x, y_base) up; lean bends the tip sideways.
void reed(Image& img, double x, int y_base, int height, double lean, Rgba dark, Rgba light) {
  for (int t = 0; t <= height; ++t) {
    const double f = static_cast<double>(t) / height;
    const int px = static_cast<int>(std::floor(x + lean * f * f * height));
    const int py = y_base - t;
    img.put(px, py, light);
    if (f < 0.85) img.put(px + 1, py, dark);
  }
}

void cattail(Image& img, int x, int y) {
  // Brown head of 3 x 8 on a stalk, with a spike on top.
  img.put(x + 1, y - 3, pal::moss);
  img.put(x + 1, y - 2, pal::moss);
  img.fill(x, y - 1, 3, 9, pal::umber);
  img.fill(x, y - 1, 1, 9, pal::oak);
  img.fill(x, y - 1, 3, 1, pal::oak);
  img.fill(x + 2, y, 1, 8, pal::bark);
  for (int t = 8; t < 13; ++t) img.put(x + 1, y + t, pal::moss);
}

// A clump of reeds with cattails; everything is outlined afterwards by the caller.
void reed_clump(Image& img, int x0, int w, int y_base, int tall, uint32_t seed) {
  const int blades = w / 2;
  for (int i = 0; i < blades; ++i) {
    const double x = x0 + rand01(i, 0, seed) * (w - 2);
    const int h = static_cast<int>(tall * (0.45 + 0.55 * rand01(i, 1, seed)));
    const double lean = (rand01(i, 2, seed) - 0.5) * 0.5;
    const bool front = rand01(i, 3, seed) < 0.5;
    reed(img, x, y_base, h, lean, front ? pal::pine : pal::deep, front ? pal::leaf : pal::moss);
  }
  const int heads = std::max(1, w / 12);
  for (int i = 0; i < heads; ++i) {
    const int x = x0 + 2 + static_cast<int>(rand01(i, 5, seed) * (w - 6));
    const int h = static_cast<int>(tall * (0.75 + 0.25 * rand01(i, 6, seed)));
    for (int t = 0; t < h - 10; ++t) img.put(x + 1, y_base - t, pal::moss);
    cattail(img, x, y_base - h);
  }
}

void draw_cloud(Image& img, int cx, int cy, int w, uint32_t seed) {
  Image mask(w + 40, 40);
  const int n = 3 + w / 20;
  for (int i = 0; i < n; ++i) {
    const double f = (i + 0.5) / n;
    const double r = 6 + 9 * std::sin(f * kPi) * (0.7 + 0.5 * rand01(i, 0, seed));
    fill_circle(mask, 20 + f * w, 26 - r * 0.55, r, pal::white);
  }
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) {
      if (!mask.solid(x, y) || y > 28) continue;
      int depth = 0;  // pixels of cloud above this one
      while (depth < 6 && mask.solid(x, y - depth - 1)) ++depth;
      Rgba c = depth < 2 ? pal::white : depth < 5 ? hex(0xeef3f8) : pal::cloud;
      if (y >= 26 || !mask.solid(x, y + 2)) c = y >= 27 ? pal::mist : pal::cloud;
      img.put(cx - w / 2 - 20 + x, cy - 26 + y, c);
    }
}

void draw_awning(Image& bg) {
  constexpr int kStripe = 40, kBottom = 34;
  wood(bg, 0, 0, kScreenW, 6, false, 6, 11, {pal::bark, pal::umber, pal::oak, pal::tan});
  for (int y = 6; y < kBottom + kStripe / 2 + 1; ++y)
    for (int x = 0; x < kScreenW; ++x) {
      const int i = x / kStripe;
      const double fx = (x % kStripe + 0.5) / kStripe;
      const double cx = i * kStripe + kStripe / 2.0;
      if (y >= kBottom && !in_ellipse(x + 0.5, y + 0.5, cx, kBottom, kStripe / 2.0, kStripe / 2.0))
        continue;
      double t = 0.3 + 0.6 * std::sin(fx * kPi) - std::max(0, 12 - y) * 0.05;
      if (y >= kBottom) t -= 0.15;
      const Rgba c = i % 2 == 0 ? ramp({pal::wine, pal::red, pal::rose}, t, x, y)
                                : ramp({pal::skin, pal::tan, pal::sand, pal::white}, t, x, y);
      bg.put(x, y, c);
    }
  // Scallop edges, seams and the shadow on the beam.
  for (int y = kBottom; y < kBottom + kStripe / 2 + 6; ++y)
    for (int x = 0; x < kScreenW; ++x) {
      const double cx = (x / kStripe) * kStripe + kStripe / 2.0;
      const double r = kStripe / 2.0;
      const bool in = in_ellipse(x + 0.5, y + 0.5, cx, kBottom, r, r);
      const bool near = in_ellipse(x + 0.5, y + 0.5, cx, kBottom, r + 1, r + 1);
      const bool shadow = in_ellipse(x + 0.5, y - 3.5, cx, kBottom, r + 1, r + 1);
      if (!in && near)
        bg.put(x, y, pal::ink);
      else if (!in && shadow)
        bg.mix(x, y, with_alpha(pal::ink, 110));
    }
  for (int x = kStripe; x < kScreenW; x += kStripe)
    for (int y = 6; y < kBottom + 12; ++y)
      if (bg.at(x, y) != pal::ink) bg.mix(x, y, with_alpha(pal::ink, 70));
  bg.fill(0, 6, kScreenW, 1, pal::ink);
}

void draw_bullseye(Image& bg, int cx, int cy) {
  fill_circle(bg, cx + 3.5, cy + 4.5, 53, with_alpha(pal::ink, 90));
  const Rgba rings[] = {pal::ink, pal::tan,  pal::oak, pal::ink,  pal::sand,
                        pal::red, pal::sand, pal::red, pal::sand, pal::red};
  const double radii[] = {53, 52, 49, 46, 45, 37, 29, 21, 13, 6};
  for (int i = 0; i < 10; ++i) fill_circle(bg, cx + 0.5, cy + 0.5, radii[i], rings[i]);
  // Shade the lower right, light the upper left.
  for (int y = cy - 53; y <= cy + 53; ++y)
    for (int x = cx - 53; x <= cx + 53; ++x) {
      if (!in_ellipse(x + 0.5, y + 0.5, cx + 0.5, cy + 0.5, 45, 45)) continue;
      const double l = ((x - cx) + (y - cy)) / 64.0;
      if (l > bayer(x, y) + 0.2) bg.mix(x, y, with_alpha(pal::bark, 60));
      if (-l > bayer(x, y) + 0.35) bg.mix(x, y, with_alpha(pal::white, 50));
    }
  for (const auto& h : {std::array<int, 2>{cx - 14, cy - 9}, std::array<int, 2>{cx + 19, cy + 4},
                        std::array<int, 2>{cx + 3, cy + 24}}) {
    fill_circle(bg, h[0] + 0.5, h[1] + 0.5, 2.6, pal::umber);
    fill_circle(bg, h[0] + 0.5, h[1] + 0.5, 1.6, pal::ink);
  }
}

void draw_duck_plaque(Image& bg, const Image& ducks, const Image& font, int cx, int cy) {
  fill_circle(bg, cx + 3.5, cy + 4.5, 53, with_alpha(pal::ink, 90));
  fill_circle(bg, cx + 0.5, cy + 0.5, 53, pal::ink);
  fill_circle(bg, cx + 0.5, cy + 0.5, 52, pal::tan);
  fill_circle(bg, cx + 0.5, cy + 0.5, 49, pal::oak);
  fill_circle(bg, cx + 0.5, cy + 0.5, 46, pal::ink);
  for (int y = cy - 45; y <= cy + 45; ++y)
    for (int x = cx - 45; x <= cx + 45; ++x)
      if (in_ellipse(x + 0.5, y + 0.5, cx + 0.5, cy + 0.5, 45, 45))
        bg.put(x, y,
               ramp({pal::sky3, pal::sky2, pal::sky1, pal::sky0}, (y - cy + 45) / 90.0, x, y));
  bg.draw(duck_sheet_frame(ducks, 1).scaled(2), cx - 38, cy - 38);
  hud_text(bg, font, cx - 25, cy + 14, "5 PTS", 0);
}

void draw_button(Image& bg, int bx, int by, int icon) {
  const double cx = bx + 32, cy = by + 32;
  fill_circle(bg, cx + 2, cy + 3, 31, with_alpha(pal::ink, 110));
  for (int y = by; y < by + kButtonSize; ++y)
    for (int x = bx; x < bx + kButtonSize; ++x) {
      const double px = x + 0.5 - cx, py = y + 0.5 - cy;
      const double d = std::sqrt(px * px + py * py);
      if (d > 30.5) continue;
      Rgba c;
      if (d > 29.5) {
        c = pal::ink;
      } else if (d > 25.5) {  // brass bezel, lit from the upper left
        const double lit = 0.5 - (px + py) / (2 * d + 1e-9) * 0.5;
        c = ramp({pal::umber, pal::amber, pal::gold, pal::lemon}, lit, x, y);
      } else if (d > 23.5) {
        c = pal::ink;
      } else {  // dome
        const double lx = px + 8, ly = py + 8;
        const double t = 1 - std::sqrt(lx * lx + ly * ly) / 40;
        c = icon == 2 ? ramp({pal::bark, pal::wine, pal::red, pal::rose}, t, x, y)
                      : ramp({pal::deep, pal::navy, pal::sea, pal::foam}, t, x, y);
      }
      bg.put(x, y, c);
    }
  fill_circle(bg, cx - 9, cy - 10, 3.2, with_alpha(pal::white, 200));
  fill_circle(bg, cx - 13.5, cy - 4.5, 1.3, with_alpha(pal::white, 160));
  Image sym(kButtonSize, kButtonSize);
  if (icon == 2) {  // cross-hair
    for (int y = 0; y < kButtonSize; ++y)
      for (int x = 0; x < kButtonSize; ++x) {
        const double d = std::hypot(x + 0.5 - 32, y + 0.5 - 33);
        if (d > 9.5 && d < 12.5) sym.put(x, y, pal::sand);
      }
    sym.fill(31, 17, 2, 9, pal::sand);
    sym.fill(31, 41, 2, 9, pal::sand);
    sym.fill(16, 32, 9, 2, pal::sand);
    sym.fill(40, 32, 9, 2, pal::sand);
    sym.fill(31, 32, 2, 2, pal::sand);
  } else {  // arrow to the left, mirrored for the right button
    fill_poly(sym, {{18, 33}, {32, 21}, {32, 28}, {45, 28}, {45, 38}, {32, 38}, {32, 45}},
              pal::sand);
    if (icon == 1) sym = sym.mirrored();
  }
  Image shaded = sym;
  for (int y = 0; y < kButtonSize; ++y)
    for (int x = 0; x < kButtonSize; ++x)
      if (sym.solid(x, y) && !sym.solid(x, y - 1)) shaded.put(x, y, pal::white);
  outline(shaded, pal::ink);
  bg.draw(shaded, bx, by);
}

void draw_plate(Image& bg, int x, int y, int w, int h) {
  bg.fill(x + 3, y + 4, w, h, with_alpha(pal::ink, 100));
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) {
      // Rounded corners of radius 8.
      const int dx = std::max({x + 8 - i, i - (x + w - 9), 0});
      const int dy = std::max({y + 8 - j, j - (y + h - 9), 0});
      if (dx * dx + dy * dy > 64) continue;
      const bool edge =
          (dx * dx + dy * dy > 49) || i == x || j == y || i == x + w - 1 || j == y + h - 1;
      const double t = 1 - static_cast<double>(j - y) / h;
      bg.put(i, j, edge ? pal::ink : ramp({pal::night, pal::slate, pal::steel}, t * 0.8, i, j));
    }
  for (int i = x + 8; i < x + w - 8; ++i) bg.put(i, y + 1, pal::mist);
  screw(bg, x + 4, y + 4);
  screw(bg, x + w - 6, y + 4);
  screw(bg, x + 4, y + h - 6);
  screw(bg, x + w - 6, y + h - 6);
}

void draw_label(Image& bg, const Image& font, int cx, int y, const std::string& text) {
  const int w = static_cast<int>(text.size()) * kHudW;
  const int x = cx - w / 2;
  bg.fill(x - 7, y - 3, w + 14, 24, with_alpha(pal::ink, 100));
  bevel_rect(bg, x - 8, y - 4, w + 14, 24, pal::night, pal::steel, pal::ink);
  gilt_frame(bg, x - 8, y - 4, w + 14, 24, 2);
  hud_text(bg, font, x, y + 1, text, 0);
}

void draw_stage(Image& bg) {
  // Sky.
  for (int y = kStageY0; y < 272; ++y)
    for (int x = kStageX0; x < kStageX1; ++x)
      bg.put(x, y,
             ramp({pal::sky0, pal::sky1, pal::sky2, pal::sky3, pal::sky4, pal::haze},
                  (y - kStageY0) / 122.0, x, y));
  // Low sun with a soft glow.
  const double sx = 566, sy = 176;
  for (int y = kStageY0; y < 272; ++y)
    for (int x = kStageX0; x < kStageX1; ++x) {
      const double d = std::hypot(x + 0.5 - sx, y + 0.5 - sy);
      if (d < 10)
        bg.put(x, y, d < 8 ? hex(0xfffbe8) : pal::lemon);
      else if (d < 28 && (28 - d) / 18 * 0.6 > bayer(x, y))
        bg.mix(x, y, with_alpha(pal::haze, 120));
    }
  draw_cloud(bg, 268, 168, 64, 3);
  draw_cloud(bg, 402, 150, 96, 5);
  draw_cloud(bg, 520, 214, 56, 7);
  draw_cloud(bg, 330, 230, 40, 9);
  draw_cloud(bg, 596, 150, 30, 13);
  // Far hills in the haze, then the wooded bank.
  for (int x = kStageX0; x < kStageX1; ++x) {
    const int far_top = 240 + static_cast<int>(14 * fbm(x * 0.012, 0.5, 21));
    const int near_top = 252 + static_cast<int>(12 * fbm(x * 0.03, 2.5, 23)) -
                         static_cast<int>(6 * std::max(0.0, std::sin(x * 0.09)));
    for (int y = far_top; y < 272; ++y)
      bg.put(x, y, ramp({hex(0x8fb3a8), hex(0xa9c6b6)}, (y - far_top) / 14.0, x, y));
    for (int y = near_top; y < 272; ++y) {
      const double t = 1 - (y - near_top) / 10.0 + (fbm(x * 0.2, y * 0.2, 29) - 0.5) * 0.6;
      bg.put(x, y, y == near_top ? pal::moss : ramp({pal::deep, pal::pine, pal::moss}, t, x, y));
    }
  }
  // Water.
  for (int y = 266; y < kStageY1; ++y)
    for (int x = kStageX0; x < kStageX1; ++x) {
      const double t = (y - 266) / 34.0;
      Rgba c = ramp({pal::sky3, pal::sea, pal::navy, pal::deep}, 0.2 + t * 0.8, x, y);
      if (y < 271) c = ramp({pal::deep, pal::pine, pal::sea}, (y - 266) / 5.0, x, y);
      bg.put(x, y, c);
    }
  for (int i = 0; i < 160; ++i) {  // ripples
    const int y = 270 + static_cast<int>(29 * rand01(i, 0, 31));
    const int x = kStageX0 + static_cast<int>((kStageX1 - kStageX0 - 10) * rand01(i, 1, 31));
    const int len = 2 + static_cast<int>(7 * rand01(i, 2, 31));
    bg.fill(x, y, len, 1, y < 284 ? pal::foam : pal::sea);
    if (y < 280) bg.fill(x + 1, y, len - 2, 1, pal::white);
  }
  // Reeds along the bank and tall clumps at both sides of the stage.
  Image plants(kScreenW, kScreenH);
  for (int i = 0; i < 90; ++i) {
    const double x = kStageX0 + (kStageX1 - kStageX0) * rand01(i, 0, 41);
    reed(plants, x, 268, 3 + static_cast<int>(9 * rand01(i, 1, 41)), (rand01(i, 2, 41) - 0.5) * 0.6,
         pal::deep, pal::moss);
  }
  reed_clump(plants, kStageX0 - 2, 26, 299, 150, 43);
  reed_clump(plants, kStageX1 - 18, 20, 299, 130, 47);
  outline(plants, pal::ink);
  for (int y = kStageY0; y < kStageY1; ++y)
    for (int x = kStageX0; x < kStageX1; ++x) bg.mix(x, y, plants.at(x, y));
  // Shadow of the beam and the frame on the backdrop.
  for (int y = kStageY0; y < kStageY0 + 8; ++y)
    bg.fill(kStageX0, y, kStageX1 - kStageX0, 1, with_alpha(pal::ink, 150 - (y - kStageY0) * 18));
  for (int x = 0; x < 4; ++x) {
    bg.fill(kStageX0 + x, kStageY0, 1, kStageY1 - kStageY0, with_alpha(pal::ink, 90 - x * 22));
    bg.fill(kStageX1 - 1 - x, kStageY0, 1, kStageY1 - kStageY0, with_alpha(pal::ink, 60 - x * 15));
  }
}

void draw_counter(Image& bg) {
  // Painted front boards between the side panels.
  wood(bg, 200, 314, 420, 86, true, 14, 51, {pal::bark, pal::wine, pal::red});
  bg.fill(200, 314, 420, 6, with_alpha(pal::ink, 120));
  bg.fill(200, 320, 420, 2, with_alpha(pal::ink, 60));
  for (int y : {326, 394}) {
    bg.fill(200, y, 420, 1, pal::lemon);
    bg.fill(200, y + 1, 420, 1, pal::gold);
    bg.fill(200, y + 2, 420, 1, pal::amber);
  }
  // Recessed panel the rifle moves across.
  constexpr int kPx = 214, kPy = 332, kPw = 392, kPh = 58;
  for (int y = kPy; y < kPy + kPh; ++y)
    for (int x = kPx; x < kPx + kPw; ++x)
      bg.put(x, y, ramp({pal::bark, pal::wine}, 0.35 + 0.5 * (y - kPy) / kPh, x, y));
  bg.fill(kPx, kPy, kPw, 2, pal::ink);
  bg.fill(kPx, kPy, 2, kPh, pal::ink);
  bg.fill(kPx, kPy + kPh - 1, kPw, 1, pal::red);
  bg.fill(kPx + kPw - 1, kPy, 1, kPh, pal::red);
  for (int cx : {kPx + 8, kPx + kPw - 9})
    for (int cy : {kPy + 8, kPy + kPh - 9}) {
      fill_poly(
          bg,
          {{cx - 3.5, cy + 0.5}, {cx + 0.5, cy - 3.5}, {cx + 4.5, cy + 0.5}, {cx + 0.5, cy + 4.5}},
          pal::ink);
      fill_poly(
          bg,
          {{cx - 2.5, cy + 0.5}, {cx + 0.5, cy - 2.5}, {cx + 3.5, cy + 0.5}, {cx + 0.5, cy + 3.5}},
          pal::gold);
      bg.put(cx, cy - 1, pal::lemon);
    }
  // Brass rail the rifle slides on, with a notch under each of its positions.
  const int rail_x0 = kGunXMin - 14, rail_x1 = kGunXMin + kGunStep * (kGunPositions - 1) + 26;
  bg.fill(rail_x0 + 2, 384, rail_x1 - rail_x0, 3, with_alpha(pal::ink, 110));
  bg.fill(rail_x0, 379, rail_x1 - rail_x0, 1, pal::ink);
  bg.fill(rail_x0, 380, rail_x1 - rail_x0, 1, pal::lemon);
  bg.fill(rail_x0, 381, rail_x1 - rail_x0, 2, pal::gold);
  bg.fill(rail_x0, 383, rail_x1 - rail_x0, 1, pal::amber);
  bg.fill(rail_x0, 384, rail_x1 - rail_x0, 1, pal::ink);
  for (int end : {rail_x0 - 4, rail_x1}) {
    bevel_rect(bg, end, 376, 5, 12, pal::steel, pal::cloud, pal::ink);
    bg.fill(end - 1, 376, 1, 12, pal::ink);
    bg.fill(end + 5, 376, 1, 12, pal::ink);
  }
  for (int k = 0; k < kGunPositions; ++k) {
    const int x = kGunXMin + kGunStep * k + 5;
    bg.fill(x, 386, 5, 1, pal::ink);
    bg.fill(x + 1, 387, 3, 1, pal::gold);
    bg.fill(x + 1, 388, 3, 1, pal::ink);
    bg.put(x + 2, 389, pal::ink);
  }
  // The ledge the shooter leans on.
  wood(bg, 186, 300, 448, 12, false, 12, 53, {pal::umber, pal::oak, pal::tan, pal::sand});
  bg.fill(186, 300, 448, 1, pal::ink);
  bg.fill(186, 301, 448, 1, pal::sand);
  bg.fill(186, 310, 448, 2, pal::umber);
  bg.fill(186, 312, 448, 1, pal::ink);
  bg.fill(186, 300, 1, 13, pal::ink);
  bg.fill(633, 300, 1, 13, pal::ink);
}

void draw_base(Image& bg, const Image& font) {
  wood(bg, 0, 400, kScreenW, 80, false, 16, 61, {pal::ink, pal::bark, pal::umber, pal::oak});
  bg.fill(0, 400, kScreenW, 1, pal::ink);
  bg.fill(0, 401, kScreenW, 1, pal::lemon);
  bg.fill(0, 402, kScreenW, 1, pal::gold);
  bg.fill(0, 403, kScreenW, 1, pal::amber);
  bg.fill(0, 404, kScreenW, 1, pal::ink);
  bg.fill(0, 405, kScreenW, 4, with_alpha(pal::ink, 90));
  // Title sign and how to play.
  const int title_w = 8 * kHudW * 2;
  const int sx = (kScreenW - title_w) / 2 - 14, sy = 410;
  bg.fill(sx + 3, sy + 4, title_w + 28, 46, with_alpha(pal::ink, 110));
  for (int y = sy; y < sy + 46; ++y)
    for (int x = sx; x < sx + title_w + 28; ++x)
      bg.put(x, y, ramp({pal::night, pal::slate}, 1 - (y - sy) / 46.0, x, y));
  gilt_frame(bg, sx, sy, title_w + 28, 46, 4);
  screw(bg, sx + 5, sy + 5);
  screw(bg, sx + title_w + 21, sy + 5);
  screw(bg, sx + 5, sy + 39);
  screw(bg, sx + title_w + 21, sy + 39);
  hud_text(bg, font, sx + 14, sy + 6, "REEDFIRE", 0, 2);
  hud_text(bg, font, 60, 436, "ARROWS: MOVE", 1);
  hud_text(bg, font, kScreenW - 60 - 12 * kHudW, 436, "SPACE: SHOOT", 1);
}

Image make_background(const Image& ducks, const Image& font) {
  Image bg(kScreenW, kScreenH, pal::ink);
  // Beam across the top and the two side posts.
  wood(bg, 0, 0, kScreenW, 132, false, 14, 71, {pal::bark, pal::umber, pal::oak, pal::tan});
  wood(bg, 0, 132, 200, 268, true, 20, 73, {pal::bark, pal::umber, pal::oak, pal::tan});
  wood(bg, 620, 132, 180, 268, true, 20, 79, {pal::bark, pal::umber, pal::oak, pal::tan});
  draw_awning(bg);
  for (int x = 20; x < kScreenW; x += 40) bulb(bg, x, 64);
  // Stage with its frame.
  draw_stage(bg);
  gilt_frame(bg, kStageX0 - 6, kStageY0 - 6, kStageX1 - kStageX0 + 12, kStageY1 - kStageY0 + 12);
  bg.fill(kStageX1 + 6, kStageY0, 3, kStageY1 - kStageY0, with_alpha(pal::ink, 100));
  // Scoreboard: a calm dark band for the HUD texts and the life icons.
  bg.fill(kBoardX + 3, kBoardY + 4, kBoardW, kBoardH, with_alpha(pal::ink, 110));
  for (int y = kBoardY; y < kBoardY + kBoardH; ++y)
    for (int x = kBoardX; x < kBoardX + kBoardW; ++x) bg.put(x, y, pal::night);
  bg.fill(kBoardX + 3, kBoardY + 3, kBoardW - 6, 2, pal::ink);
  bg.fill(kBoardX + 3, kBoardY + kBoardH - 4, kBoardW - 6, 1, pal::slate);
  gilt_frame(bg, kBoardX, kBoardY, kBoardW, kBoardH, 3);
  screw(bg, kBoardX + 5, kBoardY + 6);
  screw(bg, kBoardX + kBoardW - 7, kBoardY + 6);
  screw(bg, kBoardX + 5, kBoardY + kBoardH - 8);
  screw(bg, kBoardX + kBoardW - 7, kBoardY + kBoardH - 8);
  // Side decorations.
  draw_bullseye(bg, 100, 198);
  draw_duck_plaque(bg, ducks, font, 710, 198);
  // Controls: the three buttons the game lights up while their key is down.
  const int left_cx = (kButtonX[0] + kButtonX[1] + kButtonSize) / 2;
  const int fire_cx = kButtonX[2] + kButtonSize / 2;
  draw_plate(bg, kButtonX[0] - 11, kButtonY - 10, kButtonX[1] - kButtonX[0] + kButtonSize + 22,
             kButtonSize + 20);
  draw_plate(bg, kButtonX[2] - 11, kButtonY - 10, kButtonSize + 22, kButtonSize + 20);
  for (int i = 0; i < 3; ++i) draw_button(bg, kButtonX[i], kButtonY, i);
  draw_label(bg, font, left_cx, 270, "MOVE");
  draw_label(bg, font, fire_cx, 270, "FIRE");
  draw_counter(bg);
  draw_base(bg, font);
  return bg;
}

// ---------------------------------------------------------------------------
// Foreground overlay: painted wave boards the low row of ducks swims behind,
// with reeds at both ends. Its last row ends above the bullet's lowest drawn
// position (y 289), so the shot is never hidden.

Image make_overlay() {
  Image img(kOverlayW, kOverlayH);
  auto wave = [&](double phase, double base, double amp, std::initializer_list<Rgba> tones) {
    for (int x = 0; x < kOverlayW; ++x) {
      const double top = base + amp * (1 - std::abs(std::sin((x + 0.5 - phase) * kPi / 50)));
      for (int y = 0; y < kOverlayH; ++y) {
        if (y + 0.5 < top) continue;
        const double depth = y + 0.5 - top;
        Rgba c = ramp(tones, 1 - (y - base) / (kOverlayH - base), x, y);
        if (depth < 1.5)
          c = pal::white;
        else if (depth < 3)
          c = pal::foam;
        // Painted swirl lines along each wave.
        const double swirl = top + 5 + 2 * std::sin((x - phase) * kPi / 25);
        if (std::abs(y + 0.5 - swirl) < 0.6 && depth > 4) c = *(tones.begin() + 1);
        img.put(x, y, c);
      }
    }
  };
  wave(25, 12, 6, {pal::navy, pal::sea, pal::foam});
  outline(img, pal::ink);
  Image front(kOverlayW, kOverlayH);
  std::swap(img, front);
  wave(0, 18, 5, {pal::deep, pal::navy, pal::sea});
  outline(img, pal::ink);
  std::swap(img, front);
  img.draw(front, 0, 0);
  img.fill(0, kOverlayH - 1, kOverlayW, 1, pal::ink);
  Image plants(kOverlayW, kOverlayH);
  reed_clump(plants, 1, 26, kOverlayH - 1, 30, 83);
  reed_clump(plants, kOverlayW - 28, 26, kOverlayH - 1, 28, 89);
  outline(plants, pal::ink);
  img.draw(plants, 0, 0);
  return img;
}

// Highlight laid over a pressed button at half opacity: a warm glow covering
// the dome and the bezel.
Image make_button_highlight() {
  Image img(kButtonSize, kButtonSize);
  for (int y = 0; y < kButtonSize; ++y)
    for (int x = 0; x < kButtonSize; ++x) {
      const double d = std::hypot(x + 0.5 - 32, y + 0.5 - 32);
      if (d <= 24)
        img.put(x, y, hex(0xfff4c8, 230));
      else if (d <= 31.5)
        img.put(x, y, with_alpha(pal::lemon, static_cast<int>(230 * (31.5 - d) / 7.5)));
    }
  fill_circle(img, 23, 22, 4, pal::white);
  return img;
}

// Level picture: a sign for the level-up.
Image make_level_sign(const Image& font, const Image& ducks) {
  constexpr int kW = 260, kH = 82;
  Image img(kW, kH);
  wood(img, 0, 0, kW, kH, false, 12, 97, {pal::bark, pal::umber, pal::oak, pal::tan});
  gilt_frame(img, 0, 0, kW, kH);
  img.fill(6, 6, kW - 12, 2, with_alpha(pal::ink, 120));
  hud_text(img, font, (kW - 9 * kHudW * 2) / 2, 12, "LEVEL UP!", 0, 2);
  img.draw(duck_sheet_frame(ducks, 1), 9, 49);
  img.draw(duck_sheet_frame(ducks, 8), kW - 49, 49);
  hud_text(img, font, (kW - 13 * kHudW) / 2, 54, "FASTER DUCKS!", 1);
  screw(img, 8, 8);
  screw(img, kW - 10, 8);
  return img;
}

// ---------------------------------------------------------------------------

struct Art {
  Image font, smalfont, ducks, gun, bullet, overlay, button, background, level;
};

Art make_art() {
  Art a;
  a.font = make_hud_font();
  a.smalfont = make_system_font();
  a.ducks = make_duck_sheet();
  a.gun = make_gun_sheet();
  a.bullet = make_bullet();
  a.overlay = make_overlay();
  a.button = make_button_highlight();
  a.background = make_background(a.ducks, a.font);
  a.level = make_level_sign(a.font, a.ducks);
  return a;
}

// A game frame as the game would draw it: backdrop, HUD, life icons, ducks,
// the bullet, the gun with the left button held, and the overlay on top.
Image make_preview(const Art& a) {
  Image s = a.background;
  hud_text(s, a.font, 218, kHudY, "SC 00045", 0);
  hud_text(s, a.font, 330, kHudY, "LVL 01", 0);
  hud_text(s, a.font, 408, kHudY, "HI 00120", 0);
  for (int k = 0; k < 3; ++k) s.draw(duck_sheet_frame(a.ducks, 8), kLifeX + kLifeStep * k, kLifeY);
  struct Shown {
    int x, y, frame;
  };
  for (const Shown& d :
       {Shown{230, 140, 1}, Shown{380, 140, 1}, Shown{480, 180, 8}, Shown{330, 180, 3},
        Shown{280, 220, 1}, Shown{530, 220, 4}, Shown{430, 260, 8}, Shown{330, 260, 9}})
    s.draw(duck_sheet_frame(a.ducks, d.frame), d.x - 2, d.y - 2);
  s.draw(a.bullet, 398 - 1, 210 - 1);
  s.draw_faded(a.button, kButtonX[0], kButtonY, 128);
  s.draw(a.gun.crop(kGunW, 0, kGunW, kGunH), 398 - 2, kGunY - 2);
  s.draw(a.overlay, kOverlayX, kOverlayY);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--preview") == 0)
    return write_png(argv[2], make_preview(make_art())) ? 0 : 1;
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: artgen <folder> | artgen --preview <file.png>\n");
    return 2;
  }
  const Art a = make_art();
  const std::string dir = std::string(argv[1]) + "/";
  const std::pair<const char*, const Image*> files[] = {
      {"background.png", &a.background},
      {"duck.png", &a.ducks},
      {"gun.png", &a.gun},
      {"font.png", &a.font},
      {"bullet.png", &a.bullet},
      {"nodux.png", &a.overlay},
      {"lvl.png", &a.level},
      {"button.png", &a.button},
      {"smalfont.png", &a.smalfont},
  };
  for (const auto& [name, img] : files)
    if (!write_png(dir + name, *img)) return 1;
  return 0;
}
