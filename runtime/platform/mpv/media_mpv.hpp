// Music and video through libmpv.
#pragma once

#include <memory>

#include "platform/media.hpp"

namespace zrv::platform {

// Its players use default_audio_output unless another output is set.
std::unique_ptr<Media> make_mpv_media(const char* default_audio_output);

}  // namespace zrv::platform
