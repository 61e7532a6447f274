// The tools keep freed memory for reuse: a large block must come from the
// heap, not from a mapping of its own that free() would hand back.
#include "frontend/process_memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnAllocator = true; // the sanitizer's allocator ignores mallopt
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kOwnAllocator = true;
#else
constexpr bool kOwnAllocator = false;
#endif
#else
constexpr bool kOwnAllocator = false;
#endif

#if defined(__GLIBC__)
TEST(KeepFreedMemory, LargeBlocksComeFromTheHeapAndStayWhenFreed) {
    if (kOwnAllocator) GTEST_SKIP() << "allocator replaced by the sanitizer";
    hbx::keepFreedMemory();
    constexpr std::size_t kBig = std::size_t(64) << 20;
    void* block = std::malloc(kBig);
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, kBig);
    EXPECT_EQ(mallinfo2().hblkhd, 0u); // nothing held in mappings of its own
    std::free(block);
    EXPECT_GE(mallinfo2().arena, kBig); // still the process's after free
}
#endif

} // namespace
