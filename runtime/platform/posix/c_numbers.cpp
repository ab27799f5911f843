// Numbers in the C locale on POSIX: strtod_l with a C locale made once.
#include "platform/c_numbers.hpp"

#include <locale.h>
#include <stdlib.h>

namespace zrv::platform {

double c_locale_strtod(const char* text) {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return strtod(text, nullptr);
  return strtod_l(text, nullptr, loc);
}

}  // namespace zrv::platform
