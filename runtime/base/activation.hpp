// Pause and resume by window activation, and the switches of that and of
// the quit key.
#pragma once

#include <cstdint>

namespace zrv {

// The window was deactivated (1) or activated (0): with auto-pause on, the
// program pauses or resumes and the game's "ZRV_ON_PAUSE" or
// "ZRV_ON_RESUME" runs.
void app_activation_changed(int32_t deactivated);
void app_set_autopause(int32_t flag);
void app_set_escape_quits(int32_t flag);

}  // namespace zrv
