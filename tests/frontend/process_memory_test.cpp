// The tools keep freed memory for reuse: a large block must come from the
// heap, not from a mapping of its own that free() would hand back.
#include "frontend/process_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

#if defined(__GLIBC__)
TEST(KeepFreedMemory, LargeBlocksComeFromTheHeapAndStayWhenFreed) {
    if (hbx::kAllocatorReplaced) GTEST_SKIP() << "allocator replaced by the sanitizer";
    hbx::keepFreedMemory();
    constexpr std::size_t kBig = std::size_t(64) << 20;
    void* block = std::malloc(kBig);
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, kBig);
    EXPECT_EQ(mallinfo2().hblkhd, 0u); // nothing held in mappings of its own
    std::free(block);
    EXPECT_GE(mallinfo2().arena, kBig); // still the process's after free
}

// The VmFlags of the mapping of /proc/self/smaps that holds address at, or
// "" when none does.
std::string mappingFlags(const void* at) {
    const auto address = reinterpret_cast<std::uintptr_t>(at);
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t begin = 0, end = 0;
        char dash = 0;
        std::istringstream head(line);
        if (head >> std::hex >> begin >> dash >> end && dash == '-') {
            inside = begin <= address && address < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return "";
}

TEST(KeepFreedMemory, LargePageAdviceReachesTheBlocksAllocatedAfterIt) {
    if (hbx::kAllocatorReplaced) GTEST_SKIP() << "allocator replaced by the sanitizer";
    hbx::keepFreedMemory();
    constexpr std::size_t kRoom = std::size_t(256) << 20;
    if (!hbx::preferLargePages(kRoom)) GTEST_SKIP() << "no large pages on request here";
    void* block = std::malloc(kRoom / 2);
    ASSERT_NE(block, nullptr);
    const std::string flags = mappingFlags(static_cast<char*>(block) + kRoom / 4);
    std::free(block);
    EXPECT_NE(flags.find(" hg"), std::string::npos) << flags;
}
#endif

} // namespace
