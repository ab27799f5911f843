// Environment variables and the user's records on POSIX systems.
#include "platform/environment.hpp"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

extern char** environ;

namespace zrv::platform {

bool environment_set(const char* name, const char* value) { return ::setenv(name, value, 1) == 0; }

bool environment_unset(const char* name) { return ::unsetenv(name) == 0; }

std::vector<std::string> environment_entries() {
  std::vector<std::string> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    entries.emplace_back(*entry);
  }
  return entries;
}

std::string user_home_recorded() {
  const passwd* pw = ::getpwuid(::getuid());
  if (pw == nullptr || pw->pw_dir == nullptr) return std::string();
  return pw->pw_dir;
}

}  // namespace zrv::platform
