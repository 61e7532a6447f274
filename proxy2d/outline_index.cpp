#include "proxy2d/outline_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace hbx2 {
namespace {

// The margin, relative to the largest coordinate, beyond which rounding in
// the crossing test cannot move a crossing point; 2^-12 is thousands of times
// the worst error of those few float operations.
constexpr float kMarginScale = 1.0f / 4096.0f;
// Below these the relative error argument fails (products near the float
// underflow), so such edges are tested on every query.
constexpr float kSmallestScale = 9.094947e-13f;   // 2^-40
constexpr double kSmallestProduct = 8.271806e-25; // 2^-80
// Counting without the crossing arithmetic. An edge whose ends lie beyond the
// strip margin on opposite sides of the ray's line is at least 2^-11 of the
// largest coordinate long and meets the line at an angle whose sine is at
// least twice the margin over its length; the float crossing point then
// lies within some 20 float epsilons of the largest coordinate over that
// sine of the true one, a few thousandths of the distance to either end: the
// test finds det nonzero and t strictly inside the edge. That error is also
// at most 2^-8 of the edge's length, so when a whole leaf box lies, along
// the ray, farther from the origin than kLeafSlack times its half sizes (the
// edges are shorter than twice their sum) plus kScaleSlack times the largest
// coordinate (rounding of s and of the stored boxes), every crossing in it is
// on that side. Such a leaf is counted from the signs alone. The same room
// holds for any box of edges, and exceeds the slack by which the crossing
// point of any edge (ends near the line included) stays near its edge along
// the ray (the bound the nearest queries prune by): a box that lies wholly on
// the other side has no crossing on the counted side. Only outlines whose
// largest coordinate lies between these bounds take the shortcut and that
// pruning, so no product of the test can overflow or lose its precision to
// underflow.
constexpr float kLeafSlack = 1.0f / 16.0f;
constexpr float kScaleSlack = 1.0f / 1024.0f;
constexpr float kShortcutLargest = 1099511627776.0f; // 2^40

// Four floats at a time for the box and strip tests of the counting queries;
// each lane does the same float operations as the scalar code would.
typedef float Float4 __attribute__((vector_size(16)));
typedef int Mask4 __attribute__((vector_size(16)));

Float4 load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
Float4 splat4(float x) {
    return Float4{x, x, x, x};
}
// The sign bits of the four lanes (comparisons leave all bits set or none).
int bitsOf(Mask4 m) {
#if defined(__SSE__)
    return __builtin_ia32_movmskps(reinterpret_cast<Float4>(m));
#else
    return (m[0] & 1) | (m[1] & 2) | (m[2] & 4) | (m[3] & 8);
#endif
}

// The children (bit i for child i) whose boxes, centres (cx, cy) and half
// sizes (hx, hy), come within the strip margin of the ray's line a x + b y = c
// on either side; an empty slot (NaN) never does. Both ray queries prune
// nodes by this one test.
int childrenNearLine(Float4 a, Float4 b, Float4 c, Float4 absA, Float4 absB, Float4 margin,
                     Float4 cx, Float4 cy, Float4 hx, Float4 hy) {
    const Float4 f = a * cx + b * cy - c;
    const Float4 r = absA * hx + absB * hy;
    return bitsOf((f - r <= margin) & (f + r >= -margin));
}
// Set bits of a four-bit mask.
int countOf(int bits) {
    return static_cast<int>((0x4332322132212110ull >> (bits * 4)) & 0xf);
}

struct Midpoint {
    float x, y;
    int id;
};

// Orders [first, last) so that every aligned block of `capacity / 4^k`
// entries is a compact region: the blocks of four that become leaves, and
// the blocks of four leaves, four of those and so on that become nodes.
// Blocks are separated by median cuts across the wider side.
void orderBlocks(Midpoint* first, Midpoint* last, std::size_t capacity);

void splitAligned(Midpoint* first, Midpoint* last, std::size_t part) {
    const std::size_t count = static_cast<std::size_t>(last - first);
    if (count <= part) {
        orderBlocks(first, last, part);
        return;
    }
    const std::size_t parts = (count + part - 1) / part;
    Midpoint* middle = first + (parts + 1) / 2 * part;
    float lox = first->x, hix = first->x, loy = first->y, hiy = first->y;
    for (Midpoint* m = first; m != last; ++m) {
        lox = std::min(lox, m->x);
        hix = std::max(hix, m->x);
        loy = std::min(loy, m->y);
        hiy = std::max(hiy, m->y);
    }
    if (hix - lox >= hiy - loy)
        std::nth_element(first, middle, last, [](const Midpoint& a, const Midpoint& b) {
            return a.x < b.x || (a.x == b.x && a.id < b.id);
        });
    else
        std::nth_element(first, middle, last, [](const Midpoint& a, const Midpoint& b) {
            return a.y < b.y || (a.y == b.y && a.id < b.id);
        });
    splitAligned(first, middle, part);
    splitAligned(middle, last, part);
}

void orderBlocks(Midpoint* first, Midpoint* last, std::size_t capacity) {
    if (capacity <= 4 || last - first <= 4) return;
    splitAligned(first, last, capacity / 4);
}

// Deep enough for any tree: at most three siblings wait per level.
constexpr int kStackSize = 512;

} // namespace

