// The desktop platform: SDL for the window system, its input and
// controllers, OpenAL for sound and libmpv for music and video.
#include "platform/mpv/media_mpv.hpp"
#include "platform/openal/audio_openal.hpp"
#include "platform/sdl/sdl_devices.hpp"

namespace zrv::platform {

const char* platform_name() { return "sdl"; }

bool windowed_devices_make(WindowedDevices* made, std::string* failure) {
  made->backend = make_sdl_backend(failure);
  if (!made->backend) return false;
  made->keyboard = make_sdl_keyboard();
  made->mouse = make_sdl_mouse();
  return true;
}

std::unique_ptr<Joysticks> make_joysticks() { return make_sdl_joysticks(); }

std::unique_ptr<Audio> make_audio() { return make_openal_audio(); }

std::unique_ptr<Media> make_media(const char* default_audio_output) {
  return make_mpv_media(default_audio_output);
}

}  // namespace zrv::platform
