// The Windows platform: the window system, keyboard and mouse on Win32 and
// WGL, the controllers on XInput and WinMM, music and video on MCI; sound
// on waveOut through a mixer of our own (the sound device falls back to the
// null output when it does not open).
#include "platform/audio.hpp"
#include "platform/joysticks.hpp"
#include "platform/media.hpp"
#include "platform/platform.hpp"
#include "platform/win32/audio_waveout.hpp"
#include "platform/win32/window_system.hpp"

namespace zrv::platform {

const char* platform_name() { return "win32"; }

bool windowed_devices_make(WindowedDevices* made, std::string* failure) {
  made->backend = win32::make_backend(failure);
  if (!made->backend) return false;
  made->keyboard = win32::make_keyboard();
  made->mouse = win32::make_mouse();
  return true;
}

std::unique_ptr<Joysticks> make_joysticks() { return win32::make_joysticks(); }

std::unique_ptr<Audio> make_audio() { return win32::make_waveout_audio(); }

std::unique_ptr<Media> make_media(const char* default_audio_output) {
  return win32::make_media(default_audio_output);
}

}  // namespace zrv::platform
