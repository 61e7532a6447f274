#include "proxy3d/edge_face_normals.h"

#include <cmath>

namespace hbx3 {
namespace {

void normalise(Vec3& v) {
    const float len =
        static_cast<float>(std::sqrt(static_cast<double>(v.x * v.x + v.y * v.y + v.z * v.z)));
    if (len != 0.0f) v = Vec3{v.x / len, v.y / len, v.z / len};
}

} // namespace

std::vector<Vec3> acrossEdgeNormals(const Mesh3D& mesh) {
    std::vector<Vec3> across(mesh.edges.size());
    for (std::size_t i = 0; i < mesh.edges.size(); ++i) {
        const MeshEdge& e = mesh.edges[i];
        Vec3 m = mesh.faces[static_cast<std::size_t>(e.face1)].norm;
        if (e.face2 != -1) {
            const Vec3& n2 = mesh.faces[static_cast<std::size_t>(e.face2)].norm;
            m = Vec3{m.x + n2.x, m.y + n2.y, m.z + n2.z};
        }
        normalise(m);
        const Vec3& u = e.unitVect;
        Vec3 x{m.y * u.z - m.z * u.y, m.z * u.x - m.x * u.z, m.x * u.y - m.y * u.x};
        normalise(x);
        across[i] = x;
    }
    return across;
}

Vec3 efsNorm(const Mesh3D& mesh, const std::vector<Vec3>& across, const MeshFace& face, int s) {
    const int i = face.edge[s];
    for (int k = 0; k < s; ++k) {
        if (face.edge[k] == i) return Vec3{};
    }
    const MeshEdge& e = mesh.edges[static_cast<std::size_t>(i)];
    const Vec3& x = across[static_cast<std::size_t>(i)];
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
    return d < 0.0f ? x : Vec3{-x.x, -x.y, -x.z};
}

} // namespace hbx3
