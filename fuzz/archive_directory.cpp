// Fuzzes the archive reader: the input is a program file with (perhaps) an
// archive at its end, read as a memory file through both the lookup and the
// directory listing.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/context.hpp"
#include "files/archive.hpp"
#include "files/paths.hpp"
#include "files/rt_file.hpp"

namespace {

void read_whole(const char* name) {
  zrv::RtFile f;
  if (!f.open_read(name)) __builtin_trap();  // a found entry must open
  std::vector<uint8_t> bytes(static_cast<size_t>(f.size));
  if (!bytes.empty() && !f.read(bytes.data(), f.size)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (data == nullptr || size > 0xFFFFFFFFu) return 0;
  zrv::archive_holders_create();
  zrv::RtString name = zrv::memfile_name(data, static_cast<uint32_t>(size));
  zrv::archive_set(name.c_str(), "");
  zrv::ArchiveHolder* holder = zrv::ctx.archive_holders[zrv::kMemoryHolder];
  char out[zrv::kPathBufferSize];
  for (const char* wanted : {"duck.png", "Media/A", "x"}) {
    if (zrv::archive_lookup(holder, wanted, out, true)) read_whole(out);
  }
  zrv::RtFile file;
  std::vector<zrv::ArchiveEntry> entries;
  if (file.open_read(name.c_str()) && zrv::archive_read_directory(file, entries)) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < entries.size() && i < 16; ++i) {
      zrv::archive_read_entry(file, entries[i], bytes);
      zrv::archive_set(name.c_str(), "");
      std::string request = "Media/" + entries[i].name;
      if (entries[i].name.find('\0') == std::string::npos &&
          zrv::archive_lookup(holder, request.c_str(), out, true)) {
        read_whole(out);
      }
    }
  }
  zrv::archive_holders_destroy();
  zrv::memfile_unregister(data);
  return 0;
}
