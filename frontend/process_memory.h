// How the tools' processes treat freed memory.
#pragma once

namespace hbx {

// Asks the C library to keep memory the process frees for its own later
// allocations instead of handing it back to the system at once. The tools
// are short batch runs whose phases free large arrays (the input text, a
// patch's hierarchy) and then allocate others of similar size: reused, that
// memory is not faulted in and zeroed by the kernel a second time, which cuts
// the page faults of a run by a quarter to a third. The peak held stays what
// it was, since freed memory is only reused, and all of it goes back when the
// process ends. Does nothing where the C library offers no such setting.
void keepFreedMemory();

} // namespace hbx
