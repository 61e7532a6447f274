// Across-edge normals of every face side.
#pragma once

#include "proxy3d/mesh3d.h"

#include <vector>

namespace hbx3 {

// For every edge: X = (mean of its faces' normals) x unitVect, both
// normalised where not of length 0 (the mean of face1's and face2's
// normals, face1's alone when face2 is -1). Reads: edges, faces' norm.
// Throws std::bad_alloc when the array cannot be had.
//
// Computed once the patches are built rather than stored in the faces,
// so the faces stay small while the patch phase reads them.
std::vector<Vec3> acrossEdgeNormals(const Mesh3D& mesh);

// The edge-face normal of side s of `face`: X or -X of its edge (from
// `across`), whichever points away from the face's corner off the edge (-X
// when that corner lies on the plane, or when the face has no such
// corner). A side whose edge an earlier side of the face names already
// gets (0, 0, 0): a face names each edge in its first side only. Reads the
// face's vertex and edge, the edge's vertices, vertices' pos.
Vec3 efsNorm(const Mesh3D& mesh, const std::vector<Vec3>& across, const MeshFace& face, int s);

} // namespace hbx3
