#include "proxy3d/patch_hierarchy.h"

#include "proxy3d/node_bounds.h"

#include <algorithm>
#include <cassert>
#include <climits>

namespace hbx3 {
namespace {

// Faces per group, at least: a group is the leaf holding the asking face
// when that leaf has this many, else the nearest ancestor that has. Larger
// groups share one traversal among more faces but gather more candidates
// for each of them to test.
constexpr int kGroupFaces = 24;
// Groups whose candidates are held at a time: enough for the groups a
// sweep over the faces of a mesh in file order keeps coming back to.
constexpr std::size_t kSlots = 512;

// Could a value within [lower, upper] in exact arithmetic, computed with
// rounding up to margin, come out beyond the snap window on the allergic
// side?
bool mayBeBeyond(char side, double lower, double upper, double margin) {
    if (side == 'v') return upper + margin >= hbx::kZeroSnap;
    return lower - margin <= -hbx::kZeroSnap;
}

// Is a value within [lower, upper] in exact arithmetic, computed with
// rounding up to margin, surely beyond the snap window on the allergic side?
bool surelyBeyond(char side, double lower, double upper, double margin) {
    if (side == 'v') return lower - margin > hbx::kZeroSnap;
    return upper + margin < -hbx::kZeroSnap;
}

// Asks the cache for node n of tree ahead of its visit.
inline void prefetchNode(const FaceTree& tree, int n) {
#if defined(__GNUC__)
    __builtin_prefetch(&tree.nodes[static_cast<std::size_t>(n)]);
#else
    (void)tree;
    (void)n;
#endif
}

// The subtrees a walk has still to visit, into stack[0 .. returned).
int takeWalk(const PatchHierarchy::Walk& walk, int* stack) {
    assert(walk.stack.size() <= static_cast<std::size_t>(kStackDepth));
    std::copy(walk.stack.begin(), walk.stack.end(), stack);
    return static_cast<int>(walk.stack.size());
}

// Leaves stack[0 .. top) in the walk for the next call; returns false, the
// answer of a query stopped at its limit.
bool stopWalk(PatchHierarchy::Walk& walk, const int* stack, int top) {
    walk.stack.assign(stack, stack + top);
    return false;
}

} // namespace

PatchHierarchy::PatchHierarchy(const Mesh3D& mesh, const std::vector<int>& patchOf,
                               const CandidateRules& rules)
    : geometry_(mesh), patchOf_(patchOf), rules_(rules) {
    leafOf_.assign(mesh.faces.size(), -1);
    slotOf_.assign(mesh.faces.size(), -1);
}

void PatchHierarchy::release(int patch) {
    if (static_cast<std::size_t>(patch) >= entries_.size()) return;
    Entry& entry = entries_[static_cast<std::size_t>(patch)];
    if (entry.tree >= 0) {
        trees_[static_cast<std::size_t>(entry.tree)] = FaceTree{};
        groupOf_[static_cast<std::size_t>(entry.tree)] = std::vector<int>();
        freeTrees_.push_back(entry.tree);
    }
    entry = Entry{};
}

void PatchHierarchy::build(int patch, const int* faces, int count) {
    if (static_cast<std::size_t>(patch) >= entries_.size())
        entries_.resize(static_cast<std::size_t>(patch) + 1);
    release(patch);
    Entry& entry = entries_[static_cast<std::size_t>(patch)];
    if (count <= rules_.smallPatchFaces) {
        entry.first = static_cast<int>(smallFaces_.size());
        entry.count = count;
        smallFaces_.insert(smallFaces_.end(), faces, faces + count);
        return;
    }
    entry.tree = takeTree();
    FaceTree& tree = trees_[static_cast<std::size_t>(entry.tree)];
    builder_.build(geometry_, faces, count, leafOf_, slotOf_, tree);
    tree.generation = ++generations_;
}

int PatchHierarchy::takeTree() {
    if (freeTrees_.empty()) {
        trees_.emplace_back();
        groupOf_.emplace_back();
        return static_cast<int>(trees_.size()) - 1;
    }
    const int index = freeTrees_.back();
    freeTrees_.pop_back();
    return index;
}

void PatchHierarchy::buildFrom(int patch, int source, const int* faces, int count) {
    if (count <= rules_.smallPatchFaces || source < 0 ||
        static_cast<std::size_t>(source) >= entries_.size() ||
        entries_[static_cast<std::size_t>(source)].tree < 0) {
        build(patch, faces, count);
        return;
    }
    if (static_cast<std::size_t>(patch) >= entries_.size())
        entries_.resize(static_cast<std::size_t>(patch) + 1);
    // The new tree is filled while source's still stands (it may be the
    // one `patch` had), and the old one released after.
    const int index = takeTree();
    FaceTree& tree = trees_[static_cast<std::size_t>(index)];
    builder_.extract(geometry_, treeOf(source), faces, count, leafOf_, slotOf_, tree);
    tree.generation = ++generations_;
    release(patch);
    entries_[static_cast<std::size_t>(patch)].tree = index;
}

template <class Visit> void PatchHierarchy::forEachSmall(int patch, Visit visit) const {
    const Entry& entry = entries_[static_cast<std::size_t>(patch)];
    for (int j = entry.first; j < entry.first + entry.count; ++j) {
        const int f = smallFaces_[static_cast<std::size_t>(j)];
        if (patchOf_[static_cast<std::size_t>(f)] == patch) visit(f);
    }
}

const FaceTree& PatchHierarchy::treeWithPlanes(int patch) {
    FaceTree& tree = treeOf(patch);
    if (!tree.planesFitted) fitTreePlanes(geometry_, tree);
    return tree;
}

void PatchHierarchy::remove(int patch, int f) {
    if (entries_[static_cast<std::size_t>(patch)].tree < 0) return;
    FaceTree& tree = treeOf(patch);
    std::vector<Node>& nodes = tree.nodes;
    const int leaf = leafOf_[static_cast<std::size_t>(f)];
    // f trades places with the leaf's last live face, so that a leaf's
    // live faces are always the first `live` of its run.
    const Node& node = nodes[static_cast<std::size_t>(leaf)];
    const auto last = static_cast<std::size_t>(node.first + node.live - 1);
    const auto j = static_cast<std::size_t>(slotOf_[static_cast<std::size_t>(f)]);
    assert(tree.items[j] == f && j <= last);
    std::swap(tree.items[j], tree.items[last]);
    slotOf_[static_cast<std::size_t>(tree.items[j])] = static_cast<int>(j);
    slotOf_[static_cast<std::size_t>(f)] = static_cast<int>(last);
    if (tree.planesFitted) std::swap(tree.planes[j], tree.planes[last]);
    // The queries only ask an inner node whether anything below it is
    // live: the climb happens when a leaf empties, and stops at the first
    // ancestor with a live child left, so a removal costs no walk to the
    // root.
    if (--nodes[static_cast<std::size_t>(leaf)].live > 0) return;
    for (int n = node.parent; n >= 0; n = nodes[static_cast<std::size_t>(n)].parent) {
        Node& inner = nodes[static_cast<std::size_t>(n)];
        if (nodes[static_cast<std::size_t>(inner.child[0])].live > 0 ||
            nodes[static_cast<std::size_t>(inner.child[1])].live > 0)
            return;
        inner.live = 0;
    }
}

bool PatchHierarchy::collectAllergicTo(int patch, int pivot, std::vector<int>& out,
                                       std::size_t limit, Walk& walk) {
    const char side = geometry_.face(pivot).side;
    if (side != 'v' && side != 'c') return true;
    if (!walk.started) {
        walk.started = true;
        walk.up = -1;
        walk.stack.assign(1, 0); // the root, or a small patch's scan
    }
    if (entries_[static_cast<std::size_t>(patch)].tree < 0) {
        if (!walk.stack.empty()) {
            forEachSmall(patch, [&](int f) {
                if (f != pivot && geometry_.allergicTo(f, pivot)) out.push_back(f);
            });
            walk.stack.clear();
        }
        return out.size() <= limit;
    }
    const FaceTree& tree = treeWithPlanes(patch);
    double p[3][3];
    geometry_.cornersOf(pivot, p);
    const int* pivotCorners = geometry_.face(pivot).vertex;
    const Vec3 corner[3] = {geometry_.position(pivotCorners[0]),
                            geometry_.position(pivotCorners[1]),
                            geometry_.position(pivotCorners[2])};
    int stack[kStackDepth];
    int top = takeWalk(walk, stack);
    while (top > 0) {
        const Node& node = tree.nodes[static_cast<std::size_t>(stack[--top])];
        if (node.live == 0) continue;
        bool may = false;
        for (int k = 0; k < 3 && !may; ++k) {
            double lower, upper, scale;
            planeRange(node, p[k], lower, upper, scale);
            may = mayBeBeyond(side, lower, upper, scale * kRounding);
        }
        if (!may) continue;
        if (node.child[0] < 0) {
            for (int j = node.first; j < node.first + node.live; ++j) {
                const int f = tree.items[static_cast<std::size_t>(j)];
                assert(patchOf_[static_cast<std::size_t>(f)] == patch);
                if (f == pivot) continue;
                if (allergicTo(tree.planes[static_cast<std::size_t>(j)], pivotCorners, corner))
                    out.push_back(f);
            }
            if (out.size() > limit) return stopWalk(walk, stack, top);
            continue;
        }
        // The left child lies right after its parent and goes first; the
        // right one, far away, is fetched meanwhile.
        prefetchNode(tree, node.child[1]);
        stack[top++] = node.child[1];
        stack[top++] = node.child[0];
    }
    walk.stack.clear();
    return true;
}

bool PatchHierarchy::collectNotAllergicTo(int patch, int pivot, std::vector<int>& out,
                                          std::size_t limit, Walk& walk) {
    const MeshFace& pf = geometry_.face(pivot);
    const char side = pf.side;
    if (!walk.started) {
        // The faces around the pivot's corners (the pivot among them) are
        // never allergic to it, wherever their subtrees stand.
        const std::size_t start = out.size();
        for (int k = 0; k < 3; ++k) {
            const auto v = static_cast<std::size_t>(pf.vertex[k]);
            for (int j = geometry_.vertexFacesStart[v]; j < geometry_.vertexFacesStart[v + 1];
                 ++j) {
                const int f = geometry_.vertexFaces[static_cast<std::size_t>(j)];
                if (patchOf_[static_cast<std::size_t>(f)] == patch) out.push_back(f);
            }
        }
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(start), out.end());
        out.erase(std::unique(out.begin() + static_cast<std::ptrdiff_t>(start), out.end()),
                  out.end());
        walk.started = true;
        walk.lead = 0;
        // In a tree, the walk starts at the pivot's leaf and climbs: the
        // pivot's ancestors cannot pass over (the pivot is not allergic to
        // itself), so only the subtree beside each of them is bounded.
        walk.up = entries_[static_cast<std::size_t>(patch)].tree >= 0
                      ? leafOf_[static_cast<std::size_t>(pivot)]
                      : -1;
        walk.stack.assign(1, walk.up >= 0 ? walk.up : 0); // or a small patch's scan
    }
    if (out.size() > limit) return false;
    if (entries_[static_cast<std::size_t>(patch)].tree < 0) {
        if (!walk.stack.empty()) {
            forEachSmall(patch, [&](int f) {
                if (!geometry_.shareVertex(f, pivot) && !geometry_.allergicTo(f, pivot))
                    out.push_back(f);
            });
            walk.stack.clear();
        }
        return out.size() <= limit;
    }
    const FaceTree& tree = treeWithPlanes(patch);
    const bool allergic = side == 'v' || side == 'c';
    double p[3][3];
    geometry_.cornersOf(pivot, p);
    const Vec3 corner[3] = {geometry_.position(pf.vertex[0]), geometry_.position(pf.vertex[1]),
                            geometry_.position(pf.vertex[2])};
    // The corner that passed the last subtree over is tried first: nearby
    // subtrees mostly pass over for the same corner.
    int lead = walk.lead;
    int up = walk.up;
    int stack[kStackDepth];
    int top = takeWalk(walk, stack);
    for (;;) {
        if (top == 0) {
            // Done below `up`: on to the subtree beside it.
            const int parent = up >= 0 ? tree.nodes[static_cast<std::size_t>(up)].parent : -1;
            if (parent < 0) break;
            const Node& pn = tree.nodes[static_cast<std::size_t>(parent)];
            stack[top++] = pn.child[0] == up ? pn.child[1] : pn.child[0];
            up = parent;
        }
        const Node& node = tree.nodes[static_cast<std::size_t>(stack[--top])];
        if (node.live == 0) continue;
        bool all = false;
        for (int i = 0; i < 3 && allergic && !all; ++i) {
            const int k = (lead + i) % 3;
            const PlaneRangeStart start = planeRangeStart(node, p[k]);
            // The cone and the rounding margin only ever widen the range
            // toward the snap window: when the range without them reaches
            // it already, the full range does too.
            if (side == 'v' ? std::max(start.boxLower, start.along) + node.dlo <= hbx::kZeroSnap
                            : std::min(start.boxUpper, start.along) + node.dhi >= -hbx::kZeroSnap)
                continue;
            double lower, upper, scale;
            planeRangeFinish(node, start, lower, upper, scale);
            all = surelyBeyond(side, lower, upper, scale * kRounding);
            if (all) lead = k;
        }
        if (all) continue;
        if (node.child[0] < 0) {
            for (int j = node.first; j < node.first + node.live; ++j) {
                const int f = tree.items[static_cast<std::size_t>(j)];
                assert(patchOf_[static_cast<std::size_t>(f)] == patch);
                // A face around a pivot corner is listed already.
                const FacePlane& plane = tree.planes[static_cast<std::size_t>(j)];
                if (!sharesCorner(plane, pf.vertex) && !anyBeyond(plane, corner)) out.push_back(f);
            }
            if (out.size() > limit) {
                walk.lead = lead;
                walk.up = up;
                return stopWalk(walk, stack, top);
            }
            continue;
        }
        // The left child lies right after its parent and goes first; the
        // right one, far away, is fetched meanwhile.
        prefetchNode(tree, node.child[1]);
        stack[top++] = node.child[1];
        stack[top++] = node.child[0];
    }
    walk.stack.clear();
    walk.up = -1;
    return out.size() <= limit;
}

