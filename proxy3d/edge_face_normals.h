// Across-edge normals of every face side.
#pragma once

#include "proxy3d/mesh3d.h"

namespace hbx3 {

// For every primary edge record: X = (mean of its faces' normals) x
// unitVect, both normalised where not of length 0. Each face on the edge
// (face1, face2, then every further face naming the record, ascending) gets
// X or -X in the first of its slots naming the record, whichever points away
// from its corner off the edge (-X when that corner lies on the plane, or
// when the face has no such corner). Slots that get no value keep (0, 0, 0).
// Reads: primary edges, faces' norm, vertex and edge, vertices' pos,
// nextInGroup. Fills: faces' efsNorm. Cannot fail.
void computeEdgeFaceNormals(Mesh3D& mesh);

} // namespace hbx3
