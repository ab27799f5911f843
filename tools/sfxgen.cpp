// sfxgen: synthesises the sound effects of reedfire as WAV files.
//
//   sfxgen <folder>   writes sound01.wav (shot), sound02.wav (reload), sound04.wav
//                     (gun move), quack.wav, die.wav, sound05.wav (duck step) and
//                     level_up.wav: 16-bit PCM, mono, 22050 Hz.
//
// Every sound starts and ends at silence (short fades), is normalised to its own
// peak level, and uses a seeded noise source, so every run writes the same bytes.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

using Buffer = std::vector<double>;

int samples(double seconds) { return static_cast<int>(seconds * kRate + 0.5); }

class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed ? seed : 1u) {}
  double next() {  // white noise in [-1, 1)
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ / 2147483648.0 - 1.0;
  }

 private:
  uint32_t state_;
};

// Band-limited step correction for the saw and square oscillators.
double poly_blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

class Oscillator {
 public:
  double saw(double freq) {
    const double dt = freq / kRate;
    const double v = 2.0 * phase_ - 1.0 - poly_blep(phase_, dt);
    advance(dt);
    return v;
  }
  double square(double freq, double duty) {
    const double dt = freq / kRate;
    double v = phase_ < duty ? 1.0 : -1.0;
    v += poly_blep(phase_, dt);
    v -= poly_blep(std::fmod(phase_ + 1.0 - duty, 1.0), dt);
    advance(dt);
    return v;
  }
  double sine(double freq) {
    const double v = std::sin(2.0 * kPi * phase_);
    advance(freq / kRate);
    return v;
  }
  double triangle(double freq) {
    const double v = 1.0 - 4.0 * std::abs(phase_ - 0.5);
    advance(freq / kRate);
    return v;
  }

 private:
  void advance(double dt) {
    phase_ += dt;
    phase_ -= std::floor(phase_);
  }
  double phase_ = 0.0;
};

// State-variable filter (Chamberlin), cut-off may change every sample.
class Svf {
 public:
  struct Out {
    double low, band, high;
  };
  Out run(double in, double cutoff, double q) {
    const double f = 2.0 * std::sin(kPi * std::min(cutoff, kRate / 6.0) / kRate);
    const double damp = 1.0 / q;
    high_ = in - low_ - damp * band_;
    band_ += f * high_;
    low_ += f * band_;
    return {low_, band_, high_};
  }

 private:
  double low_ = 0, band_ = 0, high_ = 0;
};

class OnePole {
 public:
  double low(double in, double cutoff) {
    const double a = 1.0 - std::exp(-2.0 * kPi * cutoff / kRate);
    state_ += a * (in - state_);
    return state_;
  }

 private:
  double state_ = 0;
};

double decay(double t, double time_constant) { return std::exp(-t / time_constant); }

// Raised-cosine fade in and out, so that no sound starts or ends with a step.
void fade(Buffer& b, double in_s, double out_s) {
  const int n = static_cast<int>(b.size());
  const int fi = std::min(n, samples(in_s)), fo = std::min(n, samples(out_s));
  for (int i = 0; i < fi; ++i) b[static_cast<size_t>(i)] *= 0.5 - 0.5 * std::cos(kPi * i / fi);
  for (int i = 0; i < fo; ++i)
    b[static_cast<size_t>(n - 1 - i)] *= 0.5 - 0.5 * std::cos(kPi * i / fo);
}

void normalise(Buffer& b, double peak) {
  double m = 0;
  for (double v : b) m = std::max(m, std::abs(v));
  if (m > 0)
    for (double& v : b) v *= peak / m;
}

// Removes a constant offset, which would otherwise click at start and end.
void remove_dc(Buffer& b) {
  double state = 0, prev = 0;
  for (double& v : b) {
    const double out = v - prev + 0.995 * state;
    prev = v;
    state = out;
    v = out;
  }
}

