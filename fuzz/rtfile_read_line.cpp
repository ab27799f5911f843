// Fuzzes RtFile::read_line: the lines of a memory stream and of a file
// stream over the same bytes must be the same, and both must end.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/paths.hpp"
#include "files/rt_file.hpp"

namespace {

std::vector<std::string> lines_of(zrv::RtFile& f, std::vector<int64_t>& ends) {
  std::vector<std::string> lines;
  char line[zrv::RtFile::kLineSize];
  while (f.read_line(line)) {
    if (line[zrv::RtFile::kLineSize - 1] != 0) __builtin_trap();  // always terminated
    lines.emplace_back(line, strnlen(line, sizeof line));
    ends.push_back(f.pos);
    if (lines.size() > (1u << 20)) __builtin_trap();  // no progress
  }
  return lines;
}

std::string scratch_file() {
  const char* dir = std::getenv("TMPDIR");
  std::string p = (dir != nullptr && *dir != 0) ? dir : "/tmp";
  return p + "/zrv_fuzz_lines_" + std::to_string(::getpid());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (data == nullptr || size > (1u << 20)) return 0;
  zrv::RtString name = zrv::memfile_name(data, static_cast<uint32_t>(size));
  zrv::RtFile mem;
  if (!mem.open_read(name.c_str())) __builtin_trap();
  std::vector<int64_t> mem_ends;
  std::vector<std::string> from_memory = lines_of(mem, mem_ends);
  zrv::memfile_unregister(data);

  static const std::string path = scratch_file();
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);
  zrv::RtFile file;
  if (!file.open_read(path.c_str())) return 0;
  std::vector<int64_t> file_ends;
  std::vector<std::string> from_file = lines_of(file, file_ends);
  file.close();
  ::unlink(path.c_str());
  if (from_file != from_memory || file_ends != mem_ends) __builtin_trap();
  return 0;
}
