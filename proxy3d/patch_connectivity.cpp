#include "proxy3d/patch_connectivity.h"

#include <algorithm>

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

namespace {

// Starts a seedsJoin search: one piece per distinct seed. Returns the
// number of pieces.
int startSeeds(const std::vector<int>& seeds, SearchScratch& scratch) {
    SeedsSearch& search = scratch.search;
    search.stamp = ++scratch.stamp;
    search.head = 0;
    search.next = 0;
    std::vector<int>& queue = scratch.queue;
    std::vector<int>& parent = scratch.parent;
    std::vector<int>& frontier = scratch.frontier;
    queue.clear();
    parent.clear();
    frontier.clear();
    int pieces = 0;
    for (int s : seeds) {
        const auto i = static_cast<std::size_t>(s);
        if (scratch.seen[i] == search.stamp) continue;
        scratch.seen[i] = search.stamp;
        scratch.owner[i] = static_cast<int>(parent.size());
        parent.push_back(static_cast<int>(parent.size()));
        frontier.push_back(1);
        queue.push_back(s);
        ++pieces;
    }
    search.pieces = search.growing = pieces;
    return pieces;
}

// Grows the search started by startSeeds until it has an answer or has
// visited `limit` faces; a search stopped at its limit goes on from where
// it stopped when called again with a larger one.
SeedsJoin growSeeds(int p, const std::vector<int>& neighbours, const std::vector<int>& patchOf,
                    SearchScratch& scratch, std::size_t limit) {
    SeedsSearch& search = scratch.search;
    const unsigned stamp = search.stamp;
    std::vector<int>& queue = scratch.queue;
    std::vector<int>& parent = scratch.parent;
    std::vector<int>& frontier = scratch.frontier;
    for (; search.head < queue.size(); ++search.head, search.next = 0) {
        const int x = queue[search.head];
        int a = findRoot(parent, scratch.owner[static_cast<std::size_t>(x)]);
        for (; search.next < 3; ++search.next) {
            const int y = neighbours[static_cast<std::size_t>(3 * x + search.next)];
            if (y < 0 || patchOf[static_cast<std::size_t>(y)] != p) continue;
            const auto j = static_cast<std::size_t>(y);
            if (scratch.seen[j] != stamp) {
                if (queue.size() >= limit) return SeedsJoin::Unknown;
                scratch.seen[j] = stamp;
                scratch.owner[j] = a;
                ++frontier[static_cast<std::size_t>(a)];
                queue.push_back(y);
                continue;
            }
            // A piece that has stopped growing has every neighbour already:
            // only growing pieces meet.
            const int b = findRoot(parent, scratch.owner[j]);
            if (a == b) continue;
            parent[static_cast<std::size_t>(b)] = a;
            frontier[static_cast<std::size_t>(a)] += frontier[static_cast<std::size_t>(b)];
            if (--search.pieces == 1) return SeedsJoin::Joined;
            if (--search.growing == 1) return SeedsJoin::Apart;
        }
        if (--frontier[static_cast<std::size_t>(a)] == 0 && --search.growing == 1)
            return SeedsJoin::Apart;
    }
    return SeedsJoin::Apart; // not reached: the last growing piece stops the search
}

} // namespace

SeedsJoin seedsJoin(const std::vector<int>& seeds, int p, const std::vector<int>& neighbours,
                    const std::vector<int>& patchOf, SearchScratch& scratch, std::size_t limit) {
    if (startSeeds(seeds, scratch) <= 1) return SeedsJoin::Joined;
    return growSeeds(p, neighbours, patchOf, scratch, limit);
}

