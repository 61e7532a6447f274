// Reading an OBJ triangle mesh into the records of the 3D proxy builder.
#pragma once

#include "proxy3d/mesh3d.h"

#include <string_view>

namespace hbx3 {

// Reads the OBJ text in two passes over 256-byte line pieces. The first pass
// counts (and reads the vertex positions and their single-precision sum);
// the second fills the vertices (relative to meshCentre), the normals and
// the faces' corner and normal indices, in file order.
//
// Fills: mesh.vertices, mesh.normals, mesh.faces (vertex, normal; every other
// face field keeps its initial value), mesh.meshCentre. Edge records are not
// made here (see matchEdges).
//
// Prints "WARNING: Face %d not a triangle" for every face line with more
// than three corners. Fails (returns false after printing the error line)
// when the file has no vertex or no face line, an array cannot be allocated,
// or a line is unusable: a coordinate that is not finite or of magnitude
// 1e18 or more, a face with fewer than three corners, a corner without a
// readable vertex index, or an index that names no vertex or normal of the
// file. Lines are checked in file order, so the first bad line decides.
bool readObjMesh(std::string_view text, Mesh3D& mesh);

} // namespace hbx3
