// Who may use a file or folder on Windows: what stands for POSIX's owner
// and permission bits where the runtime relies on them. "Private" is an
// access list of its own, not inherited, that lets in the user running
// the program only (mode 0700 or 0600).
#pragma once

#include <string>

namespace zrv::platform::win32 {

// A new private folder; what is made in it is private too. False with
// errno (EEXIST when the name is taken).
bool private_folder_make(const std::wstring& path);
// Whether the name is a folder (no link) of the user's own; it then
// becomes private, whatever access others had.
bool private_folder_claim(const std::wstring& path);
// A new private file, no name that exists (a link neither), open for
// reading and writing: a descriptor, or -1 with errno.
int private_file_make(const std::wstring& path);
// Gives the file at to the access list of the file at from, where the
// system permits (a refusal is ignored).
void access_copy(const std::wstring& from, const std::wstring& to);

}  // namespace zrv::platform::win32
