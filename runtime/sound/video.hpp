// Full-window video clips: played by the media player, drawn into the
// game's window scaled to fit and centred, until the clip ends or a key is
// typed or a mouse button pressed. Blocking.
#pragma once

#include <cstdint>

#include "types/rt_string.hpp"

namespace zrv {

// 0 = played, 3 = not found or not playable (last_error is not changed).
int32_t video_play(const RtString& name);
// The same, starting the clip again at its end until stopped.
int32_t video_play_loop(const RtString& name);
// Stops a clip that is playing while the program ends.
void video_shutdown();

// Where a picture of sw x sh is shown in a client area of cw x ch: scaled
// by the smaller of the two ratios, centred.
struct VideoRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};
VideoRect video_fit(int32_t sw, int32_t sh, int32_t cw, int32_t ch);

}  // namespace zrv
