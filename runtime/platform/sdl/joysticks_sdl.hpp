// The units of SDL's joystick layer turned into the runtime's.
#pragma once

#include <cstdint>

namespace zrv::platform {

// Hat position (SDL_HAT_* bits) in hundredths of a degree, 0xFFFFFFFF centred.
uint32_t joystick_hat_to_angle(uint8_t hat_bits);
// Axis value of SDL (-32768..32767) on -32768..32768.
int32_t joystick_axis_scale(int16_t value);

}  // namespace zrv::platform
