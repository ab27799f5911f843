// The sound output on waveOut (winmm). Each side of a voice must play at
// exactly the linear gain it is given; a DirectSound buffer per voice would
// apply its own volume (in hundredths of a decibel, clamped) and pan law on
// top instead. So the voices are mixed here (mixer.hpp) into one 16-bit
// stereo stream at the mix rate, and waveOut, which every Windows and Wine
// (on ALSA or PulseAudio) has, plays it. A thread of the output's own mixes
// each buffer as waveOut hands it back; one lock keeps the mixer whole
// between that thread and the runtime's calls, so that both gains of a
// voice change in the same period and its sides start at the same frame.
#include "platform/win32/audio_waveout.hpp"

// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/mixer.hpp"

namespace zrv::platform {

namespace {

// Six buffers of 20 ms: short enough for the sound to follow the game,
// long enough that a late wake-up of the thread on a busy machine is not
// heard (four were, under Wine).
constexpr int32_t kBuffers = 6;
constexpr int32_t kBuffersPerSecond = 50;

}  // namespace

struct AudioDevice {
  AudioDevice(int32_t rate, int32_t voices_max) : mixer(rate, voices_max) {}

  std::mutex lock;
  win32::Mixer mixer;  // under lock
  HWAVEOUT wave = nullptr;
  HANDLE returned = nullptr;  // set by waveOut whenever a buffer comes back
  WAVEHDR headers[kBuffers] = {};
  std::vector<int16_t> blocks[kBuffers];
  std::atomic<bool> closing{false};
  std::thread thread;
  // waveOut counts the frames played in 32 bits; extended here, under lock.
  int64_t heard = 0;
  DWORD heard_last = 0;
};

namespace {

// Mixes and queues every buffer that waveOut has done with, until closed.
void feed(AudioDevice* d) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  while (!d->closing.load()) {
    WaitForSingleObject(d->returned, INFINITE);
    if (d->closing.load()) break;
    for (int32_t i = 0; i < kBuffers; ++i) {
      WAVEHDR& h = d->headers[i];
      if ((h.dwFlags & WHDR_DONE) == 0) continue;
      {
        const std::lock_guard<std::mutex> hold(d->lock);
        d->mixer.mix(d->blocks[i].data(), static_cast<int64_t>(d->blocks[i].size() / 2));
      }
      h.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
      waveOutWrite(d->wave, &h, sizeof h);
    }
  }
}

// The frames played since the open, as far as waveOut knows.
int64_t heard(AudioDevice* d) {
  MMTIME time = {};
  time.wType = TIME_SAMPLES;
  // Asked outside the lock: waveOut has locks of its own, which the feeding
  // thread holds in waveOutWrite.
  const bool known = waveOutGetPosition(d->wave, &time, sizeof time) == MMSYSERR_NOERROR;
  DWORD frames = 0;
  if (known && time.wType == TIME_SAMPLES) frames = time.u.sample;
  if (known && time.wType == TIME_BYTES) frames = time.u.cb / 4;
  const std::lock_guard<std::mutex> hold(d->lock);
  if (!known || (time.wType != TIME_SAMPLES && time.wType != TIME_BYTES)) {
    // No clock: what is mixed counts as heard.
    return d->mixer.mixed();
  }
  const DWORD ahead = frames - d->heard_last;  // modulo 2^32
  // A caller that read the clock a moment before another comes second.
  if (ahead < 0x80000000u) {
    d->heard += ahead;
    d->heard_last = frames;
  }
  return d->heard;
}

void say_no_device() {
  std::fputs("no sound device: no audio output could be opened; the game plays silent\n", stderr);
}

// Releases what open made, in the reverse order; the thread is joined first
// so that nothing writes to the device as it goes.
void release(AudioDevice* d) {
  if (d->thread.joinable()) {
    d->closing.store(true);
    SetEvent(d->returned);
    d->thread.join();
  }
  if (d->wave != nullptr) {
    waveOutReset(d->wave);
    for (WAVEHDR& h : d->headers) {
      if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(d->wave, &h, sizeof h);
    }
    waveOutClose(d->wave);
  }
  if (d->returned != nullptr) CloseHandle(d->returned);
  delete d;
}

class WaveOutAudio final : public Audio {
 public:
  AudioDevice* open(int32_t mix_rate, int32_t voices_max) override {
    if (mix_rate <= 0 || voices_max <= 0) return nullptr;
    if (waveOutGetNumDevs() == 0) {
      say_no_device();
      return nullptr;
    }
    auto* d = new AudioDevice(mix_rate, voices_max);
    d->returned = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(mix_rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (d->returned == nullptr ||
        waveOutOpen(&d->wave, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(d->returned), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
      d->wave = nullptr;
      release(d);
      say_no_device();
      return nullptr;
    }
    const int32_t frames = mix_rate / kBuffersPerSecond > 0 ? mix_rate / kBuffersPerSecond : 1;
    for (int32_t i = 0; i < kBuffers; ++i) {
      d->blocks[i].assign(static_cast<size_t>(frames) * kAudioSides, 0);
      WAVEHDR& h = d->headers[i];
      h.lpData = reinterpret_cast<LPSTR>(d->blocks[i].data());
      h.dwBufferLength = static_cast<DWORD>(d->blocks[i].size() * sizeof(int16_t));
      if (waveOutPrepareHeader(d->wave, &h, sizeof h) != MMSYSERR_NOERROR) {
        release(d);
        say_no_device();
        return nullptr;
      }
      // As if just played: the thread fills and queues them all at once.
      h.dwFlags |= WHDR_DONE;
    }
    d->thread = std::thread(feed, d);
    SetEvent(d->returned);
    return d;
  }

  void close(AudioDevice* device) override {
    if (device != nullptr) release(device);
  }

  AudioSample sample_create(AudioDevice* device, const SampleFormat& format, const uint8_t* data,
                            size_t bytes) override {
    if (device == nullptr) return AudioSample::None;
    const std::lock_guard<std::mutex> hold(device->lock);
    return static_cast<AudioSample>(device->mixer.sample_add(format, data, bytes));
  }

  void sample_delete(AudioDevice* device, AudioSample sample) override {
    if (device == nullptr) return;
    const std::lock_guard<std::mutex> hold(device->lock);
    device->mixer.sample_remove(static_cast<uint32_t>(sample));
  }

  AudioVoice voice_create(AudioDevice* device, AudioSample sample) override {
    if (device == nullptr) return AudioVoice::None;
    const std::lock_guard<std::mutex> hold(device->lock);
    return static_cast<AudioVoice>(device->mixer.voice_add(static_cast<uint32_t>(sample)));
  }

  void voice_delete(AudioDevice* device, AudioVoice voice) override {
    if (device == nullptr) return;
    const std::lock_guard<std::mutex> hold(device->lock);
    device->mixer.voice_remove(static_cast<uint32_t>(voice));
  }

  bool voice_set_gains(AudioDevice* device, AudioVoice voice,
                       const double gains[kAudioSides]) override {
    if (device == nullptr) return false;
    const std::lock_guard<std::mutex> hold(device->lock);
    return device->mixer.set_gains(static_cast<uint32_t>(voice), gains);
  }

  bool voice_gains(AudioDevice* device, AudioVoice voice, double gains[kAudioSides]) override {
    if (device == nullptr) return false;
    const std::lock_guard<std::mutex> hold(device->lock);
    return device->mixer.gains(static_cast<uint32_t>(voice), gains);
  }

  bool voice_play(AudioDevice* device, AudioVoice voice, bool loop) override {
    if (device == nullptr) return false;
    const std::lock_guard<std::mutex> hold(device->lock);
    return device->mixer.play(static_cast<uint32_t>(voice), loop);
  }

  bool voice_stop(AudioDevice* device, AudioVoice voice) override {
    if (device == nullptr) return false;
    const std::lock_guard<std::mutex> hold(device->lock);
    return device->mixer.stop(static_cast<uint32_t>(voice));
  }

  // Both as heard, not as mixed, which is ahead by what waveOut holds.
  bool voice_playing(AudioDevice* device, AudioVoice voice) override {
    if (device == nullptr) return false;
    const int64_t at = heard(device);
    const std::lock_guard<std::mutex> hold(device->lock);
    return device->mixer.playing(static_cast<uint32_t>(voice), at);
  }

  bool voice_position(AudioDevice* device, AudioVoice voice, int64_t* frames) override {
    if (device == nullptr) return false;
    const int64_t at = heard(device);
    const std::lock_guard<std::mutex> hold(device->lock);
    return device->mixer.position(static_cast<uint32_t>(voice), at, frames);
  }
};

}  // namespace

namespace win32 {

std::unique_ptr<Audio> make_waveout_audio() { return std::make_unique<WaveOutAudio>(); }

}  // namespace win32

}  // namespace zrv::platform
