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
constexpr float kSmallestScale = 9.094947e-13f;  // 2^-40
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
// on that side. Such a leaf is counted from the signs alone. Only outlines
// whose largest coordinate lies between these bounds take the shortcut, so
// no product of the test can overflow or lose its precision to underflow.
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
Float4 splat4(float x) { return Float4{x, x, x, x}; }
// The sign bits of the four lanes (comparisons leave all bits set or none).
int bitsOf(Mask4 m) {
#if defined(__SSE__)
    return __builtin_ia32_movmskps(reinterpret_cast<Float4>(m));
#else
    return (m[0] & 1) | (m[1] & 2) | (m[2] & 4) | (m[3] & 8);
#endif
}
// Set bits of a four-bit mask.
int countOf(int bits) { return static_cast<int>((0x4332322132212110ull >> (bits * 4)) & 0xf); }

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

struct StackEntry {
    int level; // -1: a leaf
    int index;
    float bound; // nearest queries: least distance any crossing below can have
};
constexpr int kStackSize = 512;

} // namespace

void OutlineIndex::addEdge(Leaf& leaf, const Mesh2D& mesh, std::int32_t id) {
    const MeshEdge2D& e = mesh.edges[id];
    const EdgeSegment seg = segmentOf(mesh, e);
    const int k = leaf.count++;
    leaf.q1x[k] = seg.q1x;
    leaf.q1y[k] = seg.q1y;
    leaf.q2x[k] = seg.q2x;
    leaf.q2y[k] = seg.q2y;
    leaf.vx[k] = seg.vx;
    leaf.vy[k] = seg.vy;
    leaf.length[k] = seg.length;
    leaf.id[k] = id;
    leaf.vtx1[k] = e.vtx1;
    leaf.vtx2[k] = e.vtx2;
}

OutlineIndex::Box OutlineIndex::boxOf(const Leaf& leaf) {
    Box b{leaf.q1x[0], leaf.q1y[0], leaf.q1x[0], leaf.q1y[0]};
    for (int k = 0; k < leaf.count; ++k) {
        b.lox = std::min({b.lox, leaf.q1x[k], leaf.q2x[k]});
        b.loy = std::min({b.loy, leaf.q1y[k], leaf.q2y[k]});
        b.hix = std::max({b.hix, leaf.q1x[k], leaf.q2x[k]});
        b.hiy = std::max({b.hiy, leaf.q1y[k], leaf.q2y[k]});
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

void OutlineIndex::buildLevels(std::vector<Box> boxes) {
    // Group four children per node until one node is left.
    while (true) {
        const std::size_t parents = (boxes.size() + kWidth - 1) / kWidth;
        std::vector<Node> level(parents);
        std::vector<Box> parentBoxes(parents);
        for (std::size_t p = 0; p < parents; ++p) {
            Node& node = level[p];
            node.count = 0;
            Box& pb = parentBoxes[p];
            pb = boxes[p * kWidth];
            for (int k = 0; k < kWidth && p * kWidth + k < boxes.size(); ++k) {
                const Box& b = boxes[p * kWidth + k];
                setChild(node, k, b);
                ++node.count;
                pb.lox = std::min(pb.lox, b.lox);
                pb.loy = std::min(pb.loy, b.loy);
                pb.hix = std::max(pb.hix, b.hix);
                pb.hiy = std::max(pb.hiy, b.hiy);
            }
        }
        levels_.push_back(std::move(level));
        if (parents <= 1) break;
        boxes = std::move(parentBoxes);
    }
}

OutlineIndex::OutlineIndex(const Mesh2D& mesh) {
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
    Leaf spare{};
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
            if (unindexed_.empty() || unindexed_.back().count == kWidth) {
                unindexed_.push_back(spare);
            }
            addEdge(unindexed_.back(), mesh, i);
            continue;
        }
        order.push_back({p1[0] * 0.5f + p2[0] * 0.5f, p1[1] * 0.5f + p2[1] * 0.5f, i});
    }
    std::size_t capacity = kWidth;
    while (capacity < order.size()) capacity *= kWidth;
    orderBlocks(order.data(), order.data() + order.size(), capacity);
    leaves_.resize((order.size() + kWidth - 1) / kWidth, spare);
    for (std::size_t k = 0; k < order.size(); ++k) addEdge(leaves_[k / kWidth], mesh, order[k].id);
    if (leaves_.empty()) return;
    std::vector<Box> boxes(leaves_.size());
    for (std::size_t k = 0; k < leaves_.size(); ++k) boxes[k] = boxOf(leaves_[k]);
    buildLevels(std::move(boxes));
}

