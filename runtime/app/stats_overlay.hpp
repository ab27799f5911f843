// The frame-time overlay (--stats, or F12 where the game allows it): frames
// per second, the last 120 frame times as a graph, and the draws and
// sprites of the last frame, drawn over the finished frame after the
// screenshot is taken and leaving every drawing setting of the game as it
// was.
#pragma once

#include <cstdint>

namespace zrv {

class OpenGLVireo;

constexpr int32_t kStatsFrames = 120;

// Called once a frame as it is finished: takes the frame's time, draws and
// sprites, and toggles the overlay on F12 when the game allows it.
void stats_overlay_frame();
// Draws the overlay into the back buffer when it is shown.
void stats_overlay_draw(OpenGLVireo* r);
// A frame's numbers, as stats_overlay_frame takes them (for tests).
void stats_overlay_record(double frame_ms, int64_t draws, int64_t sprites);

void stats_overlay_show(int32_t flag);
int32_t stats_overlay_shown();
void app_set_stats_key(int32_t flag);

}  // namespace zrv
