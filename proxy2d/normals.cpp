#include "proxy2d/normals.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace hbx2 {
namespace {

// Rays are counted in the order of their lines (direction, then offset), so
// that consecutive rays walk nearly the same part of the index and find it
// in the cache. Each ray's count is independent of the others, so the order
// changes nothing but the speed.
std::vector<int> raysInLineOrder(const Mesh2D& mesh) {
    std::vector<std::pair<std::uint64_t, int>> keyed;
    const int edgeCount = static_cast<int>(mesh.edges.size());
    double reach = 1e-30;
    for (const MeshVertex2D& v : mesh.vertices)
        if (v.onOutline)
            reach = std::max({reach, std::fabs(double(v.pos[0])), std::fabs(double(v.pos[1]))});
    for (int i = 0; i < edgeCount; ++i) {
        const MeshEdge2D& e = mesh.edges[i];
        if (!e.outline) continue;
        // The line's direction up to sign (that of the edge, turned into the
        // upper half plane), as a value growing with its angle.
        double ux = e.vect[0], uy = e.vect[1];
        if (uy < 0 || (uy == 0 && ux < 0)) {
            ux = -ux;
            uy = -uy;
        }
        const std::uint64_t bucket = static_cast<std::uint64_t>((1.0 - ux) * 2047.0);
        // The line's offset: where it meets the edge's direction.
        const float* p1 = mesh.vertices[e.vtx1].pos;
        const double offset = double(p1[0]) * ux + double(p1[1]) * uy;
        const double scaled = std::clamp(offset / (4.0 * reach) + 0.5, 0.0, 1.0);
        const std::uint64_t place = static_cast<std::uint64_t>(scaled * double(1u << 31));
        keyed.emplace_back((bucket << 32) | place, i);
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<int> order;
    order.reserve(keyed.size());
    for (const auto& k : keyed)
        order.push_back(k.second);
    return order;
}

} // namespace

void orientNormals(Mesh2D& mesh, const OutlineIndex& index) {
    for (int i : raysInLineOrder(mesh)) {
        MeshEdge2D& e = mesh.edges[i];
        e.norm[0] = -e.vect[1];
        e.norm[1] = e.vect[0];
        const float* p1 = mesh.vertices[e.vtx1].pos;
        const float* p2 = mesh.vertices[e.vtx2].pos;
        const float mx = (p1[0] + p2[0]) / 2;
        const float my = (p1[1] + p2[1]) / 2;
        const RayLine ray = makeRayLine(mx, my, e.norm[0], e.norm[1]);
        // The normal stays only when the crossings behind are odd and those
        // in front even, so either side alone can decide that it turns:
        // count the cheaper side first and the other only when needed. On
        // a closed outline the first count as a rule decides.
        using Side = OutlineIndex::Side;
        bool keep;
        if (index.shorterSide(ray) == Side::Behind) {
            keep = index.countCrossings(ray, i, Side::Behind) % 2 == 1 &&
                   index.countCrossings(ray, i, Side::Front) % 2 == 0;
        } else {
            keep = index.countCrossings(ray, i, Side::Front) % 2 == 0 &&
                   index.countCrossings(ray, i, Side::Behind) % 2 == 1;
        }
        if (keep) continue;
        e.norm[0] = -e.norm[0];
        e.norm[1] = -e.norm[1];
    }
}

} // namespace hbx2
