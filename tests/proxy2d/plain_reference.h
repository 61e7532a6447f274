// The builder's phases as plain scans over every record, each step in its
// simplest form, for checking the indexed and incremental versions against. Quadratic (and worse
// for the patch cycle): small meshes only.
#pragma once

#include "proxy2d/mesh2d.h"

namespace hbx2test {

// Twin search comparing every record with every later one, outline vertices,
// edge geometry and slots (a single outline edge fills both slots).
void plainOutline(hbx2::Mesh2D& mesh);
// Normals from crossing counts against every other outline edge.
void plainNormals(hbx2::Mesh2D& mesh);
// Edge types comparing every outline edge with every other one; vertex types.
void plainTypes(hbx2::Mesh2D& mesh);
// Safe points scanning every outline edge for every corner vertex.
void plainSafePoints(hbx2::Mesh2D& mesh);
// Merge sweeps relabelling the whole edge array, allergy sets of every edge,
// splits. Returns the number of cycles that found allergies.
int plainPatchCycle(hbx2::Mesh2D& mesh);

// All of the above in order, after reading.
int plainDerive(hbx2::Mesh2D& mesh);

} // namespace hbx2test
