// Numeric commands and the ISAAC random-number generator.
#include "types/rt_math.hpp"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace zrv {

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;

// Truncation toward zero that stays defined outside the int32 range:
// saturates, and NaN gives 0.
int32_t truncate_to_int(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483648.0) return INT32_MAX;
  if (x <= -2147483649.0) return INT32_MIN;
  return static_cast<int32_t>(x);
}

}  // namespace

double math_sin(double degrees) { return std::sin(degrees * kDegToRad); }
double math_cos(double degrees) { return std::cos(degrees * kDegToRad); }
double math_tan(double degrees) { return std::tan(degrees * kDegToRad); }
double math_atan2(double y, double x) { return std::atan2(y, x) * kRadToDeg; }

double math_asin(double x) {
  if (x >= 1.0) return 90.0;
  if (x <= -1.0) return -90.0;
  return std::asin(x) * kRadToDeg;
}

double math_acos(double x) {
  if (x >= 1.0) return 0.0;
  if (x <= -1.0) return 180.0;
  return std::acos(x) * kRadToDeg;
}

double math_sqrt(double x) {
  const double r = __builtin_sqrt(x);
  if (std::isnan(r)) return std::sqrt(x);  // negative argument: the C library's answer
  return r;
}

double math_pow(double base, double exponent) { return std::pow(base, exponent); }
double math_log(double x) { return std::log(x); }
double math_floor(double x) { return std::floor(x); }
double math_ceil(double x) { return std::ceil(x); }

double math_fmod(double x, double y) {
  if (y == 0.0) return 0.0;
  return std::fmod(x, y);
}

int32_t math_mod_int(int32_t a, int32_t b) {
  // b == -1 always gives 0, and INT32_MIN % -1 would trap.
  if (b == 0 || b == -1) return 0;
  return a % b;
}

double math_max(double a, double b) { return a > b ? a : b; }
int32_t math_max(int32_t a, double x) {
  const int32_t b = truncate_to_int(x);
  return a > b ? a : b;
}
int32_t math_max(int32_t a, int32_t b) { return a > b ? a : b; }
double math_min(double a, double b) { return a < b ? a : b; }
double math_min(double a, float b) {
  const double wide = b;
  return a < wide ? a : wide;
}
int32_t math_min(int32_t a, int32_t b) { return a < b ? a : b; }

// ---------------------------------------------------------------------------
// ISAAC

RandomState random_state{};

namespace {

void mix(uint32_t (&w)[8]) {
  uint32_t &a = w[0], &b = w[1], &c = w[2], &d = w[3];
  uint32_t &e = w[4], &f = w[5], &g = w[6], &h = w[7];
  a ^= b << 11;
  d += a;
  b += c;
  b ^= c >> 2;
  e += b;
  c += d;
  c ^= d << 8;
  f += c;
  d += e;
  d ^= e >> 16;
  g += d;
  e += f;
  e ^= f << 10;
  h += e;
  f += g;
  f ^= g >> 4;
  a += f;
  g += h;
  g ^= h << 8;
  b += g;
  h += a;
  h ^= a >> 9;
  c += h;
  a += b;
}

}  // namespace

uint32_t random_next(RandomState& s) {
  s.acc_c += 1;
  s.acc_b += s.acc_c;
  uint32_t a = s.acc_a;
  uint32_t b = s.acc_b;
  for (uint32_t i = 0; i < 256; ++i) {
    const uint32_t x = s.memory[i];
    switch (i & 3) {
      case 0:
        a ^= a << 13;
        break;
      case 1:
        a ^= a >> 6;
        break;
      case 2:
        a ^= a << 2;
        break;
      default:
        a ^= a >> 16;
        break;
    }
    a += s.memory[(i + 128) & 255];
    const uint32_t y = s.memory[(x >> 2) & 255] + a + b;
    s.memory[i] = y;
    b = s.memory[(y >> 10) & 255] + x;
    s.results[i] = b;
  }
  s.acc_a = a;
  s.acc_b = b;
  return s.results[0];
}

void random_init_state(RandomState& s, bool with_seed, int32_t seed) {
  std::memset(&s, 0, sizeof s);
  uint32_t w[8];
  for (uint32_t& v : w) v = 0x9E3779B9u;  // the golden ratio

  if (with_seed) {
    const auto add = static_cast<uint32_t>(seed);
    for (int i = 0; i < 256; i += 8) {
      w[0] += add;
      mix(w);
      std::memcpy(&s.memory[i], w, sizeof w);
    }
  }
  for (int k = 0; k < 4; ++k) mix(w);
  // Two passes: first over the result words, then over the memory words, so
  // that every word of either affects every word of the state.
  for (const uint32_t* source : {s.results, s.memory}) {
    for (int i = 0; i < 256; i += 8) {
      for (int j = 0; j < 8; ++j) w[j] += source[i + j];
      mix(w);
      std::memcpy(&s.memory[i], w, sizeof w);
    }
  }
}

uint32_t random_seed(RandomState& s, int32_t seed) {
  random_init_state(s, true, seed);
  const uint32_t first = random_next(s);
  s.result_count = 256;
  return first;
}

uint32_t random_next() { return random_next(random_state); }
uint32_t random_seed(int32_t seed) { return random_seed(random_state, seed); }

int32_t random_int(int32_t n) {
  if (n <= 0) return 0;
  const uint32_t word = random_next(random_state);
  return static_cast<int32_t>(word % (static_cast<uint32_t>(n) + 1u));
}

}  // namespace zrv
