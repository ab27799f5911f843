// What the page gives the web platform: the canvas the program draws on,
// its input as the runtime's events, and the state the keyboard and the
// mouse read. The browser calls the handlers between two turns of the
// program, so nothing here needs a lock.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "platform/joysticks.hpp"
#include "platform/keyboard.hpp"
#include "platform/media.hpp"
#include "platform/mouse.hpp"
#include "platform/platform.hpp"

namespace zrv::platform::web {

// The canvas every window of the program is (the page has one).
inline constexpr const char* kCanvas = "#canvas";

struct PageInput {
  std::deque<Event> events;
  uint8_t keys[256] = {};  // 0x80: down, by scan code
  bool focused = true;
  bool mouse_open = false;
  int32_t x = 0, y = 0;    // the pointer in canvas pixels
  int32_t dx = 0, dy = 0;  // motion since the mouse device's last read
  int32_t wheel = 0;       // wheel steps since that read
  uint32_t buttons = 0;    // bit 0 left, 1 right, 2 middle
  PointerSink sink = nullptr;
};
PageInput& page_input();
// Registers the page's input handlers (once).
void page_input_install();
// A key's scan code from KeyboardEvent.code, 0 for keys the runtime has no code for.
int32_t scan_from_key_code(const char* code);

std::unique_ptr<Backend> make_web_backend(std::string* failure);
std::unique_ptr<Keyboard> make_web_keyboard();
std::unique_ptr<Mouse> make_web_mouse();
std::unique_ptr<Joysticks> make_web_gamepads();
std::unique_ptr<Media> make_web_media();

}  // namespace zrv::platform::web
