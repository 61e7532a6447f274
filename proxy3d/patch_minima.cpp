#include "patch_minima.h"

namespace hbx3 {

PatchMinima::PatchMinima(const std::vector<int>& neighbours, const std::vector<int>& patchOf)
    : neighbours_(neighbours), patchOf_(patchOf) {}

bool PatchMinima::hasLowerNeighbour(int p, int f) const {
    for (int k = 0; k < 3; ++k) {
        const int g = neighbours_[static_cast<std::size_t>(3 * f + k)];
        if (g >= 0 && g < f && patchOf_[static_cast<std::size_t>(g)] == p) return true;
    }
    return false;
}

void PatchMinima::fill(int p, const int* faces, int count) {
    if (sets_.size() <= static_cast<std::size_t>(p)) sets_.resize(static_cast<std::size_t>(p) + 1);
    std::set<int>& set = sets_[static_cast<std::size_t>(p)];
    set.clear();
    for (int j = 0; j < count; ++j) {
        if (!hasLowerNeighbour(p, faces[j])) set.insert(set.end(), faces[j]);
    }
}

void PatchMinima::removeFaces(int p, const std::vector<int>& removed) {
    std::set<int>& set = sets_[static_cast<std::size_t>(p)];
    for (int d : removed)
        set.erase(d);
    for (int d : removed) {
        for (int k = 0; k < 3; ++k) {
            const int g = neighbours_[static_cast<std::size_t>(3 * d + k)];
            if (g > d && patchOf_[static_cast<std::size_t>(g)] == p && !hasLowerNeighbour(p, g))
                set.insert(g);
        }
    }
}

void PatchMinima::release(int p) {
    sets_[static_cast<std::size_t>(p)] = std::set<int>();
}

namespace {

// True when face f reaches face m through merge pairs within patch p of
// which one face is m or below, visiting at most `limit` faces.
bool joinedBelow(int f, int m, int p, const std::vector<int>& neighbours,
                 const std::vector<int>& patchOf, std::vector<unsigned>& seen, unsigned& stamp,
                 int limit, std::vector<int>& queue) {
    ++stamp;
    queue.clear();
    queue.push_back(f);
    seen[static_cast<std::size_t>(f)] = stamp;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int x = queue[head];
        for (int k = 0; k < 3; ++k) {
            const int y = neighbours[static_cast<std::size_t>(3 * x + k)];
            if (y < 0 || patchOf[static_cast<std::size_t>(y)] != p || (x > m && y > m)) continue;
            if (y == m) return true;
            if (seen[static_cast<std::size_t>(y)] == stamp) continue;
            if (static_cast<int>(queue.size()) >= limit) return false;
            seen[static_cast<std::size_t>(y)] = stamp;
            queue.push_back(y);
        }
    }
    return false;
}

} // namespace

Survivor survivingFace(const PatchMinima& minima, int p, const std::vector<int>& members, int live,
                       const std::vector<int>& neighbours, const std::vector<int>& patchOf,
                       std::vector<unsigned>& seen, unsigned& stamp, int searchLimit) {
    const std::set<int>& lows = minima.of(p);
    if (lows.empty()) return {};
    const int m = *lows.rbegin();
    if (lows.size() == 1) return {m, 0}; // m is the lowest face: all is its territory
    std::vector<int> queue;
    int above = 0;
    for (auto it = members.rbegin(); it != members.rend() && *it > m; ++it) {
        const int f = *it;
        if (patchOf[static_cast<std::size_t>(f)] != p) continue;
        ++above;
        bool lowerAbove = false;
        for (int k = 0; k < 3; ++k) {
            const int g = neighbours[static_cast<std::size_t>(3 * f + k)];
            lowerAbove =
                lowerAbove || (g > m && g < f && patchOf[static_cast<std::size_t>(g)] == p);
        }
        if (!lowerAbove &&
            !joinedBelow(f, m, p, neighbours, patchOf, seen, stamp, searchLimit, queue))
            return {};
    }
    return {m, live - 1 - above};
}

} // namespace hbx3
