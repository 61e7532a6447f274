// Edge records of the faces and their pairing into geometric edges.
#pragma once

#include "proxy3d/mesh3d.h"

namespace hbx3 {

// Makes the three edge records of every face (side k runs from corner k to
// corner k+1, opposite corner k+2; records of face f are 3f, 3f+1, 3f+2)
// and pairs the records that join the same two vertices in either direction.
// In each group the lowest-numbered record is primary; the others are
// duplicates, and the faces holding them are re-pointed at the primary,
// whose face2 becomes the highest-numbered such face. nextInGroup chains
// each group's records in ascending order: a primary record with no next
// one is unmatched.
// Fills: mesh.edges, mesh.nextInGroup, faces' edge.
// Assumes: faces' vertex indices are valid; mesh.edges is empty.
// Linear in the mesh size (buckets by lower vertex index, no pairwise scan).
void matchEdges(Mesh3D& mesh);

// Once the edges are classified and the across-edge normals computed, only
// the primary records are read again (the patch phase and the writer reach
// edges through faces' edge, which names primaries only): keeps those, in
// order, renumbers faces' edge to match and releases nextInGroup. On a
// closed mesh that halves the edge records, the largest array of the mesh,
// before the patch phase adds its own. Never fails: without room for the
// smaller copy the records stay in their old block, compacted.
void dropDuplicateEdges(Mesh3D& mesh);

} // namespace hbx3
