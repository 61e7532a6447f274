// A bounding-volume tree over the faces of one patch, as plain data, and its
// build. Every node bounds the positions of its faces' vertices (a box, and
// a slab and cylinder about the faces' mean normal) and the faces' planes
// (a cone of normals and a range of plane offsets), so that a query can tell
// for a whole subtree whether any of its vertices may lie beyond a given
// plane, or any of its planes below a given point (node_bounds.h).
#pragma once

#include "proxy3d/face_geometry.h"

#include <vector>

namespace hbx3 {

struct FaceTreeNode {
    float lo[3], hi[3];             // box of the faces' vertex positions
    float normalLo[3], normalHi[3]; // box of the faces' normals
    // A slab holding the vertices: unit axis (the faces' mean normal
    // direction) and a range holding axis . (p - box centre) of every
    // vertex p (the exact range in nodes of a few hundred faces or fewer,
    // larger ones join their children's); much tighter than the box for
    // planes close to the faces' own.
    double axis[3];
    double hmin, hmax;
    // At least the largest distance of a vertex from the slab's axis line
    // through the box centre: the slab is also a cylinder, a bound that
    // does not depend on how the faces lie to the coordinate axes.
    double radiusAroundAxis;
    // The faces' planes: at least the largest |n - axis| over their
    // normals n, and a range holding n . (centre - q) over their planes
    // (q the plane's point), with centre the box's centre (exact, or
    // joined, as for the slab). With these the plane
    // distance n . (p - q) of a point p is bounded over the whole node
    // without any term from the node's extent, so faces that lie in one
    // plane, however far they spread, bound as tightly as a single one.
    // Fitted on demand (FaceTree::planesFitted).
    double spread;
    double dlo, dhi;
    int child[2];       // -1: leaf
    int first, count;   // range in items
    int pfirst, pcount; // range in the tree's vertex arrays
    int parent;
    int live;    // kept by the hierarchy: in a leaf, the faces still in the
                 // patch, the first `live` of its run; in an inner node, 0
                 // exactly when no face below is (else its count at build)
    int minFace; // lowest face number below (a bound once faces leave)
    // spread, dlo and dhi hold already: copied from a tree whose planes
    // were fitted (FaceTreeBuilder::extract), so fitTreePlanes passes over
    // the node.
    bool planeBoundsHeld;
};
static_assert(sizeof(FaceTreeNode) == 160, "the flag fits in the node's padding");

// A face as the exact allergy test reads it: its normal, the first corner
// its plane goes through, its corners' numbers and its side letter.
struct FacePlane {
    float nx, ny, nz, qx, qy, qz;
    int vertex[3];
    char side;
};

struct FaceTree {
    std::vector<FaceTreeNode> nodes; // nodes[0] is the root
    std::vector<int> items;          // the faces, each subtree's in one run
    // The vertices of the faces of each leaf, each once per leaf, leaf
    // after leaf, so that every subtree's vertices are one run: positions
    // and numbers.
    std::vector<float> px, py, pz;
    std::vector<int> vertexIds;
    // The same vertices numbered within the tree, in order of first
    // appearance: a subtree's vertices get nearby numbers, so marking
    // them seen touches a few cache lines instead of the mesh's whole
    // vertex range.
    std::vector<int> localIds;
    int locals = 0;
    unsigned generation = 0; // set by the owner, different at every build
    // The nodes' spread, dlo and dhi are fitted on demand (fitTreePlanes):
    // only the queries for the faces allergic or not to a pivot read them,
    // and most trees never see a pivot. Those queries test the faces of the
    // leaves they open from planes, per item, in one run per leaf.
    bool planesFitted = false;
    std::vector<FacePlane> planes;
};

// Fills tree.planes from the tree's faces and every node's spread, dlo and
// dhi (see FaceTreeNode: fitted over the node's planes, or in large nodes
// joined from its children's) but those it holds already, and sets
// tree.planesFitted; the tree must have been built over geometry. Throws
// std::bad_alloc.
void fitTreePlanes(const FaceGeometry& geometry, FaceTree& tree);

// The exact allergy test of the face whose record is f against point p,
// the same arithmetic as FaceGeometry::isBeyond.
inline bool isBeyond(const FacePlane& f, const Vec3& p) {
    const float d = snapZero((p.x - f.qx) * f.nx + (p.y - f.qy) * f.ny + (p.z - f.qz) * f.nz);
    return f.side == 'v' ? d > 0.0f : (f.side == 'c' && d < 0.0f);
}

// Does the face whose record is f have a corner among pivot[0 .. 3)?
inline bool sharesCorner(const FacePlane& f, const int* pivot) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (f.vertex[i] == pivot[j]) return true;
        }
    }
    return false;
}

// Does one of corner[0 .. 3) lie beyond the plane of the face whose record
// is f?
inline bool anyBeyond(const FacePlane& f, const Vec3* corner) {
    return isBeyond(f, corner[0]) || isBeyond(f, corner[1]) || isBeyond(f, corner[2]);
}

// The exact test of the face whose record is f against a pivot with
// corner numbers pivot[0 .. 3) at positions corner[0 .. 3): the same answer
// as FaceGeometry::allergicTo.
inline bool allergicTo(const FacePlane& f, const int* pivot, const Vec3* corner) {
    return !sharesCorner(f, pivot) && anyBeyond(f, corner);
}

// Builds trees; holds the scratch space the builds share.
class FaceTreeBuilder {
  public:
    // Replaces tree by a fresh one over faces[0 .. count) (count > 0), with
    // storage sized to them (a patch that shrank must not keep the capacity
    // of its larger past), and sets leafOf[f] to the leaf of every face f
    // and slotOf[f] to its place in tree.items. All nodes count their faces
    // live; the planes are not fitted yet. Throws std::bad_alloc.
    void build(const FaceGeometry& geometry, const int* faces, int count, std::vector<int>& leafOf,
               std::vector<int>& slotOf, FaceTree& tree);

    // Replaces tree by one over faces[0 .. count) (count > 0), every one of
    // which lies in source, live or not, at slotOf[f], as it does after
    // its patch's faces leave source's patch; sets leafOf and slotOf as
    // build does. The new tree follows source's splits: each subtree of
    // source whose faces are all taken is copied with its bounds, and only
    // the nodes over some of a source node's faces are fitted afresh, so
    // the cost follows the taken faces and the few nodes their run cuts
    // through, not their sorting into a new tree. The planes are not
    // fitted yet. Any tree over the faces answers every query alike; this
    // one bounds them as tightly as source did. Throws std::bad_alloc.
    void extract(const FaceGeometry& geometry, const FaceTree& source, const int* faces, int count,
                 std::vector<int>& leafOf, std::vector<int>& slotOf, FaceTree& tree);

    // A face and the keys a node may be split by: its box's centre
    // (doubled: the sum of the box's two corners) and its normal; and its
    // corners, so that a leaf is filled from its records alone.
    struct SplitRecord {
        float key[6];
        int face;
        int vertex[3];
    };

  private:
    // Fills tree.localIds and tree.locals from tree.vertexIds.
    void numberLocals(const FaceGeometry& geometry, FaceTree& tree);

    std::vector<SplitRecord> records_; // the faces being built, in item order
    std::vector<int> slots_;           // extraction: the faces' places in the source
    std::vector<int> sortScratch_;     // extraction: room to sort them
    std::vector<int> localOf_;         // per vertex: tree-local number while building
    std::vector<unsigned> numbered_;   // per vertex: build stamp of localOf_
    unsigned builds_ = 0;
};

} // namespace hbx3
