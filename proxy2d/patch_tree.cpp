#include "proxy2d/patch_tree.h"

#include "proxy2d/outline_math.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hbx2 {
namespace {

// Twice the float epsilon: the float line distance differs from the exact
// one by less than this times the magnitudes of its two products.
constexpr double kFloatError = 2.4e-7;
// Room for the double arithmetic of the bounds and for products near the
// float underflow.
constexpr double kDoubleError = 1e-15;
constexpr double kTiny = 1e-36;
constexpr double kSnap = hbx::kZeroSnap;

} // namespace

PatchTree::Bounds PatchTree::boundsOfEdge(const Mesh2D& mesh, int e) {
    const MeshEdge2D& edge = mesh.edges[e];
    const float* p1 = mesh.vertices[edge.vtx1].pos;
    const float* p2 = mesh.vertices[edge.vtx2].pos;
    Bounds b;
    b.lox = std::min(p1[0], p2[0]);
    b.loy = std::min(p1[1], p2[1]);
    b.hix = std::max(p1[0], p2[0]);
    b.hiy = std::max(p1[1], p2[1]);
    b.nxlo = b.nxhi = edge.norm[0];
    b.nylo = b.nyhi = edge.norm[1];
    b.klo = b.khi = double(edge.norm[0]) * p1[0] + double(edge.norm[1]) * p1[1];
    b.nlen = std::sqrt(double(edge.norm[0]) * edge.norm[0] + double(edge.norm[1]) * edge.norm[1]);
    b.qlox = b.qhix = p1[0];
    b.qloy = b.qhiy = p1[1];
    return b;
}

PatchTree::Strip PatchTree::stripOf(const Mesh2D& mesh, const int* first, const int* last) {
    const float* from = mesh.vertices[mesh.edges[*first].vtx1].pos;
    const float* to = mesh.vertices[mesh.edges[*(last - 1)].vtx2].pos;
    Strip s;
    s.ox = from[0];
    s.oy = from[1];
    const double dx = double(to[0]) - s.ox, dy = double(to[1]) - s.oy;
    const double length = std::sqrt(dx * dx + dy * dy);
    s.ux = length > 0.0 ? dx / length : 1.0;
    s.uy = length > 0.0 ? dy / length : 0.0;
    s.alo = s.blo = std::numeric_limits<double>::infinity();
    s.ahi = s.bhi = -s.alo;
    for (const int* m = first; m != last; ++m) {
        const MeshEdge2D& edge = mesh.edges[*m];
        for (const int v : {edge.vtx1, edge.vtx2}) {
            const double px = double(mesh.vertices[v].pos[0]) - s.ox;
            const double py = double(mesh.vertices[v].pos[1]) - s.oy;
            const double a = s.ux * px + s.uy * py;
            const double b = s.ux * py - s.uy * px;
            s.alo = std::min(s.alo, a);
            s.ahi = std::max(s.ahi, a);
            s.blo = std::min(s.blo, b);
            s.bhi = std::max(s.bhi, b);
        }
    }
    return s;
}

void PatchTree::joinChildBounds(int node) {
    const int l = 2 * node, r = 2 * node + 1;
    if (alive_[l] && alive_[r]) {
        bounds_[node] = bounds_[l];
        widen(bounds_[node], bounds_[r]);
    } else if (alive_[l]) {
        bounds_[node] = bounds_[l];
    } else if (alive_[r]) {
        bounds_[node] = bounds_[r];
    }
}

void PatchTree::widen(Bounds& into, const Bounds& b) {
    into.lox = std::min(into.lox, b.lox);
    into.loy = std::min(into.loy, b.loy);
    into.hix = std::max(into.hix, b.hix);
    into.hiy = std::max(into.hiy, b.hiy);
    into.nxlo = std::min(into.nxlo, b.nxlo);
    into.nxhi = std::max(into.nxhi, b.nxhi);
    into.nylo = std::min(into.nylo, b.nylo);
    into.nyhi = std::max(into.nyhi, b.nyhi);
    into.klo = std::min(into.klo, b.klo);
    into.khi = std::max(into.khi, b.khi);
    into.nlen = std::max(into.nlen, b.nlen);
    into.qlox = std::min(into.qlox, b.qlox);
    into.qloy = std::min(into.qloy, b.qloy);
    into.qhix = std::max(into.qhix, b.qhix);
    into.qhiy = std::max(into.qhiy, b.qhiy);
}

