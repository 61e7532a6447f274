#include "frontend/process_memory.h"

#include <cstdlib> // defines __GLIBC__ when that is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace hbx {

void keepFreedMemory() {
#if defined(__GLIBC__)
    // Large blocks come from the heap rather than from their own mappings
    // (which free() would unmap), and the heap's free top is never trimmed.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1);
#endif
}

} // namespace hbx
