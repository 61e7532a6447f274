// A bounding-volume hierarchy over the outline edges that answers the two ray
// questions of the builder without testing every edge: how many edges a ray's
// line crosses on one side of its origin, and which crossing on one side lies
// nearest.
//
// The hierarchy only skips edges that cannot count: an edge is skipped when
// both its ends lie on one side of the ray's line, farther from it than any
// rounding of the crossing test can reach (a margin of 2^-12 of the largest
// coordinate), or when its box lies, along the ray, on the other side of the
// origin by more than any crossing point can stray from its edge. Every other
// edge goes through the crossing test (or, where its ends lie beyond the
// margin on both sides, is counted from their signs), so counts and nearest
// crossings (ties to the lower-numbered edge) are those of the plain scan
// over all outline edges. Edges too short for that margin argument to hold
// are tested on every query.
#pragma once

#include "proxy2d/mesh2d.h"
#include "proxy2d/outline_math.h"

#include <cstdint>
#include <vector>

namespace hbx2 {

class OutlineIndex {
  public:
    // Reads the outline edges of mesh (vtx1, vtx2, vect, length, outline)
    // and the positions of their vertices. Throws std::bad_alloc.
    explicit OutlineIndex(const Mesh2D& mesh);

    enum class Side { Behind, Front };

    // Crossings (ends open) of the ray's line with every outline edge but
    // skipEdge, on one side of the origin: s < 0 (Behind) or s > 0 (Front).
    // Only the parts of the outline on that side are visited.
    std::int64_t countCrossings(const RayLine& ray, int skipEdge, Side side) const;
    // The side on which the ray leaves the outline's box sooner: the one
    // whose count is as a rule the cheaper.
    Side shorterSide(const RayLine& ray) const;

    struct Nearest {
        bool found = false;
        Crossing crossing{};
        int edge = -1;
        float distance = 0.0f;
    };
    // The crossing on the given side nearest to the ray's origin among the
    // outline edges that do not touch skipVertex; of equally distant ones
    // the crossing on the lowest-numbered edge.
    Nearest nearestCrossing(const RayLine& ray, Side side, int skipVertex, EdgeEnds ends) const;

    // The storage of the index, plain data, named here so that the steps of
    // the queries can take it; only the index reads it.
    static constexpr int kWidth = 4;
    // The end points of four edges, stored by field: all that the counting
    // queries read of a leaf whose edges the strip test settles, in one
    // cache line. The last leaf is filled up with edges of length 0 at one
    // of its points, which never cross and never widen its box.
    struct alignas(64) LeafEnds {
        float q1x[kWidth], q1y[kWidth], q2x[kWidth], q2y[kWidth];
    };
    // The rest of a leaf, read by the crossing arithmetic.
    struct alignas(16) LeafRest {
        float vx[kWidth], vy[kWidth], length[kWidth];
        int id[kWidth], vtx1[kWidth], vtx2[kWidth];
        int count;
    };
    // The boxes (centre and half size) of four children, in one cache line;
    // missing children have a NaN centre, which no box test lets through.
    struct alignas(64) Node {
        float cx[kWidth], cy[kWidth], hx[kWidth], hy[kWidth];
    };
    struct Box {
        float lox, loy, hix, hiy;
    };
    // An edge tested on every query.
    struct LooseEdge {
        EdgeSegment seg;
        int id, vtx1, vtx2;
    };

  private:
    void addEdge(std::size_t leaf, const Mesh2D& mesh, int id);
    Box boxOf(std::size_t leaf) const;
    static void setChild(Node& node, int slot, const Box& box);
    void buildNodes(std::vector<Box> boxes);
    float stripMargin(const RayLine& ray) const;

    std::vector<LeafEnds> ends_;
    std::vector<LeafRest> rest_;
    std::vector<LooseEdge> unindexed_;
    // Per edge record: 4 * leaf + lane of an indexed edge, else -1.
    std::vector<int> slot_;
    // The nodes as a complete four-way heap: the root at 0, the children of
    // node i at 4 i + 1 to 4 i + 4. Nodes from bottom_ on are the parents of
    // the leaves: child k of node i holds leaf 4 (i - bottom_) + k. Slots
    // without edges below stay empty (NaN boxes) and are never entered.
    std::vector<Node> nodes_;
    std::uint32_t bottom_ = 0;
    float scale_ = 0.0f;              // largest coordinate magnitude of the outline
    Box box_{0.0f, 0.0f, 0.0f, 0.0f}; // of the indexed edges
};

} // namespace hbx2