void OutlineIndex::addEdge(std::size_t leaf, const Mesh2D& mesh, int id) {
    const MeshEdge2D& e = mesh.edges[id];
    const EdgeSegment seg = segmentOf(mesh, e);
    LeafEnds& ends = ends_[leaf];
    LeafRest& rest = rest_[leaf];
    const int k = rest.count++;
    ends.q1x[k] = seg.q1x;
    ends.q1y[k] = seg.q1y;
    ends.q2x[k] = seg.q2x;
    ends.q2y[k] = seg.q2y;
    rest.vx[k] = seg.vx;
    rest.vy[k] = seg.vy;
    rest.length[k] = seg.length;
    rest.id[k] = id;
    rest.vtx1[k] = e.vtx1;
    rest.vtx2[k] = e.vtx2;
    slot_[id] = static_cast<int>(leaf * kWidth) + k;
}

OutlineIndex::Box OutlineIndex::boxOf(std::size_t leaf) const {
    const LeafEnds& ends = ends_[leaf];
    Box b{ends.q1x[0], ends.q1y[0], ends.q1x[0], ends.q1y[0]};
    for (int k = 0; k < kWidth; ++k) {
        b.lox = std::min({b.lox, ends.q1x[k], ends.q2x[k]});
        b.loy = std::min({b.loy, ends.q1y[k], ends.q2y[k]});
        b.hix = std::max({b.hix, ends.q1x[k], ends.q2x[k]});
        b.hiy = std::max({b.hiy, ends.q1y[k], ends.q2y[k]});
    }
    return b;
}

void OutlineIndex::setChild(Node& node, int slot, const Box& box) {
    // Rounding of centre and half size is far inside the strip margin.
    node.cx[slot] = box.lox * 0.5f + box.hix * 0.5f;
    node.cy[slot] = box.loy * 0.5f + box.hiy * 0.5f;
    node.hx[slot] = box.hix * 0.5f - box.lox * 0.5f;
    node.hy[slot] = box.hiy * 0.5f - box.loy * 0.5f;
}

