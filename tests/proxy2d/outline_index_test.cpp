// The outline index's one-sided crossing counts against a scan of every
// outline edge with rayCrossing: the index prunes whole subtrees that lie on
// the other side of the origin and counts leaves from the end signs alone, so
// rays along the normals (as the builder casts them), through other outline
// vertices exactly, and in random directions are all checked, on both sides.
#include "tests/proxy2d/proxy2d_support.h"

#include "proxy2d/obj_read2d.h"
#include "proxy2d/outline.h"
#include "proxy2d/outline_index.h"
#include "proxy2d/outline_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace hbx2test {
namespace {

using hbx2::makeRayLine;
using hbx2::Mesh2D;
using hbx2::OutlineIndex;
using hbx2::RayLine;
using Side = OutlineIndex::Side;

std::int64_t scanCount(const Mesh2D& mesh, const RayLine& ray, int skipEdge, Side side) {
    std::int64_t count = 0;
    for (std::size_t e = 0; e < mesh.edges.size(); ++e) {
        if (!mesh.edges[e].outline || static_cast<int>(e) == skipEdge) continue;
        hbx2::Crossing crossing;
        if (!hbx2::rayCrossing(ray, hbx2::segmentOf(mesh, mesh.edges[e]), hbx2::EdgeEnds::Open,
                               &crossing))
            continue;
        if (side == Side::Behind ? crossing.s < 0.0f : crossing.s > 0.0f) ++count;
    }
    return count;
}

// Both sides of one ray; returns a description of a disagreement.
std::string compareRay(const Mesh2D& mesh, const OutlineIndex& index, const RayLine& ray,
                       int skipEdge, const std::string& what) {
    for (Side side : {Side::Behind, Side::Front}) {
        const std::int64_t fast = index.countCrossings(ray, skipEdge, side);
        const std::int64_t plain = scanCount(mesh, ray, skipEdge, side);
        if (fast != plain)
            return what + (side == Side::Behind ? " behind: " : " front: ") + std::to_string(fast) +
                   " instead of " + std::to_string(plain);
    }
    return "";
}

std::string compareRays(const Mesh2D& mesh, std::mt19937& rng) {
    const OutlineIndex index(mesh);
    std::vector<int> outline;
    for (std::size_t e = 0; e < mesh.edges.size(); ++e)
        if (mesh.edges[e].outline) outline.push_back(static_cast<int>(e));
    std::uniform_real_distribution<float> turn(0.0f, 6.2831853f);
    for (int e : outline) {
        const hbx2::MeshEdge2D& edge = mesh.edges[e];
        const float* p1 = mesh.vertices[edge.vtx1].pos;
        const float* p2 = mesh.vertices[edge.vtx2].pos;
        // The normal ray from the midpoint.
        const RayLine normal =
            makeRayLine((p1[0] + p2[0]) / 2, (p1[1] + p2[1]) / 2, -edge.vect[1], edge.vect[0]);
        std::string diff = compareRay(mesh, index, normal, e, "normal of " + std::to_string(e));
        if (!diff.empty()) return diff;
        // From vtx1 through the vtx2 of another outline edge.
        const hbx2::MeshEdge2D& other = mesh.edges[outline[rng() % outline.size()]];
        const float* q = mesh.vertices[other.vtx2].pos;
        const double dx = double(q[0]) - p1[0], dy = double(q[1]) - p1[1];
        const double length = std::sqrt(dx * dx + dy * dy);
        if (length > 0.0) {
            const RayLine through = makeRayLine(p1[0], p1[1], static_cast<float>(dx / length),
                                                static_cast<float>(dy / length));
            diff =
                compareRay(mesh, index, through, -1, "through a vertex from " + std::to_string(e));
            if (!diff.empty()) return diff;
        }
        // A random direction.
        const float angle = turn(rng);
        const RayLine random = makeRayLine(p2[0], p2[1], std::cos(angle), std::sin(angle));
        diff = compareRay(mesh, index, random, e, "random from " + std::to_string(e));
        if (!diff.empty()) return diff;
    }
    return "";
}

struct IndexCase {
    const char* name;
    RandomMesh (*make)(std::mt19937&);
    double scale, shift;
};

TEST(OutlineIndexCounts, OneSidedCountsAgreeWithScans) {
    const IndexCase cases[] = {
        {"spiral of many turns", [](std::mt19937& r) { return spiralMesh(r, 1000, 20.0); }, 1.0,
         0.0},
        {"jittered grid", [](std::mt19937& r) { return gridMesh(r, 14, 14, 0.6, 1.0, 0.0, 0.05); },
         1.0, 0.0},
        {"grid far from the origin",
         [](std::mt19937& r) { return gridMesh(r, 12, 12, 0.6, 1.0, 0.0, 0.0); }, 1.0, 1e6},
        {"tiny grid", [](std::mt19937& r) { return gridMesh(r, 12, 12, 0.6, 1.0, 0.0, 0.0); }, 1e-6,
         0.0},
        {"huge grid (no shortcut by side)",
         [](std::mt19937& r) { return gridMesh(r, 12, 12, 0.6, 1.0, 0.0, 0.0); }, 1e13, 0.0},
        {"star", [](std::mt19937& r) { return starMesh(r, 300); }, 1.0, 0.0},
        {"triangle soup", [](std::mt19937& r) { return soupMesh(r, 120); }, 1.0, 0.0},
    };
    for (const IndexCase& c : cases) {
        std::mt19937 rng(31337);
        RandomMesh m = c.make(rng);
        for (Point& p : m.points) {
            p.x = p.x * c.scale + c.shift;
            p.y = p.y * c.scale + c.shift;
        }
        Mesh2D mesh;
        ASSERT_TRUE(hbx2::readObjMesh2D(objText(m.points, m.faces), mesh)) << c.name;
        hbx2::findOutline(mesh);
        EXPECT_EQ(compareRays(mesh, rng), "") << c.name;
    }
}

} // namespace
} // namespace hbx2test
