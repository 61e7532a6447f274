// Bounding-volume hierarchies over the faces of patches, for the allergy
// queries of the patch cycle.
//
// Face F is allergic to face G of its patch when G shares no vertex with F
// and one of G's vertices lies beyond F's plane (above it for a 'v' face,
// below it for a 'c' face) after the 0.0001 snap. Both queries below prune
// whole subtrees with bounds computed in double and widened by more than
// the float rounding of the exact test, then apply the exact test (float
// operations, left to right) to the faces that remain, so they answer
// exactly what a scan of all faces would.
#pragma once

#include "mesh3d.h"

#include <vector>

namespace hbx3 {

class PatchHierarchy {
  public:
    // Reads the faces' vertex, norm and side and the vertices' file
    // positions; the mesh must outlive the hierarchy. patchOf names the
    // patch id of every face (kept up to date by the caller).
    PatchHierarchy(const Mesh3D& mesh, const std::vector<int>& patchOf);

    // (Re)builds the hierarchy of patch id `patch` over faces (count > 0),
    // releasing the one it had.
    void build(int patch, const int* faces, int count);

    // Takes face f out of the live counts of the hierarchy of patch id
    // `patch`; call when f leaves that patch.
    void remove(int patch, int f);

    // The lowest-numbered face of patch id `patch` that face f (of that
    // patch) is allergic to, or -1. Answered from the candidate vertices of
    // f's group (see below), gathered for the group's faces from f on, or
    // from the tree alone. Fastest when faces are asked in ascending order,
    // as the patch cycle does; any order gives the same answers.
    int lowestAllergen(int patch, int f);

    // Appends every face of patch id `patch` that is allergic to face
    // `pivot` (of that patch), in no particular order. Gives up and returns
    // false once more than `limit` faces have been appended (out then holds
    // an incomplete list).
    bool collectAllergicTo(int patch, int pivot, std::vector<int>& out, std::size_t limit) const;

    // Appends every face of patch id `patch` that is not allergic to face
    // `pivot`, the pivot included, in no particular order, each once. Whole
    // subtrees whose faces all see a pivot corner beyond their planes are
    // passed over, so the cost follows the size of the answer when nearly
    // every face is allergic. Gives up and returns false once more than
    // `limit` faces have been appended.
    bool collectNotAllergicTo(int patch, int pivot, std::vector<int>& out, std::size_t limit) const;

    // Releases the hierarchy of patch id `patch`.
    void release(int patch);

    // Appends every face of the hierarchy that still belongs to `patch`.
    void collectLive(int patch, std::vector<int>& out) const;

    struct Node {
        float lo[3], hi[3];             // box of the faces' vertex positions
        float normalLo[3], normalHi[3]; // box of the faces' normals
        // A slab holding the vertices: unit axis (the faces' mean normal
        // direction) and the range of axis . (p - box centre); much tighter
        // than the box for planes close to the faces' own.
        double axis[3];
        double hmin, hmax;
        // Largest distance of a vertex from the slab's axis line through the
        // box centre: the slab is also a cylinder, a bound that does not
        // depend on how the faces lie to the coordinate axes.
        double radiusAroundAxis;
        // The faces' planes: the largest |n - axis| over their normals n,
        // and the range of n . (centre - q) over their planes (q the plane's
        // point), with centre the box's centre. With these the plane
        // distance n . (p - q) of a point p is bounded over the whole node
        // without any term from the node's extent, so faces that lie in one
        // plane, however far they spread, bound as tightly as a single one.
        double spread;
        double dlo, dhi;
        int child[2];       // -1: leaf
        int first, count;   // range in items
        int pfirst, pcount; // range in the tree's vertex arrays
        int parent;
        int live;
        int minFace; // lowest face number below (a bound once faces leave)
    };

  private:
    // The candidate vertices of a group (a subtree of a few dozen faces):
    // gathered once, they stand for every face of the patch that could be
    // an allergen of a face of the group not below `from`. A few of these
    // are kept and reused in turn.
    struct Candidates {
        int patch = -1; // owner: patch id, group node, and the
        int node = -1;  // generation of the owner's tree; -1: free
        unsigned generation = 0;
        int from = 0;
        // The first `count` entries are the candidates; the arrays only
        // grow, so that a reused slot allocates nothing.
        std::vector<float> x, y, z;
        std::vector<int> vertex;
        // Per block of kBlock candidates (see allergen_groups.cpp), the
        // lowest face around any of them: a block whose lowest face is not
        // below the best allergen found so far cannot improve on it.
        std::vector<int> blockLow;
        int count = 0;
    };