void OutlineIndex::buildNodes(std::vector<Box> boxes) {
    // Levels of the heap from the bottom up: the parents of the leaves, then
    // their parents, and so on until one node is left.
    std::vector<std::size_t> widths; // nodes in use per level, bottom first
    for (std::size_t n = boxes.size();;) {
        n = (n + kWidth - 1) / kWidth;
        widths.push_back(n);
        if (n <= 1) break;
    }
    // Level d (the root at 0) starts at (4^d - 1) / 3.
    std::vector<std::size_t> start(widths.size(), 0);
    for (std::size_t d = 1; d < widths.size(); ++d)
        start[d] = start[d - 1] * kWidth + 1;
    const std::size_t depth = widths.size() - 1;
    Node empty;
    const float none = std::numeric_limits<float>::quiet_NaN();
    for (int k = 0; k < kWidth; ++k)
        empty.cx[k] = empty.cy[k] = empty.hx[k] = empty.hy[k] = none;
    nodes_.assign(start[depth] * kWidth + 1, empty);
    bottom_ = static_cast<std::uint32_t>(start[depth]);
    for (std::size_t d = depth + 1; d-- > 0;) {
        const std::size_t parents = widths[depth - d];
        std::vector<Box> parentBoxes(parents);
        for (std::size_t p = 0; p < parents; ++p) {
            Node& node = nodes_[start[d] + p];
            Box& pb = parentBoxes[p];
            pb = boxes[p * kWidth];
            for (int k = 0; k < kWidth && p * kWidth + k < boxes.size(); ++k) {
                const Box& b = boxes[p * kWidth + k];
                setChild(node, k, b);
                pb.lox = std::min(pb.lox, b.lox);
                pb.loy = std::min(pb.loy, b.loy);
                pb.hix = std::max(pb.hix, b.hix);
                pb.hiy = std::max(pb.hiy, b.hiy);
            }
        }
        boxes = std::move(parentBoxes);
    }
}

OutlineIndex::OutlineIndex(const Mesh2D& mesh) : slot_(mesh.edges.size(), -1) {
    const int edgeCount = static_cast<int>(mesh.edges.size());
    for (const MeshEdge2D& e : mesh.edges) {
        if (!e.outline) continue;
        for (int v : {e.vtx1, e.vtx2}) {
            const float* p = mesh.vertices[v].pos;
            scale_ = std::max({scale_, std::fabs(p[0]), std::fabs(p[1])});
        }
    }
    // Order the indexable edges so that leaves and nodes cover compact
    // regions.
    std::vector<Midpoint> order;
    for (int i = 0; i < edgeCount; ++i) {
        const MeshEdge2D& e = mesh.edges[i];
        if (!e.outline) continue;
        const float* p1 = mesh.vertices[e.vtx1].pos;
        const float* p2 = mesh.vertices[e.vtx2].pos;
        // Both ends in one place: the edge's line has no direction and the
        // crossing test always finds det 0.
        if (p2[0] - p1[0] == 0.0f && p2[1] - p1[1] == 0.0f) continue;
        if (scale_ < kSmallestScale || e.length == 0.0f ||
            double(e.length) * double(scale_) < kSmallestProduct) {
            unindexed_.push_back({segmentOf(mesh, e), i, e.vtx1, e.vtx2});
            continue;
        }
        order.push_back({p1[0] * 0.5f + p2[0] * 0.5f, p1[1] * 0.5f + p2[1] * 0.5f, i});
    }
    std::size_t capacity = kWidth;
    while (capacity < order.size())
        capacity *= kWidth;
    orderBlocks(order.data(), order.data() + order.size(), capacity);
    const std::size_t leaves = (order.size() + kWidth - 1) / kWidth;
    ends_.resize(leaves);
    rest_.resize(leaves, LeafRest{});
    for (std::size_t k = 0; k < order.size(); ++k)
        addEdge(k / kWidth, mesh, order[k].id);
    if (leaves == 0) return;
    // Fill up the last leaf (see LeafEnds).
    LeafEnds& last = ends_.back();
    for (int k = rest_.back().count; k < kWidth; ++k) {
        last.q1x[k] = last.q2x[k] = last.q1x[0];
        last.q1y[k] = last.q2y[k] = last.q1y[0];
        rest_.back().vx[k] = rest_.back().vy[k] = rest_.back().length[k] = 0.0f;
        rest_.back().id[k] = rest_.back().vtx1[k] = rest_.back().vtx2[k] = -1;
    }
    std::vector<Box> boxes(leaves);
    for (std::size_t k = 0; k < leaves; ++k)
        boxes[k] = boxOf(k);
    box_ = boxes[0];
    for (const Box& b : boxes) {
        box_.lox = std::min(box_.lox, b.lox);
        box_.loy = std::min(box_.loy, b.loy);
        box_.hix = std::max(box_.hix, b.hix);
        box_.hiy = std::max(box_.hiy, b.hiy);
    }
    buildNodes(std::move(boxes));
}

