// Volume and pan in hundredths of a decibel, and the sides' gains.
#include "sound/sound_levels.hpp"

#include <algorithm>
#include <cmath>

namespace zrv {

namespace {

// A side's attenuation in hundredths of a decibel: the volume, and the pan
// on the side it turns away from.
int32_t side_attenuation(int32_t volume, int32_t pan, int32_t side) {
  return volume + std::min(0, side == platform::kAudioLeft ? -pan : pan);
}

}  // namespace

int32_t sound_volume_to_platform(int32_t volume) {
  if (volume < 1) return kVolumeSilent;
  return static_cast<int32_t>(2000.0 * std::log10(volume / 100.0));
}

double sound_platform_to_gain(int32_t volume) {
  if (volume <= kVolumeSilent) return 0.0;
  return std::pow(10.0, volume / 2000.0);
}

int32_t sound_gain_to_platform(double gain) {
  if (!(gain > 0)) return kVolumeSilent;
  const double v = std::round(2000.0 * std::log10(gain));
  return v < kVolumeSilent ? kVolumeSilent : static_cast<int32_t>(v);
}

bool sound_side_gains(int32_t volume, int32_t pan, double gains[platform::kAudioSides]) {
  if (volume > 0 || volume < kVolumeSilent || pan < kPanLeft || pan > kPanRight) return false;
  for (int32_t side : {platform::kAudioLeft, platform::kAudioRight}) {
    gains[side] = sound_platform_to_gain(side_attenuation(volume, pan, side));
  }
  return true;
}

int32_t sound_volume_of_gains(const double gains[platform::kAudioSides]) {
  return std::max(sound_gain_to_platform(gains[platform::kAudioLeft]),
                  sound_gain_to_platform(gains[platform::kAudioRight]));
}

int32_t sound_pan_of_gains(const double gains[platform::kAudioSides]) {
  return sound_gain_to_platform(gains[platform::kAudioRight]) -
         sound_gain_to_platform(gains[platform::kAudioLeft]);
}

}  // namespace zrv
