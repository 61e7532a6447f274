// How the tools' processes treat freed memory.
#pragma once

#include <cstddef>

namespace hbx {

// Whether a sanitizer's allocator stands in for the C library's: it ignores
// mallopt, and the functions below then change nothing.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAllocatorReplaced = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAllocatorReplaced = true;
#else
inline constexpr bool kAllocatorReplaced = false;
#endif
#else
inline constexpr bool kAllocatorReplaced = false;
#endif

// Asks the C library to keep memory the process frees for its own later
// allocations instead of handing it back to the system at once. The tools
// are short batch runs whose phases free large arrays (the input text, a
// patch's hierarchy) and then allocate others of similar size: reused, that
// memory is not faulted in and zeroed by the kernel a second time, which cuts
// the page faults of a run by a quarter to a third. The peak held stays what
// it was, since freed memory is only reused, and all of it goes back when the
// process ends. Does nothing where the C library offers no such setting.
void keepFreedMemory();

// Asks the kernel to back the next `bytes` of heap that the process takes
// with large (2 MB) pages, where it offers them on request (Linux with
// transparent huge pages in "madvise" mode, the usual setting). A run over a
// mesh of a million faces touches about a gigabyte: in 4 KB pages that is a
// quarter of a million page faults and as many misses of the address
// translation cache in the phases that hop between faces, about a seventh of
// the run. Nothing is touched or held beyond what the run allocates anyway:
// the room is taken from the heap's top and freed at once, so it needs
// keepFreedMemory first to stay in the heap. Returns whether the advice was
// given; does nothing under a sanitizer's allocator or where the system has
// no such advice.
bool preferLargePages(std::size_t bytes);

} // namespace hbx
