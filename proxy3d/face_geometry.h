// The mesh as the allergy queries of the patch cycle read it: the vertices'
// file positions, the faces around each vertex, and the
// exact allergy test between two faces.
//
// Face F is allergic to face G of its patch when G shares no vertex with F
// and one of G's vertices lies beyond F's plane (above it for a 'v' face,
// below it for a 'c' face) after the 0.0001 snap. The plane distance is
// computed in float, left to right, from F's first corner and F's normal.
#pragma once

#include "proxy3d/mesh3d.h"

#include <vector>

namespace hbx3 {

struct FaceGeometry {
    // Reads the faces' vertex and the vertices' file positions; the mesh
    // must outlive the geometry, which reads its faces' norm and side too.
    explicit FaceGeometry(const Mesh3D& mesh);

    const Mesh3D& mesh;
    std::vector<Vec3> world; // vertex positions in file coordinates
    // Faces around each vertex, ascending: those of vertex v are
    // vertexFaces[vertexFacesStart[v] .. vertexFacesStart[v + 1]). The faces
    // that share a corner with a pivot are never allergic to it.
    std::vector<int> vertexFacesStart;
    std::vector<int> vertexFaces;

    const MeshFace& face(int f) const { return mesh.faces[static_cast<std::size_t>(f)]; }
    const Vec3& position(int v) const { return world[static_cast<std::size_t>(v)]; }

    // The lowest-numbered face around vertex v, of any patch.
    int lowestAround(int v) const {
        return vertexFaces[static_cast<std::size_t>(vertexFacesStart[static_cast<std::size_t>(v)])];
    }

    bool shareVertex(int f, int g) const {
        const int* a = face(f).vertex;
        const int* b = face(g).vertex;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                if (a[i] == b[j]) return true;
            }
        }
        return false;
    }

    // The exact test: the plane distance of p from face f, in float,
    // snapped, on f's allergic side.
    bool isBeyond(int f, const Vec3& p) const {
        const MeshFace& fc = face(f);
        const Vec3& q = position(fc.vertex[0]);
        const Vec3& n = fc.norm;
        const float d = snapZero((p.x - q.x) * n.x + (p.y - q.y) * n.y + (p.z - q.z) * n.z);
        return fc.side == 'v' ? d > 0.0f : (fc.side == 'c' && d < 0.0f);
    }

    // The exact test of face f against the pivot's corners: no shared
    // vertex and a corner beyond f's plane on f's allergic side.
    bool allergicTo(int f, int pivot) const {
        if (shareVertex(f, pivot)) return false;
        const int* corners = face(pivot).vertex;
        for (int k = 0; k < 3; ++k) {
            if (isBeyond(f, position(corners[k]))) return true;
        }
        return false;
    }

    // The file positions of a face's three corners, in double.
    void cornersOf(int f, double (&p)[3][3]) const {
        for (int k = 0; k < 3; ++k) {
            const Vec3& w = position(face(f).vertex[k]);
            p[k][0] = w.x;
            p[k][1] = w.y;
            p[k][2] = w.z;
        }
    }
};

// Face f's plane point and normal for the exact test, the normal negated
// for a 'c' face so that the allergic side is always above. Negating a
// factor negates every rounded product and sum, so "snapped below zero"
// becomes "at least the snap edge" on the same values.
struct PlaneTest {
    float qx, qy, qz, nx, ny, nz;
};

inline PlaneTest planeTestOf(const FaceGeometry& geometry, int f) {
    const MeshFace& face = geometry.face(f);
    const float sign = face.side == 'v' ? 1.0f : -1.0f;
    const Vec3& q = geometry.position(face.vertex[0]);
    return PlaneTest{q.x, q.y, q.z, sign * face.norm.x, sign * face.norm.y, sign * face.norm.z};
}

} // namespace hbx3
