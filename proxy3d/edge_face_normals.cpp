#include "proxy3d/edge_face_normals.h"

#include <cmath>

namespace hbx3 {
namespace {

void normalise(Vec3& v) {
    const float len =
        static_cast<float>(std::sqrt(static_cast<double>(v.x * v.x + v.y * v.y + v.z * v.z)));
    if (len != 0.0f) v = Vec3{v.x / len, v.y / len, v.z / len};
}

// Stores X or -X in the first slot of face f that names edge record i.
void assignSide(Mesh3D& mesh, int i, int f, const Vec3& x) {
    const MeshEdge& e = mesh.edges[static_cast<std::size_t>(i)];
    MeshFace& face = mesh.faces[static_cast<std::size_t>(f)];
    int w = -1;
    for (int k = 0; k < 3 && w < 0; ++k) {
        if (face.vertex[k] != e.vtx1 && face.vertex[k] != e.vtx2) w = face.vertex[k];
    }
    float d = 0.0f;
    if (w >= 0) {
        const Vec3& pw = mesh.vertices[static_cast<std::size_t>(w)].pos;
        const Vec3& p1 = mesh.vertices[static_cast<std::size_t>(e.vtx1)].pos;
        d = (pw.x - p1.x) * x.x + (pw.y - p1.y) * x.y + (pw.z - p1.z) * x.z;
    }
    for (int s = 0; s < 3; ++s) {
        if (face.edge[s] != i) continue;
        face.efsNorm[s] = d < 0.0f ? x : Vec3{-x.x, -x.y, -x.z};
        return;
    }
}

} // namespace

void computeEdgeFaceNormals(Mesh3D& mesh) {
    const int edgeCount = static_cast<int>(mesh.edges.size());
    for (int i = 0; i < edgeCount; ++i) {
        const MeshEdge& e = mesh.edges[static_cast<std::size_t>(i)];
        if (!e.primary) continue;
        Vec3 m = mesh.faces[static_cast<std::size_t>(e.face1)].norm;
        if (e.face2 != -1) {
            const Vec3& n2 = mesh.faces[static_cast<std::size_t>(e.face2)].norm;
            m = Vec3{m.x + n2.x, m.y + n2.y, m.z + n2.z};
        }
        normalise(m);
        const Vec3& u = e.unitVect;
        Vec3 x{m.y * u.z - m.z * u.y, m.z * u.x - m.x * u.z, m.x * u.y - m.y * u.x};
        normalise(x);
        assignSide(mesh, i, e.face1, x);
        if (e.face2 != -1) assignSide(mesh, i, e.face2, x);
        // Edges with three or more faces: the faces of the other duplicates
        // get their side by the same rule.
        int previous = -1;
        for (int j = mesh.nextInGroup[static_cast<std::size_t>(i)]; j >= 0;
             j = mesh.nextInGroup[static_cast<std::size_t>(j)]) {
            const int f = mesh.edges[static_cast<std::size_t>(j)].face1;
            if (f != e.face1 && f != e.face2 && f != previous) assignSide(mesh, i, f, x);
            previous = f;
        }
    }
}

} // namespace hbx3
