#include "frontend/process_memory.h"

#include <cstdint>
#include <cstdlib> // defines __GLIBC__ when that is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace hbx {
namespace {

// The size of a large page on the machines that offer them on request.
constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;

} // namespace

void keepFreedMemory() {
#if defined(__GLIBC__)
    // Large blocks come from the heap rather than from their own mappings
    // (which free() would unmap), and the heap's free top is never trimmed.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1);
#endif
}

bool preferLargePages(std::size_t bytes) {
#if defined(__GLIBC__) && defined(__linux__) && defined(MADV_HUGEPAGE)
    if (kAllocatorReplaced || bytes < 2 * kLargePage) return false;
    // The block comes from the top of the heap (keepFreedMemory), untouched
    // but for its header; freed, it stays there as free room for the
    // allocations that follow, and the advice stays with its pages.
    void* block = std::malloc(bytes);
    if (block == nullptr) return false;
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
    const bool advised =
        last > first && madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE) == 0;
    std::free(block);
    return advised;
#else
    (void)bytes;
    return false;
#endif
}

} // namespace hbx
