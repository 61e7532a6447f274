#include "proxy3d/patch_minima.h"

#include <algorithm>
#include <iterator>

namespace hbx3 {

PatchMinima::PatchMinima(const std::vector<int>& neighbours, const std::vector<int>& patchOf)
    : neighbours_(neighbours), patchOf_(patchOf), low_(neighbours.size() / 3, 0) {}

bool PatchMinima::hasLowerNeighbour(int p, int f) const {
    for (int k = 0; k < 3; ++k) {
        const int g = neighbours_[static_cast<std::size_t>(3 * f + k)];
        if (g >= 0 && g < f && patchOf_[static_cast<std::size_t>(g)] == p) return true;
    }
    return false;
}

void PatchMinima::fill(int p, const int* faces, int count) {
    if (counts_.size() <= static_cast<std::size_t>(p))
        counts_.resize(static_cast<std::size_t>(p) + 1, 0);
    int lows = 0;
    for (int j = 0; j < count; ++j) {
        const bool low = !hasLowerNeighbour(p, faces[j]);
        low_[static_cast<std::size_t>(faces[j])] = low ? 1 : 0;
        lows += low ? 1 : 0;
    }
    counts_[static_cast<std::size_t>(p)] = lows;
}

void PatchMinima::removeFaces(int p, const std::vector<int>& removed) {
    int& lows = counts_[static_cast<std::size_t>(p)];
    for (int d : removed) {
        unsigned char& low = low_[static_cast<std::size_t>(d)];
        lows -= low;
        low = 0;
    }
    for (int d : removed) {
        for (int k = 0; k < 3; ++k) {
            const int g = neighbours_[static_cast<std::size_t>(3 * d + k)];
            if (g > d && patchOf_[static_cast<std::size_t>(g)] == p &&
                !low_[static_cast<std::size_t>(g)] && !hasLowerNeighbour(p, g)) {
                low_[static_cast<std::size_t>(g)] = 1;
                ++lows;
            }
        }
    }
}

void PatchMinima::release(int p) {
    counts_[static_cast<std::size_t>(p)] = 0;
}

namespace {

// Whether face y (below x) lies in x's group after the sweep has visited
// every face below x: joined through merge pairs within the patch of which
// one face is below x.
enum class Join {
    Joined,     // y is in x's group
    YApart,     // y's group, all of it in `other`, does not hold x
    XApart,     // x's group, all of it in `queue`, does not hold y
    OverBudget, // the searches used up the budget first
};

// Grows one search by one face: stamps `mine` on the faces it reaches, over
// pairs within the patch with a face below x, notes in scratch.via where
// it came from and lists them in `reached`. The search from x grows from
// its highest face first (`frontier` a heap): faces numbered close
// together mostly lie close together, so it heads for the faces just
// below x; the search from y grows breadth first (`frontier` is `reached`,
// `head` its next face). Returns 1 when it reaches a face stamped
// `theirs` (the pair in `meet`: its own face first), -1 when it has run
// out of faces, 0 otherwise.
int growOne(ChainWalk& w, int x, bool highestFirst, std::vector<int>& reached,
            std::vector<int>& frontier, std::size_t& head, unsigned mine, unsigned theirs,
            int (&meet)[2]) {
    int a;
    if (highestFirst) {
        if (frontier.empty()) return -1;
        std::pop_heap(frontier.begin(), frontier.end());
        a = frontier.back();
        frontier.pop_back();
    } else {
        if (head == reached.size()) return -1;
        a = reached[head++];
    }
    for (int k = 0; k < 3; ++k) {
        const int b = w.neighbours[static_cast<std::size_t>(3 * a + k)];
        if (b < 0 || w.patchOf[static_cast<std::size_t>(b)] != w.p || (a >= x && b >= x)) continue;
        const unsigned seen = w.s.seen[static_cast<std::size_t>(b)];
        if (seen == theirs) {
            meet[0] = a;
            meet[1] = b;
            return 1;
        }
        if (seen == mine) continue;
        w.s.seen[static_cast<std::size_t>(b)] = mine;
        w.s.via[static_cast<std::size_t>(b)] = a;
        reached.push_back(b);
        if (highestFirst) {
            frontier.push_back(b);
            std::push_heap(frontier.begin(), frontier.end());
        }
        --w.budget;
    }
    return 0;
}

// Grows a search from x and one from y (y < x) a face at a time each, until
// they meet or one of them runs out of faces. Joined fills `witness` with
// the path from x to y through where they met.
Join join(ChainWalk& w, int x, int y, std::vector<int>& witness) {
    witness.clear();
    for (int k = 0; k < 3; ++k) {
        if (w.neighbours[static_cast<std::size_t>(3 * x + k)] == y) {
            witness = {x, y};
            return Join::Joined;
        }
    }
    const unsigned fromX = ++w.s.stamp, fromY = ++w.s.stamp;
    std::vector<int>& qx = w.s.queue;
    std::vector<int>& qy = w.s.other;
    std::vector<int>& heap = w.s.heap;
    qx.assign(1, x);
    heap.assign(1, x);
    qy.assign(1, y);
    w.s.seen[static_cast<std::size_t>(x)] = fromX;
    w.s.seen[static_cast<std::size_t>(y)] = fromY;
    w.s.via[static_cast<std::size_t>(x)] = -1;
    w.s.via[static_cast<std::size_t>(y)] = -1;
    std::size_t hx = 0, hy = 0;
    int meet[2];
    auto trace = [&](int xSide, int ySide) {
        for (int f = xSide; f >= 0; f = w.s.via[static_cast<std::size_t>(f)])
            witness.push_back(f);
        std::reverse(witness.begin(), witness.end());
        for (int f = ySide; f >= 0; f = w.s.via[static_cast<std::size_t>(f)])
            witness.push_back(f);
        return Join::Joined;
    };
    while (w.budget > 0) {
        const int gx = growOne(w, x, true, qx, heap, hx, fromX, fromY, meet);
        if (gx == 1) return trace(meet[0], meet[1]);
        if (gx == -1) return Join::XApart;
        const int gy = growOne(w, x, false, qy, qy, hy, fromY, fromX, meet);
        if (gy == 1) return trace(meet[1], meet[0]);
        if (gy == -1) return Join::YApart;
    }
    return Join::OverBudget;
}
// The sweep over the faces of `group` (x's group once every face below x
// has been visited, all of it) below x, each face labelled by itself: the
// label x's group holds then.
int replayGroup(ChainWalk& w, std::vector<int> group, int x) {
    std::sort(group.begin(), group.end());
    std::vector<int>& parent = w.s.parent;
    std::vector<int> label(group.size()), size(group.size(), 1);
    parent.resize(group.size());
    for (std::size_t i = 0; i < group.size(); ++i) {
        w.s.owner[static_cast<std::size_t>(group[i])] = static_cast<int>(i);
        parent[i] = static_cast<int>(i);
        label[i] = group[i];
    }
    auto find = [&](int a) {
        while (parent[static_cast<std::size_t>(a)] != a) {
            parent[static_cast<std::size_t>(a)] =
                parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(a)])];
            a = parent[static_cast<std::size_t>(a)];
        }
        return a;
    };
    for (std::size_t i = 0; i < group.size() && group[i] < x; ++i) {
        for (int k = 0; k < 3; ++k) {
            const int g = w.neighbours[static_cast<std::size_t>(3 * group[i] + k)];
            if (g < 0 || w.patchOf[static_cast<std::size_t>(g)] != w.p) continue;
            const int a = find(static_cast<int>(i)),
                      b = find(w.s.owner[static_cast<std::size_t>(g)]);
            if (a == b) continue;
            const int keep = label[static_cast<std::size_t>(a)];
            int big = a, small = b;
            if (size[static_cast<std::size_t>(big)] < size[static_cast<std::size_t>(small)])
                std::swap(big, small);
            parent[static_cast<std::size_t>(small)] = big;
            size[static_cast<std::size_t>(big)] += size[static_cast<std::size_t>(small)];
            label[static_cast<std::size_t>(big)] = keep;
        }
    }
    return label[static_cast<std::size_t>(find(w.s.owner[static_cast<std::size_t>(x)]))];
}

} // namespace

ChainStep chainStep(ChainWalk& w, const PatchMinima& minima, int x, std::vector<int>& witness) {
    if (!minima.hasLowerNeighbour(w.p, x)) return {ChainStep::End, x};
    SearchScratch& s = w.s;
    auto c = std::make_reverse_iterator(std::lower_bound(w.members.begin(), w.members.end(), x));
    for (; c != w.members.rend(); ++c) {
        const int y = *c;
        if (w.patchOf[static_cast<std::size_t>(y)] != w.p ||
            s.mark[static_cast<std::size_t>(y)] == w.apart)
            continue;
        switch (join(w, x, y, witness)) {
        case Join::OverBudget:
            return {ChainStep::OverBudget};
        case Join::Joined:
            return {ChainStep::Next, y};
        case Join::YApart:
            // y's whole group stays apart from x's at every lower step.
            for (int f : s.other)
                s.mark[static_cast<std::size_t>(f)] = w.apart;
            continue;
        case Join::XApart:
            return {ChainStep::Replayed, replayGroup(w, s.queue, x)};
        }
    }
    // x has a lower neighbour in p, so some candidate joins it or shows
    // x's group whole.
    return {ChainStep::OverBudget};
}

} // namespace hbx3