const PatchHierarchy::Slot* PatchHierarchy::candidatesFor(int patch, int f) {
    const int treeIndex = entries_[static_cast<std::size_t>(patch)].tree;
    const FaceTree& tree = trees_[static_cast<std::size_t>(treeIndex)];
    int node = leafOf_[static_cast<std::size_t>(f)];
    while (tree.nodes[static_cast<std::size_t>(node)].count < kGroupFaces &&
           tree.nodes[static_cast<std::size_t>(node)].parent >= 0)
        node = tree.nodes[static_cast<std::size_t>(node)].parent;
    std::vector<int>& groupOf = groupOf_[static_cast<std::size_t>(treeIndex)];
    if (groupOf.empty()) groupOf.assign(tree.nodes.size(), -1);
    int& held = groupOf[static_cast<std::size_t>(node)];
    if (held == kGroupAsksTree) return nullptr;
    if (held >= 0) return &slots_[static_cast<std::size_t>(held)];

    // Take the next slot in turn, telling its owner it no longer holds it.
    std::size_t slot = slots_.size();
    if (slot < kSlots) {
        slots_.emplace_back();
    } else {
        slot = nextSlot_;
        nextSlot_ = (nextSlot_ + 1) % kSlots;
        const Slot& old = slots_[slot];
        if (old.tree >= 0 &&
            trees_[static_cast<std::size_t>(old.tree)].generation == old.generation)
            groupOf_[static_cast<std::size_t>(old.tree)][static_cast<std::size_t>(old.node)] = -1;
    }
    Slot& out = slots_[slot];
    out.tree = -1;
    // Gathered into scratch space, then copied at their size: a slot holds
    // what its group needs rather than what a growing list reserved.
    if (!gatherCandidates(geometry_, patchOf_, tree, patch, node, f, rules_, seen_, gathered_)) {
        held = kGroupAsksTree;
        return nullptr;
    }
    copyCandidates(gathered_, out.candidates);
    out.tree = treeIndex;
    out.node = node;
    out.generation = tree.generation;
    out.from = f;
    held = static_cast<int>(slot);
    return &out;
}

