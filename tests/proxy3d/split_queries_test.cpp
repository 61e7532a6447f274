// The two queries a split runs, the faces allergic to the pivot and the
// faces that are not, against a scan of the patch: stopped at a limit and
// resumed with larger ones, as the patch cycle drives them, on a patch
// that has lost faces.
#include "mesh_builders.h"
#include "proxy3d/face_geometry.h"
#include "proxy3d/patch_hierarchy.h"
#include "smooth_meshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using hbx3::PatchHierarchy;

// Runs a query with limits 1, 4, 16, ... on one walk until it completes;
// returns what it collected, sorted.
template <class Query> std::vector<int> collectResumed(Query query) {
    std::vector<int> out;
    PatchHierarchy::Walk walk;
    for (std::size_t limit = 1;; limit *= 4) {
        if (query(out, limit, walk)) break;
        EXPECT_GT(out.size(), limit) << "a query that stops has gone past its limit";
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Checks both queries for every third face of `mesh` as pivot, all faces
// of the pivot's side in one patch, a third of them gone.
void checkQueries(const hbx3::Mesh3D& mesh, char side, std::mt19937& rng) {
    const int faces = static_cast<int>(mesh.faces.size());
    const hbx3::FaceGeometry geometry(mesh);
    std::vector<int> patchOf(static_cast<std::size_t>(faces), -1);
    std::vector<int> members;
    for (int f = 0; f < faces; ++f) {
        if (mesh.faces[static_cast<std::size_t>(f)].side != side) continue;
        patchOf[static_cast<std::size_t>(f)] = 0;
        members.push_back(f);
    }
    PatchHierarchy hierarchy(mesh, patchOf, hbx3::CandidateRules{});
    hierarchy.build(0, members.data(), static_cast<int>(members.size()));
    // A third of the faces leave, so that leaves hold faces that have gone.
    for (int f : members) {
        if (rng() % 3 != 0) continue;
        patchOf[static_cast<std::size_t>(f)] = -1;
        hierarchy.remove(0, f);
    }

    int checked = 0;
    for (int pivot = 0; pivot < faces; pivot += 3) {
        if (patchOf[static_cast<std::size_t>(pivot)] != 0) continue;
        std::vector<int> allergic, staying;
        for (int f = 0; f < faces; ++f) {
            if (patchOf[static_cast<std::size_t>(f)] != 0) continue;
            if (f != pivot && geometry.allergicTo(f, pivot))
                allergic.push_back(f);
            else
                staying.push_back(f);
        }
        const std::string where = "pivot " + std::to_string(pivot);
        EXPECT_EQ(collectResumed(
                      [&](std::vector<int>& out, std::size_t limit, PatchHierarchy::Walk& walk) {
                          return hierarchy.collectAllergicTo(0, pivot, out, limit, walk);
                      }),
                  allergic)
            << where;
        EXPECT_EQ(collectResumed(
                      [&](std::vector<int>& out, std::size_t limit, PatchHierarchy::Walk& walk) {
                          return hierarchy.collectNotAllergicTo(0, pivot, out, limit, walk);
                      }),
                  staying)
            << where;
        if (::testing::Test::HasFailure()) return;
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

TEST(SplitQueries, ResumedQueriesListWhatAScanLists) {
    std::mt19937 rng(5);
    // Convex faces of a bumpy sphere, allergic to few others; a torus whose
    // faces are all given one side, most of them allergic to most others:
    // each query in turn lists the larger share.
    checkQueries(hbx3test::derivedMesh(hbx3test::bumpySphere(24, 32, 0.02, 0.3, rng), &rng), 'v',
                 rng);
    for (const char side : {'v', 'c'})
        checkQueries(hbx3test::wholeSideTorus(rng, 24, 12, side), side, rng);
}

// The lowest distinct faces of a stream with many repeats, fed as the
// queries feed it (only faces below its bound), against sorting them all.
TEST(SplitQueries, LowestFacesKeepsTheLowestDistinctFaces) {
    std::mt19937 rng(3);
    for (const std::size_t keep : {std::size_t(1), std::size_t(5), std::size_t(128)}) {
        for (const int range : {50, 1000, 100000}) {
            hbx3::LowestFaces lowest;
            lowest.reset(keep);
            std::vector<int> all;
            for (int i = 0; i < 5000; ++i) {
                const int g = static_cast<int>(rng() % static_cast<unsigned>(range));
                all.push_back(g);
                if (g < lowest.bound) lowest.add(g);
            }
            lowest.finish();
            std::sort(all.begin(), all.end());
            all.erase(std::unique(all.begin(), all.end()), all.end());
            all.resize(std::min(all.size(), keep));
            EXPECT_EQ(lowest.faces, all) << "keep " << keep << ", faces below " << range;
        }
    }
}

} // namespace
