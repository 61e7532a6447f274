// The patch cycle as plain scans over the face array, one step at a time in
// its simplest form (quadratic): the reference that the fast cycle is checked
// against.
#pragma once

#include "proxy3d/mesh3d.h"

#include <cstdint>

namespace hbx3test {

// Runs merge phases, allergy checks and splits until no face has an
// allergy. Reads and fills the same fields as hbx3::buildPatches. Returns
// the number of splits made. Moved faces are numbered from the larger of the
// largest number in use + 1 and firstSplitNumber (hbx3::PatchOptions).
int plainPatchCycle(hbx3::Mesh3D& mesh, std::int64_t firstSplitNumber = 0);

} // namespace hbx3test
