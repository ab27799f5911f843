// File names on POSIX systems.
#include "platform/path_names.hpp"

namespace zrv::platform {

bool path_is_absolute(const char* name) { return name != nullptr && name[0] == '/'; }

}  // namespace zrv::platform