float OutlineIndex::stripMargin(const RayLine& ray) const {
    return kMarginScale * scale_ * (std::fabs(ray.a1) + std::fabs(ray.b1));
}

OutlineIndex::Side OutlineIndex::shorterSide(const RayLine& ray) const {
    // Distance from the origin to the box's border along +D and along -D.
    auto reach = [](float o, float d, float lo, float hi, float& front, float& back) {
        if (d > 0.0f) {
            front = std::min(front, (hi - o) / d);
            back = std::min(back, (o - lo) / d);
        } else if (d < 0.0f) {
            front = std::min(front, (lo - o) / d);
            back = std::min(back, (o - hi) / d);
        }
    };
    float front = std::numeric_limits<float>::infinity(), back = front;
    reach(ray.ox, ray.dx, box_.lox, box_.hix, front, back);
    reach(ray.oy, ray.dy, box_.loy, box_.hiy, front, back);
    return back <= front ? Side::Behind : Side::Front;
}

namespace {

using LeafEnds = OutlineIndex::LeafEnds;
using LeafRest = OutlineIndex::LeafRest;
using LooseEdge = OutlineIndex::LooseEdge;
constexpr int kWidth = OutlineIndex::kWidth;

// The crossings (open ends) of the ray's line with the loose edges but
// skipEdge on the wanted side: s < 0 when wantBehind, else s > 0. Loose
// edges skip the strip test as well.
std::int64_t looseCrossings(const std::vector<LooseEdge>& loose, const RayLine& ray, int skipEdge,
                            bool wantBehind) {
    std::int64_t count = 0;
    for (const LooseEdge& edge : loose) {
        if (edge.id == skipEdge) continue;
        Crossing crossing;
        if (!rayCrossing(ray, edge.seg, EdgeEnds::Open, &crossing)) continue;
        if (wantBehind ? crossing.s < 0.0f : crossing.s > 0.0f) ++count;
    }
    return count;
}

// A counting query's values, four lanes wide.
struct CountQuery {
    bool wantBehind;
    Float4 a, b, c, absA, absB, margin, low;
    Float4 ox, oy, dx, dy, zero;
    // For the side test of boxes (see kLeafSlack): the ray's direction's
    // magnitudes, the slacks, and the sign that turns s towards the wanted
    // side positive.
    Float4 absDx, absDy, leafSlack, scaleSlack, sign;
};

// The values of a count along ray on the wanted side, with the strip margin
// and the outline's largest coordinate magnitude (scale).
[[gnu::always_inline]] inline CountQuery countQueryOf(const RayLine& ray, float margin, float scale,
                                                      bool wantBehind) {
    CountQuery q;
    q.wantBehind = wantBehind;
    q.a = splat4(ray.a1);
    q.b = splat4(ray.b1);
    q.c = splat4(ray.c1);
    q.absA = splat4(std::fabs(ray.a1));
    q.absB = splat4(std::fabs(ray.b1));
    q.margin = splat4(margin);
    q.low = splat4(-margin);
    q.ox = splat4(ray.ox);
    q.oy = splat4(ray.oy);
    q.dx = splat4(ray.dx);
    q.dy = splat4(ray.dy);
    q.zero = splat4(0.0f);
    q.absDx = splat4(std::fabs(ray.dx));
    q.absDy = splat4(std::fabs(ray.dy));
    q.leafSlack = splat4(kLeafSlack);
    q.scaleSlack = splat4(kScaleSlack * scale);
    q.sign = splat4(wantBehind ? -1.0f : 1.0f);
    return q;
}

// The crossings on the wanted side among the edges of one leaf but the
// lanes in `excluded`. The strip test passes over edges whose ends lie
// beyond the margin on one side of the line; when certainSide (every
// crossing in the leaf lies on the wanted side) and the strip test settles
// every remaining edge, they are counted from the signs alone; otherwise
// the crossing test of the open rule runs on all four lanes at once.
[[gnu::always_inline]] inline int leafCrossings(const CountQuery& q, const LeafEnds& leaf,
                                                const LeafRest& rest, int excluded,
                                                bool certainSide) {
    const Float4 q1x = load4(leaf.q1x), q1y = load4(leaf.q1y);
    const Float4 q2x = load4(leaf.q2x), q2y = load4(leaf.q2y);
    const Float4 f1 = q.a * q1x + q.b * q1y - q.c;
    const Float4 f2 = q.a * q2x + q.b * q2y - q.c;
    const Mask4 above1 = f1 > q.margin, above2 = f2 > q.margin;
    const Mask4 below1 = f1 < q.low, below2 = f2 < q.low;
    const Mask4 skip = (above1 & above2) | (below1 & below2);
    const int bits = ~bitsOf(skip) & 0xf & ~excluded;
    if (bits == 0) return 0;
    if (certainSide) {
        const int certain = bitsOf((above1 & below2) | (below1 & above2));
        if ((bits & ~certain) == 0) return countOf(bits);
    }
    const CrossingParts<Float4> p = crossingParts<Float4>(
        q.a, q.b, q.c, q.ox, q.oy, q.dx, q.dy, q1x, q1y, q2x, q2y, load4(rest.vx), load4(rest.vy));
    const Mask4 crosses = (p.det != q.zero) & (p.t > q.zero) & (p.t < load4(rest.length)) &
                          (q.wantBehind ? p.s < q.zero : p.s > q.zero);
    return countOf(bitsOf(crosses) & bits);
}

// Four children's boxes (centres cx, cy, half sizes hx, hy) along the ray,
// measured towards the wanted side: a box lies wholly on the wanted side
// when centre - room > 0, wholly on the other when centre + room < 0.
struct AlongRay {
    Float4 centre, room;
};

[[gnu::always_inline]] inline AlongRay alongRay(const CountQuery& q, Float4 cx, Float4 cy,
                                                Float4 hx, Float4 hy) {
    const Float4 centre = ((cx - q.ox) * q.dx + (cy - q.oy) * q.dy) * q.sign;
    const Float4 halfSpan = q.absDx * hx + q.absDy * hy;
    return AlongRay{centre, halfSpan + q.leafSlack * (hx + hy) + q.scaleSlack};
}

} // namespace

