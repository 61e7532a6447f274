#include "proxy3d/edge_matching.h"

#include <algorithm>
#include <cassert>

namespace hbx3 {
namespace {

// Side k of a face runs from corner k to corner k + 1.
int sideStart(const MeshFace& face, int k) {
    return face.vertex[k];
}
int sideEnd(const MeshFace& face, int k) {
    return face.vertex[(k + 1) % 3];
}

} // namespace

void matchEdges(Mesh3D& mesh) {
    const int faceCount = static_cast<int>(mesh.faces.size());
    const int vertexCount = static_cast<int>(mesh.vertices.size());
    const int sideCount = 3 * faceCount;
    auto lower = [&](int s) {
        const MeshFace& face = mesh.faces[static_cast<std::size_t>(s / 3)];
        return std::min(sideStart(face, s % 3), sideEnd(face, s % 3));
    };
    auto higher = [&](int s) {
        const MeshFace& face = mesh.faces[static_cast<std::size_t>(s / 3)];
        return std::max(sideStart(face, s % 3), sideEnd(face, s % 3));
    };

    // Pass 1: the sides bucketed by their lower vertex, each bucket in
    // ascending side order (count, offsets, fill).
    std::vector<int> start(static_cast<std::size_t>(vertexCount) + 1, 0);
    for (int s = 0; s < sideCount; ++s)
        ++start[static_cast<std::size_t>(lower(s)) + 1];
    for (int v = 0; v < vertexCount; ++v)
        start[v + 1] += start[v];
    std::vector<int> bucket(static_cast<std::size_t>(sideCount));
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (int s = 0; s < sideCount; ++s)
            bucket[static_cast<std::size_t>(fill[static_cast<std::size_t>(lower(s))]++)] = s;
    }

    // Pass 2: within a bucket, the sides grouped by their higher vertex;
    // each side names the first (lowest) side of its group in face.edge for
    // now. `seenIn` tells whether the higher vertex already has a group in
    // the current bucket, `first` is that group's first side.
    int edgeCount = 0;
    {
        std::vector<int> seenIn(static_cast<std::size_t>(vertexCount), -1);
        std::vector<int> first(static_cast<std::size_t>(vertexCount));
        for (int lo = 0; lo < vertexCount; ++lo) {
            for (int b = start[lo]; b < start[lo + 1]; ++b) {
                const int s = bucket[static_cast<std::size_t>(b)];
                const auto hi = static_cast<std::size_t>(higher(s));
                if (seenIn[hi] != lo) {
                    seenIn[hi] = lo;
                    first[hi] = s;
                    ++edgeCount;
                }
                mesh.faces[static_cast<std::size_t>(s / 3)].edge[s % 3] = first[hi];
            }
        }
    }
    start = std::vector<int>();

    // Pass 3, in side order: a side that names itself makes its edge, the
    // next edge number (held in bucket, free now, by side); a later side of
    // the same edge becomes its nextSide when it is the first such, and its
    // face becomes face2 (the sides come in ascending face order, so the
    // last one stays).
    std::vector<int>& edgeOf = bucket;
    mesh.edges.assign(static_cast<std::size_t>(edgeCount), MeshEdge{});
    mesh.nextSide.assign(static_cast<std::size_t>(edgeCount), -1);
    int made = 0;
    for (int f = 0; f < faceCount; ++f) {
        MeshFace& face = mesh.faces[static_cast<std::size_t>(f)];
        for (int k = 0; k < 3; ++k) {
            const int s = 3 * f + k;
            const int firstSide = face.edge[k];
            if (firstSide == s) {
                MeshEdge& e = mesh.edges[static_cast<std::size_t>(made)];
                e.vtx1 = sideStart(face, k);
                e.vtx2 = sideEnd(face, k);
                e.face1 = f;
                edgeOf[static_cast<std::size_t>(s)] = made;
                face.edge[k] = made++;
                continue;
            }
            assert(firstSide < s);
            const int i = edgeOf[static_cast<std::size_t>(firstSide)];
            face.edge[k] = i;
            mesh.edges[static_cast<std::size_t>(i)].face2 = f;
            int& next = mesh.nextSide[static_cast<std::size_t>(i)];
            if (next < 0) next = s;
        }
    }
    assert(made == edgeCount);
}

} // namespace hbx3
