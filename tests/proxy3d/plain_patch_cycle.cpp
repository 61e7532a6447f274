#include "tests/proxy3d/plain_patch_cycle.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace hbx3test {
namespace {

using hbx3::Mesh3D;
using hbx3::MeshEdge;
using hbx3::MeshFace;

void mergePhase(Mesh3D& mesh) {
    std::vector<MeshFace>& faces = mesh.faces;
    const int n = static_cast<int>(faces.size());
    bool again = true;
    while (again) {
        again = false;
        for (int f = 0; f < n; ++f) {
            if (!faces[f].mergeable) continue;
            for (int k = 0; k < 3; ++k) {
                const MeshEdge& e = mesh.edges[faces[f].edge[k]];
                int g;
                if (e.face1 == f && e.face2 != -1)
                    g = e.face2;
                else if (e.face2 == f)
                    g = e.face1;
                else
                    continue;
                if (faces[g].side != faces[f].side || !faces[g].mergeable) continue;
                const bool both = faces[f].unabsorbed && faces[g].unabsorbed;
                const std::int64_t oldNumber = faces[g].patch;
                const std::int64_t newNumber = faces[f].patch;
                for (MeshFace& t : faces) {
                    if (t.mergeable && t.patch == oldNumber) t.patch = newNumber;
                }
                faces[g].patch = newNumber;
                faces[g].unabsorbed = 0;
                if (both) again = true;
            }
        }
    }
}

float planeDistance(const Mesh3D& mesh, const MeshFace& f, int vertex) {
    const hbx3::Vec3 p = hbx3::filePosition(mesh, vertex);
    const hbx3::Vec3 q = hbx3::filePosition(mesh, f.vertex[0]);
    float d = (p.x - q.x) * f.norm.x + (p.y - q.y) * f.norm.y + (p.z - q.z) * f.norm.z;
    if (d > -0.0001 && d < 0.0001) d = 0.0f;
    return d;
}

bool allergic(const Mesh3D& mesh, int fi, int gi) {
    const MeshFace& f = mesh.faces[fi];
    const MeshFace& g = mesh.faces[gi];
    if (g.patch != f.patch || gi == fi) return false;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (f.vertex[i] == g.vertex[j]) return false;
        }
    }
    bool below = false, above = false;
    for (int j = 0; j < 3; ++j) {
        const float d = planeDistance(mesh, f, g.vertex[j]);
        below = below || d < 0.0f;
        above = above || d > 0.0f;
    }
    if (f.side == 'c') return below;
    if (f.side == 'v') return above;
    return false;
}

} // namespace

int plainPatchCycle(Mesh3D& mesh, std::int64_t firstSplitNumber) {
    const int n = static_cast<int>(mesh.faces.size());
    int splits = 0;
    for (;;) {
        mergePhase(mesh);
        std::vector<std::vector<int>> sets(n);
        bool any = false;
        for (int f = 0; f < n; ++f) {
            for (int g = 0; g < n; ++g) {
                if (allergic(mesh, f, g)) sets[f].push_back(g);
            }
            any = any || !sets[f].empty();
        }
        if (!any) return splits;
        int pivot = -1;
        for (int f = 0; f < n && pivot < 0; ++f) {
            if (!sets[f].empty()) pivot = sets[f][0];
        }
        std::int64_t next = -1;
        for (MeshFace& face : mesh.faces) {
            face.mergeable = 0;
            face.unabsorbed = 1;
            if (face.patch > next) next = face.patch;
        }
        next = std::max(next + 1, firstSplitNumber);
        for (int f = 0; f < n; ++f) {
            for (int g : sets[f]) {
                if (g != pivot) continue;
                mesh.faces[f].mergeable = 1;
                mesh.faces[f].patch = next++;
            }
        }
        ++splits;
    }
}

} // namespace hbx3test