float OutlineIndex::stripMargin(const RayLine& ray) const {
    return kMarginScale * scale_ * (std::fabs(ray.a1) + std::fabs(ray.b1));
}

OutlineIndex::Counts OutlineIndex::countCrossings(const RayLine& ray,
                                                  std::int32_t skipEdge) const {
    Counts counts;
    // A ray without a direction forms no line: det is 0 for every edge.
    if (ray.a1 == 0.0f && ray.b1 == 0.0f) return counts;
    const float a = ray.a1, b = ray.b1, c = ray.c1;
    const float margin = stripMargin(ray);
    const float absA = std::fabs(a), absB = std::fabs(b);

    const Float4 va = splat4(a), vb = splat4(b), vc = splat4(c);
    const Float4 vAbsA = splat4(absA), vAbsB = splat4(absB);
    const Float4 vMargin = splat4(margin), vLow = splat4(-margin);
    const Float4 vox = splat4(ray.ox), voy = splat4(ray.oy);
    const Float4 vdx = splat4(ray.dx), vdy = splat4(ray.dy), vZero = splat4(0.0f);

    // side: 1 when every crossing in the leaf lies in front, -1 behind, 0
    // when that is not known.
    auto scanLeaf = [&](const Leaf& leaf, int side) {
        const Float4 f1 = va * load4(leaf.q1x) + vb * load4(leaf.q1y) - vc;
        const Float4 f2 = va * load4(leaf.q2x) + vb * load4(leaf.q2y) - vc;
        const Mask4 above1 = f1 > vMargin, above2 = f2 > vMargin;
        const Mask4 below1 = f1 < vLow, below2 = f2 < vLow;
        const Mask4 skip = (above1 & above2) | (below1 & below2);
        int bits = ~bitsOf(skip) & ((1 << leaf.count) - 1);
        for (int k = 0; k < leaf.count; ++k)
            if (leaf.id[k] == skipEdge) bits &= ~(1 << k);
        if (bits == 0) return;
        if (side != 0) {
            const int certain = bitsOf((above1 & below2) | (below1 & above2));
            if ((bits & ~certain) == 0) {
                if (side > 0) counts.front += countOf(bits);
                else counts.behind += countOf(bits);
                return;
            }
        }
        // The crossing test of the open rule on all four lanes at once; the
        // lanes the strip test let through are counted.
        const CrossingParts<Float4> p = crossingParts<Float4>(
            va, vb, vc, vox, voy, vdx, vdy, load4(leaf.q1x), load4(leaf.q1y), load4(leaf.q2x),
            load4(leaf.q2y), load4(leaf.vx), load4(leaf.vy));
        const Mask4 crosses = (p.det != vZero) & (p.t > vZero) & (p.t < load4(leaf.length)) &
                              (p.s != vZero);
        const int found = bitsOf(crosses) & bits;
        const int behind = bitsOf(p.s < vZero) & found;
        counts.behind += countOf(behind);
        counts.front += countOf(found & ~behind);
    };
    for (const Leaf& leaf : unindexed_) {
        // Unindexed edges skip the strip test as well.
        for (int k = 0; k < leaf.count; ++k) {
            if (leaf.id[k] == skipEdge) continue;
            const EdgeSegment seg{leaf.q1x[k], leaf.q1y[k], leaf.q2x[k],   leaf.q2y[k],
                                  leaf.vx[k],  leaf.vy[k],  leaf.length[k]};
            Crossing crossing;
            if (!rayCrossing(ray, seg, EdgeEnds::Open, &crossing)) continue;
            if (crossing.s < 0.0f) ++counts.behind;
            else ++counts.front;
        }
    }
    if (levels_.empty()) return counts;

    const bool shortcut = scale_ <= kShortcutLargest;
    const Float4 vAbsDx = splat4(std::fabs(ray.dx)), vAbsDy = splat4(std::fabs(ray.dy));
    const Float4 vLeafSlack = splat4(kLeafSlack), vScaleSlack = splat4(kScaleSlack * scale_);
    StackEntry stack[kStackSize];
    int top = 0;
    stack[top++] = {static_cast<int>(levels_.size()) - 1, 0, 0.0f};
    while (top > 0) {
        const StackEntry entry = stack[--top];
        const Node& node = levels_[entry.level][entry.index];
        const Float4 cx = load4(node.cx), cy = load4(node.cy);
        const Float4 hx = load4(node.hx), hy = load4(node.hy);
        const Float4 f = va * cx + vb * cy - vc;
        const Float4 r = vAbsA * hx + vAbsB * hy;
        int bits = bitsOf((f - r <= vMargin) & (f + r >= vLow)) & ((1 << node.count) - 1);
        if (bits == 0) continue;
        if (entry.level != 0) {
            while (bits != 0) {
                const int k = __builtin_ctz(static_cast<unsigned>(bits));
                bits &= bits - 1;
                stack[top++] = {entry.level - 1, entry.index * kWidth + k, 0.0f};
            }
            continue;
        }
        // The leaves: which of them lie wholly in front or behind.
        int front = 0, back = 0;
        if (shortcut) {
            const Float4 sc = (cx - vox) * vdx + (cy - voy) * vdy;
            const Float4 sr = vAbsDx * hx + vAbsDy * hy;
            const Float4 room = sr + vLeafSlack * (hx + hy) + vScaleSlack;
            front = bitsOf(sc - room > vZero);
            back = bitsOf(sc + room < vZero);
        }
        while (bits != 0) {
            const int k = __builtin_ctz(static_cast<unsigned>(bits));
            bits &= bits - 1;
            const int side = (front >> k & 1) ? 1 : ((back >> k & 1) ? -1 : 0);
            scanLeaf(leaves_[entry.index * kWidth + k], side);
        }
    }
    return counts;
}

