// Class letters of edges, vertices and faces.
#pragma once

#include "proxy3d/mesh3d.h"

namespace hbx3 {

// Gives every edge its unitVect and type ('h' open; else the far corner of
// its second side's face against the plane of face1: 'o' behind, 'i' in
// front, 'n' within 0.0001), every vertex its type ('o', 'i', 'h', 'n';
// flat vertices on an open border by the corner test, a flat vertex with a
// single open edge 'h') and every face hasOpenEdge and side ('v', 'c', 'm').
// Prints "WARNING: Vertex %d has more than 2 open edges" once for every open
// edge after the second at a flat vertex, in vertex and then edge order.
// Reads: edges and nextSide from matchEdges, faces' norm, vertices' pos.
// Cannot fail.
void classifyMesh(Mesh3D& mesh);

} // namespace hbx3
