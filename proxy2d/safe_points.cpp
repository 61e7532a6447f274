#include "proxy2d/safe_points.h"

#include <cmath>

namespace hbx2 {
namespace {

using Side = OutlineIndex::Side;

// One search along the bisector with the given end rule. Returns false when
// no crossing qualifies.
bool searchSafePoint(const OutlineIndex& index, const RayLine& ray, char type, int w, EdgeEnds ends,
                     float* safe) {
    const double kShare = 0.75;
    const float px = ray.ox, py = ray.oy;
    const Side targetSide = type == 'o' ? Side::Behind : Side::Front;
    const OutlineIndex::Nearest target = index.nearestCrossing(ray, targetSide, w, ends);
    if (target.found) {
        const float dx = target.crossing.x - px;
        const float dy = target.crossing.y - py;
        safe[0] = static_cast<float>(px + kShare * dx);
        safe[1] = static_cast<float>(py + kShare * dy);
        return true;
    }
    if (type != 'i') return false;
    const OutlineIndex::Nearest fallback = index.nearestCrossing(ray, Side::Behind, w, ends);
    if (!fallback.found) return false;
    const float dx = px - fallback.crossing.x;
    const float dy = py - fallback.crossing.y;
    safe[0] = static_cast<float>(px + kShare * dx);
    safe[1] = static_cast<float>(py + kShare * dy);
    return true;
}

} // namespace

void placeSafePoints(Mesh2D& mesh, const OutlineIndex& index) {
    const int vertexCount = static_cast<int>(mesh.vertices.size());
    for (int w = 0; w < vertexCount; ++w) {
        MeshVertex2D& v = mesh.vertices[w];
        if (!v.onOutline || v.type == 'n') continue;
        const float* n0 = mesh.edges[v.edge[0]].norm;
        const float* n1 = mesh.edges[v.edge[1]].norm;
        float bx = n1[0] + n0[0];
        float by = n1[1] + n0[1];
        const float squared = by * by + bx * bx;
        const float length = static_cast<float>(std::sqrt(static_cast<double>(squared)));
        if (length != 0.0f) {
            bx = bx / length;
            by = by / length;
        }
        const RayLine ray = makeRayLine(v.pos[0], v.pos[1], bx, by);
        if (searchSafePoint(index, ray, v.type, w, EdgeEnds::Open, v.safe)) continue;
        if (searchSafePoint(index, ray, v.type, w, EdgeEnds::Closed, v.safe)) continue;
        v.safe[0] = v.pos[0];
        v.safe[1] = v.pos[1];
    }
}

} // namespace hbx2
