// Whether faces of a patch hang together through merge neighbours, asked
// at the cost of the faces visited near the question, not of the patch.
#pragma once

#include <cstddef>
#include <vector>

namespace hbx3 {

// Where a seedsJoin search stands: the face it grows from (queue[head])
// and that face's next neighbour, and its pieces, all and still growing.
struct SeedsSearch {
    unsigned stamp = 0;
    std::size_t head = 0;
    int next = 0;
    int pieces = 0, growing = 0;
};

// Per-face scratch for the searches below: a visit stamp and an owner.
struct SearchScratch {
    explicit SearchScratch(std::size_t faceCount)
        : seen(faceCount, 0), owner(faceCount, -1), via(faceCount, -1), mark(faceCount, 0),
          pieceOf(faceCount, -1) {}
    std::vector<unsigned> seen;
    unsigned stamp = 0;
    std::vector<int> owner;
    std::vector<int> via; // the descending chain's searches: the face each face was reached from
    std::vector<int> queue;
    std::vector<int> other;     // a second search's queue
    std::vector<int> heap;      // a search's faces to grow from, highest first
    std::vector<int> parent;    // per seed: union-find over the growing pieces
    std::vector<int> frontier;  // per piece root: faces reached but not grown from
    std::vector<unsigned> mark; // stillConnected: the removed faces, and those grouped
    unsigned markStamp = 0;
    std::vector<int> pieceOf; // cutOffPieces: the removed piece of each removed face
    SeedsSearch search;       // seedsJoin: the search between limits
};

// Whether seeds hang together, as far as a search can tell.
enum class SeedsJoin {
    Joined, // all in one connected piece of the patch
    Apart,  // not: the search saw every piece but one whole

    Unknown, // the search reached its limit first
};

// Grows all of `seeds` (faces of patch id p) at once through merge
// neighbours in p; pieces that touch join. Joined once one piece is left,
// Apart once all pieces but one have run out of faces to grow from (then
// scratch.queue lists every face reached, each one's owner leads through
// scratch.parent to its piece's root, and scratch.frontier is 0 at the
// roots of the pieces seen whole), Unknown after `limit` faces were
// visited.
// neighbours: mergeNeighbours() of the mesh; patchOf: every face's patch id.
SeedsJoin seedsJoin(const std::vector<int>& seeds, int p, const std::vector<int>& neighbours,
                    const std::vector<int>& patchOf, SearchScratch& scratch, std::size_t limit);

// True when patch id p, connected before `removed` left it (their patchOf
// no longer p), is shown to be connected still. A path between two faces of
// p that ran through removed faces enters and leaves one connected piece of
// them, so p stays connected when, for every piece, the faces of p next to
// it hang together in p: asked with seedsJoin, piece by piece, each search
// limited by the piece's size.
bool stillConnected(const std::vector<int>& removed, int p, const std::vector<int>& neighbours,
                    const std::vector<int>& patchOf, SearchScratch& scratch);

// The connected pieces of a patch: piece g is faces[offset[g] ..
// offset[g + 1]), ascending.
struct CutPieces {
    std::vector<int> faces;
    std::vector<int> offset;
    std::size_t count() const { return offset.size() - 1; }
};

// For patch id p, connected before `removed` left it: the connected pieces
// of what is left that the searches around the removed pieces saw whole.
// The rest of p, besides them, is connected or empty: the faces of p next
// to each removed piece hang together, except the pieces cut off, and so
// do, for removed pieces joined through cut-off pieces, one such face of
// each. A path between two faces of the rest thus never leaves the rest's
// one component. Each search starts with a limit set by the size of the
// removed faces it starts around (a piece, or a linked set) and goes on
// with four times the limit, at most `cap`. Returns false when a search
// reached `cap`.
bool cutOffPieces(const std::vector<int>& removed, int p, const std::vector<int>& neighbours,
                  const std::vector<int>& patchOf, SearchScratch& scratch, std::size_t cap,
                  CutPieces& cut);

// True when faces[0 .. count) (all of patch id p, count > 0) are connected
// through merge neighbours in p. Visits them all.
bool allConnected(const int* faces, int count, int p, const std::vector<int>& neighbours,
                  const std::vector<int>& patchOf, SearchScratch& scratch);

} // namespace hbx3
