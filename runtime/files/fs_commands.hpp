// Commands on whole files and folders: directory test, delete, create
// folder, copy, size, modification time, listing of the current folder with
// a wildcard pattern, and the process environment.
#pragma once

#include <cstdint>
#include <ctime>

#include "base/rt_string.hpp"
#include "types/rt_array.hpp"

namespace zrv {

int32_t file_is_directory(const RtString& name);
// path_delete: -1 nothing there (or a folder that cannot be opened); for a
// file 1 deleted, 0 not; for a folder 1.
int32_t file_delete(const RtString& name);
// 1 when the folder was created (parents are not created).
int32_t dir_create(const RtString& name);
// Copies through the archive into a new file that replaces the destination
// only once it is complete.
void file_copy(const RtString& source, const RtString& destination);
int64_t file_size(const RtString& name);
// Last write time in local time as "YYYY-MM-DD hh:mm:ss", "" when none.
RtString file_time(const RtString& name);
// Sub-folders (all of them) then the files matching the pattern, each group
// sorted without regard to ASCII case. Result: files + 65536 * folders.
double dir_list(const RtString& pattern, RtArray<RtString>& out);
// A variable's value ("" when unset); the empty name gives every entry as
// name=value lines.
RtString env_get(const RtString& name);
// Sets name=value; an empty value removes the variable.
void env_set(const RtString& name, const RtString& value);

// --- Shared parts ----------------------------------------------------------

// Whether the name matches the pattern: ASCII case ignored, "*" matches any
// run of characters, "*" and "*.*" match everything.
bool wildcard_match(const char* name, const char* pattern);
// _stricmp order: -1, 0 or 1 comparing ASCII letters as lower case.
int32_t text_compare_nocase(const char* a, const char* b);
// "%.4d-%.2d-%.2d %.2d:%.2d:%.2d" of a broken-down time.
RtString format_file_time(const std::tm& t);

}  // namespace zrv
