// Unit face normals oriented by the mesh's vertex normals.
#pragma once

#include "proxy3d/mesh3d.h"

namespace hbx3 {

// Gives every face its `norm`: the unit normal of its corner positions,
// reversed unless it lies within 90 degrees (measured with the 0.017453
// divisor) of the mean of its corners' vertex normals, then zero-snapped.
// Corners that name no normal contribute the zero vector; a zero mean
// normal keeps the winding's normal. A zero-length side stays undivided, so
// such a face gets (0, 0, 0).
// Reads: faces' vertex indices, cornerNormals, vertices' pos, mesh.normals.
// Assumes every index names an existing record. Cannot fail.
void computeFaceNormals(Mesh3D& mesh);

} // namespace hbx3
