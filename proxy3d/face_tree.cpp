#include "proxy3d/face_tree.h"

#include "proxy3d/node_fits.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstdint>

namespace hbx3 {
namespace {

using Node = FaceTreeNode;
using SplitRecord = FaceTreeBuilder::SplitRecord;

// Faces per leaf, at most (a split halves a node, so leaves hold from half
// this on). Larger leaves mean fewer nodes for every query to bound, and
// more vertices to test in each leaf a query opens; at 32 the two balance
// on meshes of a million faces.
constexpr int kLeafSize = 32;

// A node is split by a normal component rather than by position when that
// component spreads over more than 1 / kNormalWeight (about 20 degrees):
// below that, the cone term of the plane bounds is small next to the
// offsets of the planes.
constexpr double kNormalWeight = 3.0;

// Room for a leaf's distinct corners, at most 3 kLeafSize, kept at most
// three-eighths full: 2^kLeafVertexBits slots.
constexpr int kLeafVertexBits = 8;
constexpr int kLeafVertexSlots = 1 << kLeafVertexBits;
constexpr int kLeafVertexShift = 32 - kLeafVertexBits;
static_assert(8 * 3 * kLeafSize <= 3 * kLeafVertexSlots);

// Asks the cache for the line holding `at` ahead of its use.
inline void prefetch(const void* at) {
#if defined(__GNUC__)
    __builtin_prefetch(at);
#else
    (void)at;
#endif
}

// Nodes of at most this many faces fit their cylinder and plane bounds
// over their own vertices and faces; larger ones join their children's
// bounds, so that a build costs one pass over the vertices and faces per
// level below this size only, not per level of the whole tree.
// (At 256 rather than across the whole tree: bunny Loop x3 7.55 to 7.18 s,
// the scan-like surface 6.63 to 6.54 s, the walls unchanged.)
constexpr int kExactFitFaces = 256;
static_assert(kExactFitFaces >= kLeafSize);

// Builds of at most this many faces keep their split records' storage for
// the next build; larger ones release it.
constexpr int kKeepRecords = 1 << 16;

// What one build reads and fills.
struct Build {
    const FaceGeometry& geometry;
    FaceTree& tree;
    std::vector<int>& leafOf;
    std::vector<int>& slotOf;
    // The faces' split keys in item order: each node's faces are one run,
    // partitioned in place, so no level reads the mesh's face arrays.
    std::vector<SplitRecord>& records;
};

// Fills leaf node `index` (its face run, parent and counts set): leafOf and
// slotOf of each face, its vertices, each once in order of first
// appearance, appended after those of the leaves before it, so that every
// subtree's vertices are one run of the arrays, and bounds straight from
// its records and vertices (the box of its faces' boxes is the box of their
// corners).
void fillLeaf(Build& b, int index, Node& node) {
    FaceTree& tree = b.tree;
    node.child[0] = node.child[1] = -1;
    node.minFace = INT_MAX;
    double m[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < 3; ++i) {
        node.lo[i] = node.normalLo[i] = INFINITY;
        node.hi[i] = node.normalHi[i] = -INFINITY;
    }
    node.pfirst = static_cast<int>(tree.vertexIds.size());
    const int end = node.first + node.count;
    // The leaf's corners are fetched meanwhile: they lie anywhere in the
    // mesh's vertex array.
    for (int j = node.first; j < end; ++j) {
        for (int v : b.records[static_cast<std::size_t>(j)].vertex)
            prefetch(&b.geometry.position(v));
    }
    // Each corner once: a small open-addressed set of the leaf's vertex
    // numbers, rather than a mark per mesh vertex scattered over megabytes.
    int seen[kLeafVertexSlots];
    std::fill(seen, seen + kLeafVertexSlots, -1);
    for (int j = node.first; j < end; ++j) {
        const SplitRecord& record = b.records[static_cast<std::size_t>(j)];
        const int f = record.face;
        b.tree.items[static_cast<std::size_t>(j)] = f;
        b.leafOf[static_cast<std::size_t>(f)] = index;
        b.slotOf[static_cast<std::size_t>(f)] = j;
        node.minFace = std::min(node.minFace, f);
        const float* normal = record.key + 3;
        for (int i = 0; i < 3; ++i) {
            node.normalLo[i] = std::min(node.normalLo[i], normal[i]);
            node.normalHi[i] = std::max(node.normalHi[i], normal[i]);
            m[i] += normal[i];
        }
        for (int v : record.vertex) {
            auto slot = (static_cast<std::uint32_t>(v) * 2654435761u) >> kLeafVertexShift;
            while (seen[slot] >= 0 && seen[slot] != v)
                slot = (slot + 1) & (kLeafVertexSlots - 1);
            if (seen[slot] == v) continue;
            seen[slot] = v;
            const Vec3& p = b.geometry.position(v);
            tree.px.push_back(p.x);
            tree.py.push_back(p.y);
            tree.pz.push_back(p.z);
            tree.vertexIds.push_back(v);
        }
    }
    setAxis(node, m);
    node.pcount = static_cast<int>(tree.vertexIds.size()) - node.pfirst;
    for (int j = node.pfirst; j < node.pfirst + node.pcount; ++j) {
        const auto k = static_cast<std::size_t>(j);
        node.lo[0] = std::min(node.lo[0], tree.px[k]);
        node.hi[0] = std::max(node.hi[0], tree.px[k]);
        node.lo[1] = std::min(node.lo[1], tree.py[k]);
        node.hi[1] = std::max(node.hi[1], tree.py[k]);
        node.lo[2] = std::min(node.lo[2], tree.pz[k]);
        node.hi[2] = std::max(node.hi[2], tree.pz[k]);
    }
    fitCylinder(tree, node);
}

// The key a node's faces are split by: 0 to 2 the face boxes' centres
// (doubled) along x, y or z, 3 to 5 the normals' x, y or z; and the middle
// of the keys' range.
struct SplitKey {
    int axis;
    float mid;
};

// The longest extent of six keys over faces [first, first + count): the
// face boxes' centres, and the normals' components weighted by the largest
// of those extents. Faces of one smooth sheet split by position until a
// node is about as wide as the sheet's radius of curvature; faces whose
// normals point apart (the two sides of a thin wall, the turns of a wall
// that winds around itself facing one way or the other) split by normal
// first, so that the plane bounds of the queries stay tight however the
// patch winds.
SplitKey chooseSplitKey(const Build& b, int first, int count) {
    float clo[3] = {INFINITY, INFINITY, INFINITY}, chi[3] = {-INFINITY, -INFINITY, -INFINITY};
    float normalLo[3] = {INFINITY, INFINITY, INFINITY},
          normalHi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (int j = first; j < first + count; ++j) {
        const float* key = b.records[static_cast<std::size_t>(j)].key;
        for (int i = 0; i < 3; ++i) {
            clo[i] = std::min(clo[i], key[i]);
            chi[i] = std::max(chi[i], key[i]);
            normalLo[i] = std::min(normalLo[i], key[3 + i]);
            normalHi[i] = std::max(normalHi[i], key[3 + i]);
        }
    }
    int axis = 0;
    for (int i = 1; i < 3; ++i) {
        if (chi[i] - clo[i] > chi[axis] - clo[axis]) axis = i;
    }
    double widest = double(chi[axis]) - clo[axis];
    const double weight = widest * kNormalWeight;
    for (int i = 0; i < 3; ++i) {
        if ((double(normalHi[i]) - normalLo[i]) * weight > widest) {
            axis = 3 + i;
            widest = (double(normalHi[i]) - normalLo[i]) * weight;
        }
    }
    const float mid = axis < 3 ? 0.5f * (clo[axis] + chi[axis])
                               : 0.5f * (normalLo[axis - 3] + normalHi[axis - 3]);
    return SplitKey{axis, mid};
}

// Reorders faces [first, first + count) so that the first `half` (the
// returned count) hold the lowest keys, face numbers breaking ties. The
// split falls at the middle of the keys' range when that leaves at least an
// eighth of the faces on either side, else at the median: two clusters of
// unequal size (a wall's two sides facing one way, half a turn apart) part
// at the gap between them, where a median cut would leave straddling
// children level after level.
//
// Only which faces fall on either side is decided, never their order
// within a side: a node's bounds hold whatever the order its faces are
// read in, and every query answers a set or a lowest face, so the order of
// the faces within a leaf changes no answer.
int partitionFaces(Build& b, int first, int count, SplitKey key) {
    SplitRecord* run = b.records.data() + first;
    const int axis = key.axis;
    int below = 0;
    for (int j = 0; j < count; ++j)
        below += run[j].key[axis] < key.mid ? 1 : 0;
    if (below >= count / 8 && count - below >= count / 8 && below > 0 && below < count) {
        // At the middle: the faces below it, in one pass.
        std::partition(run, run + count,
                       [axis, mid = key.mid](const SplitRecord& r) { return r.key[axis] < mid; });
        return below;
    }
    const int half = count / 2;
    std::nth_element(
        run, run + half, run + count, [axis](const SplitRecord& x, const SplitRecord& y) {
            return x.key[axis] < y.key[axis] || (x.key[axis] == y.key[axis] && x.face < y.face);
        });
    return half;
}

// Fills internal node (its face run, parent and counts set) from its two
// children's bounds, then fits its cylinder over its vertices.
void joinChildren(const Build& b, int left, int right, Node& node) {
    const Node& l = b.tree.nodes[static_cast<std::size_t>(left)];
    const Node& r = b.tree.nodes[static_cast<std::size_t>(right)];
    node.child[0] = left;
    node.child[1] = right;
    node.minFace = std::min(l.minFace, r.minFace);
    node.pfirst = l.pfirst;
    node.pcount = r.pfirst + r.pcount - l.pfirst;
    assert(l.pfirst + l.pcount == r.pfirst);
    double m[3];
    for (int i = 0; i < 3; ++i) {
        node.lo[i] = std::min(l.lo[i], r.lo[i]);
        node.hi[i] = std::max(l.hi[i], r.hi[i]);
        node.normalLo[i] = std::min(l.normalLo[i], r.normalLo[i]);
        node.normalHi[i] = std::max(l.normalHi[i], r.normalHi[i]);
        m[i] = l.axis[i] * l.count + r.axis[i] * r.count;
    }
    setAxis(node, m);
    if (node.count <= kExactFitFaces) {
        fitCylinder(b.tree, node);
        return;
    }
    node.hmin = INFINITY;
    node.hmax = -INFINITY;
    node.radiusAroundAxis = 0.0;
    holdChildCylinder(l, node);
    holdChildCylinder(r, node);
}

// Appends the subtree over faces [first, first + count) below parent (-1:
// the root), children after their parent, and returns its index.
int buildRange(Build& b, int first, int count, int parent) {
    const int index = static_cast<int>(b.tree.nodes.size());
    b.tree.nodes.emplace_back();
    Node node{};
    node.parent = parent;
    node.live = count;
    node.first = first;
    node.count = count;
    if (count <= kLeafSize) {
        fillLeaf(b, index, node);
    } else {
        const int half = partitionFaces(b, first, count, chooseSplitKey(b, first, count));
        const int left = buildRange(b, first, half, index);
        const int right = buildRange(b, first + half, count - half, index);
        joinChildren(b, left, right, node);
    }
    b.tree.nodes[static_cast<std::size_t>(index)] = node;
    return index;
}

// Digits of the radix sort of places: 11 bits, two passes up to 2^22
// places (faces of a tree).
constexpr int kPlaceDigitBits = 11;
constexpr std::size_t kPlaceDigits = std::size_t(1) << kPlaceDigitBits;
// Fewer places than this are sorted by comparison: a radix pass costs two
// sweeps of its digit counts besides one of the places.
constexpr std::size_t kRadixPlaces = 4096;

// Sorts places (distinct, each below `bound`) ascending; scratch is room
// for the radix passes, grown as needed.
void sortPlaces(std::vector<int>& places, std::size_t bound, std::vector<int>& scratch) {
    if (places.size() < kRadixPlaces) {
        std::sort(places.begin(), places.end());
        return;
    }
    scratch.resize(places.size());
    std::vector<int>* from = &places;
    std::vector<int>* to = &scratch;
    for (int shift = 0; (bound - 1) >> shift != 0; shift += kPlaceDigitBits) {
        std::size_t start[kPlaceDigits + 1] = {};
        for (int v : *from)
            ++start[((static_cast<unsigned>(v) >> shift) & (kPlaceDigits - 1)) + 1];
        for (std::size_t d = 0; d < kPlaceDigits; ++d)
            start[d + 1] += start[d];
        for (int v : *from)
            (*to)[start[(static_cast<unsigned>(v) >> shift) & (kPlaceDigits - 1)]++] = v;
        std::swap(from, to);
    }
    if (from != &places) places.swap(scratch);
}

// What one extraction reads besides the build's own: the tree the faces
// come from and their places in its items, ascending.
struct Extraction {
    Build& b;
    const FaceTree& source;
    const int* slots;
    // The next free place in the new tree's items.
    int next = 0;
};

// Appends a copy of the source's subtree at node s, all of whose faces are
// taken, below parent: its nodes (numbered in the same order, children
// after their parent, every face live), its faces in the same run order
// and its vertices. Its bounds hold as they are: they were fitted over
// exactly these faces (its plane bounds too, when the source's planes
// were fitted). Returns the copy's index.
int copySubtree(Extraction& e, int s, int parent) {
    const FaceTree& source = e.source;
    FaceTree& tree = e.b.tree;
    const Node& top = source.nodes[static_cast<std::size_t>(s)];
    // The subtree's nodes are one run, from s to its rightmost leaf.
    int last = s;
    while (source.nodes[static_cast<std::size_t>(last)].child[1] >= 0)
        last = source.nodes[static_cast<std::size_t>(last)].child[1];
    const int index = static_cast<int>(tree.nodes.size());
    const int nodeShift = index - s;
    const int itemShift = e.next - top.first;
    const int vertexShift = static_cast<int>(tree.vertexIds.size()) - top.pfirst;
    for (int n = s; n <= last; ++n) {
        Node node = source.nodes[static_cast<std::size_t>(n)];
        node.parent = n == s ? parent : node.parent + nodeShift;
        node.live = node.count;
        node.planeBoundsHeld = source.planesFitted;
        node.first += itemShift;
        node.pfirst += vertexShift;
        if (node.child[0] >= 0) {
            node.child[0] += nodeShift;
            node.child[1] += nodeShift;
        } else {
            for (int j = node.first; j < node.first + node.count; ++j) {
                const int f = source.items[static_cast<std::size_t>(j - itemShift)];
                tree.items[static_cast<std::size_t>(j)] = f;
                e.b.leafOf[static_cast<std::size_t>(f)] = n + nodeShift;
                e.b.slotOf[static_cast<std::size_t>(f)] = j;
            }
        }
        tree.nodes.push_back(node);
    }
    const auto from = static_cast<std::ptrdiff_t>(top.pfirst);
    const auto to = from + top.pcount;
    tree.px.insert(tree.px.end(), source.px.begin() + from, source.px.begin() + to);
    tree.py.insert(tree.py.end(), source.py.begin() + from, source.py.begin() + to);
    tree.pz.insert(tree.pz.end(), source.pz.begin() + from, source.pz.begin() + to);
    tree.vertexIds.insert(tree.vertexIds.end(), source.vertexIds.begin() + from,
                          source.vertexIds.begin() + to);
    e.next += top.count;
    return index;
}

// Appends a leaf over the faces at source places slots[lo .. hi) (at most
// kLeafSize) below parent, fitted afresh; returns its index.
int extractLeaf(Extraction& e, int lo, int hi, int parent) {
    FaceTree& tree = e.b.tree;
    const int index = static_cast<int>(tree.nodes.size());
    tree.nodes.emplace_back();
    Node node{};
    node.parent = parent;
    node.live = node.count = hi - lo;
    node.first = e.next;
    for (int k = lo; k < hi; ++k) {
        const auto j = static_cast<std::size_t>(e.slots[k]);
        const int f = e.source.items[j];
        const MeshFace& face = e.b.geometry.face(f);
        const std::size_t at = static_cast<std::size_t>(e.next + (k - lo));
        // A leaf reads its records' normals, faces and corners only.
        e.b.records[at] = SplitRecord{{0.0f, 0.0f, 0.0f, face.norm.x, face.norm.y, face.norm.z},
                                      f,
                                      {face.vertex[0], face.vertex[1], face.vertex[2]}};
    }
    fillLeaf(e.b, index, node);
    tree.nodes[static_cast<std::size_t>(index)] = node;
    e.next += node.count;
    return index;
}

// Appends the tree over the faces at source places slots[lo .. hi) (at
// least one), all below the source's node s, below parent: a copy of s's
// subtree when they are all its faces, a leaf when they fit one, else the
// source's split of s, passing over a side that holds none of them.
// Returns its root's index.
int extractRange(Extraction& e, int s, int lo, int hi, int parent) {
    const Node& top = e.source.nodes[static_cast<std::size_t>(s)];
    const int count = hi - lo;
    if (count == top.count) return copySubtree(e, s, parent);
    // A source leaf holds at most kLeafSize faces: s is inner from here.
    if (count <= kLeafSize) return extractLeaf(e, lo, hi, parent);
    const Node& left = e.source.nodes[static_cast<std::size_t>(top.child[0])];
    const int mid = static_cast<int>(
        std::lower_bound(e.slots + lo, e.slots + hi, left.first + left.count) - e.slots);
    if (mid == lo) return extractRange(e, top.child[1], lo, hi, parent);
    if (mid == hi) return extractRange(e, top.child[0], lo, hi, parent);
    FaceTree& tree = e.b.tree;
    const int index = static_cast<int>(tree.nodes.size());
    tree.nodes.emplace_back();
    Node node{};
    node.parent = parent;
    node.live = node.count = count;
    node.first = e.next;
    const int l = extractRange(e, top.child[0], lo, mid, index);
    const int r = extractRange(e, top.child[1], mid, hi, index);
    joinChildren(e.b, l, r, node);
    tree.nodes[static_cast<std::size_t>(index)] = node;
    return index;
}

// Replaces tree by an empty one over `count` faces: its items sized, room
// for its nodes and vertices reserved at what a build of that many usually
// takes.
void startTree(int count, FaceTree& tree) {
    tree = FaceTree{};
    tree.items.resize(static_cast<std::size_t>(count));
    tree.nodes.reserve(static_cast<std::size_t>(4 * (count / kLeafSize) + 1));
    const auto points = static_cast<std::size_t>(count) * 3 / 2 + 8;
    tree.px.reserve(points);
    tree.py.reserve(points);
    tree.pz.reserve(points);
    tree.vertexIds.reserve(points);
}

} // namespace

void FaceTreeBuilder::build(const FaceGeometry& geometry, const int* faces, int count,
                            std::vector<int>& leafOf, std::vector<int>& slotOf, FaceTree& tree) {
    startTree(count, tree);
    records_.resize(static_cast<std::size_t>(count));
    for (int j = 0; j < count; ++j) {
        const int f = faces[j];
        const MeshFace& face = geometry.face(f);
        const Vec3& n = face.norm;
        const Vec3& a = geometry.position(face.vertex[0]);
        const Vec3& b = geometry.position(face.vertex[1]);
        const Vec3& c = geometry.position(face.vertex[2]);
        // The face box's two corners summed: its centre, doubled.
        auto centre2 = [](float x, float y, float z) {
            return std::min({x, y, z}) + std::max({x, y, z});
        };
        records_[static_cast<std::size_t>(j)] = SplitRecord{
            {centre2(a.x, b.x, c.x), centre2(a.y, b.y, c.y), centre2(a.z, b.z, c.z), n.x, n.y, n.z},
            f,
            {face.vertex[0], face.vertex[1], face.vertex[2]}};
    }
    Build b{geometry, tree, leafOf, slotOf, records_};
    buildRange(b, 0, count, -1);
    // The scratch of a large build goes back to the allocator, for the
    // arrays that follow, rather than stay held for the next large build.
    if (count > kKeepRecords) records_ = std::vector<SplitRecord>();

    numberLocals(geometry, tree);
}

void FaceTreeBuilder::extract(const FaceGeometry& geometry, const FaceTree& source,
                              const int* faces, int count, std::vector<int>& leafOf,
                              std::vector<int>& slotOf, FaceTree& tree) {
    assert(&source != &tree);
    slots_.resize(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        slots_[static_cast<std::size_t>(k)] = slotOf[static_cast<std::size_t>(faces[k])];
    sortPlaces(slots_, source.items.size(), sortScratch_);
    startTree(count, tree);
    records_.resize(static_cast<std::size_t>(count));
    Build b{geometry, tree, leafOf, slotOf, records_};
    Extraction e{b, source, slots_.data()};
    extractRange(e, 0, 0, count, -1);
    assert(e.next == count);
    if (count > kKeepRecords) {
        records_ = std::vector<SplitRecord>();
        slots_ = std::vector<int>();
        sortScratch_ = std::vector<int>();
    }
    numberLocals(geometry, tree);
}

void FaceTreeBuilder::numberLocals(const FaceGeometry& geometry, FaceTree& tree) {
    // Tree-local vertex numbers, in order of first appearance.
    if (numbered_.empty()) {
        numbered_.assign(geometry.world.size(), 0u);
        localOf_.assign(geometry.world.size(), 0);
    }
    if (++builds_ == 0) {
        std::fill(numbered_.begin(), numbered_.end(), 0u);
        builds_ = 1;
    }
    tree.locals = 0;
    tree.localIds.resize(tree.vertexIds.size());
    for (std::size_t j = 0; j < tree.vertexIds.size(); ++j) {
        const auto v = static_cast<std::size_t>(tree.vertexIds[j]);
        if (numbered_[v] != builds_) {
            numbered_[v] = builds_;
            localOf_[v] = tree.locals++;
        }
        tree.localIds[j] = localOf_[v];
    }
}

void fitTreePlanes(const FaceGeometry& geometry, FaceTree& tree) {
    // Each face is read once, into item order; every level of the tree
    // then reads one flat run.
    tree.planes.resize(tree.items.size());
    for (std::size_t j = 0; j < tree.items.size(); ++j) {
        const MeshFace& face = geometry.face(tree.items[j]);
        const Vec3& q = geometry.position(face.vertex[0]);
        tree.planes[j] = FacePlane{face.norm.x,
                                   face.norm.y,
                                   face.norm.z,
                                   q.x,
                                   q.y,
                                   q.z,
                                   {face.vertex[0], face.vertex[1], face.vertex[2]},
                                   face.side};
    }
    // Children come after their parent: from the last node back, every
    // node's children are fitted before it.
    for (std::size_t i = tree.nodes.size(); i-- > 0;) {
        Node& node = tree.nodes[i];
        if (node.planeBoundsHeld) continue;
        if (node.count <= kExactFitFaces) {
            fitPlanes(tree.planes.data(), node);
            continue;
        }
        node.spread = 0.0;
        node.dlo = INFINITY;
        node.dhi = -INFINITY;
        holdChildPlanes(tree.nodes[static_cast<std::size_t>(node.child[0])], node);
        holdChildPlanes(tree.nodes[static_cast<std::size_t>(node.child[1])], node);
    }
    tree.planesFitted = true;
}

} // namespace hbx3
