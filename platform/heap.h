// Heap preparation for a conversion whose memory need is known roughly ahead.
#pragma once

#include <cstdint>

namespace platform {

// Grows the heap once by about `bytes` and asks the kernel to back that range
// with huge pages. Best effort: nothing changes where the system declines.
void PrepareHeap(int64_t bytes);

}  // namespace platform
