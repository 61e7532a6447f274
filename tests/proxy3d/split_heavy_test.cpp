// The fast patch cycle against the plain one on smooth surfaces whose
// every edge is flat: one patch that splits again and again, most of it
// moving each time, in the order built and shuffled.
#include "proxy3d/patch_cycle.h"
#include "tests/proxy3d/mesh_builders.h"
#include "tests/proxy3d/plain_patch_cycle.h"
#include "tests/proxy3d/smooth_meshes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using hbx3::Mesh3D;

// Runs both cycles; returns the plain cycle's split count.
int compareCycles(const Mesh3D& mesh, const std::string& what) {
    Mesh3D fast = mesh, plain = mesh;
    EXPECT_EQ(hbx3::buildPatches(fast), hbx3::PatchResult::Done) << what;
    const int splits = hbx3test::plainPatchCycle(plain);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        if (fast.faces[f].patch != plain.faces[f].patch) {
            ADD_FAILURE() << what << ": face " << f << " has " << fast.faces[f].patch << ", plain "
                          << plain.faces[f].patch << " (" << splits << " splits)";
            break;
        }
    }
    return splits;
}

TEST(SplitHeavy, FastMatchesPlainOnFineSmoothSurfaces) {
    std::mt19937 rng(2026);
    std::uniform_int_distribution<int> coin(0, 1);
    const double scales[] = {0.0004, 0.001, 0.002};
    long long splits = 0;
    for (int round = 0; round < 28 && !::testing::Test::HasFailure(); ++round) {
        const double scale = scales[round % 3];
        std::mt19937* shuffle = coin(rng) ? &rng : nullptr;
        hbx3test::Surface surface;
        std::string what;
        switch (round % 4) {
        case 0: {
            const int rings = std::uniform_int_distribution<int>(20, 40)(rng);
            const int segments = std::uniform_int_distribution<int>(8, 14)(rng);
            surface = hbx3test::torusSurface(rings, segments, scale);
            what = "torus " + std::to_string(rings) + "x" + std::to_string(segments);
            break;
        }
        case 1:
            surface = hbx3test::bumpySphere(std::uniform_int_distribution<int>(12, 20)(rng),
                                            std::uniform_int_distribution<int>(16, 28)(rng), scale,
                                            0.0, rng);
            what = "sphere";
            break;
        case 2:
            surface = hbx3test::bumpySphere(std::uniform_int_distribution<int>(12, 20)(rng),
                                            std::uniform_int_distribution<int>(16, 28)(rng), scale,
                                            0.35, rng);
            what = "bumpy sphere";
            break;
        default:
            surface = hbx3test::loopSubdivided(3, scale, rng);
            what = "subdivided octahedron";
            break;
        }
        const Mesh3D mesh = hbx3test::derivedMesh(surface, shuffle);
        what += " at " + std::to_string(scale) + (shuffle ? ", shuffled" : "") + ", round " +
                std::to_string(round);
        splits += compareCycles(mesh, what);
    }
    // Thousands of splits, most of them moving most of a patch.
    EXPECT_GT(splits, 2000);
}

} // namespace
