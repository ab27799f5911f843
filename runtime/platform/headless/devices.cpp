// The platform of a build without a window system: every run is headless,
// sound goes to the null output (which keeps time as a real one would) and
// no media player opens anything.
#include "platform/audio.hpp"
#include "platform/joysticks.hpp"
#include "platform/media.hpp"
#include "platform/platform.hpp"

namespace zrv::platform {

const char* platform_name() { return "headless"; }

bool windowed_devices_make(WindowedDevices* made, std::string* failure) {
  (void)made;
  if (failure != nullptr) *failure = "this build is of the headless platform";
  return false;
}

std::unique_ptr<Joysticks> make_joysticks() { return std::make_unique<Joysticks>(); }

std::unique_ptr<Audio> make_audio() { return make_null_audio(); }

std::unique_ptr<Media> make_media(const char*) { return std::make_unique<Media>(); }

}  // namespace zrv::platform
