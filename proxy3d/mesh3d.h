// The records of the 3D proxy builder and the mesh that holds them.
//
// Every phase of the builder works on these flat arrays by index: 0-based
// signed 32-bit indices, -1 for "none". Geometry is single precision; the
// phases that derive it say where a value is rounded.
#pragma once

#include "frontend/geometry_limits.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hbx3 {

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct MeshVertex {
    Vec3 pos;      // position read from the file minus meshCentre
    char type = 0; // 'n', 'h', 'i' or 'o' once classified
};

// A vertex normal exactly as read (neither normalised nor moved).
struct MeshNormal {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// A geometric edge: the face sides that join the same two vertices, in
// either direction. Side k of face f (side number 3f + k) runs from corner k
// to corner k + 1; corner k + 2 lies opposite. The edge is made by its
// lowest-numbered side, and edges are numbered in the order of the sides
// that make them.
struct MeshEdge {
    int vtx1 = -1;  // the making side's first corner
    int vtx2 = -1;  // and its second
    int face1 = -1; // the face of the making side
    int face2 = -1; // the highest-numbered face of its other sides, or -1
    Vec3 unitVect;
    char type = 0; // 'h', 'o', 'i' or 'n'
};

// Every phase reads the faces, the patch phase over and over: a face holds
// what they read (48 bytes), and what only the reading of the file needs
// (the corners' normal numbers) is kept beside the faces, released once the
// face normals are made.
struct MeshFace {
    int vertex[3] = {-1, -1, -1};
    int edge[3] = {-1, -1, -1}; // after matching: the edge of each side
    Vec3 norm;
    std::uint8_t unabsorbed = 1;
    std::uint8_t mergeable = 1;
    std::uint8_t hasOpenEdge = 0;
    char side = 0; // 'v', 'c' or 'm'
    // Patch numbers grow by the number of faces each split moves, which over
    // many splits of a large patch passes the range of int.
    std::int64_t patch = 0;
};

// The normal numbers of a face's corners, -1 for a corner that names none.
struct CornerNormals {
    int normal[3] = {-1, -1, -1};
};

struct Mesh3D {
    std::vector<MeshVertex> vertices;
    std::vector<MeshNormal> normals;
    // Per face, or empty when the file has no normals (then no corner names
    // one).
    std::vector<CornerNormals> cornerNormals;
    std::vector<MeshEdge> edges;
    std::vector<MeshFace> faces;
    Vec3 meshCentre;
    // Per edge, its second-lowest side number (3f + k), or -1 when it has
    // one side only (filled by matchEdges for the classification, released
    // after it).
    std::vector<int> nextSide;
};

// The corners' normal numbers of face f: -1 for every corner when the file
// has no normals.
inline const CornerNormals& cornerNormalsOf(const Mesh3D& mesh, std::size_t f) {
    static const CornerNormals none;
    return mesh.cornerNormals.empty() ? none : mesh.cornerNormals[f];
}

// A vertex position in the file's own coordinates, in single precision.
inline Vec3 filePosition(const Mesh3D& mesh, int vertex) {
    const Vec3& p = mesh.vertices[static_cast<std::size_t>(vertex)].pos;
    const Vec3& c = mesh.meshCentre;
    return Vec3{p.x + c.x, p.y + c.y, p.z + c.z};
}

using hbx::snapZero;

} // namespace hbx3
