// The allergy check of single faces, answered a group of faces at a time.
//
// Most faces of a large patch have no allergen, and proving that from the
// root of the hierarchy means opening every node near the face, down to
// the leaves. The faces of one small subtree (a group) share that work: a
// single traversal, with a bound that holds for all of them at once,
// gathers the vertices that could lie beyond any of their planes (the
// candidates); each face then runs the exact test over those few vertices,
// a tight loop over flat arrays. A candidate found beyond the plane leads to
// the faces around it, checked exactly as the scan over the patch would.
//
// The patch cycle asks about faces in ascending order and never again about
// a face it has passed, so a group's bound only covers the faces from the
// asking one on, and a group with few such faces left is not worth a
// gathering: its faces ask the tree. A group's candidates stay valid while
// its patch only loses faces, since losing faces can only remove allergens;
// rebuilding the patch's hierarchy drops them.
#include "node_bounds.h"
#include "patch_hierarchy.h"

#include <cassert>
#include <climits>
#include <cmath>

namespace hbx3 {
namespace {

// Faces per group, at least: a group is the leaf holding the asking face
// when that leaf has this many, else the nearest ancestor that has. Larger
// groups share one traversal among more faces but gather more candidates
// for each of them to test.
constexpr int kGroupFaces = 24;
// A group leaves its faces to the tree when its bound gathers more than 4096
// candidates (faces of a tight fold, normals spread over a wide cone), or
// when fewer than 16 of its faces are left to ask: a gathering costs about
// as much as that many tree queries.
CandidateRules rules{4096, 16};
// Groups whose candidates are held at a time: enough for the groups a
// sweep over the faces of a mesh in file order keeps coming back to.
constexpr std::size_t kSlots = 512;
// Candidates are tested in blocks; only a block with a hit is looked at
// twice.
constexpr int kBlock = 64;

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

} // namespace

CandidateRules setCandidateRules(CandidateRules next) {
    const CandidateRules old = rules;
    rules = next;
    return old;
}

const PatchHierarchy::Candidates* PatchHierarchy::candidatesFor(Tree& tree, int patch, int f) {
    int node = leafOf_[static_cast<std::size_t>(f)];
    while (tree.nodes[static_cast<std::size_t>(node)].count < kGroupFaces &&
           tree.nodes[static_cast<std::size_t>(node)].parent >= 0)
        node = tree.nodes[static_cast<std::size_t>(node)].parent;
    if (tree.groupOf.empty()) tree.groupOf.assign(tree.nodes.size(), -1);
    int& held = tree.groupOf[static_cast<std::size_t>(node)];
    if (held == kGroupAsksTree) return nullptr;
    if (held >= 0) return &slots_[static_cast<std::size_t>(held)];

    // Take the next slot in turn, telling its owner it no longer holds it.
    std::size_t slot = slots_.size();
    if (slot < kSlots) {
        slots_.emplace_back();
    } else {
        slot = nextSlot_;
        nextSlot_ = (nextSlot_ + 1) % kSlots;
        Candidates& old = slots_[slot];
        if (old.patch >= 0) {
            Tree& owner = trees_[static_cast<std::size_t>(old.patch)];
            if (owner.generation == old.generation)
                owner.groupOf[static_cast<std::size_t>(old.node)] = -1;
        }
    }
    Candidates& out = slots_[slot];
    out.patch = -1;
    if (!gatherCandidates(tree, patch, node, f, out)) {
        held = kGroupAsksTree;
        return nullptr;
    }
    out.patch = patch;
    out.node = node;
    out.generation = tree.generation;
    out.from = f;
    held = static_cast<int>(slot);
    return &out;
}

// For a face f of the group (signed normal m, m = -norm for a 'c' face, so
// that its allergic side is always above) and a vertex p:
//   m . (p - q_f) = mean . (p - g) + (m - mean) . (p - g) + m . (g - q_f)
//                <= mean . (p - g) + spread |p - g| + lift,
// with g the group's box centre, mean the unit mean of the signed normals,
// spread the largest |m - mean| and lift the largest m . (g - q_f). The
// float rounding of the exact test stays below kRounding times
// |m| |p - q_f| <= |p - g| + |g - q_f|, which the widened spread and lift
// cover. A node whose vertices cannot reach 0.0001 under this bound holds
// no allergen of any face of the group.
bool PatchHierarchy::gatherCandidates(const Tree& tree, int patch, int groupNode, int from,
                                      Candidates& out) {
    const Node& top = tree.nodes[static_cast<std::size_t>(groupNode)];
    double g[3];
    for (int i = 0; i < 3; ++i)
        g[i] = 0.5 * (double(top.lo[i]) + top.hi[i]);

    auto signedNormal = [&](const MeshFace& face, double* m) {
        const double sign = face.side == 'v' ? 1.0 : -1.0;
        m[0] = sign * face.norm.x;
        m[1] = sign * face.norm.y;
        m[2] = sign * face.norm.z;
    };
    auto asks = [&](int f) {
        const char side = mesh_.faces[static_cast<std::size_t>(f)].side;
        return f >= from && patchOf_[static_cast<std::size_t>(f)] == patch &&
               (side == 'v' || side == 'c');
    };

    // Pass 1: the mean direction of the signed normals.
    double mean[3] = {0.0, 0.0, 0.0};
    int asking = 0;
    for (int j = top.first; j < top.first + top.count; ++j) {
        const int f = tree.items[static_cast<std::size_t>(j)];
        if (!asks(f)) continue;
        ++asking;
        double m[3];
        signedNormal(mesh_.faces[static_cast<std::size_t>(f)], m);
        for (int i = 0; i < 3; ++i)
            mean[i] += m[i];
    }
    if (asking < rules.minAsking) return false;
    const double meanLength = length(mean);
    for (int i = 0; i < 3; ++i)
        mean[i] = meanLength > 0.0 ? mean[i] / meanLength : (i == 2 ? 1.0 : 0.0);

    // Pass 2: spread of the normals about it, and the lift of the planes.
    double spread = 0.0, lift = -INFINITY, reachQ = 0.0;
    double elo[3] = {0.0, 0.0, 0.0}, ehi[3] = {0.0, 0.0, 0.0};
    for (int j = top.first; j < top.first + top.count; ++j) {
        const int f = tree.items[static_cast<std::size_t>(j)];
        if (!asks(f)) continue;
        const MeshFace& face = mesh_.faces[static_cast<std::size_t>(f)];
        double m[3], e[3], d[3];
        signedNormal(face, m);
        const Vec3& q = world_[static_cast<std::size_t>(face.vertex[0])];
        d[0] = g[0] - q.x;
        d[1] = g[1] - q.y;
        d[2] = g[2] - q.z;
        for (int i = 0; i < 3; ++i) {
            e[i] = m[i] - mean[i];
            elo[i] = std::min(elo[i], e[i]);
            ehi[i] = std::max(ehi[i], e[i]);
        }
        spread = std::max(spread, length(e));
        lift = std::max(lift, m[0] * d[0] + m[1] * d[1] + m[2] * d[2]);
        reachQ = std::max(reachQ, length(d));
    }
    out.count = 0;
    lift += 2.0 * kRounding * reachQ;

    // Pass 3: the candidates, each vertex once.
    if (seen_.size() < static_cast<std::size_t>(tree.locals))
        seen_.resize(static_cast<std::size_t>(tree.locals), 0u);
    if (++stamp_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0u);
        stamp_ = 1;
    }
    int stack[kStackDepth];
    int depth = 0;
    stack[depth++] = 0;
    while (depth > 0) {
        const Node& node = tree.nodes[static_cast<std::size_t>(stack[--depth])];
        if (node.live == 0) continue;
        double scale, c[3], half[3];
        const double upper = nodeUpper(node, mean, g, scale);
        for (int i = 0; i < 3; ++i) {
            c[i] = 0.5 * (double(node.lo[i]) + node.hi[i]) - g[i];
            half[i] = 0.5 * (double(node.hi[i]) - node.lo[i]);
        }
        const double reach = length(c) + length(half);
        // (m - mean) . (p - g) both from the spread and, component by
        // component, from the ranges of m - mean and of p - g over the box;
        // the tighter one counts.
        double across = 0.0;
        for (int i = 0; i < 3; ++i) {
            const double a = c[i] - half[i], b = c[i] + half[i];
            across += std::max(std::max(elo[i] * a, elo[i] * b), std::max(ehi[i] * a, ehi[i] * b));
        }
        across = std::min(across, spread * reach) * (1.0 + 1e-9);
        if (upper + across + 2.0 * kRounding * reach + lift < hbx::kZeroSnap) continue;
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
        // The vertices of faces that have left the patch come along: a
        // candidate is only a lead, checked against the faces around it.
        // Each entry is written at the end of the list and kept only when
        // its vertex is new: about half of them are repeats, a coin flip a
        // branch would get wrong every other time.
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
        unsigned* const seen = seen_.data();
        const unsigned stamp = stamp_;
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
        if (static_cast<std::size_t>(count) > rules.maxCandidates) return false;
    }
    // Per block of candidates, the lowest face around any of them.
    out.blockLow.resize(static_cast<std::size_t>((out.count + kBlock - 1) / kBlock));
    for (int start = 0; start < out.count; start += kBlock) {
        int low = INT_MAX;
        for (int j = start; j < std::min(start + kBlock, out.count); ++j)
            low = std::min(low, lowestAround(out.vertex[static_cast<std::size_t>(j)]));
        out.blockLow[static_cast<std::size_t>(start / kBlock)] = low;
    }
    return true;
}

