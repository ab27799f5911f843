// The mouse as a device (motion, wheel and buttons, in shared or exclusive
// access) and the pointer messages of the mouse and of touch contacts. The
// cursor itself, its shape and position, is the backend's.
#pragma once

#include <cstdint>

#include "platform/platform.hpp"

namespace zrv::platform {

struct MouseDeviceState {
  int32_t dx = 0, dy = 0;   // relative motion since the last read
  int32_t dz = 0;           // wheel steps since the last read (positive: away from the user)
  uint8_t buttons[4] = {};  // 0x80 = down: left, right, middle, fourth
};

// A pointer message: kind -1 up, 0 update, 1 down; id never 0; flags as the
// pointer flags of the runtime (kFirstButton, kSecondButton, kThirdButton
// down); x, y in client pixels of the window. The mouse is pointer
// kMousePointerId; touch contacts take the ids after it.
constexpr uint32_t kFirstButton = 0x10;
constexpr uint32_t kSecondButton = 0x20;
constexpr uint32_t kThirdButton = 0x40;
constexpr int32_t kMousePointerId = 1;
struct PointerInfo {
  uint32_t flags = 0;
  int32_t x = 0, y = 0;
};
using PointerSink = void (*)(int32_t kind, int32_t id, const PointerInfo& info);

// The defaults are those of a platform without a mouse device: it does not
// open, nothing is read, no button is down and there is no touch device.
class Mouse {
 public:
  virtual ~Mouse() = default;

  // Opens the mouse device for the window: wheel steps and pointer messages
  // start to be collected. False when there is no mouse.
  virtual bool open(Window* window) { return false; }
  virtual void close() {}
  // Exclusive access: the device delivers relative motion and the cursor is
  // hidden and held by the window. Shared access: the cursor moves freely.
  // False when the access could not be set.
  virtual bool acquire(bool exclusive) { return false; }
  virtual void unacquire() {}
  // Reads the device: the motion and wheel steps collected since the last
  // read (taken), and the buttons. False when the device is not acquired.
  virtual bool read(MouseDeviceState* state) { return false; }
  // Buttons as the window system sees them right now, without waiting for
  // messages: bit 0 left, bit 1 right, bit 2 middle.
  virtual uint32_t async_buttons() { return 0; }

  // Number of touch devices the window system reports.
  virtual int32_t touch_device_count() { return 0; }
  // Where touch contacts and the mouse, as pointers, are delivered (null:
  // nowhere).
  virtual void pointer_sink_set(PointerSink sink) {}
};

}  // namespace zrv::platform
