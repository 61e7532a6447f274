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
    // patch of every face (kept up to date by the caller).
    PatchHierarchy(const Mesh3D& mesh, const std::vector<int>& patchOf);

    // Builds a hierarchy over faces (all of one patch, count > 0) and
    // returns its root.
    int build(const int* faces, int count);

    // Takes face f out of the live counts of its hierarchy; call after f
    // left its patch.
    void remove(int f);

    // The lowest-numbered face of patch `patch` (hierarchy `root`) that face
    // f is allergic to, or -1.
    int lowestAllergen(int root, int patch, int f) const;

    // Appends every face of patch `patch` (hierarchy `root`) that is
    // allergic to face `pivot`, in no particular order.
    void collectAllergicTo(int root, int patch, int pivot, std::vector<int>& out) const;

    // Appends every face of the hierarchy that still belongs to `patch`.
    void collectLive(int root, int patch, std::vector<int>& out) const;

    // Faces at or below the node that still count as live.
    int live(int root) const { return nodes_[static_cast<std::size_t>(root)].live; }

private:
    struct Node {
        float lo[3], hi[3];   // box of the faces' vertex positions
        float nlo[3], nhi[3]; // box of the faces' normals
        int child[2];         // -1: leaf
        int first, count;     // leaf: range in items_
        int parent;
        int live;
        int minFace; // lowest face index below (a bound once faces leave)
    };

    int buildRange(int first, int count, int parent);
    bool isBeyond(int f, const Vec3& p) const;
    bool shareVertex(int f, int g) const;

    const Mesh3D& mesh_;
    const std::vector<int>& patchOf_;
    std::vector<Vec3> world_;    // vertex positions in file coordinates
    std::vector<Vec3> centroid_; // per face, for building
    std::vector<Node> nodes_;
    std::vector<int> items_;
    std::vector<int> leafOf_; // per face: its leaf in its current hierarchy
};

} // namespace hbx3
