// Changes the X keymap of the display in $DISPLAY. Kept apart: the X
// headers define macros (None, Bool, ...) that clash with GoogleTest's.
#include <X11/Xlib.h>

bool x_remap_key(int keycode, const char* plain, const char* shifted) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return false;
  KeySym syms[2] = {XStringToKeysym(plain), XStringToKeysym(shifted)};
  XChangeKeyboardMapping(d, keycode, 2, syms, 1);
  XSync(d, False);
  XCloseDisplay(d);
  return true;
}
