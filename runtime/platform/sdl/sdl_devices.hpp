// The SDL window system's backend and input devices.
#pragma once

#include <memory>
#include <string>

#include "platform/joysticks.hpp"
#include "platform/keyboard.hpp"
#include "platform/mouse.hpp"
#include "platform/platform.hpp"

namespace zrv::platform {

// Null, with *failure, when SDL's video cannot start.
std::unique_ptr<Backend> make_sdl_backend(std::string* failure = nullptr);
std::unique_ptr<Keyboard> make_sdl_keyboard();
std::unique_ptr<Mouse> make_sdl_mouse();
std::unique_ptr<Joysticks> make_sdl_joysticks();

}  // namespace zrv::platform
