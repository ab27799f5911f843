// The process's environment variables (std::getenv reads one) and the
// user's records.
#pragma once

#include <string>
#include <vector>

namespace zrv::platform {

// Sets a variable, replacing a value it has.
bool environment_set(const char* name, const char* value);
bool environment_unset(const char* name);
// Every variable as "name=value", in the order the process holds them.
std::vector<std::string> environment_entries();

// The home folder the system's user records give the user running the
// program; "" when they give none.
std::string user_home_recorded();
// The home folder: $HOME when it is absolute, else the recorded one; no
// final "/", "" when there is neither.
std::string user_home();

}  // namespace zrv::platform
