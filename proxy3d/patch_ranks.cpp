#include "patch_ranks.h"

#include <algorithm>
#include <cassert>

namespace hbx3 {

void PatchRanks::reset(int p, const std::vector<int>& members) {
    if (trees_.size() <= static_cast<std::size_t>(p))
        trees_.resize(static_cast<std::size_t>(p) + 1);
    std::vector<int>& tree = trees_[static_cast<std::size_t>(p)];
    const std::size_t n = members.size();
    tree.assign(n + 1, 0);
    // Counts, then each node adds itself to its parent: linear.
    for (std::size_t i = 1; i <= n; ++i)
        tree[i] = patchOf_[static_cast<std::size_t>(members[i - 1])] == p ? 1 : 0;
    for (std::size_t i = 1; i <= n; ++i) {
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= n) tree[parent] += tree[i];
    }
}

void PatchRanks::remove(int p, int f, const std::vector<int>& members) {
    std::vector<int>& tree = trees_[static_cast<std::size_t>(p)];
    const auto at = std::lower_bound(members.begin(), members.end(), f);
    assert(at != members.end() && *at == f);
    for (auto i = static_cast<std::size_t>(at - members.begin()) + 1; i < tree.size();
         i += i & (~i + 1))
        --tree[i];
}

int PatchRanks::below(int p, int f, const std::vector<int>& members) const {
    const std::vector<int>& tree = trees_[static_cast<std::size_t>(p)];
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
