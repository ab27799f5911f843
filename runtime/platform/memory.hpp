// Large blocks of memory straight from the system, outside the heap: they
// start zeroed (pages untouched cost nothing) and go back whole when freed.
#pragma once

#include <cstddef>

namespace zrv::platform {

// A zeroed block of pages of its own; null when the system has none.
void* memory_map_zeroed(size_t bytes);
// Gives back a block of memory_map_zeroed (bytes as asked for).
void memory_unmap(void* block, size_t bytes);

}  // namespace zrv::platform
