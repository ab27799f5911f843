// The page's keyboard, mouse, wheel and touch, turned into the runtime's
// events and device states. Keys go by KeyboardEvent.code, which names the
// key's place whatever the layout (the runtime's scan codes do the same);
// typed characters come from KeyboardEvent.key.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/cp1252.hpp"
#include "platform/keyboard_layout.hpp"
#include "platform/web/web_page.hpp"

namespace zrv::platform::web {

namespace {

struct KeyName {
  const char* code;
  uint8_t scan;
};

// PC set-1 scan codes, 128 added for the extended keys.
constexpr KeyName kKeys[] = {
    {"Escape", 0x01},
    {"Digit1", 0x02},
    {"Digit2", 0x03},
    {"Digit3", 0x04},
    {"Digit4", 0x05},
    {"Digit5", 0x06},
    {"Digit6", 0x07},
    {"Digit7", 0x08},
    {"Digit8", 0x09},
    {"Digit9", 0x0A},
    {"Digit0", 0x0B},
    {"Minus", 0x0C},
    {"Equal", 0x0D},
    {"Backspace", 0x0E},
    {"Tab", 0x0F},
    {"KeyQ", 0x10},
    {"KeyW", 0x11},
    {"KeyE", 0x12},
    {"KeyR", 0x13},
    {"KeyT", 0x14},
    {"KeyY", 0x15},
    {"KeyU", 0x16},
    {"KeyI", 0x17},
    {"KeyO", 0x18},
    {"KeyP", 0x19},
    {"BracketLeft", 0x1A},
    {"BracketRight", 0x1B},
    {"Enter", 0x1C},
    {"ControlLeft", 0x1D},
    {"KeyA", 0x1E},
    {"KeyS", 0x1F},
    {"KeyD", 0x20},
    {"KeyF", 0x21},
    {"KeyG", 0x22},
    {"KeyH", 0x23},
    {"KeyJ", 0x24},
    {"KeyK", 0x25},
    {"KeyL", 0x26},
    {"Semicolon", 0x27},
    {"Quote", 0x28},
    {"Backquote", 0x29},
    {"ShiftLeft", 0x2A},
    {"Backslash", 0x2B},
    {"KeyZ", 0x2C},
    {"KeyX", 0x2D},
    {"KeyC", 0x2E},
    {"KeyV", 0x2F},
    {"KeyB", 0x30},
    {"KeyN", 0x31},
    {"KeyM", 0x32},
    {"Comma", 0x33},
    {"Period", 0x34},
    {"Slash", 0x35},
    {"ShiftRight", 0x36},
    {"NumpadMultiply", 0x37},
    {"AltLeft", 0x38},
    {"Space", 0x39},
    {"CapsLock", 0x3A},
    {"F1", 0x3B},
    {"F2", 0x3C},
    {"F3", 0x3D},
    {"F4", 0x3E},
    {"F5", 0x3F},
    {"F6", 0x40},
    {"F7", 0x41},
    {"F8", 0x42},
    {"F9", 0x43},
    {"F10", 0x44},
    {"NumLock", 0x45},
    {"ScrollLock", 0x46},
    {"Numpad7", 0x47},
    {"Numpad8", 0x48},
    {"Numpad9", 0x49},
    {"NumpadSubtract", 0x4A},
    {"Numpad4", 0x4B},
    {"Numpad5", 0x4C},
    {"Numpad6", 0x4D},
    {"NumpadAdd", 0x4E},
    {"Numpad1", 0x4F},
    {"Numpad2", 0x50},
    {"Numpad3", 0x51},
    {"Numpad0", 0x52},
    {"NumpadDecimal", 0x53},
    {"IntlBackslash", 0x56},
    {"F11", 0x57},
    {"F12", 0x58},
    {"F13", 0x64},
    {"F14", 0x65},
    {"F15", 0x66},
    {"KanaMode", 0x70},
    {"IntlRo", 0x73},
    {"Convert", 0x79},
    {"NonConvert", 0x7B},
    {"IntlYen", 0x7D},
    {"NumpadEqual", 0x8D},
    {"MediaTrackPrevious", 0x90},
    {"MediaTrackNext", 0x99},
    {"NumpadEnter", 0x9C},
    {"ControlRight", 0x9D},
    {"AudioVolumeMute", 0xA0},
    {"LaunchApp2", 0xA1},
    {"MediaPlayPause", 0xA2},
    {"MediaStop", 0xA4},
    {"AudioVolumeDown", 0xAE},
    {"AudioVolumeUp", 0xB0},
    {"BrowserHome", 0xB2},
    {"NumpadComma", 0xB3},
    {"NumpadDivide", 0xB5},
    {"PrintScreen", 0xB7},
    {"AltRight", 0xB8},
    {"Pause", 0xC5},
    {"Home", 0xC7},
    {"ArrowUp", 0xC8},
    {"PageUp", 0xC9},
    {"ArrowLeft", 0xCB},
    {"ArrowRight", 0xCD},
    {"End", 0xCF},
    {"ArrowDown", 0xD0},
    {"PageDown", 0xD1},
    {"Insert", 0xD2},
    {"Delete", 0xD3},
    {"MetaLeft", 0xDB},
    {"MetaRight", 0xDC},
    {"ContextMenu", 0xDD},
    {"Power", 0xDE},
    {"Sleep", 0xDF},
    {"BrowserSearch", 0xE5},
    {"BrowserFavorites", 0xE6},
    {"BrowserRefresh", 0xE7},
    {"BrowserStop", 0xE8},
    {"BrowserForward", 0xE9},
    {"BrowserBack", 0xEA},
    {"LaunchApp1", 0xEB},
    {"LaunchMail", 0xEC},
    {"MediaSelect", 0xED},
};

void push(const Event& e) { page_input().events.push_back(e); }

// Keys the page keeps for itself: reload, the developer tools, full screen.
bool browser_key(const EmscriptenKeyboardEvent* e) {
  return std::strcmp(e->code, "F5") == 0 || std::strcmp(e->code, "F11") == 0 ||
         std::strcmp(e->code, "F12") == 0 || e->metaKey;
}

EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* e, void*) {
  PageInput& in = page_input();
  const int32_t scan = scan_from_key_code(e->code);
  const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
  if (scan != 0) {
    in.keys[scan] = down ? 0x80 : 0;
    Event k;
    k.type = down ? EventType::KeyDown : EventType::KeyUp;
    k.code = scan;
    k.state = e->repeat ? 1 : 0;
    push(k);
  }
  // A key's character: KeyboardEvent.key is the character itself when the
  // key types one (a name such as "Shift" otherwise).
  if (down && !e->ctrlKey && !e->altKey) {
    const std::string chars = cp1252_from_utf8(e->key);
    if (chars.size() == 1 && std::strlen(e->key) <= 4) {
      Event c;
      c.type = EventType::Char;
      c.code = static_cast<uint8_t>(chars[0]);
      push(c);
    }
  } else if (down && e->ctrlKey && scan != 0) {
    const UsKey* us = us_key(scan);
    if (us != nullptr && us->plain >= 'a' && us->plain <= 'z') {
      Event c;  // Ctrl with a letter types its control character
      c.type = EventType::Char;
      c.code = us->plain & 0x1F;
      push(c);
    }
  }
  // The game has the keys; the page would scroll on arrows and Space.
  return browser_key(e) ? EM_FALSE : EM_TRUE;
}

// The canvas's top-left corner in the page's CSS pixels (the window's
// events say where they happened in the window, not in the canvas).
EM_JS(void, canvas_origin, (double* left, double* top), {
  const r = Module.canvas.getBoundingClientRect();
  HEAPF64[left >> 3] = r.left;
  HEAPF64[top >> 3] = r.top;
});

// The canvas is scaled to fit the page: a point of the window in CSS
// pixels to the canvas's own.
void to_canvas(double client_x, double client_y, int32_t* x, int32_t* y) {
  double left = 0, top = 0, css_w = 0, css_h = 0;
  int w = 0, h = 0;
  canvas_origin(&left, &top);
  emscripten_get_element_css_size(kCanvas, &css_w, &css_h);
  emscripten_get_canvas_element_size(kCanvas, &w, &h);
  const double cx = client_x - left, cy = client_y - top;
  *x = static_cast<int32_t>(std::floor(css_w > 0 ? cx * w / css_w : cx));
  *y = static_cast<int32_t>(std::floor(css_h > 0 ? cy * h / css_h : cy));
}

uint32_t pointer_flags(uint32_t buttons) {
  return ((buttons & 1) ? kFirstButton : 0) | ((buttons & 2) ? kSecondButton : 0) |
         ((buttons & 4) ? kThirdButton : 0);
}

EM_BOOL on_mouse(int type, const EmscriptenMouseEvent* e, void*) {
  PageInput& in = page_input();
  int32_t x, y;
  to_canvas(e->clientX, e->clientY, &x, &y);
  // DOM buttons: 0 left, 1 middle, 2 right; the runtime's: 0 left, 1 right, 2 middle.
  const int32_t button = e->button == 1 ? 2 : e->button == 2 ? 1 : e->button;
  Event m;
  int32_t pointer_kind = 0;
  if (type == EMSCRIPTEN_EVENT_MOUSEMOVE) {
    m.type = EventType::MouseMotion;
    m.dx = static_cast<int32_t>(e->movementX);
    m.dy = static_cast<int32_t>(e->movementY);
    in.dx += m.dx;
    in.dy += m.dy;
  } else {
    const bool down = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
    m.type = EventType::MouseButton;
    m.code = button;
    m.state = down ? 1 : 0;
    if (button < 3)
      in.buttons = down ? (in.buttons | (1u << button)) : (in.buttons & ~(1u << button));
    pointer_kind = down ? 1 : -1;
  }
  in.x = m.x = x;
  in.y = m.y = y;
  push(m);
  if (in.sink != nullptr) {
    PointerInfo info;
    info.flags = pointer_flags(in.buttons);
    info.x = x;
    info.y = y;
    in.sink(pointer_kind, kMousePointerId, info);
  }
  return EM_TRUE;
}

EM_BOOL on_wheel(int, const EmscriptenWheelEvent* e, void*) {
  // Away from the user is a positive step; the page scrolls down on a
  // positive deltaY. Lines and pages count one step, pixels 100 to a step.
  double dy = -e->deltaY;
  if (e->deltaMode == DOM_DELTA_PIXEL) dy /= 100.0;
  const int32_t steps = dy > 0   ? std::max(1, static_cast<int32_t>(dy))
                        : dy < 0 ? std::min(-1, static_cast<int32_t>(dy))
                                 : 0;
  if (steps == 0) return EM_TRUE;
  page_input().wheel += steps;
  Event w;
  w.type = EventType::MouseWheel;
  w.dy = steps;
  push(w);
  return EM_TRUE;
}

EM_BOOL on_touch(int type, const EmscriptenTouchEvent* e, void*) {
  PageInput& in = page_input();
  for (int i = 0; i < e->numTouches; ++i) {
    const EmscriptenTouchPoint& t = e->touches[i];
    if (!t.isChanged) continue;
    Event p;
    p.type = type == EMSCRIPTEN_EVENT_TOUCHSTART  ? EventType::PointerDown
             : type == EMSCRIPTEN_EVENT_TOUCHMOVE ? EventType::PointerUpdate
                                                  : EventType::PointerUp;
    // Touch contacts follow the mouse's pointer id.
    p.id = kMousePointerId + 1 + t.identifier;
    to_canvas(t.clientX, t.clientY, &p.x, &p.y);
    push(p);
    if (in.sink != nullptr) {
      PointerInfo info;
      info.flags = p.type == EventType::PointerUp ? 0 : kFirstButton;
      info.x = p.x;
      info.y = p.y;
      const int32_t kind = p.type == EventType::PointerDown ? 1
                           : p.type == EventType::PointerUp ? -1
                                                            : 0;
      in.sink(kind, static_cast<int32_t>(p.id), info);
    }
  }
  return EM_TRUE;
}

void focus_changed(bool focused) {
  PageInput& in = page_input();
  if (in.focused == focused) return;
  in.focused = focused;
  // Keys held while the page lost the focus never see their release.
  if (!focused) std::memset(in.keys, 0, sizeof in.keys);
  Event e;
  e.type = focused ? EventType::Activated : EventType::Deactivated;
  push(e);
}

EM_BOOL on_focus(int type, const EmscriptenFocusEvent*, void*) {
  focus_changed(type == EMSCRIPTEN_EVENT_FOCUS);
  return EM_FALSE;
}

EM_BOOL on_visibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
  focus_changed(!e->hidden);
  return EM_FALSE;
}

}  // namespace