namespace {

// One of eight sectors of 45 degrees that the normal n points into.
int sectorOf(const float* n) {
    const int half = n[1] < 0.0f || (n[1] == 0.0f && n[0] < 0.0f);
    const float x = half ? -n[0] : n[0], y = half ? -n[1] : n[1];
    // Within the upper half plane: quarter by the sign of x, then which of
    // |x| and |y| is larger.
    const int quarter = x < 0.0f;
    const int steep = quarter ? (y > -x) : (y > x);
    return half * 4 + quarter * 2 + (quarter ? !steep : steep);
}

// Stable reorder of members (ascending) by the sector of their normals, when
// neighbours in index order often face opposite ways (more than once in 16);
// otherwise the index order, in which a found allergen ends the search.
std::vector<int> bySector(const Mesh2D& mesh, const std::vector<int>& members) {
    std::size_t flips = 0;
    for (std::size_t k = 1; k < members.size(); ++k) {
        const int turn = (sectorOf(mesh.edges[members[k]].norm) -
                          sectorOf(mesh.edges[members[k - 1]].norm) + 8) %
                         8;
        flips += turn >= 3 && turn <= 5;
    }
    if (flips * 16 <= members.size()) return members;
    std::size_t start[9] = {};
    for (int e : members)
        ++start[sectorOf(mesh.edges[e].norm) + 1];
    for (int k = 1; k < 9; ++k)
        start[k] += start[k - 1];
    std::vector<int> out(members.size());
    for (int e : members)
        out[start[sectorOf(mesh.edges[e].norm)]++] = e;
    return out;
}

// Merges the ascending runs of out[from, end) into one ascending run.
void mergeRuns(std::vector<int>& out, std::size_t from) {
    for (;;) {
        std::size_t a = from, runs = 0;
        while (a < out.size()) {
            std::size_t b = a + 1;
            while (b < out.size() && out[b - 1] < out[b])
                ++b;
            std::size_t c = b;
            if (c < out.size()) {
                ++c;
                while (c < out.size() && out[c - 1] < out[c])
                    ++c;
                std::inplace_merge(out.begin() + static_cast<std::ptrdiff_t>(a),
                                   out.begin() + static_cast<std::ptrdiff_t>(b),
                                   out.begin() + static_cast<std::ptrdiff_t>(c));
            }
            ++runs;
            a = c;
        }
        if (runs <= 1) return;
    }
}

} // namespace

PatchTree::PatchTree(const Mesh2D& mesh, std::vector<int> members)
    : members_(bySector(mesh, members)) {
    const int count = static_cast<int>(members_.size());
    live_.assign(members_.size(), 1);
    const int buckets = (count + kBucket - 1) / kBucket;
    leafBase_ = 1;
    while (leafBase_ < buckets)
        leafBase_ *= 2;
    bounds_.resize(2 * leafBase_);
    alive_.assign(2 * leafBase_, 0);
    lowest_.assign(2 * leafBase_, std::numeric_limits<int>::max());
    for (int b = 0; b < buckets; ++b) {
        const int node = leafBase_ + b;
        const int first = b * kBucket, last = std::min(count, first + kBucket);
        bounds_[node] = boundsOfEdge(mesh, members_[first]);
        for (int k = first + 1; k < last; ++k)
            widen(bounds_[node], boundsOfEdge(mesh, members_[k]));
        alive_[node] = last - first;
        for (int k = first; k < last; ++k)
            lowest_[node] = std::min(lowest_[node], members_[k]);
    }
    for (int node = leafBase_ - 1; node >= 1; --node) {
        const int l = 2 * node, r = 2 * node + 1;
        alive_[node] = alive_[l] + alive_[r];
        lowest_[node] = std::min(lowest_[l], lowest_[r]);
        joinChildBounds(node);
    }
    // Strips straight from the edges below each node (a node's edges are the
    // positions of its leftmost to its rightmost bucket). A patch of one
    // bucket has none: its few edges are scanned at once, and the many small
    // patches that splits leave behind stay small.
    if (leafBase_ == 1) return;
    strips_.resize(2 * leafBase_);
    for (int node = 2 * leafBase_ - 1; node >= 1; --node) {
        if (alive_[node] == 0) continue;
        int lo = node, hi = node;
        while (lo < leafBase_) {
            lo = 2 * lo;
            hi = 2 * hi + 1;
        }
        const int first = (lo - leafBase_) * kBucket;
        const int last = std::min(count, (hi - leafBase_ + 1) * kBucket);
        strips_[node] = stripOf(mesh, members_.data() + first, members_.data() + last);
    }
}

