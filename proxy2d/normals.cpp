#include "normals.h"

namespace hbx2 {

void orientNormals(Mesh2D& mesh, const OutlineIndex& index) {
    const std::int32_t edgeCount = static_cast<std::int32_t>(mesh.edges.size());
    for (std::int32_t i = 0; i < edgeCount; ++i) {
        MeshEdge2D& e = mesh.edges[i];
        if (!e.outline) continue;
        e.norm[0] = -e.vect[1];
        e.norm[1] = e.vect[0];
        const float* p1 = mesh.vertices[e.vtx1].pos;
        const float* p2 = mesh.vertices[e.vtx2].pos;
        const float mx = (p1[0] + p2[0]) / 2;
        const float my = (p1[1] + p2[1]) / 2;
        const RayLine ray = makeRayLine(mx, my, e.norm[0], e.norm[1]);
        const OutlineIndex::Counts counts = index.countCrossings(ray, i);
        if (counts.behind % 2 == 1 && counts.front % 2 == 0) continue;
        e.norm[0] = -e.norm[0];
        e.norm[1] = -e.norm[1];
    }
}

} // namespace hbx2