int PatchHierarchy::lowestAllergen(int patch, int f) {
    const MeshFace& face = geometry_.face(f);
    if (face.side != 'v' && face.side != 'c') return -1;
    if (entries_[static_cast<std::size_t>(patch)].tree < 0) return lowestAllergenSmall(patch, f);
    const Slot* group = candidatesFor(patch, f);
    if (group == nullptr || f < group->from) return lowestAllergenAgain(patch, f);
    const Candidates& c = group->candidates;
    const VertexRun run{c.x.data(),      c.y.data(),        c.z.data(),
                        c.vertex.data(), c.blockLow.data(), c.count};
    const int best =
        lowestAroundBeyond(geometry_, patchOf_, patch, f, planeTestOf(geometry_, f), run, INT_MAX);
    return best == INT_MAX ? -1 : best;
}

int PatchHierarchy::lowestAllergenAgain(int patch, int f) {
    Asker& a = asker_;
    if (a.face != f || a.patch != patch) {
        const int best = lowestAllergenByTree(patch, f);
        a.face = f;
        a.patch = patch;
        a.none = best < 0;
        a.from = best;
        a.listed = false;
        return best;
    }
    if (a.none) return -1;
    for (;;) {
        if (!a.listed) {
            const int found = scanAllergensAgain(patch, f);
            if (found >= 0) return found;
            if (a.from == static_cast<int>(patchOf_.size())) {
                a.none = true;
                return -1;
            }
            listAllergensByTree(patch, f);
        }
        while (a.next < a.lowest.faces.size() &&
               patchOf_[static_cast<std::size_t>(a.lowest.faces[a.next])] != patch)
            ++a.next;
        if (a.next < a.lowest.faces.size()) {
            a.from = a.lowest.faces[a.next];
            return a.from;
        }
        if (a.complete) {
            a.none = true;
            return -1;
        }
        a.from = a.lowest.faces.back() + 1;
        a.listed = false;
    }
}