// The exact test with the normal negated for a 'c' face: negating a factor
// negates every rounded product and sum, so "snapped below zero" becomes
// "at least the snap edge" on the same values.
PatchHierarchy::PlaneTest PatchHierarchy::planeTestOf(int f) const {
    const MeshFace& face = mesh_.faces[static_cast<std::size_t>(f)];
    const float sign = face.side == 'v' ? 1.0f : -1.0f;
    const Vec3& q = world_[static_cast<std::size_t>(face.vertex[0])];
    return PlaneTest{q.x, q.y, q.z, sign * face.norm.x, sign * face.norm.y, sign * face.norm.z};
}

int PatchHierarchy::lowestAroundBeyond(int patch, int f, const PlaneTest& t, const float* px,
                                       const float* py, const float* pz, const int* vertexIds,
                                       const int* blockLow, int count, int best) const {
    static const float edge = snapEdge();
    for (int start = 0; start < count; start += kBlock) {
        if (blockLow != nullptr && blockLow[start / kBlock] >= best) continue;
        const int end = std::min(start + kBlock, count);
        // A branch-free first look at the block, which the compiler
        // vectorises; only a block with a hit is looked at again.
        int hits = 0;
        for (int j = start; j < end; ++j) {
            const float d = (px[j] - t.qx) * t.nx + (py[j] - t.qy) * t.ny + (pz[j] - t.qz) * t.nz;
            hits += d >= edge ? 1 : 0;
        }
        if (hits == 0) continue;
        for (int j = start; j < end; ++j) {
            const float d = (px[j] - t.qx) * t.nx + (py[j] - t.qy) * t.ny + (pz[j] - t.qz) * t.nz;
            if (!(d >= edge)) continue;
            const auto v = static_cast<std::size_t>(vertexIds[j]);
            // The faces around a vertex are listed in ascending order.
            for (int k = vertexFacesStart_[v]; k < vertexFacesStart_[v + 1]; ++k) {
                const int g = vertexFaces_[static_cast<std::size_t>(k)];
                if (g >= best) break;
                if (g != f && patchOf_[static_cast<std::size_t>(g)] == patch && !shareVertex(f, g))
                    best = g;
            }
        }
    }
    return best;
}