std::int64_t OutlineIndex::countCrossings(const RayLine& ray, int skipEdge, Side side) const {
    // A ray without a direction forms no line: det is 0 for every edge.
    if (ray.a1 == 0.0f && ray.b1 == 0.0f) return 0;
    const bool wantBehind = side == Side::Behind;
    std::int64_t count = looseCrossings(unindexed_, ray, skipEdge, wantBehind);
    if (nodes_.empty()) return count;
    const CountQuery q = countQueryOf(ray, stripMargin(ray), scale_, wantBehind);
    // The skipped edge's leaf and lane, if it is indexed.
    const int skipSlot =
        skipEdge >= 0 && static_cast<std::size_t>(skipEdge) < slot_.size() ? slot_[skipEdge] : -1;
    const std::size_t skipLeaf =
        skipSlot < 0 ? ends_.size() : static_cast<std::size_t>(skipSlot) / kWidth;
    const int skipLane = skipSlot < 0 ? 0 : 1 << (skipSlot % kWidth);
    // Boxes that lie, along the ray, wholly on one side: see kLeafSlack. Only
    // outlines within the shortcut's bounds are sorted by side.
    const bool shortcut = scale_ <= kShortcutLargest;
    std::uint32_t stack[kStackSize];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const std::uint32_t index = stack[--top];
        const Node& node = nodes_[index];
        const Float4 cx = load4(node.cx), cy = load4(node.cy);
        const Float4 hx = load4(node.hx), hy = load4(node.hy);
        int bits = childrenNearLine(q.a, q.b, q.c, q.absA, q.absB, q.margin, cx, cy, hx, hy);
        if (bits == 0) continue;
        AlongRay along{};
        if (shortcut) {
            along = alongRay(q, cx, cy, hx, hy);
            bits &= ~bitsOf(along.centre + along.room < q.zero);
        }
        if (index < bottom_) {
            const std::uint32_t first = index * kWidth + 1;
            for (int k = 0; k < kWidth; ++k) {
                stack[top] = first + k;
                top += bits >> k & 1;
            }
            continue;
        }
        // Children wholly on the wanted side.
        const int wanted = shortcut ? bitsOf(along.centre - along.room > q.zero) : 0;
        const std::size_t leaves = static_cast<std::size_t>(index - bottom_) * kWidth;
        while (bits != 0) {
            const int k = __builtin_ctz(static_cast<unsigned>(bits));
            bits &= bits - 1;
            const std::size_t leaf = leaves + k;
            count += leafCrossings(q, ends_[leaf], rest_[leaf], leaf == skipLeaf ? skipLane : 0,
                                   (wanted >> k & 1) != 0);
        }
    }
    return count;
}

