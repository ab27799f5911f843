// Small media files written by the tests: a PCM WAV tone and a raw
// YUV4MPEG2 clip whose frames show two colour halves.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "file_io.hpp"

namespace media_test {

inline std::string make_temp_dir(const char* stem) {
  std::string pattern = std::string("/tmp/") + stem + "XXXXXX";
  char* made = mkdtemp(pattern.data());
  return made ? std::string(made) : std::string("/tmp");
}

inline void put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
inline void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
inline void put_text(std::vector<uint8_t>& b, const char* text) {
  for (; *text != '\0'; ++text) b.push_back(static_cast<uint8_t>(*text));
}

// A 440 Hz tone of ms milliseconds, 22050 samples per second, mono 16-bit.
inline std::vector<uint8_t> wav_bytes(int ms) {
  const uint32_t rate = 22050;
  const uint32_t n = rate * static_cast<uint32_t>(ms) / 1000;
  std::vector<uint8_t> b;
  put_text(b, "RIFF");
  put32(b, 36 + n * 2);
  put_text(b, "WAVEfmt ");
  put32(b, 16);
  put16(b, 1);
  put16(b, 1);
  put32(b, rate);
  put32(b, rate * 2);
  put16(b, 2);
  put16(b, 16);
  put_text(b, "data");
  put32(b, n * 2);
  for (uint32_t i = 0; i < n; ++i) {
    const auto s = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440.0 * i / rate));
    put16(b, static_cast<uint16_t>(s));
  }
  return b;
}

// A host file of host_size bytes of `fill` with an archive appended, as the
// packer leaves a program.
inline std::vector<uint8_t> host_with_archive(size_t host_size, uint8_t fill,
                                              const std::vector<uint8_t>& archive) {
  std::vector<uint8_t> host(host_size + archive.size(), fill);
  std::copy(archive.begin(), archive.end(), host.begin() + static_cast<std::ptrdiff_t>(host_size));
  return host;
}

inline std::string write_wav(const std::string& dir, const char* name, int ms) {
  const std::string path = dir + "/" + name;
  zrv::test::write_file(path, wav_bytes(ms));
  return path;
}

struct Yuv {
  uint8_t y, u, v;
};
// Full-range (JPEG) YCbCr of pure red and pure blue.
constexpr Yuv kRed = {76, 85, 255};
constexpr Yuv kBlue = {29, 255, 107};

// A clip of w x h pixels, frames at fps, left half `left`, right half
// `right` (4:2:0, full range).
inline std::vector<uint8_t> y4m_bytes(int w, int h, int frames, int fps, Yuv left, Yuv right) {
  char header[128];
  std::snprintf(header, sizeof header, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg\n", w, h, fps);
  std::vector<uint8_t> b(header, header + std::string(header).size());
  for (int f = 0; f < frames; ++f) {
    put_text(b, "FRAME\n");
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) b.push_back(x < w / 2 ? left.y : right.y);
    }
    for (int y = 0; y < h / 2; ++y) {
      for (int x = 0; x < w / 2; ++x) b.push_back(x < w / 4 ? left.u : right.u);
    }
    for (int y = 0; y < h / 2; ++y) {
      for (int x = 0; x < w / 2; ++x) b.push_back(x < w / 4 ? left.v : right.v);
    }
  }
  return b;
}

inline std::string write_clip(const std::string& dir, const char* name, int frames, int fps) {
  const std::string path = dir + "/" + name;
  zrv::test::write_file(path, y4m_bytes(320, 240, frames, fps, kRed, kBlue));
  return path;
}

}  // namespace media_test
