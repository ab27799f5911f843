// The archive appended to a file (by default the program file): a flat set
// of LZO1X-compressed entries found through a "tbX" trailer.
//
// Layout, all integers little-endian:
//   file size - 7: "tbX"; file size - 4: int32 directory offset D
//   (D >= 0 from the start of the file, D < 0 counted back from its end);
//   directory: entries of uint8 name length L (0 ends), L name bytes, int32
//   data offset O (from the start when D >= 0, from the end when D < 0) and
//   int32 stored length S; entry data: uint32 uncompressed length U, then
//   S - 4 bytes of LZO1X stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/paths.hpp"

namespace zrv {

class RtFile;

// The largest entry: packing refuses more, and an entry claiming more reads
// as damaged (its bytes are taken into memory whole).
constexpr uint32_t kArchiveEntryMaxBytes = uint32_t{256} << 20;

struct ArchiveEntry {
  std::string name;
  int32_t offset = 0;      // O as stored
  int32_t stored = 0;      // S as stored
  int64_t data_start = 0;  // absolute position of the entry data in the file
};

// A holder's archive file, kept open, and its directory by entry name.
struct ArchiveIndex;

struct ArchiveHolder {
  uint8_t enabled = 1;                        // 0 once the archive proved unusable
  char archive_path[kPathBufferSize] = {};    // file carrying the archive, "" = none
  char extracted_path[kPathBufferSize] = {};  // temporary file of the last file-mode lookup
  MemBlockRef block;                          // block of the last memory-mode lookup
  // Made by the first lookup that needs it, dropped by archive_set and
  // made again when the archive file changes.
  std::unique_ptr<ArchiveIndex> index;

  ~ArchiveHolder();
};

// Indexes into RtContext::archive_holders.
constexpr int kFileHolder = 0;
constexpr int kMemoryHolder = 1;

// Lets go of the holder's last result: its block (whose name stops opening;
// streams still reading it keep it), or else its temporary file.
void archive_release(ArchiveHolder* holder);

// Looks a name up: true with out = name when it exists on disk (or is a live
// memory-file name); otherwise the entry whose name equals the name's
// file-name part (ASCII case ignored) is decompressed into a block named by a
// memory-file name (memory mode) or written to a temporary file (file mode),
// whose name goes to out. Every call first frees the previous result. The
// archive file is opened and its directory read once, then kept in the
// holder's index.
bool archive_lookup(ArchiveHolder* holder, const char* name, char out[kPathBufferSize],
                    bool memory_mode);

// Points the memory holder at the first path and the file holder at the
// second, re-enabling both.
void archive_set(const char* memory_path, const char* file_path);

// The two holders of RtContext (file holder, memory holder): created enabled
// with empty paths, and released with their results at shutdown.
void archive_holders_create();
void archive_holders_destroy();

// The temporary file name of an entry: temporary folder, "tbx", two letters
// from the entry's offset and stored length, the entry name.
RtString archive_temp_name(const char* entry_name, int32_t offset, int32_t stored);

// --- Directory access and building (packer, tests) -----------------------

// Reads the whole directory. False when the file has no archive or the
// directory is damaged (offsets or lengths outside the file).
bool archive_read_directory(RtFile& file, std::vector<ArchiveEntry>& entries);
// Reads and decompresses one entry. False when its data lies outside the
// file, its length is absurd or the stream does not decompress to it.
bool archive_read_entry(RtFile& file, const ArchiveEntry& entry, std::vector<uint8_t>& out);

struct ArchiveSource {
  std::string name;  // file-name part only, 1..255 bytes
  std::vector<uint8_t> bytes;
};

// Builds the archive to append to any file: offsets count back from the end,
// so the bytes do not depend on what they are appended to. False (with a
// message) for bad or duplicate names or an archive beyond 2 GiB.
bool archive_build(const std::vector<ArchiveSource>& sources, std::vector<uint8_t>& out,
                   std::string* error);

// True when the file ends with an archive trailer.
bool archive_present(RtFile& file);

}  // namespace zrv
