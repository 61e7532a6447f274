// The patch cycle: merge faces into patches, then split patches until no
// face is allergic to another face of its patch.
#pragma once

#include "proxy3d/allergen_candidates.h"
#include "proxy3d/mesh3d.h"

#include <cstdint>

namespace hbx3 {

enum class PatchResult {
    Done,
    SetArrayFailed, // "Error: Couldn't allocate patch allergy set array"
    SetFailed,      // "Error: Couldn't allocate patch allergy array"
};

struct PatchOptions {
    // The faces a split moves are numbered from the larger of this and the
    // largest number in use + 1. Tests start it near the end of int's
    // range; 0 leaves the numbering as it is.
    std::int64_t firstSplitNumber = 0;
    // When the allergy queries gather candidates for a group of faces
    // rather than ask the tree face by face; the result is the same either
    // way.
    CandidateRules candidates;
};

// Gives every face its final `patch`. The result is that of the plain cycle
// (merge sweeps over all faces; allergy sets of all faces; split at the
// pivot, the first allergen of the lowest-numbered allergic face; moved
// faces numbered from the largest number in use + 1 in ascending order;
// merge among the moved faces; repeat), reached incrementally:
// - a patch only ever loses faces, so a face found without allergies never
//   gets one again, and the lowest allergic face is found by a cursor that
//   only moves forward;
// - the lowest-numbered face that face a is allergic to, and the faces
//   allergic to the pivot, are queries on a hierarchy over the faces of
//   the patch;
// - a patch holds one number for all its faces; a split that moves a few
//   faces merges them in one union-find pass;
// - a split that moves most of a patch takes out what stays, and when the
//   moved faces are shown to hang together (patch_connectivity.h) they
//   keep the patch, numbered from its low points (patch_minima.h), so the
//   split costs what stays plus the faces above the highest low point;
//   otherwise the moved faces are merged one by one as above.
// Reads: faces' vertex, norm, side, edge, patch (its own index); edges'
// face1 and face2; vertices' pos; meshCentre.
// Fails when an allocation fails (real, or armed at "allergy set array"
// before the first cycle, or "allergy set" at every split).
PatchResult buildPatches(Mesh3D& mesh, const PatchOptions& options = {});

} // namespace hbx3