namespace {

// A nearest-crossing query's values, scalar and four lanes wide.
struct NearestQuery {
    const RayLine& ray;
    bool behind;
    int skipVertex;
    EdgeEnds ends;
    float a1, b1, c1, margin; // the ray's line a1 x + b1 y = c1, the strip margin
    Float4 a, b, c, absA, absB, vMargin;
    Float4 ox, oy, dx, dy, absDx, absDy;
    // Crossing points stay this close to their edge as measured along the
    // ray: the slack of the bounds on s.
    Float4 slack;
};

// Makes best the crossing of edge seg (number id, ends vtx1 and vtx2) on the
// asked side when it is nearer to the origin than best, or as near and on a
// lower-numbered edge. Edges that touch the skipped vertex are passed over,
// and so, when useStrip, are edges whose ends both lie beyond the strip
// margin on one side of the line.
inline void considerEdge(const NearestQuery& q, const EdgeSegment& seg, int id, int vtx1, int vtx2,
                         bool useStrip, OutlineIndex::Nearest& best) {
    const RayLine& ray = q.ray;
    if (useStrip) {
        const float f1 = q.a1 * seg.q1x + q.b1 * seg.q1y - q.c1;
        const float f2 = q.a1 * seg.q2x + q.b1 * seg.q2y - q.c1;
        if ((f1 > q.margin && f2 > q.margin) || (f1 < -q.margin && f2 < -q.margin)) return;
    }
    if (vtx1 == q.skipVertex || vtx2 == q.skipVertex) return;
    Crossing crossing;
    if (!rayCrossing(ray, seg, q.ends, &crossing)) return;
    if (q.behind ? !(crossing.s < 0.0f) : !(crossing.s > 0.0f)) return;
    const float dx = crossing.x - ray.ox;
    const float dy = crossing.y - ray.oy;
    const float squared = dx * dx + dy * dy;
    const float distance = static_cast<float>(std::sqrt(static_cast<double>(squared)));
    if (!best.found || distance < best.distance || (distance == best.distance && id < best.edge)) {
        best.found = true;
        best.crossing = crossing;
        best.edge = id;
        best.distance = distance;
    }
}

// A stack entry of the nearest query: a node, or a leaf (stored as ~leaf),
// with the least distance any crossing below it can have.
struct Entry {
    std::int64_t index;
    float bound;
};

// Of the children of a node in bits (centres cx, cy, half sizes hx, hy),
// those that reach the asked side and, once best is found, may hold a
// crossing no farther than it; in *bounds the least distance a crossing
// below each can have.
[[gnu::always_inline]] inline int childrenToVisit(const NearestQuery& q, int bits, Float4 cx,
                                                  Float4 cy, Float4 hx, Float4 hy,
                                                  const OutlineIndex::Nearest& best,
                                                  Float4* bounds) {
    // Each box's centre and half span, measured along the ray.
    const Float4 centreAlong = (cx - q.ox) * q.dx + (cy - q.oy) * q.dy;
    const Float4 halfSpanAlong = q.absDx * hx + q.absDy * hy;
    if (q.behind) {
        bits &= ~bitsOf(centreAlong - halfSpanAlong > q.slack); // wholly in front
        *bounds = -(centreAlong + halfSpanAlong) - q.slack;
    } else {
        bits &= ~bitsOf(centreAlong + halfSpanAlong < -q.slack); // wholly behind
        *bounds = (centreAlong - halfSpanAlong) - q.slack;
    }
    if (best.found) bits &= ~bitsOf(*bounds > splat4(best.distance));
    return bits;
}

// Pushes children[0 .. count) onto the stack, the nearest (least bound) on
// top; of equal bounds, the one listed first ends up higher.
[[gnu::always_inline]] inline void pushNearestLast(Entry* children, int count, Entry* stack,
                                                   int& top) {
    for (int k = 1; k < count; ++k) {
        const Entry moving = children[k];
        int j = k;
        for (; j > 0 && children[j - 1].bound < moving.bound; --j)
            children[j] = children[j - 1];
        children[j] = moving;
    }
    for (int k = 0; k < count; ++k)
        stack[top++] = children[k];
}

} // namespace