int PatchHierarchy::scanAllergensAgain(int patch, int f) {
    Asker& a = asker_;
    const int faces = static_cast<int>(patchOf_.size());
    const int end = a.from + std::min(faces - a.from, rules_.againScanFaces);
    for (int g = a.from; g < end; ++g) {
        if (patchOf_[static_cast<std::size_t>(g)] == patch && g != f &&
            geometry_.allergicTo(f, g)) {
            a.from = g;
            return g;
        }
    }
    a.from = end;
    return -1;
}

void PatchHierarchy::listAllergensByTree(int patch, int f) {
    Asker& a = asker_;
    a.lowest.reset(rules_.listedAllergens);
    a.next = 0;
    a.listed = true;
    const FaceTree& tree = treeOf(patch);
    const PlaneTest t = planeTestOf(geometry_, f);
    const double n[3] = {t.nx, t.ny, t.nz};
    const double q[3] = {t.qx, t.qy, t.qz};
    int stack[kStackDepth];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Node& node = tree.nodes[static_cast<std::size_t>(stack[--top])];
        if (node.live == 0 || node.minFace >= a.lowest.bound) continue;
        double scale;
        if (nodeUpper(node, n, q, scale) < hbx::kZeroSnap - scale * kRounding) continue;
        if (node.child[0] < 0) {
            const auto first = static_cast<std::size_t>(node.pfirst);
            const VertexRun run{&tree.px[first],        &tree.py[first], &tree.pz[first],
                                &tree.vertexIds[first], nullptr,         node.pcount};
            lowestAroundBeyondFrom(geometry_, patchOf_, patch, f, t, run, a.from, a.lowest);
            continue;
        }
        int c0 = node.child[0], c1 = node.child[1];
        if (tree.nodes[static_cast<std::size_t>(c0)].minFace >
            tree.nodes[static_cast<std::size_t>(c1)].minFace)
            std::swap(c0, c1);
        stack[top++] = c1;
        stack[top++] = c0;
    }
    a.lowest.finish();
    a.complete = a.lowest.faces.size() < a.lowest.keep;
}

