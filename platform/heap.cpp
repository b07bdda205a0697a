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

namespace {

// Whole huge pages: a bitmap of 1.5 MiB otherwise faults in 4 KiB at a time.
int64_t MappedSpan(int64_t size) { return (size + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void* MapZeroedPages(int64_t size) {
  if (size <= 0 || size > INT64_MAX - 2 * kHugePage) return nullptr;
  const int64_t kept = MappedSpan(size);
  // Mapped with a huge page's worth to spare, then cut to an aligned range.
  const int64_t span = kept + kHugePage;
  void* raw = mmap(nullptr, static_cast<size_t>(span), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t first = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t at = (first + kHugePage - 1) & ~static_cast<uintptr_t>(kHugePage - 1);
  const uintptr_t end = at + static_cast<uintptr_t>(kept);
  if (at > first) munmap(raw, at - first);
  if (first + static_cast<uintptr_t>(span) > end) munmap(reinterpret_cast<void*>(end), first + span - end);
  void* pages = reinterpret_cast<void*>(at);
  madvise(pages, static_cast<size_t>(kept), MADV_HUGEPAGE);
  // Every page is written while a bitmap is drawn: faulting them in at once is cheaper.
  if (madvise(pages, static_cast<size_t>(kept), MADV_POPULATE_WRITE) != 0) {
    // Kernels before 5.14: touch them instead.
    for (int64_t i = 0; i < kept; i += 4096) static_cast<volatile uint8_t*>(pages)[i] = 0;
  }
  return pages;
}

void UnmapPages(void* pages, int64_t size) {
  if (pages) munmap(pages, static_cast<size_t>(MappedSpan(size)));
}

}  // namespace platform