OutlineIndex::Nearest OutlineIndex::nearestCrossing(const RayLine& ray, Side side, int skipVertex,
                                                    EdgeEnds ends) const {
    Nearest best;
    if (ray.a1 == 0.0f && ray.b1 == 0.0f) return best;
    const float margin = stripMargin(ray);
    const NearestQuery q{ray,
                         side == Side::Behind,
                         skipVertex,
                         ends,
                         ray.a1,
                         ray.b1,
                         ray.c1,
                         margin,
                         splat4(ray.a1),
                         splat4(ray.b1),
                         splat4(ray.c1),
                         splat4(std::fabs(ray.a1)),
                         splat4(std::fabs(ray.b1)),
                         splat4(margin),
                         splat4(ray.ox),
                         splat4(ray.oy),
                         splat4(ray.dx),
                         splat4(ray.dy),
                         splat4(std::fabs(ray.dx)),
                         splat4(std::fabs(ray.dy)),
                         splat4(2.0f * kMarginScale * scale_)};
    for (const LooseEdge& loose : unindexed_)
        considerEdge(q, loose.seg, loose.id, loose.vtx1, loose.vtx2, false, best);
    if (nodes_.empty()) return best;

    Entry stack[kStackSize];
    int top = 0;
    stack[top++] = {0, 0.0f};
    while (top > 0) {
        const Entry entry = stack[--top];
        if (best.found && entry.bound > best.distance) continue;
        if (entry.index < 0) {
            const std::size_t index = static_cast<std::size_t>(~entry.index);
            const LeafEnds& leaf = ends_[index];
            const LeafRest& rest = rest_[index];
            for (int k = 0; k < rest.count; ++k) {
                const EdgeSegment seg{leaf.q1x[k], leaf.q1y[k], leaf.q2x[k],   leaf.q2y[k],
                                      rest.vx[k],  rest.vy[k],  rest.length[k]};
                considerEdge(q, seg, rest.id[k], rest.vtx1[k], rest.vtx2[k], true, best);
            }
            continue;
        }
        const std::uint32_t index = static_cast<std::uint32_t>(entry.index);
        const Node& node = nodes_[index];
        // The four children at once: those the line passes (an empty slot,
        // NaN, never does), then those worth a visit.
        const Float4 cx = load4(node.cx), cy = load4(node.cy);
        const Float4 hx = load4(node.hx), hy = load4(node.hy);
        int bits = childrenNearLine(q.a, q.b, q.c, q.absA, q.absB, q.vMargin, cx, cy, hx, hy);
        if (bits == 0) continue;
        Float4 bounds;
        bits = childrenToVisit(q, bits, cx, cy, hx, hy, best, &bounds);
        Entry children[kWidth];
        int count = 0;
        while (bits != 0) {
            const int k = __builtin_ctz(static_cast<unsigned>(bits));
            bits &= bits - 1;
            const std::int64_t child = index < bottom_
                                           ? std::int64_t(index) * kWidth + 1 + k
                                           : ~(std::int64_t(index - bottom_) * kWidth + k);
            children[count++] = {child, bounds[k]};
        }
        pushNearestLast(children, count, stack, top);
    }
    return best;
}

} // namespace hbx2
