// The fast patch cycle against the plain scans, on many small random
// meshes, and the cases whose numbering is easy to get wrong.
#include "frontend/alloc_hook.h"
#include "proxy3d/patch_cycle.h"
#include "tests/proxy3d/mesh_builders.h"
#include "tests/proxy3d/plain_patch_cycle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using hbx3::Mesh3D;
using hbx3::Vec3;
using hbx3test::meshOf;

std::vector<std::int64_t> patches(const Mesh3D& mesh) {
    std::vector<std::int64_t> out;
    for (const hbx3::MeshFace& f : mesh.faces)
        out.push_back(f.patch);
    return out;
}

// Runs both cycles on copies of mesh, the fast one under the given
// candidate rules; returns the number of splits.
int expectSamePatches(const Mesh3D& mesh, const std::string& what,
                      const hbx3::CandidateRules& rules = {}) {
    Mesh3D fast = mesh, plain = mesh;
    EXPECT_EQ(hbx3::buildPatches(fast, {.candidates = rules}), hbx3::PatchResult::Done) << what;
    const int splits = hbx3test::plainPatchCycle(plain);
    EXPECT_EQ(patches(fast), patches(plain)) << what << " after " << splits << " splits";
    return splits;
}

TEST(PatchCycle, FastMatchesPlainOnRandomMeshes) {
    // Every group gathers candidates, however few of its faces ask, and
    // every patch has a tree; the usual rules scan the small patches.
    const hbx3::CandidateRules everyGroup{
        .maxCandidates = 4096, .minAsking = 1, .smallPatchFaces = 0};
    std::mt19937 rng(20261208);
    int withSplits = 0, manySplits = 0;
    for (int round = 0; round < 3000; ++round) {
        const Mesh3D mesh = round % 2 ? hbx3test::randomSoup(rng) : hbx3test::randomTerrain(rng);
        const int splits = expectSamePatches(mesh, "round " + std::to_string(round), everyGroup);
        expectSamePatches(mesh, "round " + std::to_string(round) + ", usual rules");
        if (::testing::Test::HasFailure()) return;
        withSplits += splits > 0;
        manySplits += splits >= 3;
    }
    // The comparison means something only if the meshes split, and often.
    EXPECT_GT(withSplits, 1000);
    EXPECT_GT(manySplits, 300);
}

// Larger meshes give hierarchies several levels deep (leaves hold up to 32
// faces), with the usual candidate rules and with every group gathering.
TEST(PatchCycle, FastMatchesPlainOnLargerTerrains) {
    std::mt19937 rng(7);
    for (const hbx3::CandidateRules rules :
         {hbx3::CandidateRules{4096, 16}, hbx3::CandidateRules{4096, 1}}) {
        for (int round = 0; round < 60; ++round) {
            expectSamePatches(hbx3test::randomTerrain(rng, 24), "terrain " + std::to_string(round),
                              rules);
            if (::testing::Test::HasFailure()) return;
        }
    }
}

// With no candidates allowed, every group leaves its faces to the tree
// queries, which must answer the same.
TEST(PatchCycle, TreeQueriesAloneMatchPlain) {
    // A face asking again with no faces to scan reads its list of lowest
    // allergens: one at a time refills it after every answer, two leave
    // some answers to the list and run out of it before the last. A scan of
    // three faces finds some answers and leaves others to the lists.
    std::mt19937 rng(8);
    for (const auto& [listed, scanned] :
         {std::pair<std::size_t, int>{128, 0}, {1, 0}, {2, 0}, {2, 3}}) {
        const hbx3::CandidateRules treeOnly{.maxCandidates = 0,
                                            .minAsking = 1,
                                            .listedAllergens = listed,
                                            .smallPatchFaces = 0,
                                            .againScanFaces = scanned};
        for (int round = 0; round < 300 && !::testing::Test::HasFailure(); ++round) {
            const Mesh3D mesh = round % 3 == 0 ? hbx3test::randomTerrain(rng, 16)
                                : round % 2    ? hbx3test::randomSoup(rng)
                                               : hbx3test::randomTerrain(rng);
            expectSamePatches(mesh, "round " + std::to_string(round), treeOnly);
        }
    }
    // Nearly the whole patch moving: one face asks again split after split.
    const hbx3::CandidateRules treeOnly{.maxCandidates = 0,
                                        .minAsking = 1,
                                        .listedAllergens = 2,
                                        .smallPatchFaces = 0,
                                        .againScanFaces = 3};
    for (const int rings : {12, 30})
        expectSamePatches(hbx3test::wholeSideTorus(rng, rings, 10, 'v'),
                          "torus " + std::to_string(rings), treeOnly);
}

// One patch that sheds a thin ring per split, nearly all of it moving each
// time: the splits that list what stays instead of what moves.
TEST(PatchCycle, FastMatchesPlainWhenNearlyTheWholePatchMoves) {
    std::mt19937 rng(11);
    for (const char side : {'v', 'c'}) {
        for (const int rings : {12, 24, 40}) {
            const Mesh3D mesh = hbx3test::wholeSideTorus(rng, rings, 10, side);
            const int splits =
                expectSamePatches(mesh, std::string(1, side) + " torus " + std::to_string(rings));
            if (::testing::Test::HasFailure()) return;
            EXPECT_GT(splits, 2);
        }
    }
}

