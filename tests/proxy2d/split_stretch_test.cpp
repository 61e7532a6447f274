// Split-heavy outlines against the plain patch cycle: spiral bands and wavy
// rings so small that most or all of their sides are flat within the snap,
// so the whole outline starts as one patch and splits again and again, most
// splits moving all of it but a short window. Faces come in the band's own
// order, reversed, or with a few swapped, so that the edge numbers rise,
// fall or wander along the outline.
#include "tests/proxy2d/proxy2d_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace hbx2test {
namespace {

constexpr double kPi = 3.14159265358979;

// A closed ring (wavy = true: its outer side waves, 2 + rng % 5 waves) or an
// open spiral band of quads, each two triangles with a random diagonal and
// winding; faces in order, reversed (order 1) or with some swapped (2).
RandomMesh bandMesh(std::mt19937& rng, bool wavy, int quads, double turns, double pitch,
                    double width, double scale, double shift, int order) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    RandomMesh m;
    const int waves = 2 + static_cast<int>(rng() % 5);
    const int rows = wavy ? quads : quads + 1;
    for (int k = 0; k < rows; ++k) {
        const double a = 2.0 * kPi * turns * k / quads;
        const double r = wavy ? 1.0 : 1.0 + pitch * a / (2.0 * kPi);
        const double w = wavy ? width * (1.0 + 0.5 * std::sin(waves * a)) : width;
        for (double d : {r, r + w})
            m.points.push_back({d * std::cos(a) * scale + shift, d * std::sin(a) * scale - shift});
    }
    for (int k = 0; k < quads; ++k) {
        const int in0 = 2 * k + 1, out0 = 2 * k + 2;
        const int in1 = 2 * ((k + 1) % rows) + 1, out1 = in1 + 1;
        std::vector<std::vector<int>> two =
            u(rng) < 0.5 ? std::vector<std::vector<int>>{{in0, out0, out1}, {in0, out1, in1}}
                         : std::vector<std::vector<int>>{{in0, out0, in1}, {out0, out1, in1}};
        for (std::vector<int>& f : two) {
            if (u(rng) < 0.3) std::swap(f[0], f[2]);
            m.faces.push_back(f);
        }
    }
    // Vertices numbered backwards half the time: the chains are then walked
    // the other way round, and edge numbers fall along them.
    if (rng() % 2) {
        std::reverse(m.points.begin(), m.points.end());
        const int n = static_cast<int>(m.points.size());
        for (std::vector<int>& f : m.faces)
            for (int& c : f)
                c = n + 1 - c;
    }
    if (order == 1) std::reverse(m.faces.begin(), m.faces.end());
    if (order == 2)
        for (std::size_t k = 0; k + 3 < m.faces.size(); ++k)
            if (u(rng) < 0.03) std::swap(m.faces[k], m.faces[k + 2 + rng() % 2]);
    return m;
}

TEST(SplitHeavyAgainstPlain, FlatSpiralsAndRings) {
    std::mt19937 rng(31337);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    long long splits = 0, stretchSplits = 0;
    for (int round = 0; round < 36; ++round) {
        const bool wavy = round % 4 == 3;
        const double turns = wavy ? 1.0 : 2.0 + 4.0 * u(rng);
        const int quads = wavy ? 120 + static_cast<int>(rng() % 120)
                               : static_cast<int>(turns * (30 + rng() % 30));
        const double pitch = 0.15 + 0.45 * u(rng);
        const double width = pitch * (0.05 + 0.85 * u(rng));
        const double scale = std::vector<double>{0.002, 0.003, 0.004, 0.01}[rng() % 4];
        const double shift = rng() % 3 == 0 ? 5.0 : 0.0;
        const int order = std::max(0, static_cast<int>(rng() % 4) - 1);
        const RandomMesh m = bandMesh(rng, wavy, quads, turns, pitch, width, scale, shift, order);
        const std::string obj = objText(m.points, m.faces);
        const Built fast = buildIndexed(obj);
        const Built plain = buildPlain(obj);
        ASSERT_TRUE(fast.ok && plain.ok);
        const std::string label = "round " + std::to_string(round);
        EXPECT_EQ(compareRecords(fast.mesh, plain.mesh), "") << label << "\n" << obj;
        EXPECT_EQ(fast.notes, plain.notes) << label;
        if (HasFailure()) return;
        splits += fast.stats.splits;
        stretchSplits += fast.stats.stretchSplits;
    }
    // Coverage: thousands of splits, some of them by the stretch shortcut.
    EXPECT_GT(splits, 2000);
    EXPECT_GT(stretchSplits, 80);
}

} // namespace
} // namespace hbx2test
