// Latency from sound_play to the first sample leaving OpenAL: the time until
// the mixer has taken the first samples of the started voice into the
// output (its play position moves off 0). OpenAL runs with its default
// settings on the wave-file writer, which writes each mixed period at once;
// with ALSOFT_DRIVERS set in the environment that output is used instead.
// Also the cost of the play call itself.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/context.hpp"
#include "sound/sound_commands.hpp"
#include "sound/sound_device.hpp"

namespace {

using Clock = std::chrono::steady_clock;

std::string scratch(const char* suffix) {
  return "/tmp/zrv_bench_sound_" + std::to_string(getpid()) + suffix;
}

void put16(std::string& b, uint32_t v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

// Half a second of a 440 Hz tone, mono, 16 bits, 22050 samples per second.
std::string tone_file() {
  const uint32_t rate = 22050, frames = rate / 2;
  std::string wav = "RIFF";
  put32(wav, 36 + frames * 2);
  wav += "WAVEfmt ";
  put32(wav, 16);
  put16(wav, 1);
  put16(wav, 1);
  put32(wav, rate);
  put32(wav, rate * 2);
  put16(wav, 2);
  put16(wav, 16);
  wav += "data";
  put32(wav, frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    put16(wav, static_cast<uint16_t>(
                   static_cast<int16_t>(12000 * std::sin(2 * 3.14159265358979 * 440 * i / rate))));
  }
  const std::string path = scratch(".tone.wav");
  std::ofstream(path, std::ios::binary) << wav;
  return path;
}

struct Output {
  bool ok = false;
  std::string tone;
  std::string conf, wav;

  Output() {
    if (std::getenv("ALSOFT_DRIVERS") == nullptr) {
      conf = scratch(".conf");
      wav = scratch(".out.wav");
      std::ofstream(conf) << "[wave]\nfile = " << wav << "\n";
      setenv("ALSOFT_CONF", conf.c_str(), 1);
      setenv("ALSOFT_DRIVERS", "wave", 1);
    }
    tone = tone_file();
    static int window_token;
    zrv::ctx.sound_device = zrv::sound_device_create();
    ok = zrv::sound_device_open(zrv::ctx.sound_device,
                                reinterpret_cast<zrv::platform::Window*>(&window_token));
    zrv::ctx.sound_slots = zrv::sound_slots_create();
    if (ok) {
      zrv::sound_load(tone.c_str(), 1, 1);
      ok = zrv::ctx.last_error == 0;
    }
  }
  ~Output() {
    zrv::sound_slots_destroy(zrv::ctx.sound_slots);
    zrv::sound_device_destroy(zrv::ctx.sound_device);
    zrv::ctx.sound_slots = nullptr;
    zrv::ctx.sound_device = nullptr;
    for (const std::string& f : {tone, conf, wav})
      if (!f.empty()) std::remove(f.c_str());
  }
};

Output& output() {
  static Output out;
  return out;
}

void BM_PlayToFirstMixedSample(benchmark::State& state) {
  Output& out = output();
  if (!out.ok) {
    state.SkipWithError("no sound output");
    return;
  }
  zrv::SoundSlot& slot = zrv::ctx.sound_slots[1];
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> phase_us(0, 30000);
  std::vector<double> latencies;
  for (auto _ : state) {
    zrv::sound_stop(256);
    // Plays start at any point of the output's mixing period.
    std::this_thread::sleep_for(std::chrono::microseconds(phase_us(rng)));
    const Clock::time_point start = Clock::now();
    if (zrv::sound_play(1, 0, 1) != 256) {
      state.SkipWithError("play failed");
      return;
    }
    int32_t position = 0;
    while (zrv::slot_get_position(slot, 0, &position) && position == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    latencies.push_back(seconds * 1000);
  }
  zrv::sound_stop(256);
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    state.counters["p50_ms"] = latencies[latencies.size() / 2];
    state.counters["p95_ms"] = latencies[latencies.size() * 95 / 100];
    state.counters["max_ms"] = latencies.back();
  }
}
BENCHMARK(BM_PlayToFirstMixedSample)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

// The play call: status query, volume, pan and start (and the stop that
// frees the buffer for the next round).
void BM_PlayCall(benchmark::State& state) {
  Output& out = output();
  if (!out.ok) {
    state.SkipWithError("no sound output");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(zrv::sound_play(1, 0.25, 0.5));
    zrv::sound_stop(256);
  }
}
BENCHMARK(BM_PlayCall)->Unit(benchmark::kMicrosecond);

}  // namespace
