// Which face's number a connected group of moved faces keeps: the merge
// sweep against the descending chain (the highest face, then repeatedly
// the highest face below the current one that is joined to it through
// pairs with a face below it) and against the low-point shortcut of the
// patch cycle.
#include "proxy3d/patch_merge.h"
#include "proxy3d/patch_minima.h"
#include "proxy3d/survivor_chains.h"

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
// surviving face whenever it settles, settles every group given room, and
// gives up (face -1) when the budget runs out.
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
            for (const long budget : {1000L, 4L}) {
                hbx3::SurvivorChains chains(static_cast<std::size_t>(faces));
                const int s =
                    chains.survivor(minima, p, members, neighbours, patchOf, scratch, budget);
                if (s < 0) {
                    ASSERT_EQ(budget, 4) << "round " << round;
                    ++unsettled;
                    continue;
                }
                tight += budget == 4;
                ASSERT_EQ(s, p) << "round " << round << " budget " << budget;
            }
        }
    }
    EXPECT_GT(unsettled, 0);
    EXPECT_GT(tight, 0);
}

// A ring of faces numbered along it with a few shuffled, plus random
// chords: long chains, as on a fine surface numbered row by row.
std::vector<int> ringNeighbours(std::mt19937& rng, int faces) {
    std::vector<int> label(static_cast<std::size_t>(faces));
    for (int f = 0; f < faces; ++f)
        label[static_cast<std::size_t>(f)] = f;
    std::uniform_int_distribution<int> pick(0, faces - 1);
    for (int i = 0; i < faces / 8; ++i)
        std::swap(label[static_cast<std::size_t>(pick(rng))],
                  label[static_cast<std::size_t>(pick(rng))]);
    std::vector<int> slots(static_cast<std::size_t>(3 * faces), -1);
    for (int f = 0; f < faces; ++f) {
        const int a = label[static_cast<std::size_t>(f)];
        const int b = label[static_cast<std::size_t>((f + 1) % faces)];
        slots[static_cast<std::size_t>(3 * a)] = b;
        slots[static_cast<std::size_t>(3 * b + 1)] = a;
    }
    for (int i = 0; i < faces / 3; ++i) {
        const int a = pick(rng), b = pick(rng);
        const auto sa = static_cast<std::size_t>(3 * a + 2),
                   sb = static_cast<std::size_t>(3 * b + 2);
        if (a == b || slots[sa] >= 0 || slots[sb] >= 0 || slots[3 * a] == b || slots[3 * b] == a)
            continue;
        slots[sa] = b;
        slots[sb] = a;
    }
    return slots;
}

// The face whose number the sweep over the faces of patch p leaves to the
// group of its highest face.
int sweepSurvivorOfTop(const std::vector<int>& neighbours, const std::vector<int>& patchOf, int p) {
    std::vector<int> live;
    for (std::size_t f = 0; f < patchOf.size(); ++f)
        if (patchOf[f] == p) live.push_back(static_cast<int>(f));
    hbx3::Mesh3D mesh;
    mesh.faces.resize(patchOf.size());
    hbx3::PatchMerger merger(mesh);
    merger.merge(
        neighbours, live, [&](int g) { return patchOf[static_cast<std::size_t>(g)] == p; }, 0);
    return live[static_cast<std::size_t>(merger.number(live.back()))];
}

// Patch 0 of every face of a ring graph, and what its chains read.
struct RingPatch {
    RingPatch(std::mt19937& rng, int faces)
        : neighbours(ringNeighbours(rng, faces)), patchOf(static_cast<std::size_t>(faces), 0),
          members(patchOf.size()), minima(neighbours, patchOf), chains(patchOf.size()),
          scratch(patchOf.size()) {
        for (int f = 0; f < faces; ++f)
            members[static_cast<std::size_t>(f)] = f;
        minima.fill(0, members.data(), faces);
    }
    int survivor(int p, const std::vector<int>& faces, long budget) {
        return chains.survivor(minima, p, faces, neighbours, patchOf, scratch, budget);
    }
    const std::vector<int> neighbours;
    std::vector<int> patchOf, members;
    hbx3::PatchMinima minima;
    hbx3::SurvivorChains chains;
    hbx3::SearchScratch scratch;
};

// One patch loses a few faces at a time (single faces or small connected
// bunches), and its chain, kept from question to question, gives the
// sweep's face after every loss, also after a search ran out of budget.
// The faces that leave form a patch of their own, asked at once, so the
// nodes of one chain become nodes of another.
TEST(SurvivingFace, KeptChainFollowsFacesLeaving) {
    std::mt19937 rng(11);
    int asked = 0, unsettled = 0;
    for (int round = 0; round < 300; ++round) {
        const int faces = std::uniform_int_distribution<int>(20, 300)(rng);
        RingPatch t(rng, faces);
        int next = 1;
        for (int live = faces; live > 1;) {
            const long budget = std::uniform_int_distribution<int>(0, 9)(rng) == 0 ? 3 : 1000000;
            const int z = t.survivor(0, t.members, budget);
            if (z < 0) {
                ASSERT_EQ(budget, 3);
                ++unsettled;
            } else {
                ASSERT_EQ(z, sweepSurvivorOfTop(t.neighbours, t.patchOf, 0))
                    << "round " << round << ", " << live << " faces left";
                ++asked;
            }
            // A few faces leave: random ones, or a bunch grown from one.
            std::vector<int> gone;
            const int want = std::uniform_int_distribution<int>(1, 4)(rng);
            const bool bunch = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
            for (int tries = 0; static_cast<int>(gone.size()) < std::min(want, live - 1); ++tries) {
                int f = std::uniform_int_distribution<int>(0, faces - 1)(rng);
                if (bunch && !gone.empty() && tries < 20)
                    f = t.neighbours[static_cast<std::size_t>(
                        3 * gone[static_cast<std::size_t>(f) % gone.size()] + f % 3)];
                if (f < 0 || t.patchOf[static_cast<std::size_t>(f)] != 0) continue;
                t.chains.left(0, f);
                t.patchOf[static_cast<std::size_t>(f)] = next;
                gone.push_back(f);
            }
            t.minima.removeFaces(0, gone);
            live -= static_cast<int>(gone.size());
            std::sort(gone.begin(), gone.end());
            t.minima.fill(next, gone.data(), static_cast<int>(gone.size()));
            ASSERT_EQ(t.survivor(next, gone, 1000),
                      sweepSurvivorOfTop(t.neighbours, t.patchOf, next));
            ++next;
        }
    }
    EXPECT_GT(asked, 10000);
    EXPECT_GT(unsettled, 100);
}

// Asked again and again with a budget far too small for the whole chain,
// a chain goes on where it stopped and gets through within a few dozen
// questions, with the sweep's face.
TEST(SurvivingFace, ChainThatRunsOutGoesOnAndSettles) {
    std::mt19937 rng(12);
    int resumed = 0;
    for (int round = 0; round < 100; ++round) {
        const int faces = std::uniform_int_distribution<int>(200, 2000)(rng);
        RingPatch t(rng, faces);
        int z = -1, asked = 0;
        while (z < 0 && asked < 40) {
            z = t.survivor(0, t.members, faces / 4);
            ++asked;
        }
        ASSERT_EQ(z, sweepSurvivorOfTop(t.neighbours, t.patchOf, 0)) << "round " << round;
        resumed += asked > 1;
    }
    EXPECT_GT(resumed, 10);
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
    hbx3::SurvivorChains chains(4);
    EXPECT_EQ(chains.survivor(minima, 0, members, neighbours, patchOf, scratch, 64), 0);
}

} // namespace