void PatchTree::remove(const Mesh2D& mesh, int pos) {
    if (!live_[pos]) return;
    live_[pos] = 0;
    // The bounds shrink to the members left, so that what a split took away
    // no longer keeps the walks from pruning (the strips keep the old ones).
    const int leaf = leafBase_ + pos / kBucket;
    if (--alive_[leaf] > 0) {
        const int first = (leaf - leafBase_) * kBucket;
        const int last = std::min<int>(static_cast<int>(members_.size()), first + kBucket);
        bool any = false;
        for (int k = first; k < last; ++k) {
            if (!live_[k]) continue;
            if (any)
                widen(bounds_[leaf], boundsOfEdge(mesh, members_[k]));
            else
                bounds_[leaf] = boundsOfEdge(mesh, members_[k]);
            any = true;
        }
    }
    for (int node = leaf / 2; node >= 1; node /= 2) {
        --alive_[node];
        joinChildBounds(node);
    }
}

int PatchTree::lowestAllergen(const Mesh2D& mesh, int i) const {
    if (alive() == 0) return -1;
    const MeshEdge2D& e = mesh.edges[i];
    const double qx = mesh.vertices[e.vtx1].pos[0], qy = mesh.vertices[e.vtx1].pos[1];
    const double nx = e.norm[0], ny = e.norm[1];
    const bool convex = e.type == 'v';
    // Whether some end point in the box can lie on the wrong side of e's
    // line by the float line distance.
    auto mayHold = [&](const Bounds& b) {
        const double dxlo = b.lox - qx, dxhi = b.hix - qx;
        const double dylo = b.loy - qy, dyhi = b.hiy - qy;
        const double reach = std::fabs(nx) * std::max(std::fabs(dxlo), std::fabs(dxhi)) +
                             std::fabs(ny) * std::max(std::fabs(dylo), std::fabs(dyhi));
        const double room = kFloatError * reach + kDoubleError * reach + kTiny;
        if (convex) {
            const double most = ny * (ny >= 0 ? dyhi : dylo) + nx * (nx >= 0 ? dxhi : dxlo);
            return most + room >= kSnap;
        }
        const double least = ny * (ny >= 0 ? dylo : dyhi) + nx * (nx >= 0 ? dxlo : dxhi);
        return least - room <= -kSnap;
    };
    // The same question asked of the turned box: n . (x - q) is n . (o - q)
    // plus (n . u) a + (n . w) b. Its double roundings stay within a few
    // units of the last place of reach (o and every x lie in the box), well
    // inside the room.
    auto stripMayHold = [&](const Strip& s, const Bounds& b) {
        const double dxlo = b.lox - qx, dxhi = b.hix - qx;
        const double dylo = b.loy - qy, dyhi = b.hiy - qy;
        const double reach = std::fabs(nx) * std::max(std::fabs(dxlo), std::fabs(dxhi)) +
                             std::fabs(ny) * std::max(std::fabs(dylo), std::fabs(dyhi));
        const double room = kFloatError * reach + 4.0 * kDoubleError * reach + kTiny;
        const double nu = nx * s.ux + ny * s.uy;
        const double nw = ny * s.ux - nx * s.uy;
        const double base = nx * (s.ox - qx) + ny * (s.oy - qy);
        if (convex) {
            const double most =
                base + (nu >= 0 ? nu * s.ahi : nu * s.alo) + (nw >= 0 ? nw * s.bhi : nw * s.blo);
            return most + room >= kSnap;
        }
        const double least =
            base + (nu >= 0 ? nu * s.alo : nu * s.ahi) + (nw >= 0 ? nw * s.blo : nw * s.bhi);
        return least - room <= -kSnap;
    };
    // The lowest allergen found so far; nodes with nothing below it are
    // skipped.
    int best = std::numeric_limits<int>::max();
    int stack[64];
    int top = 0;
    stack[top++] = 1;
    while (top > 0) {
        const int node = stack[--top];
        if (alive_[node] == 0 || lowest_[node] >= best || !mayHold(bounds_[node]) ||
            (!strips_.empty() && !stripMayHold(strips_[node], bounds_[node])))
            continue;
        if (node >= leafBase_) {
            const int first = (node - leafBase_) * kBucket;
            const int last = std::min<int>(static_cast<int>(members_.size()), first + kBucket);
            for (int k = first; k < last; ++k)
                if (live_[k] && members_[k] < best && isAllergic(mesh, i, members_[k]))
                    best = members_[k];
            continue;
        }
        stack[top++] = 2 * node + 1;
        stack[top++] = 2 * node;
    }
    return best == std::numeric_limits<int>::max() ? -1 : best;
}

