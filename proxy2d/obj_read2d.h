// Reading the OBJ mesh of the 2D builder: vertex lines (x and y only) and
// face lines, in two passes over the text held in memory.
#pragma once

#include "proxy2d/mesh2d.h"

#include <string_view>

namespace hbx2 {

// Reads text with the line pieces of a 4096-byte fgets buffer. Pass 1 counts
// vertex lines, corner tokens and face lines and sums x and y; the vertex and
// edge arrays are then obtained at their final sizes and filled by pass 2:
// positions relative to the mean of all vertex lines, one edge record per
// side of every face (outline 1, unabsorbed 1, mergeable 1, patch = own
// index).
//
// Fails (returns false after printing the error line) when an array cannot
// be had, or at the first offending line in file order: a vertex whose x or
// y is not finite or of magnitude 1e18 or more ("Vertex %d is out of
// range"), a corner index that is 0 or resolves outside the vertex lines
// ("Face %d refers to a missing vertex"), a first corner of the file that
// holds no number ("Face %d has a malformed corner"); the numbers are 0-based
// line counts of their kind. mesh is then partly filled and must be
// discarded.
bool readObjMesh2D(std::string_view text, Mesh2D& mesh);

} // namespace hbx2
