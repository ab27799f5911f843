// Large blocks as anonymous private mappings.
#include "platform/memory.hpp"

#include <sys/mman.h>

namespace zrv::platform {

void* memory_map_zeroed(size_t bytes) {
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
  ::madvise(p, bytes, MADV_HUGEPAGE);  // a hint: without it the block works the same
#endif
  return p;
}

void memory_unmap(void* block, size_t bytes) {
  if (block != nullptr) ::munmap(block, bytes);
}

}  // namespace zrv::platform
