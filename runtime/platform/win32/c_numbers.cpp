// Numbers in the C locale on Windows: the C runtime's _strtod_l with a C
// locale made once.
#include "platform/c_numbers.hpp"

#include <locale.h>
#include <stdlib.h>

namespace zrv::platform {

double c_locale_strtod(const char* text) {
  static _locale_t loc = _create_locale(LC_ALL, "C");
  if (loc == nullptr) return strtod(text, nullptr);
  return _strtod_l(text, nullptr, loc);
}

}  // namespace zrv::platform