int PatchHierarchy::lowestAllergen(int patch, int f) {
    const MeshFace& face = mesh_.faces[static_cast<std::size_t>(f)];
    if (face.side != 'v' && face.side != 'c') return -1;
    Tree& tree = trees_[static_cast<std::size_t>(patch)];
    const Candidates* group = candidatesFor(tree, patch, f);
    if (group == nullptr || f < group->from) return lowestAllergenByTree(patch, f);
    const int best = lowestAroundBeyond(patch, f, planeTestOf(f), group->x.data(), group->y.data(),
                                        group->z.data(), group->vertex.data(),
                                        group->blockLow.data(), group->count, INT_MAX);
    return best == INT_MAX ? -1 : best;
}

// The same answer from the tree: subtrees whose vertices cannot reach the
// snap edge, or whose faces are all numbered above the best allergen found
// so far, are passed over; the vertices of the other leaves are tested as
// candidates are. An allergen found through a vertex may lie outside the
// subtree at hand; it is an allergen all the same.
int PatchHierarchy::lowestAllergenByTree(int patch, int f) const {
    const MeshFace& face = mesh_.faces[static_cast<std::size_t>(f)];
    if (face.side != 'v' && face.side != 'c') return -1;
    const Tree& tree = trees_[static_cast<std::size_t>(patch)];
    const PlaneTest t = planeTestOf(f);
    const double n[3] = {t.nx, t.ny, t.nz};
    const double q[3] = {t.qx, t.qy, t.qz};
    int best = INT_MAX;
    int stack[kStackDepth];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Node& node = tree.nodes[static_cast<std::size_t>(stack[--top])];
        if (node.live == 0 || node.minFace >= best) continue;
        double scale;
        if (nodeUpper(node, n, q, scale) < hbx::kZeroSnap - scale * kRounding) continue;
        if (node.child[0] < 0) {
            const auto first = static_cast<std::size_t>(node.pfirst);
            best =
                lowestAroundBeyond(patch, f, t, &tree.px[first], &tree.py[first], &tree.pz[first],
                                   &tree.vertexIds[first], nullptr, node.pcount, best);
            continue;
        }
        // The child with the lower face numbers first: the lowest allergen
        // is found early and prunes the rest.
        int c0 = node.child[0], c1 = node.child[1];
        if (tree.nodes[static_cast<std::size_t>(c0)].minFace >
            tree.nodes[static_cast<std::size_t>(c1)].minFace)
            std::swap(c0, c1);
        stack[top++] = c1;
        stack[top++] = c0;
    }
    return best == INT_MAX ? -1 : best;
}

} // namespace hbx3
