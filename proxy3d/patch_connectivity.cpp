#include "patch_connectivity.h"

namespace hbx3 {
namespace {

int findRoot(std::vector<int>& parent, int a) {
    while (parent[static_cast<std::size_t>(a)] != a) {
        parent[static_cast<std::size_t>(a)] =
            parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(a)])];
        a = parent[static_cast<std::size_t>(a)];
    }
    return a;
}

} // namespace

bool seedsJoin(const std::vector<int>& seeds, int p, const std::vector<int>& neighbours,
               const std::vector<int>& patchOf, SearchScratch& scratch, std::size_t limit) {
    const unsigned stamp = ++scratch.stamp;
    std::vector<int>& queue = scratch.queue;
    std::vector<int>& parent = scratch.parent;
    queue.clear();
    parent.clear();
    int pieces = 0;
    for (int s : seeds) {
        const auto i = static_cast<std::size_t>(s);
        if (scratch.seen[i] == stamp) continue;
        scratch.seen[i] = stamp;
        scratch.owner[i] = static_cast<int>(parent.size());
        parent.push_back(static_cast<int>(parent.size()));
        queue.push_back(s);
        ++pieces;
    }
    if (pieces <= 1) return true;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int x = queue[head];
        const int a = scratch.owner[static_cast<std::size_t>(x)];
        for (int k = 0; k < 3; ++k) {
            const int y = neighbours[static_cast<std::size_t>(3 * x + k)];
            if (y < 0 || patchOf[static_cast<std::size_t>(y)] != p) continue;
            const auto j = static_cast<std::size_t>(y);
            if (scratch.seen[j] != stamp) {
                if (queue.size() >= limit) return false;
                scratch.seen[j] = stamp;
                scratch.owner[j] = a;
                queue.push_back(y);
                continue;
            }
            const int ra = findRoot(parent, a), rb = findRoot(parent, scratch.owner[j]);
            if (ra == rb) continue;
            parent[static_cast<std::size_t>(rb)] = ra;
            if (--pieces == 1) return true;
        }
    }
    return false; // a piece ran out of faces before meeting the others
}

bool stillConnected(const std::vector<int>& removed, int p, const std::vector<int>& neighbours,
                    const std::vector<int>& patchOf, SearchScratch& scratch) {
    const unsigned inSet = ++scratch.markStamp, grouped = ++scratch.markStamp;
    for (int f : removed)
        scratch.mark[static_cast<std::size_t>(f)] = inSet;
    std::vector<int> piece, seeds;
    for (int f : removed) {
        if (scratch.mark[static_cast<std::size_t>(f)] != inSet) continue;
        piece.assign(1, f);
        seeds.clear();
        scratch.mark[static_cast<std::size_t>(f)] = grouped;
        for (std::size_t head = 0; head < piece.size(); ++head) {
            const int x = piece[head];
            for (int k = 0; k < 3; ++k) {
                const int y = neighbours[static_cast<std::size_t>(3 * x + k)];
                if (y < 0) continue;
                if (scratch.mark[static_cast<std::size_t>(y)] == inSet) {
                    scratch.mark[static_cast<std::size_t>(y)] = grouped;
                    piece.push_back(y);
                } else if (patchOf[static_cast<std::size_t>(y)] == p) {
                    seeds.push_back(y);
                }
            }
        }
        if (!seedsJoin(seeds, p, neighbours, patchOf, scratch, 256 + 32 * piece.size()))
            return false;
    }
    return true;
}

bool allConnected(const int* faces, int count, int p, const std::vector<int>& neighbours,
                  const std::vector<int>& patchOf, SearchScratch& scratch) {
    const unsigned stamp = ++scratch.stamp;
    std::vector<int>& queue = scratch.queue;
    queue.assign(1, faces[0]);
    scratch.seen[static_cast<std::size_t>(faces[0])] = stamp;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int x = queue[head];
        for (int k = 0; k < 3; ++k) {
            const int y = neighbours[static_cast<std::size_t>(3 * x + k)];
            if (y < 0 || patchOf[static_cast<std::size_t>(y)] != p) continue;
            if (scratch.seen[static_cast<std::size_t>(y)] == stamp) continue;
            scratch.seen[static_cast<std::size_t>(y)] = stamp;
            queue.push_back(y);
        }
    }
    return static_cast<int>(queue.size()) == count;
}

} // namespace hbx3
