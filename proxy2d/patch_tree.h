// A hierarchy over the edges of one patch that answers the two allergy
// questions without visiting every edge:
//   - the lowest-numbered edge of the patch that a given edge is allergic to;
//   - every edge of the patch that is allergic to a given edge.
// Nodes hold the box of their edges' end points, axis-aligned and turned
// along the edges (for the first question), and bounds on their edges' lines
// and the length of their normals (for the second). The edges lie in index
// order, or, when neighbours in that order often face opposite ways (the two
// sides of a thin band whose faces alternate), grouped by the direction of
// their normals in eight sectors of 45 degrees, in index order within each,
// so that a node's normal box stays small and its line bounds tight. A node
// is skipped only when its bounds show, with room for every rounding of the
// float line distance, that no edge below it can qualify; every other edge
// is tested with lineDistance exactly as the plain check does. Edges leave
// the patch by removal, which shrinks the bounds to what is left (the turned
// boxes keep those of the whole patch, still valid).
#pragma once

#include "proxy2d/mesh2d.h"

#include <cstdint>
#include <vector>

namespace hbx2 {

class PatchTree {
  public:
    PatchTree() = default;
    // Builds over members (edge indices of one patch, all of type 'c' or 'v',
    // ascending); members() lists them in the tree's own order. Throws
    // std::bad_alloc.
    PatchTree(const Mesh2D& mesh, std::vector<int> members);

    // The lowest-numbered live member m that edge i (a live member) is
    // allergic to, or -1.
    int lowestAllergen(const Mesh2D& mesh, int i) const;
    // Appends, ascending, every live member i that is allergic to edge m (a
    // live member).
    void allergicTo(const Mesh2D& mesh, int m, std::vector<int>& out) const;
    // Appends, ascending, live members that are not allergic to edge m (a
    // live member): all of them except, possibly, some that share a vertex
    // with m. Returns false, leaving a partial list, when there are more than
    // `most`. Scratch is working space.
    bool notAllergicTo(const Mesh2D& mesh, int m, std::vector<int>& out, std::size_t most,
                       std::vector<int>& scratch) const;

    // Removes the member at position pos of members(); the bounds above it
    // shrink to the members left.
    void remove(const Mesh2D& mesh, int pos);
    int alive() const { return alive_.empty() ? 0 : alive_[1]; }
    const std::vector<int>& members() const { return members_; }
    bool isAlive(int pos) const { return live_[pos] != 0; }

  private:
    static constexpr int kBucket = 8;
    struct Bounds {
        // End points of the edges below.
        float lox, loy, hix, hiy;
        // Lines of the edges below: n.x, n.y ranges, n . pos[vtx1] range, and
        // the box of the vtx1 positions.
        float nxlo, nxhi, nylo, nyhi;
        double klo, khi;
        // The largest normal length (1 up to rounding, 0 for a side of
        // length 0): n . x never exceeds it times |x|.
        double nlen;
        float qlox, qloy, qhix, qhiy;
    };
    // The end points of the edges below in a frame turned along them: from
    // the origin o, a along the unit axis u and b along w = (-u.y, u.x). For
    // a run of edges along a curve this box is as thin as the run is bent,
    // where the axis-aligned box is as wide as the run is long.
    struct Strip {
        double ox, oy, ux, uy;
        double alo, ahi, blo, bhi;
    };
    static Strip stripOf(const Mesh2D& mesh, const int* first, const int* last);
    bool walkAllergic(const Mesh2D& mesh, int m, std::vector<int>& out, bool others,
                      std::size_t most, std::vector<int>& scratch) const;
    static Bounds boundsOfEdge(const Mesh2D& mesh, int e);
    static void widen(Bounds& into, const Bounds& b);
    // Sets inner node `node`'s bounds from its children that still hold
    // live edges (left as they are when neither does).
    void joinChildBounds(int node);

    std::vector<int> members_;
    std::vector<std::uint8_t> live_;
    int leafBase_ = 0; // nodes are 1-based; leaves (buckets) start here
    std::vector<Bounds> bounds_;
    std::vector<Strip> strips_;
    std::vector<int> alive_;
    // Per node, the lowest edge index below it (removed members included).
    std::vector<int> lowest_;
};

} // namespace hbx2
