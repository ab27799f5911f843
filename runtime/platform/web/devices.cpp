// The web platform: the page's canvas with WebGL, its keyboard, mouse,
// touch and gamepads; OpenAL on Web Audio for sound; the page's audio and
// video elements for music and video.
#include "platform/openal/audio_openal.hpp"
#include "platform/web/web_page.hpp"

namespace zrv::platform {

const char* platform_name() { return "web"; }

bool windowed_devices_make(WindowedDevices* made, std::string* failure) {
  made->backend = web::make_web_backend(failure);
  if (!made->backend) return false;
  made->keyboard = web::make_web_keyboard();
  made->mouse = web::make_web_mouse();
  return true;
}

std::unique_ptr<Joysticks> make_joysticks() { return web::make_web_gamepads(); }

std::unique_ptr<Audio> make_audio() { return make_openal_audio(); }

std::unique_ptr<Media> make_media(const char*) { return web::make_web_media(); }

}  // namespace zrv::platform
