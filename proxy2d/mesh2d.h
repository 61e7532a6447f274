// The records of the 2D proxy builder and the mesh that holds them.
//
// One MeshVertex2D per vertex line of the input and one MeshEdge2D per side
// of each face, in the order the sides were made. Only the outline (sides
// that belong to one face alone) and its vertices reach the Shape File; the
// other records take part in finding the outline only.
#pragma once

#include <cstdint>
#include <vector>

namespace hbx2 {

struct MeshVertex2D {
    float pos[2];           // input x, y minus the mesh centre
    float safe[2];          // safe point; (0, 0) unless the vertex is a corner
    std::uint8_t onOutline; // 1 when an outline edge touches the vertex
    int edge[2];            // the outline edges held in the vertex's slots, -1 none
    char type;              // 'n', 'i' or 'o' on the outline, ' ' elsewhere
};

struct MeshEdge2D {
    int vtx1;      // start vertex (0-based)
    int vtx2;      // end vertex
    float length;  // outline edges only
    float vect[2]; // unit direction, (0, 0) for a side of length 0
    float norm[2]; // unit normal away from the mesh
    std::uint8_t outline;
    std::uint8_t visited;
    std::uint8_t unabsorbed;
    std::uint8_t mergeable;
    int patch;
    char type; // 'c', 'v' or 'm' on the outline
};

struct Mesh2D {
    std::vector<MeshVertex2D> vertices;
    std::vector<MeshEdge2D> edges;
    float centre[2] = {0.0f, 0.0f}; // mean of all vertex lines
};

} // namespace hbx2
