// Numbers read from text as the C locale writes them ("." as the decimal
// point), whatever locale the process has set.
#pragma once

namespace zrv::platform {

// strtod's answer for the whole text in the C locale.
double c_locale_strtod(const char* text);

}  // namespace zrv::platform
