// How the system writes a file's name. Names inside the runtime use "/" as
// separator, and the names the platform hands up (current folder, program,
// temporary and run folders, resolved paths) are written that way too; a
// platform whose own separator differs turns its names around.
#pragma once

namespace zrv::platform {

// Whether the name leads to the same place from any current folder: "/x"
// on POSIX; on Windows also a drive's "C:/x" (or "C:\x") and a share's
// "//server/x".
bool path_is_absolute(const char* name);

}  // namespace zrv::platform
