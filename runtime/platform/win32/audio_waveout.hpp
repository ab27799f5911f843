// The Win32 sound output (audio_waveout.cpp).
#pragma once

#include <memory>

#include "platform/audio.hpp"

namespace zrv::platform::win32 {

std::unique_ptr<Audio> make_waveout_audio();

}  // namespace zrv::platform::win32
