// Reading a name into bytes once.
#include "files/file_bytes.hpp"

#include <cstdint>

#include "files/rt_file.hpp"

namespace zrv {

bool file_read_bytes(const char* name, FileBytes* out) {
  *out = FileBytes{};
  RtFile file;
  if (!file.open_read(name)) return false;
  if (file.is_memory()) {
    out->block = file.block;
    out->bytes = {file.data, static_cast<size_t>(file.size)};
    return true;
  }
  if (file.size < 0 || file.size > UINT32_MAX) return false;
  std::shared_ptr<MemBlock> block = memblock_allocate(static_cast<uint32_t>(file.size));
  if (block == nullptr || !file.read(block->owned.get(), file.size)) return false;
  out->bytes = {block->data, block->length};
  out->block = std::move(block);
  return true;
}

}  // namespace zrv