namespace {

// The removed faces of one connected piece of `removed`, starting at f
// (marked `inSet`), marked `grouped`; fills `seeds` with their neighbours
// in patch p.
void removedPiece(int f, int p, const std::vector<int>& neighbours, const std::vector<int>& patchOf,
                  SearchScratch& scratch, unsigned inSet, unsigned grouped, std::vector<int>& piece,
                  std::vector<int>& seeds) {
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
}

// How far the search around a piece of `size` removed faces may go.
std::size_t pieceLimit(std::size_t size) {
    return 256 + 32 * size;
}

// seedsJoin with a limit that starts at `limit` and grows fourfold up to
// `cap` while the answer is Unknown: pieces of what is left may be large,
// and the search may go on until it would cost about as much as the patch.
// Each larger limit goes on with the same search.
SeedsJoin seedsJoinGrowing(const std::vector<int>& seeds, int p, const std::vector<int>& neighbours,
                           const std::vector<int>& patchOf, SearchScratch& scratch,
                           std::size_t limit, std::size_t cap) {
    if (startSeeds(seeds, scratch) <= 1) return SeedsJoin::Joined;
    for (;; limit = std::min(4 * limit, cap)) {
        const SeedsJoin join = growSeeds(p, neighbours, patchOf, scratch, limit);
        if (join != SeedsJoin::Unknown || limit >= cap) return join;
    }
}

} // namespace

bool stillConnected(const std::vector<int>& removed, int p, const std::vector<int>& neighbours,
                    const std::vector<int>& patchOf, SearchScratch& scratch) {
    const unsigned inSet = ++scratch.markStamp, grouped = ++scratch.markStamp;
    for (int f : removed)
        scratch.mark[static_cast<std::size_t>(f)] = inSet;
    std::vector<int> piece, seeds;
    for (int f : removed) {
        if (scratch.mark[static_cast<std::size_t>(f)] != inSet) continue;
        removedPiece(f, p, neighbours, patchOf, scratch, inSet, grouped, piece, seeds);
        if (seedsJoin(seeds, p, neighbours, patchOf, scratch, pieceLimit(piece.size())) !=
            SeedsJoin::Joined)
            return false;
    }
    return true;
}

namespace {

// Adds the pieces that a seedsJoin found Apart saw whole (those that
// stopped growing) to `cut`: one per root of the seeds' union-find, each
// ascending; marks their faces isCut. Returns a face of the piece still
// growing.
int addCutPieces(SearchScratch& scratch, unsigned isCut, CutPieces& cut) {
    std::vector<int> found;
    int growing = -1;
    for (int x : scratch.queue) {
        const auto i = static_cast<std::size_t>(x);
        scratch.owner[i] = findRoot(scratch.parent, scratch.owner[i]);
        if (scratch.frontier[static_cast<std::size_t>(scratch.owner[i])] > 0) {
            growing = x;
            continue;
        }
        scratch.mark[i] = isCut;
        found.push_back(x);
    }
    std::sort(found.begin(), found.end(), [&](int a, int b) {
        const int ra = scratch.owner[static_cast<std::size_t>(a)];
        const int rb = scratch.owner[static_cast<std::size_t>(b)];
        return ra != rb ? ra < rb : a < b;
    });
    for (std::size_t i = 0; i < found.size(); ++i) {
        cut.faces.push_back(found[i]);
        const bool last =
            i + 1 == found.size() || scratch.owner[static_cast<std::size_t>(found[i + 1])] !=
                                         scratch.owner[static_cast<std::size_t>(found[i])];
        if (last) cut.offset.push_back(static_cast<int>(cut.faces.size()));
    }
    return growing;
}

} // namespace

