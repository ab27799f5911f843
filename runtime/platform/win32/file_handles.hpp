// Files as the system's handles: opened as the C runtime's descriptors, and
// the system's record of an open file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.hpp"

namespace zrv::platform::win32 {

// Every sharing mode, as on POSIX (an open file can still be read, written,
// renamed and removed by others), no inheritance; access and disposition as
// CreateFileW takes them. A descriptor, or -1 with errno.
int descriptor_open(const std::wstring& path, uint32_t access, uint32_t disposition,
                    uint32_t attributes);
// Hands an open handle over to a new descriptor (closed on failure).
int descriptor_of(void* handle);

// The record of an open file; false with errno.
bool handle_status(void* handle, FileStatus* status);
// The record of a name, through a link (follow) or of the link itself.
bool path_status(const std::wstring& path, bool follow, FileStatus* status);

}  // namespace zrv::platform::win32
