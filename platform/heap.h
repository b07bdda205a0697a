// Memory for drawings and bitmaps, laid out so that first touches are few.
#pragma once

#include <cstdint>

namespace platform {

// Grows the heap once by about `bytes` (at least 6 MiB) and asks the kernel to
// back that range with huge pages; later blocks start in them. Best effort:
// nothing changes where the system declines.
void PrepareHeap(int64_t bytes);

// `size` bytes of zeroed memory, every page already present, in huge pages
// where the system allows; released with UnmapPages. Null on failure.
void* MapZeroedPages(int64_t size);
void UnmapPages(void* pages, int64_t size);

}  // namespace platform
