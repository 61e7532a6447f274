// The allergy check of single faces, answered a group of faces at a time.
//
// Most faces of a large patch have no allergen, and proving that from the
// root of the patch's tree means opening every node near the face, down to
// the leaves. The faces of one small subtree (a group) share that work: a
// single traversal, with a bound that holds for all of them at once,
// gathers the vertices that could lie beyond any of their planes (the
// candidates); each face then runs the exact test over those few vertices,
// a tight loop over flat arrays. A candidate found beyond the plane leads to
// the faces around it, checked exactly as the scan over the patch would.
//
// The patch cycle asks about faces in ascending order and never again about
// a face it has passed, so a group's bound only covers the faces from the
// asking one on, and a group with few such faces left is not worth a
// gathering: its faces ask the tree. A group's candidates stay valid while
// its patch only loses faces, since losing faces can only remove allergens.
#pragma once

#include "proxy3d/face_geometry.h"
#include "proxy3d/face_tree.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hbx3 {

// When a group's faces ask the tree instead of gathering candidates: when
// more than maxCandidates vertices would be gathered (faces of a tight
// fold, normals spread over a wide cone), or fewer than minAsking faces of
// the group are left to ask (a gathering costs about as much as that many
// tree queries). Tests set minAsking 1 to check the candidates on small
// meshes, and maxCandidates 0 to check the tree queries alone.
//
// A face that asks the tree again first tests the againScanFaces faces
// numbered from its last answer on, one by one; only when none of them is
// an allergen do its next answers come from a list of its lowest
// allergens, listedAllergens at a time (tests set 1 to check the refills,
// and againScanFaces 0 or a few to check the lists). A patch of at most
// smallPatchFaces faces gets no tree at all: its queries scan its faces
// (tests set 0 to check the trees on small meshes).
struct CandidateRules {
    std::size_t maxCandidates = 4096;
    int minAsking = 16;
    std::size_t listedAllergens = 128;
    int smallPatchFaces = 32;
    int againScanFaces = 1024;
};

// The candidate vertices of a group: every vertex of the patch's tree that
// could lie beyond the plane of a face of the group numbered `from` or
// above, each once (with, possibly, vertices of faces that have left the
// patch: a candidate is only a lead).
struct Candidates {
    // The first `count` entries are the candidates; the arrays only grow, so
    // that storage that is gathered into again allocates nothing.
    std::vector<float> x, y, z;
    std::vector<int> vertex;
    // Per block of kCandidateBlock candidates, the lowest face around any
    // of them: a block whose lowest face is not below the best allergen
    // found so far cannot improve on it.
    std::vector<int> blockLow;
    int count = 0;
};

// Copies from's candidates into to, whose arrays grow to their count at
// most.
void copyCandidates(const Candidates& from, Candidates& to);

// Candidates are tested in blocks; only a block with a hit is looked at
// twice.
inline constexpr int kCandidateBlock = 64;

// Per tree-local vertex, the stamp of the last gathering that took it.
struct SeenMarks {
    std::vector<unsigned> seen;
    unsigned stamp = 0;
};

// Gathers into out the candidates of the group below node groupNode of tree
// (the tree of patch id `patch`, patchOf naming every face's patch id) for
// its faces numbered from `from` on. Returns false, with out holding an
// incomplete list, when the rules leave the group's faces to the tree.
// seen is scratch space, grown as needed.
bool gatherCandidates(const FaceGeometry& geometry, const std::vector<int>& patchOf,
                      const FaceTree& tree, int patch, int groupNode, int from,
                      const CandidateRules& rules, SeenMarks& seen, Candidates& out);

// A run of vertices to test: positions, numbers, and (null, or per block of
// kCandidateBlock) the lowest face around each block.
struct VertexRun {
    const float *x, *y, *z;
    const int* vertex;
    const int* blockLow;
    int count;
};

// The lowest face numbered below `best` that lies in patch id `patch`, is
// not f, shares no vertex with f and has a vertex of the run beyond f's
// plane (t, from planeTestOf); `best` if there is none.
int lowestAroundBeyond(const FaceGeometry& geometry, const std::vector<int>& patchOf, int patch,
                       int f, const PlaneTest& t, const VertexRun& run, int best);

// The lowest faces of a stream, at most `keep` of them: faces are appended
// as they come, each once (a small hash set of those held drops repeats,
// which come up once per corner beyond a plane), and whenever four times
// `keep` are held the `keep` lowest are selected, in linear time, so each
// face costs a constant. Faces not below `bound` cannot be among them.
struct LowestFaces {
    std::vector<int> faces; // after finish(): ascending, distinct
    std::size_t keep = 1;
    int bound = INT_MAX;
    // The hash set of faces: face + 1 per slot, 0 for none; a power of two
    // of slots, at least eight per face kept.
    std::vector<int> slots;

    // Empties the stream, to keep `keep` faces from now on.
    void reset(std::size_t keepFaces);
    // Adds face g (below bound).
    void add(int g) {
        if (!insert(g)) return;
        faces.push_back(g);
        if (faces.size() >= 4 * keep) select();
    }
    // Keeps the `keep` lowest and sorts them.
    void finish();

  private:
    // Puts g in the hash set; false when it was there already.
    bool insert(int g) {
        auto i = static_cast<std::size_t>(static_cast<std::uint32_t>(g) * 2654435761u) &
                 (slots.size() - 1);
        while (slots[i] != 0) {
            if (slots[i] == g + 1) return false;
            i = (i + 1) & (slots.size() - 1);
        }
        slots[i] = g + 1;
        return true;
    }
    // Keeps the `keep` lowest (more than that held), in no order, and
    // lowers bound to the highest of them.
    void select();
};

// Adds to lowest every face numbered from `from` on that lies in patch id
// `patch`, is not f, shares no vertex with f and has a vertex of the run
// beyond f's plane (faces not below lowest.bound are passed over).
void lowestAroundBeyondFrom(const FaceGeometry& geometry, const std::vector<int>& patchOf,
                            int patch, int f, const PlaneTest& t, const VertexRun& run, int from,
                            LowestFaces& lowest);

} // namespace hbx3
