#include "platform/heap.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace {

// Blocks made after the heap is prepared start at a 2 MiB boundary, where the
// kernel can give huge pages: nothing below it is handed out any more, and
// nothing at or past it was written before.
TEST(HeapTest, LaterBlocksStartAtTheFirstHugePage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator has no heap to prepare";
#else
  platform::PrepareHeap(0);
  void* block = std::malloc(256 << 10);  // larger than any block freed before
  ASSERT_NE(block, nullptr);
  EXPECT_LT(reinterpret_cast<uintptr_t>(block) % (uintptr_t{2} << 20), 64u);
  std::free(block);
#endif
}

// Rows of a size between huge pages are zeroed, and their release leaves
// nothing mapped up to the next huge page (the spare tail of the mapping).
TEST(HeapTest, MappedRowsAreZeroedAndReleasedWhole) {
  constexpr int64_t kSize = (int64_t{3} << 19) + 100;  // 1.5 MiB and a bit
  auto* rows = static_cast<uint8_t*>(platform::MapZeroedPages(kSize));
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows[0] | rows[kSize / 2] | rows[kSize - 1], 0);
  platform::UnmapPages(rows, kSize);
  unsigned char present;
  for (int64_t at : {int64_t{0}, kSize + 4096, (int64_t{2} << 20) - 4096}) {
    EXPECT_EQ(mincore(rows + (at & ~int64_t{4095}), 4096, &present), -1) << at;
    EXPECT_EQ(errno, ENOMEM) << at;
  }
}

}  // namespace
