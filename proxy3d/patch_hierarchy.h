// The allergy queries of the patch cycle over the faces of its patches: one
// face tree per patch (face_tree.h), kept as the patches lose faces, and
// the candidates of the groups of faces that asked last
// (allergen_candidates.h).
//
// Face F is allergic to face G of its patch when G shares no vertex with F
// and one of G's vertices lies beyond F's plane (face_geometry.h). The
// queries below prune whole subtrees with bounds computed in double and
// widened by more than the float rounding of the exact test, then apply
// the exact test to the faces that remain, so they answer exactly what a
// scan of all faces would.
#pragma once

#include "proxy3d/allergen_candidates.h"
#include "proxy3d/face_geometry.h"
#include "proxy3d/face_tree.h"
#include "proxy3d/mesh3d.h"

#include <vector>

namespace hbx3 {

class PatchHierarchy {
  public:
    // Reads the faces' vertex, norm and side and the vertices' file
    // positions; the mesh must outlive the hierarchy. patchOf names the
    // patch id of every face (kept up to date by the caller). rules decide
    // when a group of faces gathers candidates.
    PatchHierarchy(const Mesh3D& mesh, const std::vector<int>& patchOf,
                   const CandidateRules& rules);

    // (Re)builds the tree of patch id `patch` over faces (count > 0,
    // ascending), releasing the one it had. A patch of at most the rules'
    // smallPatchFaces faces (one leaf's worth) gets no tree: its queries
    // scan its faces.
    void build(int patch, const int* faces, int count);

    // The same as build, for faces that all lie in the tree of patch id
    // `source` (they leave source's patch, or source is `patch` itself and
    // they are its live faces): the tree is taken from source's
    // (FaceTreeBuilder::extract) when source has one.
    void buildFrom(int patch, int source, const int* faces, int count);

    // Takes face f out of the live faces of the tree of patch id `patch`
    // (constant time but when its leaf empties); call when f leaves that
    // patch.
    void remove(int patch, int f);

    // The lowest-numbered face of patch id `patch` that face f (of that
    // patch) is allergic to, or -1. Answered from the candidates of f's
    // group, gathered for the group's faces from f on, or from the tree
    // alone. Fastest when faces are asked in ascending order, as the patch
    // cycle does; any order gives the same answers.
    int lowestAllergen(int patch, int f);

    // Where a collecting query below stopped at its limit: called again
    // with the same walk, the same out and a larger limit, the query goes
    // on from there instead of starting over, and ends with what one call
    // with the larger limit would have appended. A default walk starts at
    // the beginning.
    struct Walk {
        bool started = false;
        std::vector<int> stack; // the subtrees still to visit
        int up = -1;            // climbing: the subtrees beside up's ancestors too
        int lead = 0;           // the corner tried first (a hint)
    };

    // Appends every face of patch id `patch` that is allergic to face
    // `pivot` (of that patch), in no particular order. Gives up and returns
    // false once more than `limit` faces have been appended (out then holds
    // an incomplete list, and walk where it stopped).
    bool collectAllergicTo(int patch, int pivot, std::vector<int>& out, std::size_t limit,
                           Walk& walk);

    // Appends every face of patch id `patch` that is not allergic to face
    // `pivot`, the pivot included, in no particular order, each once. Whole
    // subtrees whose faces all see a pivot corner beyond their planes are
    // passed over, so the cost follows the size of the answer when nearly
    // every face is allergic. Gives up and returns false once more than
    // `limit` faces have been appended (walk holding where it stopped).
    bool collectNotAllergicTo(int patch, int pivot, std::vector<int>& out, std::size_t limit,
                              Walk& walk);

    // Releases the tree of patch id `patch`.
    void release(int patch);

