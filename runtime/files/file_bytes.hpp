// The whole contents of a name: a file on disk, or a memory block (which is
// what an archive entry becomes once resolved). Readers parse these bytes
// instead of opening the name again for each thing they try.
#pragma once

#include <cstdint>
#include <span>

#include "files/paths.hpp"

namespace zrv {

struct FileBytes {
  // Keeps the bytes alive: the memory file's own block, or the file's
  // contents read into a block of their own.
  MemBlockRef block;
  std::span<const uint8_t> bytes;
};

// Reads a file on disk or a live memory-file name (what path_resolve hands
// out) in one go. A memory file is not copied: out holds its block, so its
// bytes stay readable after the name stops opening. False when the name
// does not open, is a directory, or cannot be read in full (files of 4 GiB
// and more included).
bool file_read_bytes(const char* name, FileBytes* out);

}  // namespace zrv
