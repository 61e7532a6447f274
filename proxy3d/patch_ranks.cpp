#include "proxy3d/patch_ranks.h"

#include <algorithm>
#include <cassert>

namespace hbx3 {
namespace {

// Counts the members still in patch p into a Fenwick tree: linear, each
// node adds itself to its parent.
void countMembers(int p, const std::vector<int>& members, const std::vector<int>& patchOf,
                  std::vector<int>& tree) {
    const std::size_t n = members.size();
    tree.assign(n + 1, 0);
    for (std::size_t i = 1; i <= n; ++i)
        tree[i] = patchOf[static_cast<std::size_t>(members[i - 1])] == p ? 1 : 0;
    for (std::size_t i = 1; i <= n; ++i) {
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= n) tree[parent] += tree[i];
    }
}

} // namespace

void PatchRanks::reset(int p) {
    if (trees_.size() <= static_cast<std::size_t>(p))
        trees_.resize(static_cast<std::size_t>(p) + 1);
    trees_[static_cast<std::size_t>(p)] = std::vector<int>();
}

void PatchRanks::remove(int p, const std::vector<int>& faces, const std::vector<int>& members) {
    std::vector<int>& tree = trees_[static_cast<std::size_t>(p)];
    if (tree.empty()) return; // counted when first asked
    // The faces ascend, so each is looked for from the last one's place
    // on, in steps that double until they pass it: a batch of nearby
    // faces costs the logarithms of the gaps between them, not of the
    // member list.
    std::size_t at = 0;
    for (int f : faces) {
        std::size_t step = 1, lo = at;
        while (lo + step < members.size() && members[lo + step] < f) {
            lo += step;
            step *= 2;
        }
        const auto hi =
            members.begin() + static_cast<std::ptrdiff_t>(std::min(lo + step + 1, members.size()));
        at = static_cast<std::size_t>(
            std::lower_bound(members.begin() + static_cast<std::ptrdiff_t>(lo), hi, f) -
            members.begin());
        assert(at < members.size() && members[at] == f);
        for (std::size_t i = at + 1; i < tree.size(); i += i & (~i + 1))
            --tree[i];
    }
}

int PatchRanks::below(int p, int f, const std::vector<int>& members) {
    std::vector<int>& tree = trees_[static_cast<std::size_t>(p)];
    if (tree.empty()) countMembers(p, members, patchOf_, tree);
    int count = 0;
    for (auto i = static_cast<std::size_t>(std::lower_bound(members.begin(), members.end(), f) -
                                           members.begin());
         i > 0; i -= i & (~i + 1))
        count += tree[i];
    return count;
}

void PatchRanks::release(int p) {
    trees_[static_cast<std::size_t>(p)] = std::vector<int>();
}

} // namespace hbx3
