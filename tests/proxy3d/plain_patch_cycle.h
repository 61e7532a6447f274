// The patch cycle as plain scans over the face array, one step at a time in
// its simplest form (quadratic): the reference that the fast cycle is checked
// against.
#pragma once

#include "mesh3d.h"

namespace hbx3test {

// Runs merge phases, allergy checks and splits until no face has an
// allergy. Reads and fills the same fields as hbx3::buildPatches. Returns
// the number of splits made.
int plainPatchCycle(hbx3::Mesh3D& mesh);

} // namespace hbx3test
