// Building WAV files for the sound tests, and reading the WAV file that
// OpenAL's wave-file output writes.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "file_io.hpp"

namespace zrv::test {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(Bytes& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
inline void put_id(Bytes& b, const char* id) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(id[i]));
}

inline Bytes chunk(const char* id, const Bytes& body, bool pad = true) {
  Bytes b;
  put_id(b, id);
  put32(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (pad && body.size() % 2 == 1) b.push_back(0);
  return b;
}

inline Bytes fmt_body(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t extra = 0,
                      uint16_t block_align = 0, uint16_t tag = 1) {
  if (block_align == 0) block_align = static_cast<uint16_t>(channels * bits / 8);
  Bytes b;
  put16(b, tag);
  put16(b, channels);
  put32(b, rate);
  put32(b, rate * block_align);
  put16(b, block_align);
  put16(b, bits);
  if (extra >= 2) {
    put16(b, extra - 2);  // cbSize, then that many bytes
    b.resize(b.size() + extra - 2, 0);
  } else if (extra == 1) {
    b.push_back(0);
  }
  return b;
}

inline Bytes riff(const std::vector<Bytes>& chunks) {
  Bytes body;
  put_id(body, "WAVE");
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b;
  put_id(b, "RIFF");
  put32(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// 16-bit samples of a sine, on every channel alike (the stereo case may put
// the tone on one side only).
inline Bytes sine16(double seconds, uint32_t rate, double hz, double amplitude, int channels = 1,
                    int only_channel = -1) {
  const auto frames = static_cast<size_t>(seconds * rate);
  Bytes b;
  for (size_t i = 0; i < frames; ++i) {
    // Fade in and out over 5 ms so that the tone has no clicks.
    const double t = static_cast<double>(i) / rate;
    const double edge = std::min(1.0, std::min(t, seconds - t) / 0.005);
    const double v = amplitude * edge * std::sin(2 * std::numbers::pi * hz * t);
    for (int c = 0; c < channels; ++c) {
      const double out = only_channel < 0 || only_channel == c ? v : 0.0;
      put16(b, static_cast<uint16_t>(static_cast<int16_t>(std::lround(out * 32767))));
    }
  }
  return b;
}

inline Bytes tone_wav(double seconds, uint32_t rate = 22050, double hz = 440, int channels = 1,
                      int only_channel = -1) {
  return riff({chunk("fmt ", fmt_body(static_cast<uint16_t>(channels), rate, 16)),
               chunk("data", sine16(seconds, rate, hz, 0.8, channels, only_channel))});
}

inline std::string read_text(const std::string& path) { return read_file(path); }

// A scratch folder removed with its files at the end.
struct ScratchFolder {
  std::string path;
  std::vector<std::string> files;
  ScratchFolder() {
    char name[] = "/tmp/zrv_soundXXXXXX";
    path = mkdtemp(name);
  }
  ~ScratchFolder() {
    for (const std::string& f : files) std::remove(f.c_str());
    rmdir(path.c_str());
  }
  std::string file(const std::string& name) {
    files.push_back(path + "/" + name);
    return files.back();
  }
};

// What the wave-file output wrote: frames of float samples, -1..1.
struct Recording {
  uint32_t rate = 0;
  uint16_t channels = 0;
  std::vector<float> samples;  // interleaved
  size_t frames() const { return channels ? samples.size() / channels : 0; }
  float at(size_t frame, int channel) const { return samples[frame * channels + channel]; }
};

// Reads PCM 8/16/32-bit or float WAV data, plain or extensible.
inline bool read_recording(const std::string& path, Recording* rec) {
  Bytes b = read_bytes(path);
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0) return false;
  auto u16 = [&](size_t at) { return static_cast<uint32_t>(b[at] | (b[at + 1] << 8)); };
  auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
  size_t at = 12;
  uint32_t tag = 0, bits = 0;
  while (at + 8 <= b.size()) {
    const uint32_t n = u32(at + 4);
    const size_t body = at + 8;
    if (std::memcmp(&b[at], "fmt ", 4) == 0) {
      tag = u16(body);
      rec->channels = static_cast<uint16_t>(u16(body + 2));
      rec->rate = u32(body + 4);
      bits = u16(body + 14);
      if (tag == 0xFFFE) tag = u16(body + 24);  // the sub-format's first field
    } else if (std::memcmp(&b[at], "data", 4) == 0) {
      const size_t end = std::min(b.size(), body + n);
      const size_t step = bits / 8;
      if (step == 0 || rec->channels == 0) return false;
      for (size_t p = body; p + step <= end; p += step) {
        float v = 0;
        if (tag == 3 && bits == 32) {
          std::memcpy(&v, &b[p], 4);
        } else if (bits == 16) {
          v = static_cast<int16_t>(u16(p)) / 32768.0f;
        } else if (bits == 8) {
          v = (b[p] - 128) / 128.0f;
        } else if (bits == 32) {
          v = static_cast<float>(static_cast<int32_t>(u32(p)) / 2147483648.0);
        }
        rec->samples.push_back(v);
      }
      return true;
    }
    at = body + n + (n % 2);
  }
  return false;
}

}  // namespace zrv::test
