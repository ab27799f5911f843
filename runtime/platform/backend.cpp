// The choice of the backend and its devices.
#include "platform/audio.hpp"
#include "platform/joysticks.hpp"
#include "platform/keyboard.hpp"
#include "platform/media.hpp"
#include "platform/mouse.hpp"
#include "platform/platform.hpp"

namespace zrv::platform {

namespace {

struct InUse {
  std::unique_ptr<Backend> backend;
  std::unique_ptr<Keyboard> keyboard;
  std::unique_ptr<Mouse> mouse;
  std::unique_ptr<Joysticks> joysticks;
  std::unique_ptr<Media> media;
  std::unique_ptr<Audio> audio;
};

InUse& in_use() {
  static InUse devices;
  return devices;
}

template <class T, class Make>
T& or_make(std::unique_ptr<T>& device, Make make) {
  if (!device) device = make();
  return *device;
}

}  // namespace

Backend& backend() { return or_make(in_use().backend, make_headless_backend); }

Keyboard& keyboard() {
  return or_make(in_use().keyboard, [] { return std::make_unique<Keyboard>(); });
}

Mouse& mouse() {
  return or_make(in_use().mouse, [] { return std::make_unique<Mouse>(); });
}

Joysticks& joysticks() { return or_make(in_use().joysticks, make_sdl_joysticks); }

Media& media() {
  return or_make(in_use().media, [] { return make_mpv_media(""); });
}

Audio& audio() { return or_make(in_use().audio, make_openal_audio); }

bool select_backend(bool headless, std::string* failure) {
  InUse& u = in_use();
  if (!headless) {
    u.backend = make_sdl_backend(failure);
    if (u.backend) {
      u.keyboard = make_sdl_keyboard();
      u.mouse = make_sdl_mouse();
      u.joysticks = make_sdl_joysticks();
      u.media = make_mpv_media("");
      u.audio = make_openal_audio();
      return true;
    }
  }
  u.backend = make_headless_backend();
  u.keyboard = std::make_unique<Keyboard>();
  u.mouse = std::make_unique<Mouse>();
  u.joysticks = std::make_unique<Joysticks>();
  u.media = make_mpv_media("null");
  u.audio = std::make_unique<Audio>();
  return headless;
}

}  // namespace zrv::platform
