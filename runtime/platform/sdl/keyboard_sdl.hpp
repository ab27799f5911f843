// The scan-code table between SDL's keys (USB usage numbers) and the
// runtime's scan codes, for the SDL backend's key events.
#pragma once

#include <cstdint>

namespace zrv::platform {

// Scan code of an SDL scancode, 0 for keys without one.
int32_t keyboard_scan_from_sdl(int32_t sdl_scancode);
// The SDL scancode of a scan code, 0 when none.
int32_t keyboard_sdl_from_scan(int32_t scan);

}  // namespace zrv::platform
