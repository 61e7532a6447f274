#include "proxy2d/outline_types.h"

#include "proxy2d/outline_math.h"

#include <cstdint>
#include <vector>

namespace hbx2 {
namespace {

// The far vertex of j seen from edge e, or -1 when j does not touch e.
int farVertex(const MeshEdge2D& e, const MeshEdge2D& j) {
    if (j.vtx1 == e.vtx1 || j.vtx1 == e.vtx2) return j.vtx2;
    if (j.vtx2 == e.vtx1 || j.vtx2 == e.vtx2) return j.vtx1;
    return -1;
}

void classifyEdges(Mesh2D& mesh) {
    const std::size_t vertexCount = mesh.vertices.size();
    std::vector<MeshEdge2D>& edges = mesh.edges;
    const int edgeCount = static_cast<int>(edges.size());
    // All outline edges at each vertex (count, offsets, fill). A side from a
    // vertex to itself is listed once.
    std::vector<int> start(vertexCount + 1, 0);
    for (const MeshEdge2D& e : edges) {
        if (!e.outline) continue;
        ++start[e.vtx1 + 1];
        if (e.vtx2 != e.vtx1) ++start[e.vtx2 + 1];
    }
    for (std::size_t v = 0; v < vertexCount; ++v)
        start[v + 1] += start[v];
    std::vector<int> atVertex(start[vertexCount]);
    {
        std::vector<int> next(start.begin(), start.end() - 1);
        for (int i = 0; i < edgeCount; ++i) {
            const MeshEdge2D& e = edges[i];
            if (!e.outline) continue;
            atVertex[next[e.vtx1]++] = i;
            if (e.vtx2 != e.vtx1) atVertex[next[e.vtx2]++] = i;
        }
    }
    for (int i = 0; i < edgeCount; ++i) {
        MeshEdge2D& e = edges[i];
        if (!e.outline) continue;
        const float* q = mesh.vertices[e.vtx1].pos;
        bool cMark = true, vMark = true;
        // Marks are only ever cleared, so an edge met at both ends counts
        // the same as once, and the search stops once both are gone.
        for (int end : {e.vtx1, e.vtx2}) {
            for (int k = start[end]; k < start[end + 1] && (cMark || vMark); ++k) {
                const int j = atVertex[k];
                if (j == i) continue;
                const int far = farVertex(e, edges[j]);
                const float d = lineDistance(e, q, mesh.vertices[far].pos);
                if (d > 0.0f)
                    vMark = false;
                else
                    cMark = false;
            }
        }
        e.type = cMark ? 'c' : (vMark ? 'v' : 'm');
    }
}

void classifyVertices(Mesh2D& mesh) {
    for (MeshVertex2D& w : mesh.vertices) {
        if (!w.onOutline) continue;
        if (w.edge[0] == w.edge[1]) {
            // One edge in both slots: no corner to measure.
            w.type = 'n';
            continue;
        }
        const MeshEdge2D& a = mesh.edges[w.edge[0]];
        const MeshEdge2D& b = mesh.edges[w.edge[1]];
        const int f = (b.vtx1 == a.vtx1 || b.vtx1 == a.vtx2) ? b.vtx2 : b.vtx1;
        const float d = lineDistance(a, mesh.vertices[a.vtx1].pos, mesh.vertices[f].pos);
        w.type = d == 0.0f ? 'n' : (d > 0.0f ? 'i' : 'o');
    }
}

} // namespace

void classifyOutline(Mesh2D& mesh) {
    classifyEdges(mesh);
    classifyVertices(mesh);
}

} // namespace hbx2
