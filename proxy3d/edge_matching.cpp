#include "proxy3d/edge_matching.h"

#include <algorithm>
#include <cassert>
#include <new>

namespace hbx3 {

void matchEdges(Mesh3D& mesh) {
    const int faceCount = static_cast<int>(mesh.faces.size());
    const int vertexCount = static_cast<int>(mesh.vertices.size());
    const int edgeCount = 3 * faceCount;
    mesh.edges.resize(static_cast<std::size_t>(edgeCount));
    for (int f = 0; f < faceCount; ++f) {
        MeshFace& face = mesh.faces[static_cast<std::size_t>(f)];
        for (int k = 0; k < 3; ++k) {
            MeshEdge& e = mesh.edges[static_cast<std::size_t>(3 * f + k)];
            e.vtx1 = face.vertex[k];
            e.vtx2 = face.vertex[(k + 1) % 3];
            e.face1 = f;
            face.edge[k] = 3 * f + k;
        }
    }

    // Bucket the records by their lower vertex, in ascending record order
    // (count, offsets, fill).
    std::vector<int> start(static_cast<std::size_t>(vertexCount) + 1, 0);
    for (const MeshEdge& e : mesh.edges)
        ++start[static_cast<std::size_t>(std::min(e.vtx1, e.vtx2)) + 1];
    for (int v = 0; v < vertexCount; ++v)
        start[v + 1] += start[v];
    std::vector<int> bucket(static_cast<std::size_t>(edgeCount));
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (int i = 0; i < edgeCount; ++i) {
            const MeshEdge& e = mesh.edges[static_cast<std::size_t>(i)];
            bucket[static_cast<std::size_t>(
                fill[static_cast<std::size_t>(std::min(e.vtx1, e.vtx2))]++)] = i;
        }
    }

    // Within a bucket, group by the higher vertex. `seenIn` tells whether the
    // higher vertex already has a group in the current bucket; `first` and
    // `last` are that group's primary record and latest record.
    mesh.nextInGroup.assign(static_cast<std::size_t>(edgeCount), -1);
    std::vector<int> seenIn(static_cast<std::size_t>(vertexCount), -1);
    std::vector<int> first(static_cast<std::size_t>(vertexCount));
    std::vector<int> last(static_cast<std::size_t>(vertexCount));
    for (int lo = 0; lo < vertexCount; ++lo) {
        for (int b = start[lo]; b < start[lo + 1]; ++b) {
            const int i = bucket[static_cast<std::size_t>(b)];
            MeshEdge& e = mesh.edges[static_cast<std::size_t>(i)];
            const auto hi = static_cast<std::size_t>(std::max(e.vtx1, e.vtx2));
            if (seenIn[hi] != lo) {
                seenIn[hi] = lo;
                first[hi] = i;
                last[hi] = i;
                continue;
            }
            // A duplicate: its face now names the primary record, and the
            // faces come in ascending order, so the last one stays face2.
            const int p = first[hi];
            e.primary = 0;
            mesh.nextInGroup[static_cast<std::size_t>(last[hi])] = i;
            last[hi] = i;
            mesh.faces[static_cast<std::size_t>(e.face1)].edge[i % 3] = p;
            mesh.edges[static_cast<std::size_t>(p)].face2 = e.face1;
        }
    }
}

void dropDuplicateEdges(Mesh3D& mesh) {
    std::vector<MeshEdge>& edges = mesh.edges;
    // nextInGroup is no longer read: it holds each primary record's new
    // number while the faces are renumbered.
    std::vector<int>& renumbered = mesh.nextInGroup;
    renumbered.resize(edges.size());
    int kept = 0;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (edges[i].primary) renumbered[i] = kept++;
    }
    for (MeshFace& face : mesh.faces) {
        for (int& e : face.edge) {
            assert(edges[static_cast<std::size_t>(e)].primary);
            e = renumbered[static_cast<std::size_t>(e)];
        }
    }
    renumbered = std::vector<int>();
    std::size_t next = 0;
    for (const MeshEdge& e : edges) {
        if (e.primary) edges[next++] = e;
    }
    edges.resize(next);
    try {
        std::vector<MeshEdge>(edges.begin(), edges.end()).swap(edges);
    } catch (const std::bad_alloc&) {
        // Correct as they are, only larger than they need be.
    }
}

} // namespace hbx3
