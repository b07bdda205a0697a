#include "platform/heap.h"

#include <gtest/gtest.h>

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

}  // namespace
