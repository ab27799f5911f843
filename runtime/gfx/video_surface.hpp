// Video pictures drawn into the game's window, scaled to fit and centred.
#pragma once

#include <cstdint>

namespace zrv {

class OpenGLVireo;
struct NativeWindow;
namespace platform {
using Window = ::zrv::NativeWindow;
struct MediaPlayer;
}  // namespace platform

// Where a picture of sw x sh is shown in a client area of cw x ch: scaled
// by the smaller of the two ratios, centred.
struct VideoRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};
VideoRect video_fit(int32_t sw, int32_t sh, int32_t cw, int32_t ch);

// The GL entry points the media player draws with.
void* video_gl_lookup(const char* name);

// The surface a clip is drawn through, for a window's client area of
// cw x ch and the picture's place rect in it.
class VideoSurface;
VideoSurface* video_surface_create(platform::Window* window, int32_t cw, int32_t ch,
                                   const VideoRect& rect);
// Draws the player's newest picture, if there is one, and shows it.
void video_surface_show(VideoSurface* surface, platform::MediaPlayer* player);
void video_surface_destroy(VideoSurface* surface);
// The 2D drawing state the game expects, after the player changed it.
void video_surface_restore_2d(OpenGLVireo* r);

}  // namespace zrv