OutlineIndex::Nearest OutlineIndex::nearestCrossing(const RayLine& ray, Side side,
                                                    std::int32_t skipVertex,
                                                    EdgeEnds ends) const {
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

    auto consider = [&](const Leaf& leaf, int k, bool useStrip) {
        if (useStrip) {
            const float f1 = a * leaf.q1x[k] + b * leaf.q1y[k] - c;
            const float f2 = a * leaf.q2x[k] + b * leaf.q2y[k] - c;
            if ((f1 > margin && f2 > margin) || (f1 < -margin && f2 < -margin)) return;
        }
        if (leaf.vtx1[k] == skipVertex || leaf.vtx2[k] == skipVertex) return;
        const EdgeSegment seg{leaf.q1x[k], leaf.q1y[k], leaf.q2x[k],   leaf.q2y[k],
                              leaf.vx[k],  leaf.vy[k],  leaf.length[k]};
        Crossing crossing;
        if (!rayCrossing(ray, seg, ends, &crossing)) return;
        if (behind ? !(crossing.s < 0.0f) : !(crossing.s > 0.0f)) return;
        const float dx = crossing.x - ray.ox;
        const float dy = crossing.y - ray.oy;
        const float squared = dx * dx + dy * dy;
        const float distance = static_cast<float>(std::sqrt(static_cast<double>(squared)));
        if (!best.found || distance < best.distance ||
            (distance == best.distance && leaf.id[k] < best.edge)) {
            best.found = true;
            best.crossing = crossing;
            best.edge = leaf.id[k];
            best.distance = distance;
        }
    };
    for (const Leaf& leaf : unindexed_)
        for (int k = 0; k < leaf.count; ++k) consider(leaf, k, false);
    if (levels_.empty()) return best;

    StackEntry stack[kStackSize];
    int top = 0;
    stack[top++] = {static_cast<int>(levels_.size()) - 1, 0, 0.0f};
    while (top > 0) {
        const StackEntry entry = stack[--top];
        if (best.found && entry.bound > best.distance) continue;
        if (entry.level < 0) {
            const Leaf& leaf = leaves_[entry.index];
            for (int k = 0; k < leaf.count; ++k) consider(leaf, k, true);
            continue;
        }
        const Node& node = levels_[entry.level][entry.index];
        StackEntry children[kWidth];
        int count = 0;
        for (int k = 0; k < node.count; ++k) {
            const float f = a * node.cx[k] + b * node.cy[k] - c;
            const float r = absA * node.hx[k] + absB * node.hy[k];
            if (f - r > margin || f + r < -margin) continue;
            const float sc = (node.cx[k] - ray.ox) * ray.dx + (node.cy[k] - ray.oy) * ray.dy;
            const float sr = absDx * node.hx[k] + absDy * node.hy[k];
            float bound;
            if (behind) {
                if (sc - sr > slack) continue; // wholly in front
                bound = -(sc + sr) - slack;
            } else {
                if (sc + sr < -slack) continue; // wholly behind
                bound = (sc - sr) - slack;
            }
            if (best.found && bound > best.distance) continue;
            children[count++] = {entry.level == 0 ? -1 : entry.level - 1,
                                 entry.index * kWidth + k, bound};
        }
        // Nearest child on top of the stack.
        for (int k = 1; k < count; ++k) {
            const StackEntry moving = children[k];
            int j = k;
            for (; j > 0 && children[j - 1].bound < moving.bound; --j) children[j] = children[j - 1];
            children[j] = moving;
        }
        for (int k = 0; k < count; ++k) stack[top++] = children[k];
    }
    return best;
}

} // namespace hbx2
