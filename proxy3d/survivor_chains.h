// The descending chains of the patches that splits leave whole, kept from
// one split to the next so that a split pays for the steps it breaks, not
// for the whole chain again.
//
// A patch that loses a few faces at a time keeps nearly the same chain
// (patch_minima.h): the next node of x is the highest face below x joined
// to x, and as faces only leave a patch, no face between x and its next
// node ever joins x. A step therefore holds for as long as its two nodes
// and the faces of one joining path between them, its witness, stay in
// the patch. A node that leaves is taken off the list at once and breaks
// the step into it; a witness face that leaves breaks the steps that
// listed it. The next question walks again from each broken node, highest
// first, until the walk meets the old chain.
//
// A walk that runs out of budget leaves the chain open where it stopped;
// the next question goes on from there with twice the budget (up to five
// budgets), so a long chain or a costly step is paid for once rather than
// at every split. A chain that ends in a replay of its last node's group
// keeps that answer until a face of the group leaves.
#pragma once

#include "proxy3d/patch_minima.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace hbx3 {

class SurvivorChains {
  public:
    explicit SurvivorChains(std::size_t faceCount);

    // Face f is leaving patch id p (call before or after its patchOf
    // changes, once). The steps of p's chain that went through f are
    // walked again when p is next asked.
    void left(int p, int f);

    // Forgets p's chain: its faces were regrouped another way than by
    // leaving one by one, or p is gone.
    void forget(int p);

    // The face whose number the merge sweep over patch id p leaves to the
    // group of p's highest face (all of p when p is connected), or -1 when
    // the chain's searches reached `budget` faces: the caller then runs the
    // sweep, and the next question goes on from where the walk stopped. `members` lists p's faces
    // ascending and may list faces that left; minima must be up to date.
    int survivor(const PatchMinima& minima, int p, const std::vector<int>& members,
                 const std::vector<int>& neighbours, const std::vector<int>& patchOf,
                 SearchScratch& scratch, long budget);

  private:
    struct Chain {
        unsigned id = 0;          // tags the faces on this chain in onChain_
        int top = -1;             // the chain's first node: p's highest face
        int end = -1;             // its last node, or the face a replay gave
        int open = -1;            // the node whose step a search ran out of budget for
        long credit = 0;          // budget lent by the questions that ran out
        int last = -1;            // its last node, once the walk got there
        bool replayed = false;    // `end` came from a replay of last's group
        bool replayStale = false; // ... which has lost a face since
        unsigned replayId = 0;    // tags the replayed group's faces in replayOf_
        bool topLeft = false;     // the top has left: `top` is its old next node
        std::vector<std::pair<int, unsigned>> broken; // (node, step version)
    };
    struct Use {
        int node;
        unsigned version;
        int next; // the next use of the same face, -1 last
    };

    Chain* chainOf(int p);
    bool walkFrom(ChainWalk& w, const PatchMinima& minima, Chain& chain, int x, int oldNext);
    void unlink(Chain& chain, int from, int to);
    void forgetAll();

    std::vector<unsigned> onChain_;  // per face: id of the chain it is a node of
    std::vector<int> next_;          // per node: the next node, -1 at the end
    std::vector<int> prev_;          // per node: the node before, -1 at the top
    std::vector<unsigned> version_;  // per node: bumped whenever its step changes
    std::vector<int> firstUse_;      // per face: its steps' witnesses, into uses_
    std::vector<unsigned> replayOf_; // per face: the latest replay that saw it
    std::vector<Use> uses_;          // grows; cleared when it outgrows the mesh
    std::vector<int> slot_;          // per patch id: its chain in chains_, or -1
    std::vector<Chain> chains_;      // reused once forgotten (slot -1)
    std::vector<int> freeSlots_;
    std::vector<int> witness_;
    unsigned lastId_ = 0;
    unsigned lastReplay_ = 0;
    std::size_t faceCount_;
};

} // namespace hbx3
