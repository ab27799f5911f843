// Game controllers through SDL's joystick layer: axes, hats and buttons
// read on demand, rumble through the controller's motors.
#include "platform/sdl/joysticks_sdl.hpp"

#include <SDL.h>

#include <string>

#include "platform/joysticks.hpp"
#include "platform/sdl/sdl_devices.hpp"

namespace zrv::platform {

struct JoystickDevice {
  SDL_Joystick* joystick = nullptr;
};

namespace {

bool g_subsystem = false;
int32_t g_open_devices = 0;

bool subsystem_up() {
  if (g_subsystem) return true;
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
  g_subsystem = true;
  return true;
}

}  // namespace

uint32_t joystick_hat_to_angle(uint8_t hat_bits) {
  switch (hat_bits) {
    case SDL_HAT_UP:
      return 0;
    case SDL_HAT_RIGHTUP:
      return 4500;
    case SDL_HAT_RIGHT:
      return 9000;
    case SDL_HAT_RIGHTDOWN:
      return 13500;
    case SDL_HAT_DOWN:
      return 18000;
    case SDL_HAT_LEFTDOWN:
      return 22500;
    case SDL_HAT_LEFT:
      return 27000;
    case SDL_HAT_LEFTUP:
      return 31500;
    default:
      return 0xFFFFFFFFu;
  }
}

int32_t joystick_axis_scale(int16_t value) {
  // SDL's range ends at 32767 on the positive side; stretching truncates, so
  // every value below the top keeps its number and only the end moves.
  if (value <= 0) return value;
  return static_cast<int32_t>(static_cast<int64_t>(value) * 32768 / 32767);
}

namespace {

class SdlJoysticks final : public Joysticks {
 public:
  int32_t count() override {
    if (!subsystem_up()) return 0;
    const int n = SDL_NumJoysticks();
    return n > 0 ? n : 0;
  }

  JoystickDevice* open(int32_t index, std::string* name) override {
    if (!subsystem_up()) return nullptr;
    SDL_Joystick* j = SDL_JoystickOpen(index);
    if (j == nullptr) return nullptr;
    // SDL knows one name per controller; it serves as instance and product.
    const char* n = SDL_JoystickName(j);
    const std::string product = n ? n : "Joystick";
    if (name) *name = product + ", " + product;
    auto* device = new JoystickDevice;
    device->joystick = j;
    ++g_open_devices;
    return device;
  }

  void close(JoystickDevice* device) override {
    if (device == nullptr) return;
    if (device->joystick) SDL_JoystickClose(device->joystick);
    delete device;
    --g_open_devices;
  }

  bool read(JoystickDevice* device, JoystickState* state) override {
    if (device == nullptr || device->joystick == nullptr) return false;
    SDL_Joystick* j = device->joystick;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(j)) return false;
    JoystickState s;
    const int axes = SDL_JoystickNumAxes(j);
    for (int i = 0; i < 6 && i < axes; ++i)
      s.axes[i] = joystick_axis_scale(SDL_JoystickGetAxis(j, i));
    for (int i = 0; i < 2 && 6 + i < axes; ++i) {
      s.sliders[i] = joystick_axis_scale(SDL_JoystickGetAxis(j, 6 + i));
    }
    const int hats = SDL_JoystickNumHats(j);
    for (int i = 0; i < 4 && i < hats; ++i)
      s.hats[i] = joystick_hat_to_angle(SDL_JoystickGetHat(j, i));
    const int buttons = SDL_JoystickNumButtons(j);
    for (int i = 0; i < 32 && i < buttons; ++i) {
      s.buttons[i] = SDL_JoystickGetButton(j, i) ? 0x80 : 0;
    }
    *state = s;
    return true;
  }

  bool has_rumble(JoystickDevice* device) override {
    return device != nullptr && device->joystick != nullptr &&
           SDL_JoystickHasRumble(device->joystick) == SDL_TRUE;
  }

  bool rumble(JoystickDevice* device, uint16_t strength, uint32_t ms) override {
    if (!has_rumble(device)) return false;
    return SDL_JoystickRumble(device->joystick, strength, strength, ms) == 0;
  }

  void release() override {
    if (g_subsystem && g_open_devices == 0) {
      SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
      g_subsystem = false;
    }
  }
};

}  // namespace

std::unique_ptr<Joysticks> make_sdl_joysticks() { return std::make_unique<SdlJoysticks>(); }

}  // namespace zrv::platform