PageInput& page_input() {
  static PageInput input;
  return input;
}

int32_t scan_from_key_code(const char* code) {
  for (const KeyName& k : kKeys) {
    if (std::strcmp(k.code, code) == 0) return k.scan;
  }
  return 0;
}

void page_input_install() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(window, nullptr, EM_TRUE, on_key);
  emscripten_set_keyup_callback(window, nullptr, EM_TRUE, on_key);
  emscripten_set_mousedown_callback(kCanvas, nullptr, EM_TRUE, on_mouse);
  // Releases and motion outside the canvas still belong to the game.
  emscripten_set_mouseup_callback(window, nullptr, EM_TRUE, on_mouse);
  emscripten_set_mousemove_callback(kCanvas, nullptr, EM_TRUE, on_mouse);
  emscripten_set_wheel_callback(kCanvas, nullptr, EM_TRUE, on_wheel);
  emscripten_set_touchstart_callback(kCanvas, nullptr, EM_TRUE, on_touch);
  emscripten_set_touchmove_callback(kCanvas, nullptr, EM_TRUE, on_touch);
  emscripten_set_touchend_callback(kCanvas, nullptr, EM_TRUE, on_touch);
  emscripten_set_touchcancel_callback(kCanvas, nullptr, EM_TRUE, on_touch);
  emscripten_set_focus_callback(window, nullptr, EM_TRUE, on_focus);
  emscripten_set_blur_callback(window, nullptr, EM_TRUE, on_focus);
  emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, on_visibility);
}

