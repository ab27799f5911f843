// Large blocks as committed pages of their own: the system hands them out
// zeroed and gives a page memory only when it is first touched.
#include "platform/memory.hpp"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace zrv::platform {

void* memory_map_zeroed(size_t bytes) {
  if (bytes == 0) return nullptr;
  return ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void memory_unmap(void* block, size_t bytes) {
  (void)bytes;  // the whole reservation goes back
  if (block != nullptr) ::VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace zrv::platform
