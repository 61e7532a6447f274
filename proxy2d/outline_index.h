// A bounding-volume hierarchy over the outline edges that answers the two ray
// questions of the builder without testing every edge: how many edges a ray's
// line crosses behind and in front of its origin, and which crossing on one
// side lies nearest.
//
// The hierarchy only skips edges that cannot cross: an edge is skipped when
// both its ends lie on one side of the ray's line, farther from it than any
// rounding of the crossing test can reach (a margin of 2^-12 of the largest
// coordinate). Every other edge goes through rayCrossing, so counts and
// nearest crossings (ties to the lower-numbered edge) are those of the plain
// scan over all outline edges. Edges too short for that margin argument to
// hold are tested on every query.
#pragma once

#include "mesh2d.h"
#include "outline_math.h"

#include <cstdint>
#include <vector>

namespace hbx2 {

class OutlineIndex {
public:
    // Reads the outline edges of mesh (vtx1, vtx2, vect, length, outline)
    // and the positions of their vertices. Throws std::bad_alloc.
    explicit OutlineIndex(const Mesh2D& mesh);

    struct Counts {
        std::int64_t behind = 0; // crossings with s < 0
        std::int64_t front = 0;  // crossings with s > 0
    };
    // Crossings (ends open) of the ray's line with every outline edge but
    // skipEdge.
    Counts countCrossings(const RayLine& ray, std::int32_t skipEdge) const;

    enum class Side { Behind, Front };
    struct Nearest {
        bool found = false;
        Crossing crossing{};
        std::int32_t edge = -1;
        float distance = 0.0f;
    };
    // The crossing on the given side nearest to the ray's origin among the
    // outline edges that do not touch skipVertex; of equally distant ones
    // the crossing on the lowest-numbered edge.
    Nearest nearestCrossing(const RayLine& ray, Side side, std::int32_t skipVertex,
                            EdgeEnds ends) const;

private:
    static constexpr int kWidth = 4;
    // Up to four edges, stored by field so a leaf is scanned in one sweep.
    struct alignas(16) Leaf {
        float q1x[kWidth], q1y[kWidth], q2x[kWidth], q2y[kWidth];
        float vx[kWidth], vy[kWidth], length[kWidth];
        std::int32_t id[kWidth], vtx1[kWidth], vtx2[kWidth];
        int count;
    };
    // The boxes (centre and half size) of up to four children.
    struct alignas(16) Node {
        float cx[kWidth], cy[kWidth], hx[kWidth], hy[kWidth];
        int count;
    };
    struct Box {
        float lox, loy, hix, hiy;
    };

    void addEdge(Leaf& leaf, const Mesh2D& mesh, std::int32_t id);
    static Box boxOf(const Leaf& leaf);
    static void setChild(Node& node, int slot, const Box& box);
    void buildLevels(std::vector<Box> boxes);
    bool lineMisses(const RayLine& ray, float x1, float y1, float x2, float y2) const;
    float stripMargin(const RayLine& ray) const;

    std::vector<Leaf> leaves_;
    std::vector<Leaf> unindexed_; // tested on every query
    // levels_[0] holds the parents of the leaves, the last level the root.
    std::vector<std::vector<Node>> levels_;
    float scale_ = 0.0f; // largest coordinate magnitude of the outline
};

} // namespace hbx2
