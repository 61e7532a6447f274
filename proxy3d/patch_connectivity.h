// Whether faces of a patch hang together through merge neighbours, asked
// at the cost of the faces visited near the question, not of the patch.
#pragma once

#include <vector>

namespace hbx3 {

// Per-face scratch for the searches below: a visit stamp and an owner.
struct SearchScratch {
    explicit SearchScratch(std::size_t faceCount)
        : seen(faceCount, 0), owner(faceCount, -1), mark(faceCount, 0) {}
    std::vector<unsigned> seen;
    unsigned stamp = 0;
    std::vector<int> owner;
    std::vector<int> queue;
    std::vector<int> parent;    // per seed: union-find over the growing pieces
    std::vector<unsigned> mark; // stillConnected: the removed faces, and those grouped
    unsigned markStamp = 0;
};

// True when the faces `seeds` (of patch id p) are shown to lie in one
// connected piece of p: all of them grow at once through merge neighbours
// in p, and pieces that touch join. False when some piece runs out of faces
// first, or after `limit` faces were visited without all of them joining.
// neighbours: mergeNeighbours() of the mesh; patchOf: every face's patch id.
bool seedsJoin(const std::vector<int>& seeds, int p, const std::vector<int>& neighbours,
               const std::vector<int>& patchOf, SearchScratch& scratch, std::size_t limit);

// True when patch id p, connected before `removed` left it (their patchOf
// no longer p), is shown to be connected still. A path between two faces of
// p that ran through removed faces enters and leaves one connected piece of
// them, so p stays connected when, for every piece, the faces of p next to
// it hang together in p: asked with seedsJoin, piece by piece, each search
// limited by the piece's size.
bool stillConnected(const std::vector<int>& removed, int p, const std::vector<int>& neighbours,
                    const std::vector<int>& patchOf, SearchScratch& scratch);

// True when faces[0 .. count) (all of patch id p, count > 0) are connected
// through merge neighbours in p. Visits them all.
bool allConnected(const int* faces, int count, int p, const std::vector<int>& neighbours,
                  const std::vector<int>& patchOf, SearchScratch& scratch);

} // namespace hbx3