// The same answer from the tree: subtrees whose vertices cannot reach the
// snap edge, or whose faces are all numbered above the best allergen found
// so far, are passed over; the vertices of the other leaves are tested as
// candidates are. An allergen found through a vertex may lie outside the
// subtree at hand; it is an allergen all the same.
int PatchHierarchy::lowestAllergenSmall(int patch, int f) const {
    // A small patch lists its faces ascending: the first allergen found is
    // the lowest.
    const Entry& entry = entries_[static_cast<std::size_t>(patch)];
    for (int j = entry.first; j < entry.first + entry.count; ++j) {
        const int g = smallFaces_[static_cast<std::size_t>(j)];
        if (g != f && patchOf_[static_cast<std::size_t>(g)] == patch && geometry_.allergicTo(f, g))
            return g;
    }
    return -1;
}

int PatchHierarchy::lowestAllergenByTree(int patch, int f) {
    const MeshFace& face = geometry_.face(f);
    if (face.side != 'v' && face.side != 'c') return -1;
    const FaceTree& tree = treeOf(patch);
    const PlaneTest t = planeTestOf(geometry_, f);
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
            const VertexRun run{&tree.px[first],        &tree.py[first], &tree.pz[first],
                                &tree.vertexIds[first], nullptr,         node.pcount};
            best = lowestAroundBeyond(geometry_, patchOf_, patch, f, t, run, best);
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
