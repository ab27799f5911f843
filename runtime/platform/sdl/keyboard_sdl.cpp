// The keyboard through SDL: SDL scancodes (USB usage numbers) turned into
// PC set-1 scan codes, 128 added for extended keys; characters from the X
// layout where there is one, else from SDL's key names.
#include "platform/sdl/keyboard_sdl.hpp"

#include <SDL.h>

#include <array>
#include <cstring>

#include "platform/cp1252.hpp"
#include "platform/keyboard.hpp"
#include "platform/keyboard_layout.hpp"
#include "platform/platform.hpp"
#include "platform/sdl/sdl_devices.hpp"
#include "platform/sdl/sdl_wsi.hpp"

namespace zrv::platform {

namespace {

struct KeyPair {
  SDL_Scancode sdl;
  uint8_t scan;
};

// Every key of a 105-key keyboard (ISO: the extra key beside left Shift and
// the one beside Enter), the keypad, the arrows and the usual media and
// browser keys. Where two SDL keys give one scan code, the first listed is
// the one the reverse look-up answers.
constexpr KeyPair kKeys[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02},
    {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},
    {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},
    {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},
    {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10},
    {SDL_SCANCODE_W, 0x11},
    {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14},
    {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16},
    {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},
    {SDL_SCANCODE_D, 0x20},
    {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22},
    {SDL_SCANCODE_H, 0x23},
    {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28},
    {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B},
    {SDL_SCANCODE_NONUSHASH, 0x2B},  // ISO: the key left of Enter
    {SDL_SCANCODE_Z, 0x2C},
    {SDL_SCANCODE_X, 0x2D},
    {SDL_SCANCODE_C, 0x2E},
    {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},
    {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},
    {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37},
    {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B},
    {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},
    {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},
    {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},
    {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
    {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47},
    {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B},
    {SDL_SCANCODE_KP_5, 0x4C},
    {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},
    {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56},  // ISO: the key right of left Shift
    {SDL_SCANCODE_F11, 0x57},
    {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64},
    {SDL_SCANCODE_F14, 0x65},
    {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70},  // Kana
    {SDL_SCANCODE_INTERNATIONAL1, 0x73},  // Ro / Brazilian /?
    {SDL_SCANCODE_INTERNATIONAL4, 0x79},  // Convert
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B},  // No convert
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D},  // Yen
    {SDL_SCANCODE_KP_EQUALS, 0x8D},
    {SDL_SCANCODE_AUDIOPREV, 0x90},
    {SDL_SCANCODE_AUDIONEXT, 0x99},
    {SDL_SCANCODE_KP_ENTER, 0x9C},
    {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_MUTE, 0xA0},
    {SDL_SCANCODE_AUDIOMUTE, 0xA0},
    {SDL_SCANCODE_CALCULATOR, 0xA1},
    {SDL_SCANCODE_AUDIOPLAY, 0xA2},
    {SDL_SCANCODE_AUDIOSTOP, 0xA4},
    {SDL_SCANCODE_VOLUMEDOWN, 0xAE},
    {SDL_SCANCODE_VOLUMEUP, 0xB0},
    {SDL_SCANCODE_AC_HOME, 0xB2},
    {SDL_SCANCODE_KP_COMMA, 0xB3},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_SYSREQ, 0xB7},
    {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5},
    {SDL_SCANCODE_HOME, 0xC7},
    {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9},
    {SDL_SCANCODE_LEFT, 0xCB},
    {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF},
    {SDL_SCANCODE_DOWN, 0xD0},
    {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2},
    {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC},
    {SDL_SCANCODE_APPLICATION, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE},
    {SDL_SCANCODE_SLEEP, 0xDF},
    {SDL_SCANCODE_AC_SEARCH, 0xE5},
    {SDL_SCANCODE_AC_BOOKMARKS, 0xE6},
    {SDL_SCANCODE_AC_REFRESH, 0xE7},
    {SDL_SCANCODE_AC_STOP, 0xE8},
    {SDL_SCANCODE_AC_FORWARD, 0xE9},
    {SDL_SCANCODE_AC_BACK, 0xEA},
    {SDL_SCANCODE_COMPUTER, 0xEB},
    {SDL_SCANCODE_MAIL, 0xEC},
    {SDL_SCANCODE_MEDIASELECT, 0xED},
};

