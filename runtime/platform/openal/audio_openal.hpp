// Sound output through OpenAL.
#pragma once

#include <memory>

#include "platform/audio.hpp"

namespace zrv::platform {

std::unique_ptr<Audio> make_openal_audio();

}  // namespace zrv::platform
