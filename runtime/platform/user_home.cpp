// The user's home folder, by one rule on every platform.
#include <cstdlib>
#include <string>

#include "platform/environment.hpp"
#include "platform/path_names.hpp"

namespace zrv::platform {

std::string user_home() {
  const char* variable = std::getenv("HOME");
  const std::string home =
      path_is_absolute(variable) ? std::string(variable) : user_home_recorded();
  if (!path_is_absolute(home.c_str())) return std::string();
  return without_final_slash(home);
}

}  // namespace zrv::platform