bool cutOffPieces(const std::vector<int>& removed, int p, const std::vector<int>& neighbours,
                  const std::vector<int>& patchOf, SearchScratch& scratch, std::size_t cap,
                  CutPieces& cut) {
    cut.faces.clear();
    cut.offset.assign(1, 0);
    const unsigned inSet = ++scratch.markStamp, grouped = ++scratch.markStamp;
    const unsigned isCut = ++scratch.markStamp;
    auto marked = [&](int f, unsigned m) { return scratch.mark[static_cast<std::size_t>(f)] == m; };
    for (int f : removed)
        scratch.mark[static_cast<std::size_t>(f)] = inSet;

    // Pass 1: per removed piece, whether the faces of p around it that are
    // not cut off yet hang together; a search that sees its pieces whole
    // cuts them off. `anySeed` keeps one of those faces per removed piece.
    std::vector<int> piece, seeds, anySeed;
    std::size_t removedPieces = 0;
    for (int f : removed) {
        if (!marked(f, inSet)) continue;
        removedPiece(f, p, neighbours, patchOf, scratch, inSet, grouped, piece, seeds);
        for (int x : piece)
            scratch.pieceOf[static_cast<std::size_t>(x)] = static_cast<int>(removedPieces);
        ++removedPieces;
        seeds.erase(
            std::remove_if(seeds.begin(), seeds.end(), [&](int s) { return marked(s, isCut); }),
            seeds.end());
        const SeedsJoin join =
            seedsJoinGrowing(seeds, p, neighbours, patchOf, scratch, pieceLimit(piece.size()), cap);
        if (join == SeedsJoin::Unknown) return false;
        if (join == SeedsJoin::Apart)
            anySeed.push_back(addCutPieces(scratch, isCut, cut));
        else
            anySeed.push_back(seeds.empty() ? -1 : seeds[0]);
    }
    if (cut.count() == 0) return true; // every removed piece's neighbours hang together

    // Pass 2: a cut-off piece joins the removed pieces it touches, so their
    // neighbours left in p must hang together too. Link the removed pieces
    // through the cut-off pieces, then ask, per linked set, whether one
    // face of p next to each of its removed pieces (not cut off since)
    // hang together; a search that finds them apart cuts off more pieces,
    // which may link more removed pieces: repeat until nothing changes.
    std::vector<int> link(removedPieces);
    for (std::size_t r = 0; r < removedPieces; ++r)
        link[r] = static_cast<int>(r);
    std::vector<std::pair<int, int>> bySet; // (set's root, face)
    for (std::size_t linked = 0; linked < cut.count();) {
        for (; linked < cut.count(); ++linked) {
            int first = -1;
            for (int j = cut.offset[linked]; j < cut.offset[linked + 1]; ++j) {
                const int q = cut.faces[static_cast<std::size_t>(j)];
                for (int k = 0; k < 3; ++k) {
                    const int y = neighbours[static_cast<std::size_t>(3 * q + k)];
                    if (y < 0 || !marked(y, grouped)) continue;
                    const int r = findRoot(link, scratch.pieceOf[static_cast<std::size_t>(y)]);
                    if (first < 0)
                        first = r;
                    else if (r != first)
                        link[static_cast<std::size_t>(r)] = first;
                }
            }
        }
        bySet.clear();
        for (std::size_t r = 0; r < removedPieces; ++r) {
            if (anySeed[r] >= 0 && marked(anySeed[r], isCut)) anySeed[r] = -1;
            if (anySeed[r] >= 0) bySet.emplace_back(findRoot(link, static_cast<int>(r)), r);
        }
        std::sort(bySet.begin(), bySet.end());
        for (std::size_t i = 0; i < bySet.size();) {
            std::size_t end = i;
            seeds.clear();
            // A search of this round may have cut off another set's faces.
            for (; end < bySet.size() && bySet[end].first == bySet[i].first; ++end) {
                int& seed = anySeed[static_cast<std::size_t>(bySet[end].second)];
                if (marked(seed, isCut)) seed = -1;
                if (seed >= 0) seeds.push_back(seed);
            }
            if (seeds.size() > 1) {
                // Linked sets join removed pieces far apart (a ring of
                // what stays around a fine surface): their searches may
                // go as far as those of the first pass.
                const SeedsJoin join = seedsJoinGrowing(seeds, p, neighbours, patchOf, scratch,
                                                        pieceLimit(removed.size()), cap);
                if (join == SeedsJoin::Unknown) return false;
                if (join == SeedsJoin::Apart) {
                    const int growing = addCutPieces(scratch, isCut, cut);
                    for (std::size_t e = i; e < end; ++e) {
                        int& seed = anySeed[static_cast<std::size_t>(bySet[e].second)];
                        if (seed >= 0) seed = marked(seed, isCut) ? -1 : growing;
                    }
                }
            }
            i = end;
        }
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
