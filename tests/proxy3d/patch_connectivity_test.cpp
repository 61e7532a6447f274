// The pieces a split cuts off a patch: on random graphs with random faces
// taken out, every piece reported is a whole connected piece of what is
// left, no face is in two, and what is left besides them hangs together.
#include "proxy3d/patch_connectivity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Symmetric neighbour slots (three per face, -1 empty) of a random graph
// that is mostly a strip, so that taking faces out cuts it into pieces.
std::vector<int> stripWithShortcuts(std::mt19937& rng, int faces) {
    std::vector<int> slots(static_cast<std::size_t>(3 * faces), -1);
    auto link = [&](int a, int b) {
        int sa = -1, sb = -1;
        for (int k = 0; k < 3; ++k) {
            if (sa < 0 && slots[static_cast<std::size_t>(3 * a + k)] < 0) sa = 3 * a + k;
            if (sb < 0 && slots[static_cast<std::size_t>(3 * b + k)] < 0) sb = 3 * b + k;
        }
        if (a == b || sa < 0 || sb < 0) return;
        slots[static_cast<std::size_t>(sa)] = b;
        slots[static_cast<std::size_t>(sb)] = a;
    };
    for (int f = 0; f + 1 < faces; ++f)
        link(f, f + 1);
    std::uniform_int_distribution<int> pick(0, faces - 1);
    for (int i = std::uniform_int_distribution<int>(0, faces / 3)(rng); i > 0; --i)
        link(pick(rng), pick(rng));
    return slots;
}

// The faces of patch 0 reached from `start`.
std::vector<int> reach(int start, const std::vector<int>& neighbours,
                       const std::vector<int>& patchOf) {
    std::vector<int> out{start};
    std::vector<char> seen(patchOf.size(), 0);
    seen[static_cast<std::size_t>(start)] = 1;
    for (std::size_t head = 0; head < out.size(); ++head) {
        for (int k = 0; k < 3; ++k) {
            const int g = neighbours[static_cast<std::size_t>(3 * out[head] + k)];
            if (g < 0 || patchOf[static_cast<std::size_t>(g)] != 0 ||
                seen[static_cast<std::size_t>(g)])
                continue;
            seen[static_cast<std::size_t>(g)] = 1;
            out.push_back(g);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(CutOffPieces, PiecesAreWholeAndTheRestHangsTogether) {
    std::mt19937 rng(21);
    int withPieces = 0;
    for (int round = 0; round < 4000; ++round) {
        const int faces = std::uniform_int_distribution<int>(2, 60)(rng);
        const std::vector<int> neighbours = stripWithShortcuts(rng, faces);
        std::vector<int> patchOf(static_cast<std::size_t>(faces), 0);
        std::vector<int> removed;
        const int share = std::uniform_int_distribution<int>(5, 40)(rng);
        for (int f = 0; f < faces; ++f)
            if (std::uniform_int_distribution<int>(0, 99)(rng) < share) removed.push_back(f);
        for (int f : removed)
            patchOf[static_cast<std::size_t>(f)] = -1;
        hbx3::SearchScratch scratch(static_cast<std::size_t>(faces));
        hbx3::CutPieces cut;
        if (!hbx3::cutOffPieces(removed, 0, neighbours, patchOf, scratch, 1000, cut)) continue;
        std::vector<int> rest = patchOf;
        std::vector<int> all;
        for (std::size_t g = 0; g < cut.count(); ++g) {
            const std::vector<int> piece(cut.faces.begin() + cut.offset[g],
                                         cut.faces.begin() + cut.offset[g + 1]);
            ASSERT_EQ(reach(piece[0], neighbours, patchOf), piece) << "round " << round;
            for (int f : piece)
                rest[static_cast<std::size_t>(f)] = -1;
            all.insert(all.end(), piece.begin(), piece.end());
        }
        std::sort(all.begin(), all.end());
        ASSERT_TRUE(std::adjacent_find(all.begin(), all.end()) == all.end()) << "round " << round;
        withPieces += cut.count() > 0;
        std::vector<int> left;
        for (int f = 0; f < faces; ++f)
            if (rest[static_cast<std::size_t>(f)] == 0) left.push_back(f);
        if (!left.empty()) {
            ASSERT_EQ(reach(left[0], neighbours, rest), left) << "round " << round;
        }
    }
    EXPECT_GT(withPieces, 500);
}

// A ladder (two rails, a rung at every step) cut across twice, close
// together: the short stretch between the cuts joins the two cuts, and the
// long stretches on either side must then be told apart, which takes a
// search through the shorter of them, far beyond what the cuts' size
// suggests. With the cap allowing it, the pieces are found rather than the
// question given up.
TEST(CutOffPieces, LinkedCutsSearchAsFarAsTheCapAllows) {
    constexpr int steps = 2000, left = 800, right = 803;
    auto top = [](int i) { return i; };
    auto bottom = [](int i) { return steps + i; };
    std::vector<int> neighbours(static_cast<std::size_t>(3 * 2 * steps), -1);
    for (int i = 0; i < steps; ++i) {
        for (const bool upper : {true, false}) {
            const int f = upper ? top(i) : bottom(i);
            int* slot = &neighbours[static_cast<std::size_t>(3 * f)];
            slot[0] = i > 0 ? f - 1 : -1;
            slot[1] = i + 1 < steps ? f + 1 : -1;
            slot[2] = upper ? bottom(i) : top(i);
        }
    }
    const std::vector<int> removed{top(left), top(right), bottom(left), bottom(right)};
    std::vector<int> patchOf(static_cast<std::size_t>(2 * steps), 0);
    for (int f : removed)
        patchOf[static_cast<std::size_t>(f)] = -1;
    hbx3::SearchScratch scratch(patchOf.size());
    hbx3::CutPieces cut;
    ASSERT_TRUE(hbx3::cutOffPieces(removed, 0, neighbours, patchOf, scratch, 2 * steps, cut));
    ASSERT_EQ(cut.count(), 2u);
    std::vector<int> all(cut.faces);
    std::sort(all.begin(), all.end());
    std::vector<int> expected;
    for (int i = 0; i < right; ++i) {
        if (i != left) expected.push_back(top(i));
    }
    for (int i = 0; i < right; ++i) {
        if (i != left) expected.push_back(bottom(i));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(all, expected);
}

} // namespace
