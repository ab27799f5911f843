// The decibel model of sound levels: a volume in hundredths of a decibel
// (-10000 is silence, 0 the sample as it is) and a pan from -10000 (left)
// to 10000 (right) that turns the side it points away from down by as many
// hundredths of a decibel. The output plays each side at a linear gain.
#pragma once

#include <cstdint>

#include "platform/audio.hpp"

namespace zrv {

constexpr int32_t kVolumeSilent = -10000;
constexpr int32_t kPanLeft = -10000;
constexpr int32_t kPanRight = 10000;

// Volume 0..100 to hundredths of a decibel: 2000 * log10(volume / 100)
// truncated, -10000 below 1.
int32_t sound_volume_to_platform(int32_t volume);
// Hundredths of a decibel to linear gain (-10000 is silence) and back.
double sound_platform_to_gain(int32_t volume);
int32_t sound_gain_to_platform(double gain);

// The sides' gains for a volume of -10000..0 (louder than the sample is not
// a volume the output takes) and a pan of -10000..10000; false outside.
bool sound_side_gains(int32_t volume, int32_t pan, double gains[platform::kAudioSides]);
// What the sides' gains stand for: the volume is the louder side, the pan
// how much further the other one is turned down. A side at silence cannot
// tell how far past it a pan went.
int32_t sound_volume_of_gains(const double gains[platform::kAudioSides]);
int32_t sound_pan_of_gains(const double gains[platform::kAudioSides]);

}  // namespace zrv
