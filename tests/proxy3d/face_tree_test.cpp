// Every node of a face tree bounds what lies below it: its slab and
// cylinder hold its vertices, its plane range and cone hold its faces'
// planes. Large nodes join their children's bounds instead of fitting
// their own, so this is checked on trees deep enough to have them, over
// smooth and over rough surfaces; and on trees taken from another tree,
// which copy whole subtrees and fit the rest.
#include "proxy3d/face_geometry.h"
#include "proxy3d/face_tree.h"
#include "smooth_meshes.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Checks that tree holds exactly `faces`, each where leafOf and slotOf
// say, all live; that every node's face and vertex runs are its
// children's, one after the other; that every leaf's vertex run holds its
// faces' corners; and, once its planes are fitted, every node's bounds.
void checkTaken(const hbx3::Mesh3D& mesh, FaceTree& tree, std::vector<int> faces,
                const std::vector<int>& leafOf, const std::vector<int>& slotOf, const char* name) {
    std::vector<int> items = tree.items;
    std::sort(items.begin(), items.end());
    std::sort(faces.begin(), faces.end());
    ASSERT_EQ(items, faces) << name;
    for (std::size_t n = 0; n < tree.nodes.size(); ++n) {
        const FaceTreeNode& node = tree.nodes[n];
        ASSERT_EQ(node.live, node.count) << name << " node " << n;
        if (node.child[0] >= 0) {
            const FaceTreeNode& l = tree.nodes[static_cast<std::size_t>(node.child[0])];
            const FaceTreeNode& r = tree.nodes[static_cast<std::size_t>(node.child[1])];
            ASSERT_TRUE(l.parent == static_cast<int>(n) && r.parent == static_cast<int>(n)) << name;
            ASSERT_TRUE(l.first == node.first && r.first == l.first + l.count &&
                        r.first + r.count == node.first + node.count)
                << name << " node " << n;
            ASSERT_TRUE(l.pfirst == node.pfirst && r.pfirst == l.pfirst + l.pcount &&
                        r.pfirst + r.pcount == node.pfirst + node.pcount)
                << name << " node " << n;
            continue;
        }
        const auto run = tree.vertexIds.begin() + node.pfirst;
        for (int j = node.first; j < node.first + node.count; ++j) {
            const int f = tree.items[static_cast<std::size_t>(j)];
            ASSERT_EQ(leafOf[static_cast<std::size_t>(f)], static_cast<int>(n)) << name;
            ASSERT_EQ(slotOf[static_cast<std::size_t>(f)], j) << name;
            ASSERT_GE(f, node.minFace) << name;
            for (int v : mesh.faces[static_cast<std::size_t>(f)].vertex)
                ASSERT_NE(std::find(run, run + node.pcount, v), run + node.pcount) << name;
        }
    }
    hbx3::fitTreePlanes(hbx3::FaceGeometry(mesh), tree);
    for (std::size_t n = 0; n < tree.nodes.size(); ++n) {
        checkNode(tree, static_cast<int>(n), name);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// Takes trees from a tree over a bumpy sphere: a cap (mostly whole
// subtrees), a scattered tenth (mostly leaves fitted afresh), all but a
// scattered tenth (a patch rebuilt over the faces it has left), and a tree
// taken from a taken one.
TEST(FaceTree, TakenTreesHoldTheirFacesAndBoundThem) {
    std::mt19937 rng(5);
    const hbx3::Mesh3D mesh =
        hbx3test::derivedMesh(hbx3test::bumpySphere(48, 64, 1.0, 0.3, rng), &rng);
    const hbx3::FaceGeometry geometry(mesh);
    const int faceCount = static_cast<int>(mesh.faces.size());
    std::vector<int> all(static_cast<std::size_t>(faceCount));
    for (int f = 0; f < faceCount; ++f)
        all[static_cast<std::size_t>(f)] = f;
    std::vector<int> leafOf(all.size(), -1), slotOf(all.size(), -1);
    FaceTree source;
    hbx3::FaceTreeBuilder builder;
    builder.build(geometry, all.data(), faceCount, leafOf, slotOf, source);
    // Copied subtrees keep their plane bounds.
    hbx3::fitTreePlanes(geometry, source);

    std::vector<int> cap, tenth, rest;
    std::bernoulli_distribution oneIn10(0.1);
    for (int f : all) {
        if (geometry.position(mesh.faces[static_cast<std::size_t>(f)].vertex[0]).x > 0.3f)
            cap.push_back(f);
        (oneIn10(rng) ? tenth : rest).push_back(f);
    }
    ASSERT_GT(cap.size(), 512u);
    for (const auto& [faces, name] : {std::pair{&cap, "cap"}, std::pair{&tenth, "tenth"},
                                      std::pair{&rest, "all but a tenth"}}) {
        std::vector<int> leaf = leafOf, slot = slotOf;
        FaceTree tree;
        builder.extract(geometry, source, faces->data(), static_cast<int>(faces->size()), leaf,
                        slot, tree);
        checkTaken(mesh, tree, *faces, leaf, slot, name);
        if (::testing::Test::HasFatalFailure()) return;
        if (faces != &cap) continue;
        std::vector<int> half;
        for (int f : cap) {
            if (geometry.position(mesh.faces[static_cast<std::size_t>(f)].vertex[0]).y > 0.0f)
                half.push_back(f);
        }
        FaceTree again;
        builder.extract(geometry, tree, half.data(), static_cast<int>(half.size()), leaf, slot,
                        again);
        checkTaken(mesh, again, half, leaf, slot, "half the cap");
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
