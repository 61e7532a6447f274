#include "proxy3d/allergen_candidates.h"

#include "proxy3d/node_bounds.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>

namespace hbx3 {
namespace {

// The smallest float not below 0.0001: a float distance survives the zero
// snap on the positive side exactly when it is at least this.
float snapEdge() {
    float t = static_cast<float>(hbx::kZeroSnap);
    if (double(t) < hbx::kZeroSnap) t = std::nextafter(t, 1.0f);
    return t;
}

double length(const double* v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// The normal of face, negated for a 'c' face, so that its allergic side is
// always above.
void signedNormal(const MeshFace& face, double* m) {
    const double sign = face.side == 'v' ? 1.0 : -1.0;
    m[0] = sign * face.norm.x;
    m[1] = sign * face.norm.y;
    m[2] = sign * face.norm.z;
}

// The faces of a group a gathering serves: those numbered from `from` on
// that are still in the patch and have an allergic side.
struct Asking {
    const FaceGeometry& geometry;
    const std::vector<int>& patchOf;
    int patch, from;

    bool operator()(int f) const {
        const char side = geometry.face(f).side;
        return f >= from && patchOf[static_cast<std::size_t>(f)] == patch &&
               (side == 'v' || side == 'c');
    }
};

// For a face f of the group (signed normal m) and a vertex p:
//   m . (p - q_f) = mean . (p - g) + (m - mean) . (p - g) + m . (g - q_f)
//                <= mean . (p - g) + spread |p - g| + lift,
// with g the group's box centre, mean the unit mean of the signed normals,
// spread the largest |m - mean| and lift the largest m . (g - q_f). The
// float rounding of the exact test stays below kRounding times
// |m| |p - q_f| <= |p - g| + |g - q_f|, which the widened spread and lift
// cover. A node whose vertices cannot reach 0.0001 under this bound holds
// no allergen of any face of the group.
struct GroupBound {
    double g[3];
    double mean[3];
    double spread = 0.0, lift = -INFINITY;
    // The component ranges of m - mean over the group's faces.
    double elo[3] = {0.0, 0.0, 0.0}, ehi[3] = {0.0, 0.0, 0.0};
};

// Sets bound.mean to the unit mean of the signed normals of the asking
// faces of the group (+z when they cancel) and returns how many ask.
int meanSignedNormal(const FaceTree& tree, const FaceTreeNode& top, const Asking& asks,
                     GroupBound& bound) {
    double mean[3] = {0.0, 0.0, 0.0};
    int asking = 0;
    for (int j = top.first; j < top.first + top.count; ++j) {
        const int f = tree.items[static_cast<std::size_t>(j)];
        if (!asks(f)) continue;
        ++asking;
        double m[3];
        signedNormal(asks.geometry.face(f), m);
        for (int i = 0; i < 3; ++i)
            mean[i] += m[i];
    }
    const double meanLength = length(mean);
    for (int i = 0; i < 3; ++i)
        bound.mean[i] = meanLength > 0.0 ? mean[i] / meanLength : (i == 2 ? 1.0 : 0.0);
    return asking;
}

// Fills bound's spread, elo, ehi and lift (widened by the rounding of the
// exact test) from the asking faces of the group (g and mean set).
void fitGroupPlanes(const FaceTree& tree, const FaceTreeNode& top, const Asking& asks,
                    GroupBound& bound) {
    double reachQ = 0.0;
    for (int j = top.first; j < top.first + top.count; ++j) {
        const int f = tree.items[static_cast<std::size_t>(j)];
        if (!asks(f)) continue;
        const MeshFace& face = asks.geometry.face(f);
        double m[3], e[3], d[3];
        signedNormal(face, m);
        const Vec3& q = asks.geometry.position(face.vertex[0]);
        d[0] = bound.g[0] - q.x;
        d[1] = bound.g[1] - q.y;
        d[2] = bound.g[2] - q.z;
        for (int i = 0; i < 3; ++i) {
            e[i] = m[i] - bound.mean[i];
            bound.elo[i] = std::min(bound.elo[i], e[i]);
            bound.ehi[i] = std::max(bound.ehi[i], e[i]);
        }
        bound.spread = std::max(bound.spread, length(e));
        bound.lift = std::max(bound.lift, m[0] * d[0] + m[1] * d[1] + m[2] * d[2]);
        reachQ = std::max(reachQ, length(d));
    }
    bound.lift += 2.0 * kRounding * reachQ;
}

// Can a vertex of node lie beyond the plane of an asking face of the group?
bool mayHoldCandidates(const FaceTreeNode& node, const GroupBound& bound) {
    double scale, c[3], half[3];
    const double upper = nodeUpper(node, bound.mean, bound.g, scale);
    for (int i = 0; i < 3; ++i) {
        c[i] = 0.5 * (double(node.lo[i]) + node.hi[i]) - bound.g[i];
        half[i] = 0.5 * (double(node.hi[i]) - node.lo[i]);
    }
    const double reach = length(c) + length(half);
    // (m - mean) . (p - g) both from the spread and, component by
    // component, from the ranges of m - mean and of p - g over the box;
    // the tighter one counts.
    double across = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double a = c[i] - half[i], b = c[i] + half[i];
        across += std::max(std::max(bound.elo[i] * a, bound.elo[i] * b),
                           std::max(bound.ehi[i] * a, bound.ehi[i] * b));
    }
    across = std::min(across, bound.spread * reach) * (1.0 + 1e-9);
    return !(upper + across + 2.0 * kRounding * reach + bound.lift < hbx::kZeroSnap);
}

// Appends the vertices of leaf node not yet seen in this gathering to out.
// The vertices of faces that have left the patch come along: a candidate is
// only a lead, checked against the faces around it. Each entry is written at
// the end of the list and kept only when its vertex is new: about half of
// them are repeats, a coin flip a branch would get wrong every other time.
void appendLeafVertices(const FaceTree& tree, const FaceTreeNode& node, SeenMarks& marks,
                        Candidates& out) {
    const auto need = static_cast<std::size_t>(out.count + node.pcount);
    if (out.vertex.size() < need) {
        out.x.resize(need);
        out.y.resize(need);
        out.z.resize(need);
        out.vertex.resize(need);
    }
    float* const ox = out.x.data();
    float* const oy = out.y.data();
    float* const oz = out.z.data();
    int* const ov = out.vertex.data();
    unsigned* const seen = marks.seen.data();
    const unsigned stamp = marks.stamp;
    int count = out.count;
    for (int j = node.pfirst; j < node.pfirst + node.pcount; ++j) {
        const auto at = static_cast<std::size_t>(j);
        const auto local = static_cast<std::size_t>(tree.localIds[at]);
        const int isNew = seen[local] != stamp ? 1 : 0;
        seen[local] = stamp;
        ox[count] = tree.px[at];
        oy[count] = tree.py[at];
        oz[count] = tree.pz[at];
        ov[count] = tree.vertexIds[at];
        count += isNew;
    }
    out.count = count;
}

// Fills out.blockLow from the faces around out's candidates.
void fillBlockLows(const FaceGeometry& geometry, Candidates& out) {
    out.blockLow.resize(
        static_cast<std::size_t>((out.count + kCandidateBlock - 1) / kCandidateBlock));
    for (int start = 0; start < out.count; start += kCandidateBlock) {
        int low = INT_MAX;
        for (int j = start; j < std::min(start + kCandidateBlock, out.count); ++j)
            low = std::min(low, geometry.lowestAround(out.vertex[static_cast<std::size_t>(j)]));
        out.blockLow[static_cast<std::size_t>(start / kCandidateBlock)] = low;
    }
}

} // namespace

bool gatherCandidates(const FaceGeometry& geometry, const std::vector<int>& patchOf,
                      const FaceTree& tree, int patch, int groupNode, int from,
                      const CandidateRules& rules, SeenMarks& marks, Candidates& out) {
    const FaceTreeNode& top = tree.nodes[static_cast<std::size_t>(groupNode)];
    const Asking asks{geometry, patchOf, patch, from};
    GroupBound bound;
    for (int i = 0; i < 3; ++i)
        bound.g[i] = 0.5 * (double(top.lo[i]) + top.hi[i]);
    if (meanSignedNormal(tree, top, asks, bound) < rules.minAsking) return false;
    fitGroupPlanes(tree, top, asks, bound);
    out.count = 0;

    // The candidates, each vertex once.
    if (marks.seen.size() < static_cast<std::size_t>(tree.locals))
        marks.seen.resize(static_cast<std::size_t>(tree.locals), 0u);
    if (++marks.stamp == 0) {
        std::fill(marks.seen.begin(), marks.seen.end(), 0u);
        marks.stamp = 1;
    }
    int stack[kStackDepth];
    int depth = 0;
    stack[depth++] = 0;
    while (depth > 0) {
        const FaceTreeNode& node = tree.nodes[static_cast<std::size_t>(stack[--depth])];
        if (node.live == 0 || !mayHoldCandidates(node, bound)) continue;
        if (node.child[0] >= 0) {
            // The child with the lower face numbers first: the candidates
            // then come roughly in ascending order of the faces around
            // them, and a face that has allergens finds a low one early.
            assert(depth + 2 <= kStackDepth);
            int c0 = node.child[0], c1 = node.child[1];
            if (tree.nodes[static_cast<std::size_t>(c0)].minFace >
                tree.nodes[static_cast<std::size_t>(c1)].minFace)
                std::swap(c0, c1);
            stack[depth++] = c1;
            stack[depth++] = c0;
            continue;
        }
        appendLeafVertices(tree, node, marks, out);
        if (static_cast<std::size_t>(out.count) > rules.maxCandidates) return false;
    }
    fillBlockLows(geometry, out);
    return true;
}

namespace {

// Calls visit(v) for every vertex v of the run beyond f's plane (t), in run
// order, skipping the blocks whose lowest face around is not below
// limit(): a branch-free first look at each block, which the compiler
// vectorises, and a second one only at a block with a hit.
template <class Limit, class Visit>
void forEachBeyond(const PlaneTest& t, const VertexRun& run, Limit limit, Visit visit) {
    static const float edge = snapEdge();
    const float* const px = run.x;
    const float* const py = run.y;
    const float* const pz = run.z;
    for (int start = 0; start < run.count; start += kCandidateBlock) {
        if (run.blockLow != nullptr && run.blockLow[start / kCandidateBlock] >= limit()) continue;
        const int end = std::min(start + kCandidateBlock, run.count);
        int hits = 0;
        for (int j = start; j < end; ++j) {
            const float d = (px[j] - t.qx) * t.nx + (py[j] - t.qy) * t.ny + (pz[j] - t.qz) * t.nz;
            hits += d >= edge ? 1 : 0;
        }
        if (hits == 0) continue;
        for (int j = start; j < end; ++j) {
            const float d = (px[j] - t.qx) * t.nx + (py[j] - t.qy) * t.ny + (pz[j] - t.qz) * t.nz;
            if (d >= edge) visit(run.vertex[j]);
        }
    }
}

} // namespace

int lowestAroundBeyond(const FaceGeometry& geometry, const std::vector<int>& patchOf, int patch,
                       int f, const PlaneTest& t, const VertexRun& run, int best) {
    forEachBeyond(
        t, run, [&] { return best; },
        [&](int vertex) {
            const auto v = static_cast<std::size_t>(vertex);
            // The faces around a vertex are listed in ascending order.
            for (int k = geometry.vertexFacesStart[v]; k < geometry.vertexFacesStart[v + 1]; ++k) {
                const int g = geometry.vertexFaces[static_cast<std::size_t>(k)];
                if (g >= best) break;
                if (g != f && patchOf[static_cast<std::size_t>(g)] == patch &&
                    !geometry.shareVertex(f, g))
                    best = g;
            }
        });
    return best;
}

void copyCandidates(const Candidates& from, Candidates& to) {
    const auto n = static_cast<std::ptrdiff_t>(from.count);
    to.x.assign(from.x.begin(), from.x.begin() + n);
    to.y.assign(from.y.begin(), from.y.begin() + n);
    to.z.assign(from.z.begin(), from.z.begin() + n);
    to.vertex.assign(from.vertex.begin(), from.vertex.begin() + n);
    to.blockLow = from.blockLow;
    to.count = from.count;
}

void LowestFaces::reset(std::size_t keepFaces) {
    keep = std::max<std::size_t>(1, keepFaces);
    bound = INT_MAX;
    faces.clear();
    std::size_t size = 16;
    while (size < 8 * keep)
        size *= 2;
    slots.assign(size, 0);
}

void LowestFaces::select() {
    const auto last = faces.begin() + static_cast<std::ptrdiff_t>(keep) - 1;
    std::nth_element(faces.begin(), last, faces.end());
    bound = *last;
    faces.resize(keep);
    std::fill(slots.begin(), slots.end(), 0);
    for (int g : faces)
        insert(g);
}

void LowestFaces::finish() {
    if (faces.size() > keep) select();
    std::sort(faces.begin(), faces.end());
}

void lowestAroundBeyondFrom(const FaceGeometry& geometry, const std::vector<int>& patchOf,
                            int patch, int f, const PlaneTest& t, const VertexRun& run, int from,
                            LowestFaces& lowest) {
    forEachBeyond(
        t, run, [&] { return lowest.bound; },
        [&](int vertex) {
            const auto v = static_cast<std::size_t>(vertex);
            for (int k = geometry.vertexFacesStart[v]; k < geometry.vertexFacesStart[v + 1]; ++k) {
                const int g = geometry.vertexFaces[static_cast<std::size_t>(k)];
                if (g >= lowest.bound) break;
                if (g >= from && g != f && patchOf[static_cast<std::size_t>(g)] == patch &&
                    !geometry.shareVertex(f, g))
                    lowest.add(g);
            }
        });
}

} // namespace hbx3
