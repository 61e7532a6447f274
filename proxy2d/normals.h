// Outward normals of the outline edges.
#pragma once

#include "proxy2d/mesh2d.h"
#include "proxy2d/outline_index.h"

namespace hbx2 {

// For each outline edge e: norm = (-vect.y, vect.x); the line through the
// midpoint of e along that normal is counted against every other outline
// edge (through index, built over the same outline). The normal is kept when
// the crossings behind are odd and those in front even, and negated in every
// other case, so it points away from the mesh on a closed outline. The side
// that settles a negation alone (behind even, front odd) is often counted
// without the other.
void orientNormals(Mesh2D& mesh, const OutlineIndex& index);

} // namespace hbx2
