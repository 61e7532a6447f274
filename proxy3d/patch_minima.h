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

// What the structure says of a connected patch's surviving face.
struct Survivor {
    int face = -1; // the face whose number the group keeps; -1: not settled
    int below = 0; // faces of the patch numbered below `face`
};

// The surviving face of the merge sweep over the faces of patch id p, taken
// as one connected group of moved faces. `members` lists p's faces
// ascending, and may list faces that left (their patchOf differs); `live`
// is the number of faces in p. With one low point (the lowest face) that is
// all. Otherwise walks the descending chain: from the highest face, the
// next is the highest face below the current one that lies in its group
// once the sweep has visited every face below it. Each step grows searches
// from both faces until they meet or one runs out; a group found whole
// this way is replayed. The walk itself costs the live faces above the
// surviving face; returns face -1 once its searches have reached `budget`
// faces, and the caller then runs the sweep.
Survivor survivingFace(const PatchMinima& minima, int p, const std::vector<int>& members, int live,
                       const std::vector<int>& neighbours, const std::vector<int>& patchOf,
                       SearchScratch& scratch, long budget);

} // namespace hbx3
