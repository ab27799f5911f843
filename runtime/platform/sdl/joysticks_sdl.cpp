// Game controllers through SDL's joystick layer: axes, hats and buttons
// read on demand, rumble through the controller's motors. Gamepads through
// SDL's controller layer, which lays out every pad its database knows as
// the same named buttons and axes.
#include "platform/sdl/joysticks_sdl.hpp"

#include <SDL.h>

#include <map>
#include <string>
#include <vector>

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
    for (auto& [id, pad] : pads_) SDL_GameControllerClose(pad);
    pads_.clear();
    if (pad_subsystem_) {
      SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
      pad_subsystem_ = false;
    }
  }

  void pads(std::vector<PadSeen>* seen) override {
    seen->clear();
    if (!pad_subsystem_) {
      if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;
      pad_subsystem_ = true;
    }
    // SDL looks for devices plugged in or out here; its events of them go
    // to the message pump, which takes no notice of them.
    SDL_GameControllerUpdate();
    for (auto it = pads_.begin(); it != pads_.end();) {
      if (SDL_GameControllerGetAttached(it->second)) {
        ++it;
        continue;
      }
      SDL_GameControllerClose(it->second);
      it = pads_.erase(it);
    }
    const int n = SDL_NumJoysticks();
    for (int i = 0; i < n; ++i) {
      if (!SDL_IsGameController(i)) continue;
      const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
      auto it = pads_.find(id);
      if (it == pads_.end()) {
        SDL_GameController* pad = SDL_GameControllerOpen(i);
        if (pad == nullptr) continue;
        it = pads_.emplace(id, pad).first;
      }
      const char* name = SDL_GameControllerName(it->second);
      seen->push_back({id, name ? name : ""});
    }
  }

  bool pad_read(int64_t id, PadState* state) override {
    auto it = pads_.find(static_cast<SDL_JoystickID>(id));
    if (it == pads_.end() || !SDL_GameControllerGetAttached(it->second)) return false;
    SDL_GameController* pad = it->second;
    PadState s;
    for (int a = 0; a < kPadAxes; ++a) {
      s.axes[a] = SDL_GameControllerGetAxis(pad, static_cast<SDL_GameControllerAxis>(a));
    }
    // The runtime's numbers are SDL's: A .. D-pad right, left x .. right trigger.
    for (int b = 0; b < kPadButtons; ++b) {
      if (SDL_GameControllerGetButton(pad, static_cast<SDL_GameControllerButton>(b))) {
        s.buttons = static_cast<uint16_t>(s.buttons | 1u << b);
      }
    }
    *state = s;
    return true;
  }

 private:
  bool pad_subsystem_ = false;
  std::map<SDL_JoystickID, SDL_GameController*> pads_;
};

static_assert(SDL_CONTROLLER_BUTTON_DPAD_RIGHT == kPadButtons - 1);
static_assert(SDL_CONTROLLER_AXIS_TRIGGERRIGHT == kPadAxes - 1);

}  // namespace

std::unique_ptr<Joysticks> make_sdl_joysticks() { return std::make_unique<SdlJoysticks>(); }

}  // namespace zrv::platform
