// Commands on whole files and folders: directory test, delete, create
// folder, copy, size, modification time, listing of the current folder with
// a wildcard pattern, and the process environment.
#pragma once

#include <cstdint>
#include <ctime>

#include "base/rt_string.hpp"
#include "types/rt_array.hpp"

namespace zrv {

// The commands (file_is_directory, file_delete, dir_create, file_copy,
// file_size, file_time, dir_list, env_get, env_set) are declared in
// zorvane.hpp, the API.

// --- Shared parts ----------------------------------------------------------

// Whether the name matches the pattern: ASCII case ignored, "*" matches any
// run of characters, "*" and "*.*" match everything.
bool wildcard_match(const char* name, const char* pattern);
// _stricmp order: -1, 0 or 1 comparing ASCII letters as lower case.
int32_t text_compare_nocase(const char* a, const char* b);
// "%.4d-%.2d-%.2d %.2d:%.2d:%.2d" of a broken-down time.
RtString format_file_time(const std::tm& t);

}  // namespace zrv