    struct Tree {
        std::vector<Node> nodes; // nodes[0] is the root
        std::vector<int> items;
        // The vertices of the faces of each leaf, each once per leaf, leaf
        // after leaf: positions and numbers.
        std::vector<float> px, py, pz;
        std::vector<int> vertexIds;
        // The same vertices numbered within the tree, in order of first
        // appearance: a subtree's vertices get nearby numbers, so marking
        // them seen touches a few cache lines instead of the mesh's whole
        // vertex range.
        std::vector<int> localIds;
        int locals = 0;
        unsigned generation = 0; // changes at every build
        // Per node, once a face of its group has asked: the slot holding
        // the group's candidates, -1 (none held) or kGroupAsksTree.
        std::vector<int> groupOf;
    };
    static constexpr int kGroupAsksTree = -2;

    int lowestAllergenByTree(int patch, int f) const;
    // Face f's plane and normal for the exact test, the normal negated for
    // a 'c' face so that the allergic side is always above.
    struct PlaneTest {
        float qx, qy, qz, nx, ny, nz;
    };
    PlaneTest planeTestOf(int f) const;
    // The lowest face numbered below `best` that lies in patch id `patch`,
    // is not f, shares no vertex with f and has a vertex among the `count`
    // given ones beyond f's plane; `best` if there is none. blockLow, when
    // not null, gives a lower bound of the faces around each block of the
    // vertices (Candidates::blockLow).
    int lowestAroundBeyond(int patch, int f, const PlaneTest& t, const float* px, const float* py,
                           const float* pz, const int* vertexIds, const int* blockLow, int count,
                           int best) const;
    // The lowest-numbered face around vertex v, of any patch.
    int lowestAround(int v) const {
        return vertexFaces_[static_cast<std::size_t>(
            vertexFacesStart_[static_cast<std::size_t>(v)])];
    }
    // The candidates of face f's group (f live in patch id `patch`),
    // gathered if they are not held, or null when the group's faces are
    // better asked one by one from the tree.
    const Candidates* candidatesFor(Tree& tree, int patch, int f);
    bool gatherCandidates(const Tree& tree, int patch, int node, int from, Candidates& out);

    int buildRange(Tree& tree, int first, int count, int parent);
    // Fills node's hmin, hmax and radiusAroundAxis from the vertices of its faces
    // (its box and axis set).
    void fitCylinder(const Tree& tree, Node& node) const;
    // Fills node's spread, dlo and dhi from its faces (its box and axis
    // set).
    void fitPlanes(const Tree& tree, Node& node) const;
    bool isBeyond(int f, const Vec3& p) const;
    bool shareVertex(int f, int g) const;
    // The exact test of face f against the pivot's corners: no shared vertex
    // and a corner beyond f's plane on f's allergic side.
    bool allergicTo(int f, int pivot) const;
    // The file positions of a face's three corners, in double.
    void cornersOf(int face, double (&p)[3][3]) const;

    const Mesh3D& mesh_;
    const std::vector<int>& patchOf_;
    // Faces around each vertex (count, offsets, fill): the faces that share
    // a corner with a pivot are never allergic to it.
    std::vector<int> vertexFacesStart_;
    std::vector<int> vertexFaces_;
    std::vector<Vec3> world_;    // vertex positions in file coordinates
    std::vector<float> faceBox_; // per face: lo x, y, z, hi x, y, z
    std::vector<Tree> trees_;    // per patch id
    std::vector<int> leafOf_;    // per face: its leaf in its patch's tree
    std::vector<unsigned> seen_; // per tree-local vertex: gathering stamp
    unsigned stamp_ = 0;
    std::vector<int> localOf_;       // per vertex: tree-local number while building
    std::vector<unsigned> numbered_; // per vertex: build stamp of localOf_
    unsigned builds_ = 0;
    struct KeyedFace {
        float key; // twice the face box's centre along the split axis
        int face;
    };
    std::vector<KeyedFace> keyedScratch_; // building: the faces of the node being split
    std::vector<Candidates> slots_;       // candidate slots, reused in turn
    std::size_t nextSlot_ = 0;
    unsigned generations_ = 0;
};

// When a group's faces ask the tree instead of gathering candidates: when
// more than maxCandidates vertices would be gathered, or fewer than
// minAsking faces of the group are left to ask.
struct CandidateRules {
    std::size_t maxCandidates;
    int minAsking;
};

// Sets the rules and returns the previous ones. For tests, which check the
// candidates on small meshes (minAsking 1) and the tree queries alone
// (maxCandidates 0).
CandidateRules setCandidateRules(CandidateRules next);

} // namespace hbx3
