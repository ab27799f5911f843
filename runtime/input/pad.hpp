// Gamepads: controllers the platform knows the layout of, with named
// buttons and axes, plugged in and out while the program runs. Eight slots:
// a pad keeps its slot while it stays plugged in, an unplugged pad frees
// it, and a pad plugged in takes the lowest free one. Every command looks
// at what is plugged in and reads the device (no per-frame cache).
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"

namespace zrv {

constexpr int32_t kPadSlots = 8;

// Commands. Buttons and axes are numbered as platform::PadState has them.
int32_t pad_count();
int32_t pad_connected(int32_t index);
RtString pad_name(int32_t index);
int32_t pad_button(int32_t index, int32_t button);
double pad_axis(int32_t index, int32_t axis);

// Forgets the slots (the input object closing); the pads still plugged in
// take slots again from 0 at the next command.
void pad_close_all();

}  // namespace zrv
