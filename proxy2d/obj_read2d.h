// Reading the OBJ mesh of the 2D builder: vertex lines (x and y only) and
// face lines, in two passes over the text held in memory.
#pragma once

#include "mesh2d.h"

#include <string_view>

namespace hbx2 {

enum class ReadStatus {
    Ok,
    VertexOutOfRange, // a vertex line's x or y is not finite or reaches 1e18
    MissingVertex,    // a corner index is 0 or resolves outside the vertex lines
    MalformedCorner,  // the file's first corner token holds no number
    NoVertexArray,
    NoEdgeArray,
    NoCornerTable,
    NoFaceTokens,
};

struct ReadResult {
    ReadStatus status = ReadStatus::Ok;
    int index = 0; // the 0-based vertex line or face line the failure names
};

// Reads text with the line pieces of a 4096-byte fgets buffer. Pass 1 counts
// vertex lines, corner tokens and face lines and sums x and y; the vertex and
// edge arrays are then obtained at their final sizes and filled by pass 2:
// positions relative to the mean of all vertex lines, one edge record per
// side of every face (outline 1, unabsorbed 1, mergeable 1, patch = own
// index). Fails at the first offending line in file order, or when an array
// cannot be had; mesh is then partly filled and must be discarded.
ReadResult readObjMesh2D(std::string_view text, Mesh2D& mesh);

// The console message of a failed read, line feed included.
std::string_view readFailureText(ReadStatus status);

} // namespace hbx2
