// How the system writes a file's name. Names inside the runtime use "/" as
// separator, and the names the platform hands up (current folder, program,
// temporary and run folders, resolved paths) are written that way too; a
// platform whose own separator differs turns its names around.
#pragma once

#include <cstddef>
#include <string>

namespace zrv::platform {

// Whether the name leads to the same place from any current folder: "/x"
// on POSIX; on Windows also a drive's "C:/x" (or "C:\x") and a share's
// "//server/x".
bool path_is_absolute(const char* name);

// The folder name without the slashes that may end it, a root ("/", or
// "C:/" with keep 3) left whole.
inline std::string without_final_slash(std::string path, size_t keep = 1) {
  while (path.size() > keep && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace zrv::platform
