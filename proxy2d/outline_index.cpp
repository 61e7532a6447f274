#include "outline_index.h"

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
    std::int32_t id;
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

void OutlineIndex::addEdge(std::size_t leaf, const Mesh2D& mesh, std::int32_t id) {
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
    slot_[id] = static_cast<std::int32_t>(leaf * kWidth) + k;
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
    const std::int32_t edgeCount = static_cast<std::int32_t>(mesh.edges.size());
    for (const MeshEdge2D& e : mesh.edges) {
        if (!e.outline) continue;
        for (std::int32_t v : {e.vtx1, e.vtx2}) {
            const float* p = mesh.vertices[v].pos;
            scale_ = std::max({scale_, std::fabs(p[0]), std::fabs(p[1])});
        }
    }
    // Order the indexable edges so that leaves and nodes cover compact
    // regions.
    std::vector<Midpoint> order;
    for (std::int32_t i = 0; i < edgeCount; ++i) {
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

std::int64_t OutlineIndex::countCrossings(const RayLine& ray, std::int32_t skipEdge,
                                          Side side) const {
    std::int64_t count = 0;
    // A ray without a direction forms no line: det is 0 for every edge.
    if (ray.a1 == 0.0f && ray.b1 == 0.0f) return count;
    const bool wantBehind = side == Side::Behind;
    const float a = ray.a1, b = ray.b1, c = ray.c1;
    const float margin = stripMargin(ray);
    const float absA = std::fabs(a), absB = std::fabs(b);

    const Float4 va = splat4(a), vb = splat4(b), vc = splat4(c);
    const Float4 vAbsA = splat4(absA), vAbsB = splat4(absB);
    const Float4 vMargin = splat4(margin), vLow = splat4(-margin);
    const Float4 vox = splat4(ray.ox), voy = splat4(ray.oy);
    const Float4 vdx = splat4(ray.dx), vdy = splat4(ray.dy), vZero = splat4(0.0f);
    // The skipped edge's leaf and lane, if it is indexed.
    const std::int32_t skipSlot =
        skipEdge >= 0 && static_cast<std::size_t>(skipEdge) < slot_.size() ? slot_[skipEdge] : -1;
    const std::size_t skipLeaf =
        skipSlot < 0 ? ends_.size() : static_cast<std::size_t>(skipSlot) / kWidth;
    const int skipLane = skipSlot < 0 ? 0 : 1 << (skipSlot % kWidth);

    // certainSide: every crossing in the leaf lies on the wanted side.
    auto scanLeaf = [&](std::size_t index, bool certainSide) {
        const LeafEnds& leaf = ends_[index];
        const Float4 q1x = load4(leaf.q1x), q1y = load4(leaf.q1y);
        const Float4 q2x = load4(leaf.q2x), q2y = load4(leaf.q2y);
        const Float4 f1 = va * q1x + vb * q1y - vc;
        const Float4 f2 = va * q2x + vb * q2y - vc;
        const Mask4 above1 = f1 > vMargin, above2 = f2 > vMargin;
        const Mask4 below1 = f1 < vLow, below2 = f2 < vLow;
        const Mask4 skip = (above1 & above2) | (below1 & below2);
        int bits = ~bitsOf(skip) & 0xf;
        if (index == skipLeaf) bits &= ~skipLane;
        if (bits == 0) return;
        if (certainSide) {
            const int certain = bitsOf((above1 & below2) | (below1 & above2));
            if ((bits & ~certain) == 0) {
                count += countOf(bits);
                return;
            }
        }
        // The crossing test of the open rule on all four lanes at once; the
        // lanes the strip test let through are counted on the wanted side.
        const LeafRest& rest = rest_[index];
        const CrossingParts<Float4> p = crossingParts<Float4>(
            va, vb, vc, vox, voy, vdx, vdy, q1x, q1y, q2x, q2y, load4(rest.vx), load4(rest.vy));
        const Mask4 crosses = (p.det != vZero) & (p.t > vZero) & (p.t < load4(rest.length)) &
                              (wantBehind ? p.s < vZero : p.s > vZero);
        count += countOf(bitsOf(crosses) & bits);
    };
    for (const LooseEdge& loose : unindexed_) {
        // Unindexed edges skip the strip test as well.
        if (loose.id == skipEdge) continue;
        Crossing crossing;
        if (!rayCrossing(ray, loose.seg, EdgeEnds::Open, &crossing)) continue;
        if (wantBehind ? crossing.s < 0.0f : crossing.s > 0.0f) ++count;
    }
    if (nodes_.empty()) return count;

    // Boxes that lie, along the ray, wholly on one side: see kLeafSlack. Only
    // outlines within the shortcut's bounds are pruned by side.
    const bool shortcut = scale_ <= kShortcutLargest;
    const Float4 vAbsDx = splat4(std::fabs(ray.dx)), vAbsDy = splat4(std::fabs(ray.dy));
    const Float4 vLeafSlack = splat4(kLeafSlack), vScaleSlack = splat4(kScaleSlack * scale_);
    // Sign of s on the unwanted side: the masks below flip s to the wanted
    // side (positive) by multiplying with the sign.
    const Float4 vSign = splat4(wantBehind ? -1.0f : 1.0f);
    std::uint32_t stack[kStackSize];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const std::uint32_t index = stack[--top];
        const Node& node = nodes_[index];
        const Float4 cx = load4(node.cx), cy = load4(node.cy);
        const Float4 hx = load4(node.hx), hy = load4(node.hy);
        int bits = childrenNearLine(va, vb, vc, vAbsA, vAbsB, vMargin, cx, cy, hx, hy);
        if (bits == 0) continue;
        int wanted = 0; // children wholly on the wanted side
        if (shortcut) {
            // Along the ray, measured towards the wanted side.
            const Float4 centreAlong = ((cx - vox) * vdx + (cy - voy) * vdy) * vSign;
            const Float4 halfSpanAlong = vAbsDx * hx + vAbsDy * hy;
            const Float4 room = halfSpanAlong + vLeafSlack * (hx + hy) + vScaleSlack;
            wanted = bitsOf(centreAlong - room > vZero);
            bits &= ~bitsOf(centreAlong + room < vZero);
        }
        if (index < bottom_) {
            const std::uint32_t first = index * kWidth + 1;
            for (int k = 0; k < kWidth; ++k) {
                stack[top] = first + k;
                top += bits >> k & 1;
            }
            continue;
        }
        const std::size_t leaves = static_cast<std::size_t>(index - bottom_) * kWidth;
        while (bits != 0) {
            const int k = __builtin_ctz(static_cast<unsigned>(bits));
            bits &= bits - 1;
            scanLeaf(leaves + k, (wanted >> k & 1) != 0);
        }
    }
    return count;
}

OutlineIndex::Nearest OutlineIndex::nearestCrossing(const RayLine& ray, Side side,
                                                    std::int32_t skipVertex, EdgeEnds ends) const {
    Nearest best;
    if (ray.a1 == 0.0f && ray.b1 == 0.0f) return best;
    const float a = ray.a1, b = ray.b1, c = ray.c1;
    const float margin = stripMargin(ray);
    const float absA = std::fabs(a), absB = std::fabs(b);
    const float absDx = std::fabs(ray.dx), absDy = std::fabs(ray.dy);
    // Slack of the bounds on s: crossing points stay this close to their edge
    // as measured along the ray.
    const float slack = 2.0f * kMarginScale * scale_;
    const bool behind = side == Side::Behind;
    const Float4 va = splat4(a), vb = splat4(b), vc = splat4(c);
    const Float4 vAbsA = splat4(absA), vAbsB = splat4(absB);
    const Float4 vMargin = splat4(margin);
    const Float4 vox = splat4(ray.ox), voy = splat4(ray.oy);
    const Float4 vdx = splat4(ray.dx), vdy = splat4(ray.dy);
    const Float4 vAbsDx = splat4(absDx), vAbsDy = splat4(absDy), vSlack = splat4(slack);

    auto consider = [&](const EdgeSegment& seg, std::int32_t id, std::int32_t vtx1,
                        std::int32_t vtx2, bool useStrip) {
        if (useStrip) {
            const float f1 = a * seg.q1x + b * seg.q1y - c;
            const float f2 = a * seg.q2x + b * seg.q2y - c;
            if ((f1 > margin && f2 > margin) || (f1 < -margin && f2 < -margin)) return;
        }
        if (vtx1 == skipVertex || vtx2 == skipVertex) return;
        Crossing crossing;
        if (!rayCrossing(ray, seg, ends, &crossing)) return;
        if (behind ? !(crossing.s < 0.0f) : !(crossing.s > 0.0f)) return;
        const float dx = crossing.x - ray.ox;
        const float dy = crossing.y - ray.oy;
        const float squared = dx * dx + dy * dy;
        const float distance = static_cast<float>(std::sqrt(static_cast<double>(squared)));
        if (!best.found || distance < best.distance ||
            (distance == best.distance && id < best.edge)) {
            best.found = true;
            best.crossing = crossing;
            best.edge = id;
            best.distance = distance;
        }
    };
    for (const LooseEdge& loose : unindexed_)
        consider(loose.seg, loose.id, loose.vtx1, loose.vtx2, false);
    if (nodes_.empty()) return best;

    // Entries are nodes, or leaves (stored as ~leaf), with the least distance
    // any crossing below them can have.
    struct Entry {
        std::int64_t index;
        float bound;
    };
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
                consider(seg, rest.id[k], rest.vtx1[k], rest.vtx2[k], true);
            }
            continue;
        }
        const std::uint32_t index = static_cast<std::uint32_t>(entry.index);
        const Node& node = nodes_[index];
        // The four children at once: those the line passes (an empty slot,
        // NaN, never does) that reach the asked side, with the least
        // distance a crossing below each can have.
        const Float4 cx = load4(node.cx), cy = load4(node.cy);
        const Float4 hx = load4(node.hx), hy = load4(node.hy);
        int bits = childrenNearLine(va, vb, vc, vAbsA, vAbsB, vMargin, cx, cy, hx, hy);
        if (bits == 0) continue;
        // Each box's centre and half span, measured along the ray.
        const Float4 centreAlong = (cx - vox) * vdx + (cy - voy) * vdy;
        const Float4 halfSpanAlong = vAbsDx * hx + vAbsDy * hy;
        Float4 bounds;
        if (behind) {
            bits &= ~bitsOf(centreAlong - halfSpanAlong > vSlack); // wholly in front
            bounds = -(centreAlong + halfSpanAlong) - vSlack;
        } else {
            bits &= ~bitsOf(centreAlong + halfSpanAlong < -vSlack); // wholly behind
            bounds = (centreAlong - halfSpanAlong) - vSlack;
        }
        if (best.found) bits &= ~bitsOf(bounds > splat4(best.distance));
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
        // Nearest child on top of the stack.
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
    return best;
}

} // namespace hbx2
