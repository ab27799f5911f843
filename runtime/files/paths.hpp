// Path conventions, memory-file names and the small file-system routines
// every file command shares: delete, existence test, current directory and
// name resolution against the appended archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/rt_string.hpp"

namespace zrv {

// Names are limited to 1023 bytes plus a terminator throughout the file code.
constexpr size_t kPathBufferSize = 1024;

// Copies a runtime name into a platform name buffer ("/" is already the
// native separator here). False when the name does not fit in 1023 bytes.
bool path_to_platform(const char* name, char out[kPathBufferSize]);

// The characters after the last "/" or backslash (the whole name if none).
const char* path_file_part(const char* name);

// The folder a name is in: the name cut at its last "/" or backslash; a
// root keeps its separator ("/", "C:/"), and a bare name gives ".".
std::string path_folder_part(const std::string& name);

// The temporary folder with "/" separators, always ending in "/".
RtString temp_folder();

// --- Memory blocks and their names "mem://%8x.%8lx" (length, address) ---
//
// A block is shared by everything that reads it (streams, media players),
// so its bytes live as long as the last reader. A name is no reference: it
// opens only while its block is registered, and the one who handed the name
// out unregisters it when letting go (the archive holder does at the next
// resolution), even while readers keep the bytes alive. Any other "mem://"
// name, or one reaching outside its block, behaves like a missing file.

struct MemBlock {
  std::unique_ptr<uint8_t[]> owned;  // null when the bytes are borrowed
  const uint8_t* data = nullptr;
  uint32_t length = 0;
};
using MemBlockRef = std::shared_ptr<const MemBlock>;

// A block owning length bytes (at least one, so that even an empty block
// has an address of its own). Null when memory runs out.
std::shared_ptr<MemBlock> memblock_allocate(uint32_t length);

// 6 bytes prefix, 8 length, 1 point, up to 16 address digits, terminator.
constexpr size_t kMemNameSize = 40;

// True when the first 6 bytes are exactly "mem://".
bool memfile_is_name(const char* name);
// Formats the name of a range of bytes (does not register it).
void memfile_format(char out[kMemNameSize], const void* data, uint32_t length);
// Registers a block without holding it: a block nobody holds any more
// stops opening even when it was never unregistered.
void memfile_register(const MemBlockRef& block);
// Registers bytes the caller owns and returns their name. The caller keeps
// them alive until it unregisters them and every stream on them is closed.
RtString memfile_name(const void* data, uint32_t length);
void memfile_unregister(const void* data);
// Parses a name: the block it lies in when that block is registered and
// the name's range fits inside it (null otherwise), with the range's start
// and length. Holding the block keeps the range readable.
MemBlockRef memfile_lookup(const char* name, const uint8_t** data, int64_t* length);

// --- File-system routines ------------------------------------------------

// Deletes a file or an empty directory. -1 when nothing exists under the name
// (or a directory cannot be opened); otherwise 1 when it was deleted, 0 when
// not. A directory that is the current one is left first; when it cannot be
// removed the current directory stays where it was. Relative names are taken
// from the current directory at the call.
int32_t path_delete(const char* name);
// 1 for an existing file that is not a directory, or a live memory-file name.
int32_t file_exists(const char* name);
int32_t file_exists(const RtString& name);
// 1.0 on success; 0.0 and error 3 on failure.
double dir_set_current(const char* path);
// The current directory with "/" separators, always ending in "/".
RtString dir_get_current();
// A name made absolute against the current directory, so that it still
// names the same file after the current directory changed. Memory-file
// names and absolute names are returned unchanged.
std::string path_absolute(const char* name);

// Resolves a name for reading: unchanged when it exists on disk or is a live
// memory-file name, else replaced by the memory-file name of the entry of the
// appended archive. False (name unchanged) when nothing is found. The
// resolved memory name opens until the next resolution; streams opened on
// it keep their bytes after that.
bool path_resolve(RtString& name);
// A loader that could not use what path_resolve handed it lets the entry's
// bytes go at once, rather than at the next resolution.
void path_resolved_release(const RtString& resolved);

}  // namespace zrv
