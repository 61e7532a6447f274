// Safe points of the corners of the outline.
#pragma once

#include "proxy2d/mesh2d.h"
#include "proxy2d/outline_index.h"

namespace hbx2 {

// For each outline vertex of type 'o' or 'i': the bisector B of its two slot
// normals is followed, from the vertex P, to the nearest crossing with an
// outline edge that does not touch the vertex (through index): behind P for
// 'o' (into the mesh), in front for 'i', else for 'i' the nearest behind,
// mirrored. safe = P + 0.75 (T - P), or P + 0.75 (P - F) for the mirrored
// case. When nothing qualifies the search is repeated with crossings at edge
// ends included; when that finds nothing either, safe = P. 'n' vertices keep
// (0, 0).
void placeSafePoints(Mesh2D& mesh, const OutlineIndex& index);

} // namespace hbx2