  private:
    // Per patch id: its tree in trees_, or -1 for a small patch, whose faces
    // are smallFaces_[first .. first + count), ascending (those still in it
    // are scanned directly).
    struct Entry {
        int tree = -1;
        int first = 0, count = 0;
    };
    // A group's candidates and their owner: tree index, group node and the
    // generation of the owner's tree (tree -1: free). A few of these are
    // kept and reused in turn.
    struct Slot {
        int tree = -1;
        int node = -1;
        unsigned generation = 0;
        int from = 0; // the lowest face the candidates serve
        Candidates candidates;
    };
    // In groupOf_: the group's faces ask the tree.
    static constexpr int kGroupAsksTree = -2;

    // The tree of patch id `patch` (not a small one).
    // A tree index for a new tree: a released one, or a new one.
    int takeTree();
    FaceTree& treeOf(int patch) {
        return trees_[static_cast<std::size_t>(entries_[static_cast<std::size_t>(patch)].tree)];
    }
    // The faces of small patch id `patch` that are still in it, in the
    // order built, each passed to visit.
    template <class Visit> void forEachSmall(int patch, Visit visit) const;
    int lowestAllergenByTree(int patch, int f);
    // The same answer for a small patch id `patch`.
    int lowestAllergenSmall(int patch, int f) const;
    // The tree's answer, again for the face that asked it last (the patch
    // cycle asks a face again after every split it causes).
    int lowestAllergenAgain(int patch, int f);
    // The lowest allergen of face f (of patch id `patch`) among the
    // rules' againScanFaces faces numbered from asker_.from on, or -1;
    // moves asker_.from past the faces it tested when there is none.
    int scanAllergensAgain(int patch, int f);
    // Fills asker_.lowest with the rules' listedAllergens lowest faces of patch id
    // `patch`, numbered from asker_.from on, that face f is allergic to,
    // ascending, and sets asker_.complete when there are no more.
    void listAllergensByTree(int patch, int f);
    // The tree of patch id `patch` (not a small one) with its planes fitted.
    const FaceTree& treeWithPlanes(int patch);
    // The candidates of face f's group (f live in patch id `patch`),
    // gathered if they are not held, or null when the group's faces are
    // better asked one by one from the tree.
    const Slot* candidatesFor(int patch, int f);

    FaceGeometry geometry_;
    const std::vector<int>& patchOf_;
    CandidateRules rules_;
    FaceTreeBuilder builder_;
    std::vector<Entry> entries_;  // per patch id
    std::vector<int> smallFaces_; // the faces of small patches, appended
    std::vector<FaceTree> trees_; // per tree index
    std::vector<int> freeTrees_;  // tree indices released, for reuse
    // Per tree index and node of its tree, once a face of the node's group
    // has asked: the slot holding the group's candidates, -1 (none held) or
    // kGroupAsksTree. Dropped when the tree is rebuilt.
    std::vector<std::vector<int>> groupOf_;
    std::vector<int> leafOf_; // per face: its leaf in its patch's tree
    std::vector<int> slotOf_; // per face: its place in that tree's items
    SeenMarks seen_;          // gathering scratch
    Candidates gathered_;     // gathering scratch
    std::vector<Slot> slots_; // candidate slots, reused in turn
    // The face that asked the tree last. A patch only ever loses faces, so
    // its lowest allergen only rises and every face the list holds that is
    // still in the patch is still an allergen. Once the face asks again,
    // its next answer is searched from its last one on: among the next few
    // faces by number, where a fine surface's next allergen mostly lies
    // (its faces are numbered along the surface), else in a list of its
    // lowest allergens from the tree, which costs about as much as opening
    // every leaf beyond the face's plane.
    struct Asker {
        int face = -1, patch = -1;
        int from = 0;          // no allergen below this one
        bool none = false;     // no allergen at all
        bool listed = false;   // lowest holds the lowest from `from` on
        bool complete = false; // and there are no others
        LowestFaces lowest;
        std::size_t next = 0;
    };
    Asker asker_;
    std::size_t nextSlot_ = 0;
    unsigned generations_ = 0;
};

} // namespace hbx3
