// Patches of the outline and the allergy splits.
#pragma once

#include "proxy2d/mesh2d.h"

#include <cstdint>

namespace hbx2 {

enum class PatchResult {
    Done,
    SetArrayFailed, // the patch allergy set array could not be had
    SetFailed,      // an allergy set could not be had (no message)
};

// Needs types, normals and slots. Merges runs of outline edges of one type
// that meet in vertex slots into patches (the absorbing edge's number
// survives; edges ascending, the vtx1 end before the vtx2 end), then splits
// while any edge is allergic to an edge of its patch: the pivot is the
// lowest allergen of the lowest allergic edge, the edges allergic to the
// pivot take new numbers above all in use (ascending) and merge among
// themselves. Prints "NOTE: Allergies found" once per cycle that finds
// allergies. Sets `patch` of every outline edge. The merges run as a
// union-find and the allergy checks incrementally (patch_tree.h), so the
// records' `unabsorbed` and `mergeable` marks, which nothing after this
// phase reads, are left as reading made them.
// Counts of the splits, for tests: all of them, and those made by the
// stretch shortcut (the pivot's patch one stretch of its chain).
struct PatchStats {
    std::int64_t splits = 0;
    std::int64_t stretchSplits = 0;
};
PatchResult buildPatches(Mesh2D& mesh, PatchStats* stats = nullptr);

} // namespace hbx2
