// The face whose number a connected group of moved faces keeps, worked out
// from the group's structure instead of replaying the merge sweep.
//
// The sweep visits the group's faces in ascending order and each visited
// face pulls its neighbours' groups into its own, whose number wins. After
// the faces below x have been visited, x's group is what is joined to x
// through pairs of which one face is below x; it was last changed by the
// visit of its highest face y below x, which left it the number y's group
// held then. So the group's number is that of the end of the descending
// chain: the highest face, then repeatedly that y, until a face with no
// lower neighbour in the group (a low point: alone when visited, it keeps
// its own number). A group with one low point keeps the number of its
// lowest face.
#pragma once

#include "proxy3d/patch_connectivity.h"

#include <cstdint>
#include <vector>

namespace hbx3 {

// How many low points every patch has: faces with no merge neighbour of a
// lower number in the same patch. A patch with one has it at its lowest
// face.
class PatchMinima {
  public:
    // neighbours: mergeNeighbours() of the mesh; patchOf: every face's patch
    // id (kept up to date by the caller). Both must outlive this.
    PatchMinima(const std::vector<int>& neighbours, const std::vector<int>& patchOf);

    // Counts the low points of patch id p, whose faces are faces[0..count).
    void fill(int p, const int* faces, int count);

    // Updates the count of patch id p after `removed` left it (their
    // patchOf already changed): they no longer count, and their higher
    // neighbours still in p become low points when nothing lower is left.
    void removeFaces(int p, const std::vector<int>& removed);

    // Releases patch id p.
    void release(int p);

    // The number of low points of patch id p.
    int count(int p) const { return counts_[static_cast<std::size_t>(p)]; }

    // True when face f of patch id p has a merge neighbour in p below f.
    bool hasLowerNeighbour(int p, int f) const;

  private:
    const std::vector<int>& neighbours_;
    const std::vector<int>& patchOf_;
    std::vector<unsigned char> low_; // per face: a low point of its patch
    std::vector<int> counts_;        // per patch id
};

// The walk down the descending chain of patch id p: where it reads and
// what its searches may still visit. Faces whose groups were seen apart
// from the chain carry `apart` in scratch.mark; the mark holds for every
// lower node of the same chain while p does not change.
struct ChainWalk {
    int p;
    const std::vector<int>& members; // p's faces ascending; may list faces that left
    const std::vector<int>& neighbours;
    const std::vector<int>& patchOf;
    SearchScratch& s;
    long budget;
    unsigned apart;
};

// What follows node x on the chain.
struct ChainStep {
    enum Kind {
        Next,       // face: the next node, joined to x as `witness` shows
        End,        // x has no lower neighbour in p: the chain ends at x
        Replayed,   // x's group was seen whole; face: its sweep's survivor
        OverBudget, // the searches used up w.budget first
    } kind;
    int face = -1;
};

// The step from node x (a face of p with a lower neighbour in p, or not):
// the highest live face y below x that lies in x's group once the sweep
// has visited every face below x (joined through pairs within p of which
// one face is below x). Tries the live faces below x in turn, growing a
// search from x and one from the candidate until they meet or one runs
// out; a candidate's group seen whole is marked apart, and x's group seen
// whole is replayed. For Next, `witness` lists the faces of one joining
// path from x to y, both included: the step holds while they stay in p,
// since faces only leave p and no face between y and x can join x then.
ChainStep chainStep(ChainWalk& w, const PatchMinima& minima, int x, std::vector<int>& witness);

} // namespace hbx3