struct Tables {
  std::array<uint8_t, SDL_NUM_SCANCODES> to_scan{};
  std::array<int32_t, 256> to_sdl{};
};

const Tables& tables() {
  static const Tables t = [] {
    Tables built;
    for (const KeyPair& k : kKeys) {
      built.to_scan[k.sdl] = k.scan;
      if (built.to_sdl[k.scan] == 0) built.to_sdl[k.scan] = k.sdl;
    }
    return built;
  }();
  return t;
}

bool video_up() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

class SdlKeyboard final : public Keyboard {
 public:
  bool available() override { return video_up(); }

  void pump() override {
    if (video_up()) SDL_PumpEvents();
  }

  bool read(uint8_t state[256]) override {
    if (!video_up()) return false;
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    if (keys == nullptr) return false;
    std::memset(state, 0, 256);
    const Tables& t = tables();
    const int limit = count < SDL_NUM_SCANCODES ? count : SDL_NUM_SCANCODES;
    for (int sc = 0; sc < limit; ++sc) {
      if (keys[sc] && t.to_scan[sc] != 0) state[t.to_scan[sc]] = 0x80;
    }
    return true;
  }

  bool window_active(Window* window) override {
    if (window == nullptr || !video_up()) return false;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    return focus != nullptr && SDL_GetWindowID(focus) == backend().window_id(window);
  }

  int32_t key_to_char(int32_t scan) override {
    if (scan < 0 || scan > 255) return 0;
    if (!video_up()) return Keyboard::key_to_char(scan);
    const SDL_Keymod mods = SDL_GetModState();
    const bool shift = (mods & KMOD_SHIFT) != 0;
    const bool caps = (mods & KMOD_CAPS) != 0;
    const bool ctrl = (mods & KMOD_CTRL) != 0 && (mods & KMOD_MODE) == 0;

    const int32_t keypad = keypad_char(scan, (mods & KMOD_NUM) != 0);
    if (keypad >= 0) return keypad;

    int32_t c = 0;
    // On X the layout itself says what each shift level gives; main-block
    // scan codes are the kernel's key codes, which X numbers from 8.
    const bool alt_gr = (mods & KMOD_MODE) != 0;
    const bool main_block = scan >= 1 && scan <= 0x58;
    const int32_t plain = main_block ? sdl_x11_key_code_point(scan + 8, alt_gr ? 2 : 0) : -1;
    if (plain >= 0) {
      const int32_t shifted = sdl_x11_key_code_point(scan + 8, alt_gr ? 3 : 1);
      // Letters follow Caps Lock below; other keys take their shifted level.
      c = plain;
      if (shift && !is_lower_letter(plain) && shifted > 0) c = shifted;
      c = c > 0 ? cp1252_from_code_point(static_cast<uint32_t>(c)) : 0;
      if (c <= 0 || c == 127) return 0;
    } else {
      const int32_t sdl = tables().to_sdl[scan];
      if (sdl == 0) return 0;
      const SDL_Keycode key = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(sdl));
      // Keys without a character carry the scancode mask; Delete is 127.
      if (key <= 0 || (key & SDLK_SCANCODE_MASK) != 0 || key == SDLK_DELETE || key > 0xFF) {
        return 0;
      }
      c = key;
      // SDL gives the unshifted character; the shifted one of a non-letter
      // is known where the layout agrees with US.
      const UsKey* us = us_key(scan);
      if (shift && !is_lower_letter(c) && us != nullptr && us->plain == c) c = us->shifted;
    }
    if (is_lower_letter(c)) {
      if (ctrl && c <= 'z') return c & 0x1F;
      if (shift != caps) c -= 0x20;
    }
    return c;
  }
};

}  // namespace

std::unique_ptr<Keyboard> make_sdl_keyboard() { return std::make_unique<SdlKeyboard>(); }

int32_t keyboard_scan_from_sdl(int32_t sdl_scancode) {
  if (sdl_scancode < 0 || sdl_scancode >= SDL_NUM_SCANCODES) return 0;
  return tables().to_scan[sdl_scancode];
}

int32_t keyboard_sdl_from_scan(int32_t scan) {
  if (scan < 0 || scan > 255) return 0;
  return tables().to_sdl[scan];
}

}  // namespace zrv::platform
