// The indexed ray queries, the vertex lists of the types, the union-find
// merges and the incremental allergy splits must give exactly what the plain
// scans give: checked on many small random meshes.
#include "tests/proxy2d/proxy2d_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/run_tool.h"

using hbxtest::readFile;

namespace hbx2test {
namespace {

void expectSame(const RandomMesh& m, const std::string& label) {
    const std::string obj = objText(m.points, m.faces);
    const Built fast = buildIndexed(obj);
    const Built plain = buildPlain(obj);
    ASSERT_TRUE(fast.ok && plain.ok) << label;
    const std::string diff = compareRecords(fast.mesh, plain.mesh);
    EXPECT_EQ(diff, "") << label << "\n" << obj;
    EXPECT_EQ(fast.notes, plain.notes) << label << "\n" << obj;
}

struct GridCase {
    const char* name;
    int w, h;
    double fill, scale, shift, jitter;
};

TEST(IndexedAgainstPlain, GridShapes) {
    const GridCase cases[] = {
        {"unit grid", 6, 6, 0.6, 1.0, 0.0, 0.0},
        {"dense grid", 9, 9, 0.75, 1.0, 0.0, 0.0},
        {"sparse grid", 8, 8, 0.4, 1.0, 0.0, 0.0},
        {"scaled and shifted", 7, 7, 0.65, 0.37, 1000.0, 0.0},
        {"tiny cells", 6, 6, 0.6, 1e-3, 0.0, 0.0},
        {"jittered near the snap", 6, 6, 0.6, 1.0, 0.0, 3e-4},
        {"jittered", 6, 6, 0.7, 1.0, 0.0, 0.05},
        {"far from the origin", 6, 6, 0.6, 1.0, 1e6, 0.0},
    };
    for (const GridCase& c : cases) {
        std::mt19937 rng(12345);
        for (int round = 0; round < 40; ++round) {
            const RandomMesh m = gridMesh(rng, c.w, c.h, c.fill, c.scale, c.shift, c.jitter);
            expectSame(m, std::string(c.name) + " round " + std::to_string(round));
            if (HasFailure()) return;
        }
    }
}

TEST(IndexedAgainstPlain, StarPolygons) {
    std::mt19937 rng(777);
    for (int round = 0; round < 60; ++round) {
        expectSame(starMesh(rng, 5 + round % 40), "star round " + std::to_string(round));
        if (HasFailure()) return;
    }
}

TEST(IndexedAgainstPlain, SpiralBands) {
    std::mt19937 rng(99);
    for (int round = 0; round < 40; ++round) {
        const int segments = 16 + static_cast<int>(rng() % 100);
        const double turns = 0.6 + 0.06 * (rng() % 40);
        expectSame(spiralMesh(rng, segments, turns), "spiral round " + std::to_string(round));
        if (HasFailure()) return;
    }
}

TEST(IndexedAgainstPlain, TriangleSoups) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 60; ++round) {
        expectSame(soupMesh(rng, 3 + round % 25), "soup round " + std::to_string(round));
        if (HasFailure()) return;
    }
}

} // namespace
} // namespace hbx2test

namespace hbx2test {
namespace {

// Coverage guard: the random shapes above must include splits, or the patch
// comparison proves little.
TEST(IndexedAgainstPlain, RandomShapesIncludeSplits) {
    std::mt19937 rng(12345);
    int gridSplits = 0;
    for (int round = 0; round < 40; ++round) {
        const RandomMesh m = gridMesh(rng, 9, 9, 0.75, 1.0, 0.0, 0.0);
        gridSplits += buildIndexed(objText(m.points, m.faces)).notes;
    }
    EXPECT_GT(gridSplits, 3);
    std::mt19937 spiralRng(99);
    const RandomMesh spiral = spiralMesh(spiralRng, 100, 2.5);
    EXPECT_GT(buildIndexed(objText(spiral.points, spiral.faces)).notes, 10);
}

// Real meshes, when a directory of them is named in HBX_2D_MESHES (files of
// up to a few thousand outline edges; the plain patch cycle is slow).
TEST(IndexedAgainstPlain, MeshDirectory) {
    const char* dir = std::getenv("HBX_2D_MESHES");
    if (!dir) GTEST_SKIP() << "HBX_2D_MESHES not set";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".obj") continue;
        const std::string obj = readFile(entry.path().string());
        const Built fast = buildIndexed(obj);
        const Built plain = buildPlain(obj);
        EXPECT_EQ(compareRecords(fast.mesh, plain.mesh), "") << entry.path();
        EXPECT_EQ(fast.notes, plain.notes) << entry.path();
    }
}

} // namespace
} // namespace hbx2test
