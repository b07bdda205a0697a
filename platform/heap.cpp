#include "platform/heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace platform {

namespace {

constexpr int64_t kHugePage = int64_t{2} << 20;
// Enough that one whole huge page lies within, after the probe and the gap
// below the first huge page.
constexpr int64_t kMinReserve = int64_t{6} << 20;
constexpr int64_t kMaxReserve = int64_t{1} << 30;
// glibc's largest block served from the heap rather than its own mapping.
constexpr int kLargestHeapBlock = 32 << 20;
constexpr size_t kProbe = size_t{1} << 20;

constexpr uintptr_t HugeFloor(uintptr_t a) { return a & ~static_cast<uintptr_t>(kHugePage - 1); }
constexpr uintptr_t HugeCeiling(uintptr_t a) { return HugeFloor(a + kHugePage - 1); }

}  // namespace

// On virtual machines each first touch of a 4 KiB page is a fault that costs
// microseconds, and a few dozen of them cost as much as a whole 2 MiB page in
// one go, so even a small drawing's few hundred kilobytes of heap cost more in
// 4 KiB pages than in one huge page. The heap grows once by the reserve, in a range the kernel backs
// with 2 MiB pages, and the blocks made from then on start at its first huge
// page. A huge page is only used where nothing in its range was touched
// before, so the range starts past every byte malloc has written.
void PrepareHeap(int64_t bytes) {
  bytes = bytes < kMinReserve ? kMinReserve : bytes > kMaxReserve ? kMaxReserve : bytes;
  // Keep the range: blocks freed at the top must not shrink the heap again,
  // and the next growth takes the whole reserve at once.
  if (!mallopt(M_TRIM_THRESHOLD, static_cast<int>(kMaxReserve)) || !mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock) ||
      !mallopt(M_TOP_PAD, static_cast<int>(bytes)))
    return;
  // Larger than what is left at the top, so the heap grows now; malloc writes
  // the header of the rest just past it.
  void* probe = std::malloc(kProbe);
  const uintptr_t at = reinterpret_cast<uintptr_t>(probe), end = reinterpret_cast<uintptr_t>(sbrk(0));
  const uintptr_t from = HugeCeiling(at + kProbe + 64), to = HugeFloor(end);
  // A probe mapped on its own (the heap could not grow) lies outside [at, end).
  const bool grown = probe && end != static_cast<uintptr_t>(-1) && at < end && to > from;
  std::free(probe);  // back into the top of the heap, where the next block starts
  mallopt(M_TOP_PAD, 128 << 10);
  if (!grown) return;
  madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  // One block fills the heap below the first huge page, kept for the
  // process's life: only its first page and the one before `from` are touched.
  constexpr uintptr_t kHeader = 2 * sizeof(size_t);
  // (Volatile, or the compiler drops a block nobody reads.)
  void* volatile below = std::malloc(from - at - kHeader);
  static_cast<void>(below);
}

namespace {

// Whole huge pages: a bitmap of 1.5 MiB otherwise faults in 4 KiB at a time.
int64_t MappedSpan(int64_t size) { return static_cast<int64_t>(HugeCeiling(static_cast<uintptr_t>(size))); }

}  // namespace

void* MapZeroedPages(int64_t size) {
  if (size <= 0 || size > INT64_MAX - 2 * kHugePage) return nullptr;
  const int64_t kept = MappedSpan(size);
  // Mapped with a huge page's worth to spare, then cut to an aligned range.
  const int64_t span = kept + kHugePage;
  void* raw = mmap(nullptr, static_cast<size_t>(span), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t first = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t at = HugeCeiling(first);
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
