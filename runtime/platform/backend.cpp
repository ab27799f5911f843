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
  std::unique_ptr<Audio> audio;
  std::unique_ptr<Media> media;
  std::unique_ptr<Audio> null_audio;  // the fallback when the output cannot open
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

template <class T>
std::unique_ptr<T> headless() {
  return std::make_unique<T>();
}

std::unique_ptr<Media> own_media() { return make_media(""); }

}  // namespace

Backend& backend() { return or_make(in_use().backend, make_headless_backend); }
Keyboard& keyboard() { return or_make(in_use().keyboard, headless<Keyboard>); }
Mouse& mouse() { return or_make(in_use().mouse, headless<Mouse>); }
Joysticks& joysticks() { return or_make(in_use().joysticks, make_joysticks); }
Audio& audio() { return or_make(in_use().audio, make_audio); }
Media& media() { return or_make(in_use().media, own_media); }
Audio& null_audio() { return or_make(in_use().null_audio, make_null_audio); }

bool select_backend(bool headless_run, std::string* failure) {
  InUse& u = in_use();
  if (!headless_run) {
    WindowedDevices made;
    if (windowed_devices_make(&made, failure)) {
      u.backend = std::move(made.backend);
      u.keyboard = std::move(made.keyboard);
      u.mouse = std::move(made.mouse);
      u.joysticks = make_joysticks();
      u.audio = make_audio();
      u.media = own_media();
      return true;
    }
  }
  u.backend = make_headless_backend();
  u.keyboard = headless<Keyboard>();
  u.mouse = headless<Mouse>();
  u.joysticks = headless<Joysticks>();
  u.audio = make_null_audio();
  u.media = make_media("null");
  return headless_run;
}

}  // namespace zrv::platform
