// Patch numbers past the range of int: split numbering started just below
// 2^31 - 1 continues upward, in the cycle and in the written face lines.
#include "proxy3d/patch_cycle.h"
#include "proxy3d/proxy_writer.h"
#include "tests/proxy3d/mesh_builders.h"
#include "tests/proxy3d/plain_patch_cycle.h"
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kIntMax = 2147483647;

// The last field of every "f" line of the records.
std::vector<std::int64_t> writtenPatches(const hbx3::Mesh3D& mesh) {
    const std::string path = hbxtest::makeScratchDir() + "/records.hbx3";
    hbx::OutputFile file;
    EXPECT_TRUE(file.open(path.c_str()));
    hbx3::writeProxyRecords(mesh, file);
    EXPECT_TRUE(file.close());
    std::istringstream lines(hbxtest::readFile(path));
    std::vector<std::int64_t> out;
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 2 || line[0] != 'f') continue;
        out.push_back(std::stoll(line.substr(line.rfind(' ') + 1)));
    }
    return out;
}

TEST(PatchNumbers, SplitNumberingCrossesIntMaxLikeThePlainCycle) {
    std::mt19937 rng(31);
    for (const char side : {'v', 'c'}) {
        const hbx3::Mesh3D start = hbx3test::wholeSideTorus(rng, 24, 10, side);
        for (const std::int64_t first : {kIntMax - 20, kIntMax, kIntMax + 1}) {
            hbx3::Mesh3D fast = start, plain = start;
            const hbx3::PatchOptions options{.firstSplitNumber = first, .candidates = {}};
            ASSERT_EQ(hbx3::buildPatches(fast, options), hbx3::PatchResult::Done);
            const int splits = hbx3test::plainPatchCycle(plain, first);
            ASSERT_GT(splits, 2);
            std::vector<std::int64_t> expected;
            std::int64_t largest = 0;
            for (const hbx3::MeshFace& f : plain.faces) {
                expected.push_back(f.patch);
                largest = std::max(largest, f.patch);
            }
            // The numbering runs well past the end of int.
            EXPECT_GT(largest, kIntMax + 100) << side << first;
            EXPECT_EQ(writtenPatches(fast), expected) << side << " from " << first;
        }
    }
}

} // namespace
