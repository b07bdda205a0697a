#include "platform/heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace platform {

namespace {

constexpr int64_t kHugePage = int64_t{2} << 20;
// Smaller drawings fault in too few pages to gain anything measurable.
constexpr int64_t kWorthIt = int64_t{4} << 20;
constexpr int64_t kMaxReserve = int64_t{1} << 30;
// glibc's largest block served from the heap rather than its own mapping.
constexpr int kLargestHeapBlock = 32 << 20;

}  // namespace

// A large drawing fills tens of megabytes of freshly grown heap, and each
// first touch of a 4 KiB page is a fault that costs microseconds on virtual
// machines. Taking the whole range from the system in one step, in a region
// the kernel backs with 2 MiB pages, turns thousands of faults into dozens.
void PrepareHeap(int64_t bytes) {
  if (bytes < kWorthIt) return;
  if (bytes > kMaxReserve) bytes = kMaxReserve;
  // Keep the range: blocks freed at the top must not shrink the heap again,
  // and the next growth takes the whole reserve at once.
  if (!mallopt(M_TRIM_THRESHOLD, static_cast<int>(kMaxReserve)) || !mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock) ||
      !mallopt(M_TOP_PAD, static_cast<int>(bytes)))
    return;
  // Larger than what is left at the top, so the heap grows now.
  void* probe = std::malloc(1 << 20);
  const uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0));
  const uintptr_t from = (reinterpret_cast<uintptr_t>(probe) + kHugePage - 1) & ~static_cast<uintptr_t>(kHugePage - 1);
  const uintptr_t to = end & ~static_cast<uintptr_t>(kHugePage - 1);
  const bool grown = probe && end != static_cast<uintptr_t>(-1) && to > from;
  std::free(probe);
  mallopt(M_TOP_PAD, 128 << 10);
  if (grown) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace platform