// Canonical RIFF WAVE: "RIFF", "WAVE", a 16-byte "fmt " chunk, one "data" chunk.
bool write_wav(const std::string& path, const Buffer& b) {
  std::vector<uint8_t> out;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto tag = [&](const char* s) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(s[i]));
  };
  const uint32_t data_bytes = static_cast<uint32_t>(b.size() * 2);
  tag("RIFF");
  u32(36 + data_bytes);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(kRate);
  u32(kRate * 2);
  u16(2);
  u16(16);
  tag("data");
  u32(data_bytes);
  for (double v : b) {
    const double s = std::round(std::clamp(v, -1.0, 1.0) * 32767.0);
    u16(static_cast<uint16_t>(static_cast<int16_t>(s)));
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "sfxgen: cannot create %s\n", path.c_str());
    return false;
  }
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (std::fclose(f) != 0 || !ok) {
    std::fprintf(stderr, "sfxgen: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// The sounds

// Cork rifle shot: a bright crack, a falling "pop" and a breath of air.
Buffer shot() {
  Buffer b(static_cast<size_t>(samples(0.32)));
  Noise noise(101);
  Oscillator body;
  Svf crack, air;
  for (size_t i = 0; i < b.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double n = noise.next();
    const double c = crack.run(n, 2600, 1.4).band * decay(t, 0.012);
    const double p = body.sine(85 + 420 * decay(t, 0.018)) * decay(t, 0.06);
    const double a = air.run(n, 900 + 2000 * decay(t, 0.05), 0.8).low * decay(t, 0.09);
    b[i] = 1.3 * c + 0.9 * p + 0.5 * a;
  }
  remove_dc(b);
  fade(b, 0.0015, 0.04);
  normalise(b, 0.8);
  return b;
}

// Reload: a slide, then the bolt clacking home with a short metallic ring.
Buffer reload() {
  Buffer b(static_cast<size_t>(samples(0.36)));
  Noise noise(202);
  Svf slide, click1, click2;
  Oscillator r1, r2, r3, r4;
  for (size_t i = 0; i < b.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double n = noise.next();
    double v = 0;
    // Slide: band of noise rising in pitch, 0.02 to 0.14 s.
    if (t > 0.02 && t < 0.14) {
      const double st = (t - 0.02) / 0.12;
      v += 0.35 * slide.run(n, 1200 + 1600 * st, 2.0).band * std::sin(kPi * st);
    }
    // First click at 0.0 s, the bolt home at 0.16 s.
    v += 0.9 * click1.run(n, 3400, 3).band * decay(t, 0.006);
    v += 0.5 * (r1.sine(2230) + 0.6 * r2.sine(3310)) * decay(t, 0.03);
    if (t >= 0.16) {
      const double u = t - 0.16;
      v += 1.0 * click2.run(n, 2500, 3).band * decay(u, 0.008);
      v += 0.55 * (r3.sine(1760) + 0.5 * r4.sine(2890)) * decay(u, 0.05);
    }
    b[i] = v;
  }
  remove_dc(b);
  fade(b, 0.001, 0.05);
  normalise(b, 0.6);
  return b;
}

// Gun move: a short swish along the rail ending in a soft wooden tick.
Buffer gun_move() {
  Buffer b(static_cast<size_t>(samples(0.11)));
  Noise noise(303);
  Svf swish;
  Oscillator tick;
  for (size_t i = 0; i < b.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double st = t / 0.07;
    double v = 0;
    if (st < 1) v += swish.run(noise.next(), 1300 + 1500 * st, 1.5).band * std::sin(kPi * st);
    if (t >= 0.07) v += 0.6 * tick.sine(950) * decay(t - 0.07, 0.012);
    b[i] = v;
  }
  fade(b, 0.004, 0.02);
  normalise(b, 0.45);
  return b;
}

// Quack: a buzzy source through two nasal formants that open at the start.
Buffer quack() {
  Buffer b(static_cast<size_t>(samples(0.34)));
  Noise noise(404);
  Oscillator src;
  Svf f1, f2, f3;
  for (size_t i = 0; i < b.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    // Pitch rises a little into the "a" and drops at the end.
    const double pitch =
        230 + 60 * std::sin(kPi * std::min(t / 0.2, 1.0)) - 70 * std::max(0.0, t - 0.18);
    const double s = src.saw(pitch) + 0.08 * noise.next();
    const double open = std::min(1.0, t / 0.05);
    const double a = f1.run(s, 650 + 450 * open, 5).band;
    const double c = f2.run(s, 1550 + 250 * open, 7).band;
    const double d = f3.run(s, 2900, 8).band;
    double env = std::min(1.0, t / 0.012);
    if (t > 0.2) env *= decay(t - 0.2, 0.05);
    env *= 1.0 + 0.25 * std::sin(2 * kPi * 28 * t);  // a rattle in the throat
    b[i] = (1.0 * a + 0.8 * c + 0.35 * d) * env;
  }
  remove_dc(b);
  fade(b, 0.003, 0.03);
  normalise(b, 0.75);
  return b;
}

// Loss: a muted "wah wah wah waaah" falling by semitones.
Buffer lose() {
  struct Note {
    double start, length, freq;
  };
  const Note notes[] = {
      {0.00, 0.26, 196.00}, {0.28, 0.26, 185.00}, {0.56, 0.26, 174.61}, {0.84, 0.85, 164.81}};
  Buffer b(static_cast<size_t>(samples(1.78)));
  for (const Note& note : notes) {
    Oscillator osc;
    Svf mute;
    const int first = samples(note.start), count = samples(note.length + 0.06);
    for (int k = 0; k < count && first + k < static_cast<int>(b.size()); ++k) {
      const double t = static_cast<double>(k) / kRate;
      const bool last = note.length > 0.5;
      const double vib =
          last ? 1.0 + 0.012 * std::sin(2 * kPi * 5.5 * t) * std::min(1.0, t / 0.25) : 1.0;
      const double f = note.freq * vib * (last ? 1.0 - 0.03 * std::max(0.0, t - 0.5) : 1.0);
      // The "wah": the mute opens and closes over each note.
      const double open = std::sin(kPi * std::min(t / (last ? 0.5 : note.length), 1.0));
      const double cutoff = 350 + 1400 * open;
      double env = std::min(1.0, t / 0.02);
      if (t > note.length) env *= decay(t - note.length, 0.02);
      if (last) env *= decay(std::max(0.0, t - 0.3), 0.45);
      const double v = mute.run(osc.saw(f), cutoff, 2.2).low;
      b[static_cast<size_t>(first + k)] += v * env;
    }
  }
  remove_dc(b);
  fade(b, 0.003, 0.12);
  normalise(b, 0.7);
  return b;
}

// Duck step: one soft wing flap, two quick puffs of low noise.
Buffer duck_step() {
  Buffer b(static_cast<size_t>(samples(0.12)));
  Noise noise(505);
  OnePole lp1, lp2;
  for (size_t i = 0; i < b.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double n = noise.next();
    auto puff = [](double u) { return u < 0 ? 0.0 : (u / 0.006) * decay(u, 0.006) * 2.718; };
    const double env = puff(t - 0.002) + 0.7 * puff(t - 0.05);
    b[i] = lp2.low(lp1.low(n, 1200), 1200) * env;
  }
  remove_dc(b);
  fade(b, 0.002, 0.03);
  normalise(b, 0.35);
  return b;
}

// Level up: a bright arpeggio up to the octave, the last note ringing.
Buffer level_up() {
  const double notes[] = {523.25, 659.26, 783.99, 1046.50};
  Buffer b(static_cast<size_t>(samples(0.82)));
  for (int k = 0; k < 4; ++k) {
    const bool last = k == 3;
    const double start = 0.085 * k, length = last ? 0.5 : 0.11;
    Oscillator sq, tri, sparkle;
    OnePole soft;
    const int first = samples(start), count = samples(length + 0.12);
    for (int i = 0; i < count && first + i < static_cast<int>(b.size()); ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double vib =
          last ? 1.0 + 0.006 * std::sin(2 * kPi * 6 * t) * std::min(1.0, t / 0.15) : 1.0;
      const double f = notes[k] * vib;
      double v = 0.45 * sq.square(f, 0.25) + 0.8 * tri.triangle(f) + 0.12 * sparkle.sine(2 * f);
      v = soft.low(v, 5000);
      double env = std::min(1.0, t / 0.004) * (0.65 + 0.35 * decay(t, 0.05));
      env *= t < length ? 1.0 : decay(t - length, 0.03);
      if (last) env *= decay(t, 0.35);
      b[static_cast<size_t>(first + i)] += v * env * (last ? 1.0 : 0.8);
    }
  }
  // A little room: one soft echo.
  const int delay = samples(0.09);
  for (size_t i = b.size(); i-- > static_cast<size_t>(delay);)
    b[i] += 0.25 * b[i - static_cast<size_t>(delay)];
  remove_dc(b);
  fade(b, 0.002, 0.08);
  normalise(b, 0.65);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sfxgen <folder>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const std::pair<const char*, Buffer> files[] = {
      {"sound01.wav", shot()},      {"sound02.wav", reload()}, {"sound04.wav", gun_move()},
      {"quack.wav", quack()},       {"die.wav", lose()},       {"sound05.wav", duck_step()},
      {"level_up.wav", level_up()},
  };
  for (const auto& [name, buffer] : files)
    if (!write_wav(dir + name, buffer)) return 1;
  return 0;
}
