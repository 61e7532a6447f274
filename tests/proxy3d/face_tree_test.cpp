// Every node of a face tree bounds what lies below it: its slab and
// cylinder hold its vertices, its plane range and cone hold its faces'
// planes. Large nodes join their children's bounds instead of fitting
// their own, so this is checked on trees deep enough to have them, over
// smooth and over rough surfaces.
#include "proxy3d/face_geometry.h"
#include "proxy3d/face_tree.h"
#include "smooth_meshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using hbx3::FaceTree;
using hbx3::FaceTreeNode;

struct Frame {
    double centre[3];
    const double* axis;
};

Frame frameOf(const FaceTreeNode& node) {
    Frame f{{}, node.axis};
    for (int i = 0; i < 3; ++i)
        f.centre[i] = 0.5 * (double(node.lo[i]) + node.hi[i]);
    return f;
}

// Checks node n of tree against the vertices and planes below it.
void checkNode(const FaceTree& tree, int n, const char* surface) {
    const FaceTreeNode& node = tree.nodes[static_cast<std::size_t>(n)];
    const Frame f = frameOf(node);
    for (int j = node.pfirst; j < node.pfirst + node.pcount; ++j) {
        const auto k = static_cast<std::size_t>(j);
        const double d[3] = {tree.px[k] - f.centre[0], tree.py[k] - f.centre[1],
                             tree.pz[k] - f.centre[2]};
        const double h = f.axis[0] * d[0] + f.axis[1] * d[1] + f.axis[2] * d[2];
        double e2 = 0.0;
        for (int i = 0; i < 3; ++i)
            e2 += (d[i] - h * f.axis[i]) * (d[i] - h * f.axis[i]);
        ASSERT_TRUE(node.hmin <= h && h <= node.hmax) << surface << " node " << n;
        ASSERT_LE(std::sqrt(e2), node.radiusAroundAxis) << surface << " node " << n;
    }
    for (int j = node.first; j < node.first + node.count; ++j) {
        const hbx3::FacePlane& p = tree.planes[static_cast<std::size_t>(j)];
        const double offset =
            p.nx * (f.centre[0] - p.qx) + p.ny * (f.centre[1] - p.qy) + p.nz * (f.centre[2] - p.qz);
        const double e[3] = {p.nx - f.axis[0], p.ny - f.axis[1], p.nz - f.axis[2]};
        ASSERT_TRUE(node.dlo <= offset && offset <= node.dhi) << surface << " node " << n;
        ASSERT_LE(std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]), node.spread)
            << surface << " node " << n;
    }
}

// Builds one tree over all faces of the surface and checks every node;
// expects some nodes large enough to join their children's bounds.
void checkTree(hbx3test::Surface surface, const char* name, std::mt19937& rng) {
    const hbx3::Mesh3D mesh = hbx3test::derivedMesh(std::move(surface), &rng);
    const hbx3::FaceGeometry geometry(mesh);
    std::vector<int> faces(mesh.faces.size());
    for (std::size_t f = 0; f < faces.size(); ++f)
        faces[f] = static_cast<int>(f);
    std::vector<int> leafOf(faces.size(), -1), slotOf(faces.size(), -1);
    FaceTree tree;
    hbx3::FaceTreeBuilder builder;
    builder.build(geometry, faces.data(), static_cast<int>(faces.size()), leafOf, slotOf, tree);
    hbx3::fitTreePlanes(geometry, tree);
    ASSERT_GT(tree.nodes[0].count, 1024) << name;
    for (std::size_t n = 0; n < tree.nodes.size(); ++n) {
        checkNode(tree, static_cast<int>(n), name);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(FaceTree, EveryNodeBoundsTheVerticesAndPlanesBelowIt) {
    std::mt19937 rng(11);
    checkTree(hbx3test::bumpySphere(48, 64, 1.0, 0.3, rng), "bumpy sphere", rng);
    checkTree(hbx3test::torusSurface(64, 32, 0.02), "small torus", rng);
    // Corners moved at random: normals that point every way at every level.
    hbx3test::Surface rough = hbx3test::loopSubdivided(4, 1.0, rng);
    std::uniform_real_distribution<float> jitter(-0.05f, 0.05f);
    for (hbx3::Vec3& p : rough.positions)
        p = hbx3::Vec3{p.x + jitter(rng), p.y + jitter(rng), p.z + jitter(rng)};
    checkTree(std::move(rough), "rough octahedron", rng);
}

} // namespace