void PatchTree::allergicTo(const Mesh2D& mesh, int m, std::vector<int>& out) const {
    std::vector<int> none;
    walkAllergic(mesh, m, out, false, 0, none);
}

bool PatchTree::notAllergicTo(const Mesh2D& mesh, int m, std::vector<int>& out, std::size_t most,
                              std::vector<int>& scratch) const {
    return walkAllergic(mesh, m, out, true, most, scratch);
}

bool PatchTree::walkAllergic(const Mesh2D& mesh, int m, std::vector<int>& out, bool others,
                             std::size_t most, std::vector<int>& scratch) const {
    if (alive() == 0) return true;
    const MeshEdge2D& em = mesh.edges[m];
    const float* x1 = mesh.vertices[em.vtx1].pos;
    const float* x2 = mesh.vertices[em.vtx2].pos;
    const bool convex = mesh.edges[members_.front()].type == 'v';
    const double len1 = std::sqrt(double(x1[0]) * x1[0] + double(x1[1]) * x1[1]);
    const double len2 = std::sqrt(double(x2[0]) * x2[0] + double(x2[1]) * x2[1]);
    // Whether the line of some edge in the box can put point x on its wrong
    // side by the float line distance.
    auto holdsFor = [&](const Bounds& b, const float* x, double len) {
        const double px = x[0], py = x[1];
        const double nxm = std::max(std::fabs(b.nxlo), std::fabs(b.nxhi));
        const double nym = std::max(std::fabs(b.nylo), std::fabs(b.nyhi));
        const double reach = nxm * std::max(std::fabs(px - b.qlox), std::fabs(px - b.qhix)) +
                             nym * std::max(std::fabs(py - b.qloy), std::fabs(py - b.qhiy));
        const double scale = nxm * std::fabs(px) + nym * std::fabs(py) +
                             std::max(std::fabs(b.klo), std::fabs(b.khi));
        const double room = kFloatError * reach + kDoubleError * scale + kTiny;
        // n . x lies within the box of the normals, and within |n| |x| of 0:
        // the only bound left for a node whose edges turn all the way round
        // (a spiral's turns, a ring), whose normal box is the whole square.
        // The few roundings of |n| |x| are inflated away.
        const double reachOfX = b.nlen * len * (1.0 + kDoubleError);
        const double most =
            std::min(std::max(b.nxlo * px, b.nxhi * px) + std::max(b.nylo * py, b.nyhi * py),
                     reachOfX) -
            b.klo;
        const double least =
            std::max(std::min(b.nxlo * px, b.nxhi * px) + std::min(b.nylo * py, b.nyhi * py),
                     -reachOfX) -
            b.khi;
        // 2: every edge below puts x on its wrong side; 1: some may; 0: none.
        if (convex) return least - room >= kSnap ? 2 : (most + room >= kSnap ? 1 : 0);
        return most + room <= -kSnap ? 2 : (least - room <= -kSnap ? 1 : 0);
    };
    const int count = static_cast<int>(members_.size());
    // Every live member in the positions [first, last) that shares no vertex
    // with m (the sides it shares a vertex with are never allergic to it).
    auto takeAll = [&](int first, int last) {
        for (int k = first; k < last; ++k) {
            if (!live_[k]) continue;
            const MeshEdge2D& ei = mesh.edges[members_[k]];
            if (em.vtx1 == ei.vtx1 || em.vtx1 == ei.vtx2 || em.vtx2 == ei.vtx1 ||
                em.vtx2 == ei.vtx2)
                continue;
            out.push_back(members_[k]);
        }
    };
    const std::size_t from = out.size();
    std::vector<int>& whole = scratch;
    whole.clear();
    std::size_t wholeCount = 0;
    int stack[64];
    int top = 0;
    stack[top++] = 1;
    while (top > 0) {
        const int node = stack[--top];
        if (alive_[node] == 0) continue;
        const Bounds& b = bounds_[node];
        const int hold1 = holdsFor(b, x1, len1), hold2 = holdsFor(b, x2, len2);
        if (others) {
            if (hold1 == 2 || hold2 == 2) continue;
            if (hold1 == 0 && hold2 == 0) {
                // Taken whole once the walk ends, if the count allows.
                whole.push_back(node);
                wholeCount += static_cast<std::size_t>(alive_[node]);
                if (out.size() - from + wholeCount > most) return false;
                continue;
            }
            if (node >= leafBase_) {
                const int first = (node - leafBase_) * kBucket;
                const int last = std::min(count, first + kBucket);
                for (int k = first; k < last; ++k)
                    if (live_[k] && !isAllergic(mesh, members_[k], m)) out.push_back(members_[k]);
                if (out.size() - from + wholeCount > most) return false;
                continue;
            }
            stack[top++] = 2 * node + 1;
            stack[top++] = 2 * node;
            continue;
        }
        if (hold1 == 0 && hold2 == 0) continue;
        if (hold1 == 2 || hold2 == 2) {
            // The whole subtree is allergic to m: its buckets in order.
            int lo = node, hi = node;
            while (lo < leafBase_) {
                lo = 2 * lo;
                hi = 2 * hi + 1;
            }
            takeAll((lo - leafBase_) * kBucket, std::min(count, (hi - leafBase_ + 1) * kBucket));
            continue;
        }
        if (node >= leafBase_) {
            const int first = (node - leafBase_) * kBucket;
            const int last = std::min<int>(static_cast<int>(members_.size()), first + kBucket);
            for (int k = first; k < last; ++k)
                if (live_[k] && isAllergic(mesh, members_[k], m)) out.push_back(members_[k]);
            continue;
        }
        stack[top++] = 2 * node + 1;
        stack[top++] = 2 * node;
    }
    for (int node : whole) {
        int lo = node, hi = node;
        while (lo < leafBase_) {
            lo = 2 * lo;
            hi = 2 * hi + 1;
        }
        const int last = std::min(count, (hi - leafBase_ + 1) * kBucket);
        for (int k = (lo - leafBase_) * kBucket; k < last; ++k)
            if (live_[k]) out.push_back(members_[k]);
    }
    // Found in the tree's order: one ascending run per sector.
    mergeRuns(out, from);
    return true;
}

} // namespace hbx2
