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
    // f's group (see below), computed on first use and kept until the
    // patch's hierarchy is rebuilt.
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
        float lo[3], hi[3];   // box of the faces' vertex positions
        float nlo[3], nhi[3]; // box of the faces' normals
        // A slab holding the vertices: unit axis (the faces' mean normal
        // direction) and the range of axis . (p - box centre); much tighter
        // than the box for planes close to the faces' own.
        double axis[3];
        double hmin, hmax;
        // Largest distance of a vertex from the slab's axis line through the
        // box centre: the slab is also a cylinder, a bound that does not
        // depend on how the faces lie to the coordinate axes.
        double rperp;
        int child[2];     // -1: leaf
        int first, count; // leaf: range in items
        int parent;
        int live;
        int minFace; // lowest face number below (a bound once faces leave)
    };

private:
    // The candidate vertices of a group: a subtree of about kGroupFaces
    // faces whose vertices, gathered once, stand for every face of the
    // patch that could be an allergen of any face of the group.
    struct Group {
        int begin = 0, end = 0; // range in the tree's point arrays
        bool overflow = false;  // too many candidates: ask the tree instead
    };

    struct Tree {
        std::vector<Node> nodes; // nodes[0] is the root
        std::vector<int> items;
        std::vector<int> groupOf;    // per node: index in groups, or -1
        std::vector<Group> groups;
        std::vector<float> px, py, pz; // candidate vertices' positions
        std::vector<int> pv;           // and their numbers
    };

    int lowestAllergenByTree(int patch, int f) const;
    // The group of face f (live in patch id `patch`), its candidates
    // gathered if they are not yet.
    const Group& groupFor(Tree& tree, int patch, int f);
    void gatherCandidates(Tree& tree, int patch, int node, Group& group);

    int buildRange(Tree& tree, int first, int count, int parent);
    // Fills node's hmin, hmax and rperp from the vertices of its faces
    // (its box and axis set).
    void fitCylinder(const Tree& tree, Node& node) const;
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
    std::vector<Vec3> world_;          // vertex positions in file coordinates
    std::vector<float> faceBox_;       // per face: lo x, y, z, hi x, y, z
    std::vector<Tree> trees_;          // per patch id
    std::vector<int> leafOf_;          // per face: its leaf in its patch's tree
    std::vector<unsigned> seen_;       // per vertex: gathering stamp
    unsigned stamp_ = 0;
};

// Sets the number of candidates beyond which a group leaves its faces to
// the tree queries, and returns the previous one. For tests, which set 0 to
// check the tree queries alone.
std::size_t setCandidateLimit(std::size_t limit);

} // namespace hbx3
