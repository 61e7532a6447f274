// Type letters of outline edges ('c', 'v', 'm') and outline vertices ('o',
// 'i', 'n').
#pragma once

#include "proxy2d/mesh2d.h"

namespace hbx2 {

// Needs the outline, normals and vertex slots. Edge e: every other outline
// edge touching e (at either end, all of them, not only the slots) lends its
// far vertex; a far vertex strictly outside e's line clears the v-mark, any
// other the c-mark; 'c' if the c-mark survives, else 'v' if the v-mark does,
// else 'm'. Vertex w: the far vertex of its edge[1] against the line of its
// edge[0] gives 'n' (on the line), 'i' (outside) or 'o'; a vertex whose two
// slots hold one edge is 'n'. Throws std::bad_alloc for its vertex lists.
void classifyOutline(Mesh2D& mesh);

} // namespace hbx2
