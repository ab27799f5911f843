// Path conventions, memory-file names and the small file-system routines
// every file command shares: delete, existence test, current directory and
// name resolution against the appended archive.
#pragma once

#include <cstddef>
#include <cstdint>

#include "types/rt_string.hpp"

namespace zrv {

// Names are limited to 1023 bytes plus a terminator throughout the file code.
constexpr size_t kPathBufferSize = 1024;

// Copies a runtime name into a platform name buffer ("/" is already the
// native separator here). False when the name does not fit in 1023 bytes.
bool path_to_platform(const char* name, char out[kPathBufferSize]);

// The characters after the last "/" or backslash (the whole name if none).
const char* path_file_part(const char* name);

// The temporary folder with "/" separators, always ending in "/".
RtString temp_folder();

// --- Memory-file names "mem://%8x.%8lx" (length, address) ---------------
//
// A name only opens while the block it names is registered: the runtime
// registers every block it hands out under a name and forgets it when the
// block is freed. Any other "mem://" name behaves like a missing file.

// 6 bytes prefix, 8 length, 1 point, up to 16 address digits, terminator.
constexpr size_t kMemNameSize = 40;

// True when the first 6 bytes are exactly "mem://".
bool memfile_is_name(const char* name);
// Formats the name of a block (does not register it).
void memfile_format(char out[kMemNameSize], const void* data, uint32_t length);
// Registers a block and returns its name.
RtString memfile_name(const void* data, uint32_t length);
void memfile_register(const void* data, uint32_t length);
void memfile_unregister(const void* data);
// Parses a name; true only when it names a range inside a registered block.
bool memfile_lookup(const char* name, const uint8_t** data, int64_t* length);

// --- File-system routines ------------------------------------------------

// Deletes a file or an empty directory. -1 when nothing exists under the name
// (or a directory cannot be opened); for a file 1 when deleted, else 0; for a
// directory that could be opened 1, whether or not it could be removed.
int32_t path_delete(const char* name);
// 1 for an existing file that is not a directory, or a live memory-file name.
int32_t file_exists(const char* name);
// 1.0 on success; 0.0 and error 3 on failure.
double dir_set_current(const char* path);
// The current directory with "/" separators, always ending in "/".
RtString dir_get_current();

// Resolves a name for reading: unchanged when it exists on disk or is a live
// memory-file name, else replaced by the memory-file name of the entry of the
// appended archive. False (name unchanged) when nothing is found. The
// resolved memory name stays valid until the next resolution.
bool path_resolve(RtString& name);

}  // namespace zrv