namespace {

class WebKeyboard final : public Keyboard {
 public:
  bool available() override { return true; }
  bool read(uint8_t state[256]) override {
    std::memcpy(state, page_input().keys, 256);
    return true;
  }
  bool window_active(Window* window) override { return window != nullptr && page_input().focused; }
  int32_t key_to_char(int32_t scan) override {
    if (scan < 0 || scan > 255) return 0;
    const uint8_t* keys = page_input().keys;
    const bool shift = (keys[0x2A] | keys[0x36]) != 0;
    const int32_t keypad = keypad_char(scan, true);
    if (keypad >= 0) return keypad;
    const UsKey* us = us_key(scan);
    if (us == nullptr) return 0;
    return static_cast<uint8_t>(shift ? us->shifted : us->plain);
  }
};

class WebMouse final : public Mouse {
 public:
  bool open(Window*) override {
    page_input().mouse_open = true;
    return true;
  }
  void close() override { page_input().mouse_open = false; }
  bool acquire(bool) override {  // the page keeps its cursor either way
    acquired_ = true;
    return true;
  }
  void unacquire() override { acquired_ = false; }
  bool read(MouseDeviceState* state) override {
    if (!acquired_) return false;
    PageInput& in = page_input();
    state->dx = in.dx;
    state->dy = in.dy;
    state->dz = in.wheel;
    in.dx = in.dy = in.wheel = 0;
    for (int i = 0; i < 3; ++i) {
      // The device's order: left, right, middle.
      const uint32_t bit = i == 0 ? 1 : i == 1 ? 2 : 4;
      state->buttons[i] = (in.buttons & bit) ? 0x80 : 0;
    }
    state->buttons[3] = 0;
    return true;
  }
  uint32_t async_buttons() override { return page_input().buttons; }
  int32_t touch_device_count() override {
    return EM_ASM_INT({ return navigator.maxTouchPoints > 0 ? 1 : 0; });
  }
  void pointer_sink_set(PointerSink sink) override { page_input().sink = sink; }

 private:
  bool acquired_ = false;
};

}  // namespace

std::unique_ptr<Keyboard> make_web_keyboard() { return std::make_unique<WebKeyboard>(); }
std::unique_ptr<Mouse> make_web_mouse() { return std::make_unique<WebMouse>(); }

}  // namespace zrv::platform::web
