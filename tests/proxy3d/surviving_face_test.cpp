// Which face's number a connected group of moved faces keeps: the merge
// sweep against the descending chain (the highest face, then repeatedly
// the highest face below the current one that is joined to it through
// pairs with a face below it) and against the low-point shortcut of the
// patch cycle.
#include "proxy3d/patch_merge.h"
#include "proxy3d/patch_minima.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Merge neighbours (three slots per face, -1 empty) of a random graph of up
// to three neighbours per face, as symmetric pairs.
std::vector<int> randomNeighbours(std::mt19937& rng, int faces) {
    std::vector<int> slots(static_cast<std::size_t>(3 * faces), -1);
    std::uniform_int_distribution<int> pick(0, faces - 1);
    const int pairs = std::uniform_int_distribution<int>(faces / 2, 2 * faces)(rng);
    auto freeSlot = [&](int f) {
        for (int k = 0; k < 3; ++k)
            if (slots[static_cast<std::size_t>(3 * f + k)] < 0) return 3 * f + k;
        return -1;
    };
    for (int i = 0; i < pairs; ++i) {
        const int a = pick(rng), b = pick(rng);
        const int sa = freeSlot(a), sb = freeSlot(b);
        if (a == b || sa < 0 || sb < 0) continue;
        slots[static_cast<std::size_t>(sa)] = b;
        slots[static_cast<std::size_t>(sb)] = a;
    }
    return slots;
}

// The sweep's surviving face of every face's group: each face numbered by
// its own index, then one merge over all.
std::vector<int> sweepSurvivors(const std::vector<int>& neighbours, int faces) {
    hbx3::Mesh3D mesh;
    mesh.faces.resize(static_cast<std::size_t>(faces));
    hbx3::PatchMerger merger(mesh);
    std::vector<int> all(static_cast<std::size_t>(faces));
    for (int f = 0; f < faces; ++f)
        all[static_cast<std::size_t>(f)] = f;
    merger.merge(
        neighbours, all, [](int) { return true; }, 0);
    std::vector<int> out;
    for (int f = 0; f < faces; ++f)
        out.push_back(static_cast<int>(merger.number(f)));
    return out;
}

// Faces joined to r through pairs of which at least one face is below r.
std::vector<char> joinedBelow(const std::vector<int>& neighbours, int faces, int r) {
    std::vector<char> in(static_cast<std::size_t>(faces), 0);
    std::vector<int> stack{r};
    in[static_cast<std::size_t>(r)] = 1;
    while (!stack.empty()) {
        const int x = stack.back();
        stack.pop_back();
        for (int k = 0; k < 3; ++k) {
            const int y = neighbours[static_cast<std::size_t>(3 * x + k)];
            if (y < 0 || in[static_cast<std::size_t>(y)] || (x >= r && y >= r)) continue;
            in[static_cast<std::size_t>(y)] = 1;
            stack.push_back(y);
        }
    }
    return in;
}

int descendingChain(const std::vector<int>& neighbours, int faces, int highest) {
    int r = highest;
    for (;;) {
        const std::vector<char> in = joinedBelow(neighbours, faces, r);
        int next = -1;
        for (int f = r - 1; f >= 0 && next < 0; --f)
            if (in[static_cast<std::size_t>(f)]) next = f;
        if (next < 0) return r;
        r = next;
    }
}

TEST(SurvivingFace, DescendingChainGivesTheSweepsNumber) {
    std::mt19937 rng(5);
    int groups = 0;
    for (int round = 0; round < 3000; ++round) {
        const int faces = std::uniform_int_distribution<int>(1, 40)(rng);
        const std::vector<int> neighbours = randomNeighbours(rng, faces);
        const std::vector<int> survivor = sweepSurvivors(neighbours, faces);
        // The highest face of each group starts its chain.
        for (int f = faces - 1; f >= 0; --f) {
            bool highest = true;
            for (int g = f + 1; g < faces; ++g)
                highest = highest && survivor[g] != survivor[f];
            if (!highest) continue;
            ASSERT_EQ(descendingChain(neighbours, faces, f), survivor[static_cast<std::size_t>(f)])
                << "round " << round << " face " << f;
            ++groups;
        }
    }
    EXPECT_GT(groups, 10000);
}

// Each group as a patch of its own: the chain's walk gives the sweep's
// surviving face and its rank in the group whenever it settles, settles
// every group given room, and gives up (face -1) when the budget runs out.
TEST(SurvivingFace, ChainWalkGivesTheSweepsFace) {
    std::mt19937 rng(6);
    int tight = 0, unsettled = 0;
    for (int round = 0; round < 3000; ++round) {
        const int faces = std::uniform_int_distribution<int>(1, 40)(rng);
        const std::vector<int> neighbours = randomNeighbours(rng, faces);
        const std::vector<int> survivor = sweepSurvivors(neighbours, faces);
        // Patch id = the group's surviving face.
        std::vector<int> patchOf(survivor);
        hbx3::PatchMinima minima(neighbours, patchOf);
        hbx3::SearchScratch scratch(static_cast<std::size_t>(faces));
        for (int p = 0; p < faces; ++p) {
            std::vector<int> members;
            for (int f = 0; f < faces; ++f)
                if (patchOf[static_cast<std::size_t>(f)] == p) members.push_back(f);
            if (members.empty()) continue;
            minima.fill(p, members.data(), static_cast<int>(members.size()));
            const long rank = std::lower_bound(members.begin(), members.end(), p) - members.begin();
            for (const long budget : {1000L, 4L}) {
                const hbx3::Survivor s =
                    hbx3::survivingFace(minima, p, members, static_cast<int>(members.size()),
                                        neighbours, patchOf, scratch, budget);
                if (s.face < 0) {
                    ASSERT_EQ(budget, 4) << "round " << round;
                    ++unsettled;
                    continue;
                }
                tight += budget == 4;
                ASSERT_EQ(s.face, p) << "round " << round << " budget " << budget;
                ASSERT_EQ(s.below, rank);
            }
        }
    }
    EXPECT_GT(unsettled, 0);
    EXPECT_GT(tight, 0);
}

// Faces 0..3 with pairs 0-2, 2-3, 3-1: the highest low point is 1, but face
// 2 pulls 1's group into 0's, so 0 survives.
TEST(SurvivingFace, HighestLowPointCanLoseItsTerritory) {
    const std::vector<int> neighbours = {2, -1, -1, 3, -1, -1, 0, 3, -1, 2, 1, -1};
    EXPECT_EQ(sweepSurvivors(neighbours, 4), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(descendingChain(neighbours, 4, 3), 0);
    const std::vector<int> patchOf(4, 0), members = {0, 1, 2, 3};
    hbx3::PatchMinima minima(neighbours, patchOf);
    minima.fill(0, members.data(), 4);
    hbx3::SearchScratch scratch(4);
    const hbx3::Survivor s =
        hbx3::survivingFace(minima, 0, members, 4, neighbours, patchOf, scratch, 64);
    EXPECT_EQ(s.face, 0);
    EXPECT_EQ(s.below, 0);
}

} // namespace
