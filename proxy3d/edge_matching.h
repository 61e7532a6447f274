// Edge records of the faces and their pairing into geometric edges.
#pragma once

#include "proxy3d/mesh3d.h"

namespace hbx3 {

// Pairs the face sides that join the same two vertices, in either
// direction, into edges (see MeshEdge): one record per edge, numbered in
// the order of the sides that make them, and each face's edge naming the
// edges of its sides. face2 is the highest-numbered face of an edge's other
// sides; nextSide holds each edge's second-lowest side, -1 for an
// unmatched edge.
// Fills: mesh.edges, mesh.nextSide, faces' edge.
// Assumes: faces' vertex indices are valid. Throws std::bad_alloc.
// Linear in the mesh size (buckets by lower vertex index, no pairwise scan),
// and never holds a record per side: on a closed mesh there are half as
// many edges as sides.
void matchEdges(Mesh3D& mesh);

} // namespace hbx3