// Walls that wind around themselves: hierarchy nodes split by normal, the
// plane bounds of the collect queries, candidate blocks skipped by their
// lowest face. Proportions random, turns close together or overlapping.
TEST(PatchCycle, FastMatchesPlainOnWoundWalls) {
    std::mt19937 rng(31);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int splits = 0;
    for (int round = 0; round < 6 && !::testing::Test::HasFailure(); ++round) {
        const int turns = 2 + round % 2, rings = 60 + static_cast<int>(80 * unit(rng));
        const double gap = 0.05 + 0.3 * unit(rng), thickness = gap * (0.1 + 0.5 * unit(rng));
        const double height = 0.05 + unit(rng), pitch = round % 3 == 2 ? 0.5 * height : 0.0;
        splits +=
            expectSamePatches(hbx3test::spiralWall(turns, rings, gap, thickness, height, pitch),
                              "wall " + std::to_string(round));
    }
    EXPECT_GT(splits, 100);
}

// Faces 0 and 1 both border face 2 but not each other: face 0 pulls face 2
// in, then face 1 pulls that group into its number.
TEST(PatchCycle, LastAbsorberGivesTheNumber) {
    Mesh3D mesh = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {-1, 0, 0}},
                         {{1, 2, 3}, {0, 4, 2}, {0, 1, 2}});
    hbx3test::derive(mesh);
    for (hbx3::MeshFace& f : mesh.faces)
        f.side = 'c';
    EXPECT_EQ(hbx3::buildPatches(mesh), hbx3::PatchResult::Done);
    EXPECT_EQ(patches(mesh), (std::vector<std::int64_t>{1, 1, 1}));
}

TEST(PatchCycle, DifferentSidesNeverShareAPatch) {
    Mesh3D mesh = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {2, 1, 3}});
    hbx3test::derive(mesh);
    mesh.faces[0].side = 'v';
    mesh.faces[1].side = 'c';
    EXPECT_EQ(hbx3::buildPatches(mesh), hbx3::PatchResult::Done);
    EXPECT_EQ(patches(mesh), (std::vector<std::int64_t>{0, 1}));
}

// A 'v' strip that folds back over its start. Face 2 hangs above faces 0
// and 1 and shares no vertex with them: face 0 is the lowest allergic face,
// face 2 its first allergen and the pivot, and both 0 and 1 are allergic to
// it. They get 1 and 2 (largest number 0, plus 1, 2) and merge into 1.
// Next cycle face 3 is allergic to face 5, which moves face 3 alone to 2.
TEST(PatchCycle, SplitMovesSeveralFacesWithNewNumbers) {
    Mesh3D mesh = meshOf(
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 1}, {1, 2, 1}, {0, 1, 2}, {1, 1, 2}},
        {{0, 1, 2}, {2, 1, 3}, {4, 5, 6}, {2, 3, 4}, {4, 3, 5}, {6, 5, 7}});
    hbx3test::derive(mesh);
    for (hbx3::MeshFace& f : mesh.faces)
        f.side = 'v';
    EXPECT_EQ(expectSamePatches(mesh, "folded strip"), 2);
    ASSERT_EQ(hbx3::buildPatches(mesh), hbx3::PatchResult::Done);
    EXPECT_EQ(patches(mesh), (std::vector<std::int64_t>{1, 1, 0, 2, 0, 0}));
}

// A vertex exactly at the snap window's edge lies beyond a plane; the float
// just below it does not. Both ways of answering (candidates gathered for
// a group, the tree alone, the scan of a small patch) must agree with the
// plain scan at that edge.
TEST(PatchCycle, AllergyStartsExactlyAtTheSnapEdge) {
    float edge = 0.0001f;
    if (double(edge) < 0.0001) edge = std::nextafter(edge, 1.0f);
    const float below = std::nextafter(edge, 0.0f);
    for (const hbx3::CandidateRules rules :
         {hbx3::CandidateRules{4096, 1, 128, 0}, hbx3::CandidateRules{0, 1, 128, 0},
          hbx3::CandidateRules{}}) {
        for (const float height : {edge, below, -edge}) {
            // A flat strip whose last face shares no vertex with the first;
            // its far corner is raised by `height`.
            Mesh3D mesh = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}, {1, 2, 0}},
                                 {{0, 1, 2}, {2, 1, 3}, {2, 3, 4}, {4, 3, 5}});
            hbx3test::derive(mesh);
            mesh.meshCentre = Vec3{};
            const float z[6] = {0, 0, 0, 0, 0, height};
            for (int v = 0; v < 6; ++v)
                mesh.vertices[static_cast<std::size_t>(v)].pos.z = z[v];
            for (hbx3::MeshFace& f : mesh.faces) {
                f.side = 'v';
                f.norm = Vec3{0, 0, 1};
            }
            const int splits = expectSamePatches(mesh, "height " + std::to_string(height), rules);
            EXPECT_EQ(splits, height == edge ? 1 : 0) << height;
        }
    }
}

// The allergy set of the second split cannot be had: the cycle fails.
TEST(PatchCycle, AllergySetAllocationFails) {
    Mesh3D mesh = meshOf(
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 1}, {1, 2, 1}, {0, 1, 2}, {1, 1, 2}},
        {{0, 1, 2}, {2, 1, 3}, {4, 5, 6}, {2, 3, 4}, {4, 3, 5}, {6, 5, 7}});
    hbx3test::derive(mesh);
    for (hbx3::MeshFace& f : mesh.faces)
        f.side = 'v';
    hbx::armAllocFailure("allergy set", 1);
    EXPECT_EQ(hbx3::buildPatches(mesh), hbx3::PatchResult::SetFailed);
    hbx::disarmAllocFailure();
}

} // namespace
