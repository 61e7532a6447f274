// Finding the outline of the mesh: the sides that belong to one face alone.
#pragma once

#include "proxy2d/mesh2d.h"

namespace hbx2 {

// Reads vtx1/vtx2 of every edge record and the vertex positions. Clears
// `outline` on every record that has a twin (another record joining the same
// two vertices, either way round), sets `onOutline` on every vertex touched
// by an outline edge, and gives each outline edge in ascending order its
// `vect` and `length` and enters it into the slots of vtx1 then vtx2 (edge[0]
// when free, else edge[1]; the highest-numbered edge stays in edge[1]).
// A vertex left with a single outline edge gets that edge in both slots.
// Throws std::bad_alloc when its working arrays cannot be had.
void findOutline(Mesh2D& mesh);

} // namespace hbx2
