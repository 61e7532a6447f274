#include "proxy3d/classify_mesh.h"

#include "frontend/console.h"

#include <cmath>

namespace hbx3 {
namespace {

void classifyEdges(Mesh3D& mesh) {
    const int edgeCount = static_cast<int>(mesh.edges.size());
    for (int i = 0; i < edgeCount; ++i) {
        MeshEdge& e = mesh.edges[static_cast<std::size_t>(i)];
        const Vec3& a = mesh.vertices[static_cast<std::size_t>(e.vtx1)].pos;
        const Vec3& b = mesh.vertices[static_cast<std::size_t>(e.vtx2)].pos;
        Vec3 u{b.x - a.x, b.y - a.y, b.z - a.z};
        const float len =
            static_cast<float>(std::sqrt(static_cast<double>(u.x * u.x + u.y * u.y + u.z * u.z)));
        if (len != 0.0f) u = Vec3{u.x / len, u.y / len, u.z / len};
        e.unitVect = Vec3{snapZero(u.x), snapZero(u.y), snapZero(u.z)};
        const int j = mesh.nextSide[static_cast<std::size_t>(i)];
        if (j < 0) { // unmatched
            e.type = 'h';
            continue;
        }
        // The edge's second side decides: its face's corner off the edge.
        const int opposite = mesh.faces[static_cast<std::size_t>(j / 3)].vertex[(j % 3 + 2) % 3];
        const Vec3 q = filePosition(mesh, opposite);
        const Vec3 s = filePosition(mesh, e.vtx1);
        const Vec3& n = mesh.faces[static_cast<std::size_t>(e.face1)].norm;
        const float d = snapZero((q.x - s.x) * n.x + (q.y - s.y) * n.y + (q.z - s.z) * n.z);
        e.type = d == 0.0f ? 'n' : (d > 0.0f ? 'i' : 'o');
    }
}

float dotFrom(const Vec3& from, const Vec3& to, const Vec3& x) {
    return (to.x - from.x) * x.x + (to.y - from.y) * x.y + (to.z - from.z) * x.z;
}

// Flat vertex v on an open border: 'h' where the border turns a convex
// corner, 'n' where it runs straight or turns reflex. e1 and e2 are its two
// lowest-numbered open edges (e2 = -1: only one, which counts as a corner).
char cornerType(const Mesh3D& mesh, int v, int e1, int e2) {
    if (e2 < 0) return 'h';
    const MeshEdge& first = mesh.edges[static_cast<std::size_t>(e1)];
    const MeshEdge& second = mesh.edges[static_cast<std::size_t>(e2)];
    const MeshFace& face = mesh.faces[static_cast<std::size_t>(first.face1)];
    const Vec3& u = first.unitVect;
    const Vec3& n = face.norm;
    const Vec3 x{u.y * n.z - u.z * n.y, u.z * n.x - u.x * n.z, u.x * n.y - u.y * n.x};
    // The face's corner off the edge (the last one in slot order); a face
    // that repeats a vertex may have none, and then counts as lying on the
    // edge's line.
    int a = v;
    for (int k = 0; k < 3; ++k) {
        if (face.vertex[k] != first.vtx1 && face.vertex[k] != first.vtx2) a = face.vertex[k];
    }
    const int b = second.vtx1 == v ? second.vtx2 : second.vtx1;
    const Vec3& vertexPos = mesh.vertices[static_cast<std::size_t>(v)].pos;
    const float d1 = dotFrom(vertexPos, mesh.vertices[static_cast<std::size_t>(a)].pos, x);
    const float d2 = dotFrom(vertexPos, mesh.vertices[static_cast<std::size_t>(b)].pos, x);
    if (d1 > 0.0f) return d2 > 0.0f ? 'h' : 'n';
    return d2 < 0.0f ? 'h' : 'n';
}

void classifyVertices(Mesh3D& mesh) {
    const int vertexCount = static_cast<int>(mesh.vertices.size());
    const int edgeCount = static_cast<int>(mesh.edges.size());
    // Edges at each vertex, ascending (count, offsets, fill).
    std::vector<int> start(static_cast<std::size_t>(vertexCount) + 1, 0);
    for (const MeshEdge& e : mesh.edges) {
        ++start[static_cast<std::size_t>(e.vtx1) + 1];
        if (e.vtx2 != e.vtx1) ++start[static_cast<std::size_t>(e.vtx2) + 1];
    }
    for (int v = 0; v < vertexCount; ++v)
        start[v + 1] += start[v];
    std::vector<int> list(static_cast<std::size_t>(start[static_cast<std::size_t>(vertexCount)]));
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (int i = 0; i < edgeCount; ++i) {
            const MeshEdge& e = mesh.edges[static_cast<std::size_t>(i)];
            list[static_cast<std::size_t>(fill[static_cast<std::size_t>(e.vtx1)]++)] = i;
            if (e.vtx2 != e.vtx1)
                list[static_cast<std::size_t>(fill[static_cast<std::size_t>(e.vtx2)]++)] = i;
        }
    }

    for (int v = 0; v < vertexCount; ++v) {
        bool concave = false, convex = false;
        int open = 0, e1 = -1, e2 = -1;
        for (int b = start[v]; b < start[v + 1]; ++b) {
            const int i = list[static_cast<std::size_t>(b)];
            const char t = mesh.edges[static_cast<std::size_t>(i)].type;
            if (t == 'i')
                concave = true;
            else if (t == 'o')
                convex = true;
            else if (t == 'h') {
                if (open == 0)
                    e1 = i;
                else if (open == 1)
                    e2 = i;
                ++open;
            }
        }
        char type;
        if (!concave && !convex) {
            if (open == 0) {
                type = 'n';
            } else {
                for (int extra = 2; extra < open; ++extra) {
                    hbx::sayNumbered("WARNING: Vertex ", v, " has more than 2 open edges\n");
                }
                type = cornerType(mesh, v, e1, e2);
            }
        } else if (!convex) {
            type = open ? 'h' : 'i';
        } else if (!concave) {
            type = open ? 'h' : 'o';
        } else {
            type = 'h';
        }
        mesh.vertices[static_cast<std::size_t>(v)].type = type;
    }
}

void classifyFaces(Mesh3D& mesh) {
    for (MeshFace& face : mesh.faces) {
        bool open = false, convex = false, concave = false;
        for (int k = 0; k < 3; ++k) {
            const char t = mesh.edges[static_cast<std::size_t>(face.edge[k])].type;
            open = open || t == 'h';
            convex = convex || t == 'o';
            concave = concave || t == 'i';
        }
        face.hasOpenEdge = open ? 1 : 0;
        if (!convex)
            face.side = open ? 'm' : 'c';
        else if (!concave)
            face.side = open ? 'm' : 'v';
        else
            face.side = 'm';
    }
}

} // namespace

void classifyMesh(Mesh3D& mesh) {
    classifyEdges(mesh);
    classifyVertices(mesh);
    classifyFaces(mesh);
}

} // namespace hbx3
