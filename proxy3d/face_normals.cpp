#include "proxy3d/face_normals.h"

#include <cmath>

namespace hbx3 {
namespace {

// Length in the builder's precision: float sum of float squares, root in
// double, stored back in float.
float length(const Vec3& v) {
    return static_cast<float>(std::sqrt(static_cast<double>(v.x * v.x + v.y * v.y + v.z * v.z)));
}

// Divides v by its length unless that length is 0.
void normalise(Vec3& v) {
    const float len = length(v);
    if (len != 0.0f) {
        v.x = v.x / len;
        v.y = v.y / len;
        v.z = v.z / len;
    }
}

Vec3 orientedNormal(const Mesh3D& mesh, const MeshFace& face, const CornerNormals& corners) {
    // Mean corner normal; a corner without a normal adds the zero vector.
    MeshNormal n[3];
    for (int k = 0; k < 3; ++k) {
        if (corners.normal[k] >= 0)
            n[k] = mesh.normals[static_cast<std::size_t>(corners.normal[k])];
    }
    Vec3 m{n[0].x + n[1].x + n[2].x, n[0].y + n[1].y + n[2].y, n[0].z + n[1].z + n[2].z};
    if (m.x != 0.0f) m.x = m.x / 3.0f;
    if (m.y != 0.0f) m.y = m.y / 3.0f;
    if (m.z != 0.0f) m.z = m.z / 3.0f;
    normalise(m);

    const Vec3& p0 = mesh.vertices[static_cast<std::size_t>(face.vertex[0])].pos;
    const Vec3& p1 = mesh.vertices[static_cast<std::size_t>(face.vertex[1])].pos;
    const Vec3& p2 = mesh.vertices[static_cast<std::size_t>(face.vertex[2])].pos;
    Vec3 u{p0.x - p1.x, p0.y - p1.y, p0.z - p1.z};
    Vec3 w{p1.x - p2.x, p1.y - p2.y, p1.z - p2.z};
    normalise(u);
    normalise(w);
    Vec3 g{u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
    normalise(g);

    const float lm = length(m);
    const float lg = length(g);
    const float d = m.x * g.x + m.y * g.y + m.z * g.z;
    float angle;
    if (lm == 0.0f || lg == 0.0f) {
        angle = static_cast<float>(std::acos(1.0));
    } else {
        float c = d / (lm * lg);
        if (c > 1.0f) c = 1.0f;
        if (c < -1.0f) c = -1.0f;
        angle = static_cast<float>(std::acos(static_cast<double>(c)));
    }
    if (angle != 0.0f) angle = static_cast<float>(static_cast<double>(angle) / 0.017453);

    Vec3 r = g;
    if (!(angle >= 0.0f && angle < 90.0f)) r = Vec3{-g.x, -g.y, -g.z}; // NaN lands here too
    return Vec3{snapZero(r.x), snapZero(r.y), snapZero(r.z)};
}

} // namespace

void computeFaceNormals(Mesh3D& mesh) {
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
        mesh.faces[f].norm = orientedNormal(mesh, mesh.faces[f], cornerNormalsOf(mesh, f));
}

} // namespace hbx3
