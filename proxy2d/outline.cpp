#include "proxy2d/outline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace hbx2 {
namespace {

// Twin search. Records are grouped by their lower vertex (count, offsets,
// fill); within a group a record meets its twins through the marks left by
// the earlier records of the group at their higher vertex. Every record of a
// pair, or of a side shared by three or more faces, loses the outline mark.
void clearTwins(Mesh2D& mesh) {
    const std::size_t vertexCount = mesh.vertices.size();
    std::vector<MeshEdge2D>& edges = mesh.edges;
    const int edgeCount = static_cast<int>(edges.size());

    // Count: records per lower vertex.
    std::vector<int> start(vertexCount + 1, 0);
    for (const MeshEdge2D& e : edges)
        ++start[std::min(e.vtx1, e.vtx2) + 1];
    // Offsets.
    for (std::size_t v = 0; v < vertexCount; ++v)
        start[v + 1] += start[v];
    // Fill, in ascending record order.
    std::vector<int> byLower(edges.size());
    {
        std::vector<int> next(start.begin(), start.end() - 1);
        for (int i = 0; i < edgeCount; ++i)
            byLower[next[std::min(edges[i].vtx1, edges[i].vtx2)]++] = i;
    }
    // Per higher vertex: the lower vertex of the group that last marked it,
    // and the first record of that group that reached it.
    std::vector<int> markGroup(vertexCount, -1);
    std::vector<int> markRecord(vertexCount, -1);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        for (int k = start[v]; k < start[v + 1]; ++k) {
            const int i = byLower[k];
            const int high = std::max(edges[i].vtx1, edges[i].vtx2);
            if (markGroup[high] == static_cast<int>(v)) {
                edges[i].outline = 0;
                edges[markRecord[high]].outline = 0;
            } else {
                markGroup[high] = static_cast<int>(v);
                markRecord[high] = i;
            }
        }
    }
    // The plain search marks every record it compares; nothing reads the
    // mark afterwards, but the records end up as it leaves them.
    for (MeshEdge2D& e : edges)
        e.visited = 1;
}

void enterSlot(MeshVertex2D& v, int e) {
    if (v.edge[0] == -1)
        v.edge[0] = e;
    else
        v.edge[1] = e;
}

} // namespace

void findOutline(Mesh2D& mesh) {
    clearTwins(mesh);
    std::vector<MeshVertex2D>& vertices = mesh.vertices;
    std::vector<MeshEdge2D>& edges = mesh.edges;
    for (const MeshEdge2D& e : edges) {
        if (!e.outline) continue;
        vertices[e.vtx1].onOutline = 1;
        vertices[e.vtx2].onOutline = 1;
    }
    const int edgeCount = static_cast<int>(edges.size());
    for (int i = 0; i < edgeCount; ++i) {
        MeshEdge2D& e = edges[i];
        if (!e.outline) continue;
        const float* p1 = vertices[e.vtx1].pos;
        const float* p2 = vertices[e.vtx2].pos;
        e.vect[0] = p2[0] - p1[0];
        e.vect[1] = p2[1] - p1[1];
        const float squared = e.vect[1] * e.vect[1] + e.vect[0] * e.vect[0];
        e.length = static_cast<float>(std::sqrt(static_cast<double>(squared)));
        if (e.length != 0.0f) {
            e.vect[0] = e.vect[0] / e.length;
            e.vect[1] = e.vect[1] / e.length;
        } else {
            e.vect[0] = 0.0f;
            e.vect[1] = 0.0f;
        }
        enterSlot(vertices[e.vtx1], i);
        enterSlot(vertices[e.vtx2], i);
    }
    // A broken mesh can leave a vertex with one outline edge; it is treated
    // as a vertex whose two slots hold that edge, so no later phase ever
    // follows an empty slot.
    for (MeshVertex2D& v : vertices)
        if (v.edge[0] != -1 && v.edge[1] == -1) v.edge[1] = v.edge[0];
}

} // namespace hbx2
