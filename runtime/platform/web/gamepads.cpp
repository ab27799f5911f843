// Gamepads through the browser's Gamepad API. A pad with the standard
// mapping reads as the same pad does on the desktop (left stick X, Y, left
// trigger Z, right stick Rx, Ry, right trigger Rz, the D-pad as hat 0, the
// buttons in the gamepad driver's order); any other reads its first six
// axes and 32 buttons as they come.
#include <emscripten/html5.h>

#include <cmath>
#include <cstring>

#include "platform/web/web_page.hpp"
// The desktop's layout of an XInput pad: a standard-mapping gamepad has
// the same controls, so it goes through the same arithmetic.
#include "platform/win32/pad_mapping.hpp"

namespace zrv {
namespace platform {

struct JoystickDevice {
  int32_t index = 0;
};

namespace web {

namespace {

int16_t to_short(double v) {
  const double clamped = v < -1 ? -1 : v > 1 ? 1 : v;
  return static_cast<int16_t>(std::lround(clamped * 32767));
}

class WebGamepads final : public Joysticks {
 public:
  int32_t count() override {
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return 0;
    const int n = emscripten_get_num_gamepads();
    return n > 0 ? n : 0;
  }
  JoystickDevice* open(int32_t index, std::string* name) override {
    EmscriptenGamepadEvent g;
    if (!sample(index, &g)) return nullptr;
    if (name != nullptr) *name = g.id;
    auto* d = new JoystickDevice;
    d->index = index;
    return d;
  }
  void close(JoystickDevice* device) override { delete device; }
  // Gamepads are the pads with the standard mapping; the browser's index
  // stays a pad's own while it stays connected.
  void pads(std::vector<PadSeen>* seen) override {
    seen->clear();
    const int32_t n = count();
    for (int32_t i = 0; i < n; ++i) {
      EmscriptenGamepadEvent g;
      if (sample(i, &g) && std::strcmp(g.mapping, "standard") == 0) seen->push_back({i, g.id});
    }
  }
  bool pad_read(int64_t id, PadState* state) override {
    EmscriptenGamepadEvent g;
    if (!sample(static_cast<int32_t>(id), &g) || std::strcmp(g.mapping, "standard") != 0) {
      return false;
    }
    *state = win32::pad_state_from_xinput(standard_pad(g));
    return true;
  }
  bool read(JoystickDevice* device, JoystickState* state) override {
    EmscriptenGamepadEvent g;
    if (device == nullptr || !sample(device->index, &g)) return false;
    if (std::strcmp(g.mapping, "standard") == 0) {
      *state = standard(g);
      return true;
    }
    JoystickState s;
    for (int i = 0; i < 6 && i < g.numAxes; ++i) {
      s.axes[i] = win32::axis_stretch(to_short(g.axis[i]));
    }
    for (int i = 0; i < 32 && i < g.numButtons; ++i) s.buttons[i] = g.digitalButton[i] ? 0x80 : 0;
    *state = s;
    return true;
  }

 private:
  static bool sample(int32_t index, EmscriptenGamepadEvent* g) {
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return false;
    return emscripten_get_gamepad_status(index, g) == EMSCRIPTEN_RESULT_SUCCESS && g->connected;
  }
  static JoystickState standard(const EmscriptenGamepadEvent& g) {
    return win32::joystick_state_from_xinput(standard_pad(g));
  }
  static win32::XInputPad standard_pad(const EmscriptenGamepadEvent& g) {
    using namespace win32;
    // The standard mapping's button numbers of each XInput button bit.
    static constexpr struct {
      int button;
      uint16_t bit;
    } kButtons[] = {{0, kPadA},
                    {1, kPadB},
                    {2, kPadX},
                    {3, kPadY},
                    {4, kPadLeftShoulder},
                    {5, kPadRightShoulder},
                    {8, kPadBack},
                    {9, kPadStart},
                    {10, kPadLeftThumb},
                    {11, kPadRightThumb},
                    {12, kPadUp},
                    {13, kPadDown},
                    {14, kPadLeft},
                    {15, kPadRight},
                    {16, kPadGuide}};
    XInputPad pad;
    for (const auto& b : kButtons) {
      if (b.button < g.numButtons && g.digitalButton[b.button]) pad.buttons |= b.bit;
    }
    auto trigger = [&](int b) {
      return static_cast<uint8_t>(b < g.numButtons ? std::lround(g.analogButton[b] * 255) : 0);
    };
    pad.left_trigger = trigger(6);
    pad.right_trigger = trigger(7);
    // The browser counts down as positive on a stick; XInput up.
    auto axis = [&](int a, bool flip) {
      const double v = a < g.numAxes ? g.axis[a] : 0;
      return to_short(flip ? -v : v);
    };
    pad.thumb_lx = axis(0, false);
    pad.thumb_ly = axis(1, true);
    pad.thumb_rx = axis(2, false);
    pad.thumb_ry = axis(3, true);
    return pad;
  }
};

}  // namespace

std::unique_ptr<Joysticks> make_web_gamepads() { return std::make_unique<WebGamepads>(); }

}  // namespace web
}  // namespace platform
}  // namespace zrv
