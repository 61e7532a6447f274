#include "patch_hierarchy.h"

#include "node_bounds.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>

namespace hbx3 {
namespace {

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

float component(const Vec3& v, int i) {
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}

// Could a value within [lower, upper] in exact arithmetic, computed with
// rounding up to margin, come out beyond the snap window on the allergic
// side?
bool mayBeBeyond(char side, double lower, double upper, double margin) {
    if (side == 'v') return upper + margin >= hbx::kZeroSnap;
    return lower - margin <= -hbx::kZeroSnap;
}

void setAxis(Node& node, const double* m) {
    const double len = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    for (int i = 0; i < 3; ++i)
        node.axis[i] = len > 0.0 ? m[i] / len : (i == 2 ? 1.0 : 0.0);
}

} // namespace

PatchHierarchy::PatchHierarchy(const Mesh3D& mesh, const std::vector<int>& patchOf)
    : mesh_(mesh), patchOf_(patchOf) {
    world_.resize(mesh.vertices.size());
    for (std::size_t v = 0; v < world_.size(); ++v)
        world_[v] = filePosition(mesh, static_cast<int>(v));
    faceBox_.resize(mesh.faces.size() * 6);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        float* box = &faceBox_[f * 6];
        for (int i = 0; i < 3; ++i) {
            box[i] = INFINITY;
            box[3 + i] = -INFINITY;
        }
        for (int k = 0; k < 3; ++k) {
            const Vec3& p = world_[static_cast<std::size_t>(mesh.faces[f].vertex[k])];
            for (int i = 0; i < 3; ++i) {
                box[i] = std::min(box[i], component(p, i));
                box[3 + i] = std::max(box[3 + i], component(p, i));
            }
        }
    }
    leafOf_.assign(mesh.faces.size(), -1);

    // Faces around each vertex, in three passes: count, offsets, fill.
    vertexFacesStart_.assign(mesh.vertices.size() + 1, 0);
    for (const MeshFace& face : mesh.faces) {
        for (int k = 0; k < 3; ++k)
            ++vertexFacesStart_[static_cast<std::size_t>(face.vertex[k]) + 1];
    }
    for (std::size_t v = 0; v < mesh.vertices.size(); ++v)
        vertexFacesStart_[v + 1] += vertexFacesStart_[v];
    vertexFaces_.resize(static_cast<std::size_t>(vertexFacesStart_.back()));
    {
        std::vector<int> fill(vertexFacesStart_.begin(), vertexFacesStart_.end() - 1);
        for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
            for (int k = 0; k < 3; ++k)
                vertexFaces_[static_cast<std::size_t>(
                    fill[static_cast<std::size_t>(mesh.faces[f].vertex[k])]++)] =
                    static_cast<int>(f);
        }
    }
}

void PatchHierarchy::release(int patch) {
    if (static_cast<std::size_t>(patch) < trees_.size())
        trees_[static_cast<std::size_t>(patch)] = Tree{};
}

void PatchHierarchy::build(int patch, const int* faces, int count) {
    if (static_cast<std::size_t>(patch) >= trees_.size())
        trees_.resize(static_cast<std::size_t>(patch) + 1);
    Tree& tree = trees_[static_cast<std::size_t>(patch)];
    // Fresh storage sized to this patch: a patch that shrank must not keep
    // the capacity of its larger past.
    tree = Tree{};
    tree.generation = ++generations_;
    tree.items.assign(faces, faces + count);
    tree.nodes.reserve(static_cast<std::size_t>(4 * (count / kLeafSize) + 1));
    const auto points = static_cast<std::size_t>(count) * 3 / 2 + 8;
    tree.px.reserve(points);
    tree.py.reserve(points);
    tree.pz.reserve(points);
    tree.vertexIds.reserve(points);
    buildRange(tree, 0, count, -1);

    // Tree-local vertex numbers, in order of first appearance.
    if (numbered_.empty()) {
        numbered_.assign(world_.size(), 0u);
        localOf_.assign(world_.size(), 0);
    }
    if (++builds_ == 0) {
        std::fill(numbered_.begin(), numbered_.end(), 0u);
        builds_ = 1;
    }
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

int PatchHierarchy::buildRange(Tree& tree, int first, int count, int parent) {
    const int index = static_cast<int>(tree.nodes.size());
    tree.nodes.emplace_back();
    Node node{};
    node.parent = parent;
    node.live = count;
    node.first = first;
    node.count = count;
    if (count <= kLeafSize) {
        // Leaf: bounds straight from its faces.
        node.child[0] = node.child[1] = -1;
        node.minFace = INT_MAX;
        double m[3] = {0.0, 0.0, 0.0};
        for (int i = 0; i < 3; ++i) {
            node.lo[i] = node.normalLo[i] = INFINITY;
            node.hi[i] = node.normalHi[i] = -INFINITY;
        }
        for (int j = first; j < first + count; ++j) {
            const int f = tree.items[static_cast<std::size_t>(j)];
            leafOf_[static_cast<std::size_t>(f)] = index;
            node.minFace = std::min(node.minFace, f);
            const float* box = &faceBox_[static_cast<std::size_t>(f) * 6];
            const Vec3& n = mesh_.faces[static_cast<std::size_t>(f)].norm;
            for (int i = 0; i < 3; ++i) {
                node.lo[i] = std::min(node.lo[i], box[i]);
                node.hi[i] = std::max(node.hi[i], box[3 + i]);
                node.normalLo[i] = std::min(node.normalLo[i], component(n, i));
                node.normalHi[i] = std::max(node.normalHi[i], component(n, i));
                m[i] += component(n, i);
            }
        }
        setAxis(node, m);
        // The leaf's vertices, each once, after those of the leaves before
        // it: every subtree's vertices are then one run of the arrays.
        node.pfirst = static_cast<int>(tree.vertexIds.size());
        for (int j = first; j < first + count; ++j) {
            for (int v :
                 mesh_.faces[static_cast<std::size_t>(tree.items[static_cast<std::size_t>(j)])]
                     .vertex) {
                if (std::find(tree.vertexIds.begin() + node.pfirst, tree.vertexIds.end(), v) !=
                    tree.vertexIds.end())
                    continue;
                const Vec3& p = world_[static_cast<std::size_t>(v)];
                tree.px.push_back(p.x);
                tree.py.push_back(p.y);
                tree.pz.push_back(p.z);
                tree.vertexIds.push_back(v);
            }
        }
        node.pcount = static_cast<int>(tree.vertexIds.size()) - node.pfirst;
        fitCylinder(tree, node);
        fitPlanes(tree, node);
        tree.nodes[static_cast<std::size_t>(index)] = node;
        return index;
    }

    // Split at the median face along the longest extent of six keys: the
    // face boxes' centres (doubled), and the normals' components weighted by
    // the largest of those extents. Faces of one smooth sheet split by
    // position until a node is about as wide as the sheet's radius of
    // curvature; faces whose normals point apart (the two sides of a thin
    // wall, the turns of a wall that winds around itself facing one way or
    // the other) split by normal first, so that the plane bounds of the
    // queries stay tight however the patch winds.
    float clo[3] = {INFINITY, INFINITY, INFINITY}, chi[3] = {-INFINITY, -INFINITY, -INFINITY};
    float normalLo[3] = {INFINITY, INFINITY, INFINITY},
          normalHi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (int j = first; j < first + count; ++j) {
        const int f = tree.items[static_cast<std::size_t>(j)];
        const float* box = &faceBox_[static_cast<std::size_t>(f) * 6];
        const Vec3& n = mesh_.faces[static_cast<std::size_t>(f)].norm;
        for (int i = 0; i < 3; ++i) {
            const float c = box[i] + box[3 + i];
            clo[i] = std::min(clo[i], c);
            chi[i] = std::max(chi[i], c);
            normalLo[i] = std::min(normalLo[i], component(n, i));
            normalHi[i] = std::max(normalHi[i], component(n, i));
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
    // The faces' keys side by side with their numbers, so that the
    // selection compares without fetching boxes; face numbers break ties.
    // The split falls at the middle of the keys' range when that leaves
    // at least an eighth of the faces on either side, else at the median:
    // two clusters of unequal size (a wall's two sides facing one way, half
    // a turn apart) part at the gap between them, where a median cut would
    // leave straddling children level after level.
    std::vector<KeyedFace>& keyed = keyedScratch_;
    keyed.resize(static_cast<std::size_t>(count));
    const float mid = axis < 3 ? 0.5f * (clo[axis] + chi[axis])
                               : 0.5f * (normalLo[axis - 3] + normalHi[axis - 3]);
    int below = 0;
    for (int j = 0; j < count; ++j) {
        const int f = tree.items[static_cast<std::size_t>(first + j)];
        const float* box = &faceBox_[static_cast<std::size_t>(f) * 6];
        const float key = axis < 3
                              ? box[axis] + box[3 + axis]
                              : component(mesh_.faces[static_cast<std::size_t>(f)].norm, axis - 3);
        keyed[static_cast<std::size_t>(j)] = KeyedFace{key, f};
        below += key < mid ? 1 : 0;
    }
    const int half = below >= count / 8 && count - below >= count / 8 && below > 0 && below < count
                         ? below
                         : count / 2;
    std::nth_element(keyed.begin(), keyed.begin() + half, keyed.end(),
                     [](const KeyedFace& a, const KeyedFace& b) {
                         return a.key < b.key || (a.key == b.key && a.face < b.face);
                     });
    for (int j = 0; j < count; ++j)
        tree.items[static_cast<std::size_t>(first + j)] = keyed[static_cast<std::size_t>(j)].face;
    const int left = buildRange(tree, first, half, index);
    const int right = buildRange(tree, first + half, count - half, index);

    // Internal node: bounds from the children's.
    const Node& l = tree.nodes[static_cast<std::size_t>(left)];
    const Node& r = tree.nodes[static_cast<std::size_t>(right)];
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
    fitCylinder(tree, node);
    fitPlanes(tree, node);
    tree.nodes[static_cast<std::size_t>(index)] = node;
    return index;
}

void PatchHierarchy::fitPlanes(const Tree& tree, Node& node) const {
    double c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = 0.5 * (double(node.lo[i]) + node.hi[i]);
    double spread2 = 0.0;
    node.dlo = INFINITY;
    node.dhi = -INFINITY;
    for (int j = node.first; j < node.first + node.count; ++j) {
        const MeshFace& face =
            mesh_.faces[static_cast<std::size_t>(tree.items[static_cast<std::size_t>(j)])];
        const Vec3& q = world_[static_cast<std::size_t>(face.vertex[0])];
        const Vec3& n = face.norm;
        const double d = n.x * (c[0] - q.x) + n.y * (c[1] - q.y) + n.z * (c[2] - q.z);
        node.dlo = std::min(node.dlo, d);
        node.dhi = std::max(node.dhi, d);
        const double e[3] = {n.x - node.axis[0], n.y - node.axis[1], n.z - node.axis[2]};
        spread2 = std::max(spread2, e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    }
    node.spread = std::sqrt(spread2);
}

void PatchHierarchy::fitCylinder(const Tree& tree, Node& node) const {
    double c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = 0.5 * (double(node.lo[i]) + node.hi[i]);
    node.hmin = INFINITY;
    node.hmax = -INFINITY;
    double r2 = 0.0;
    for (int j = node.pfirst; j < node.pfirst + node.pcount; ++j) {
        const double d[3] = {tree.px[static_cast<std::size_t>(j)] - c[0],
                             tree.py[static_cast<std::size_t>(j)] - c[1],
                             tree.pz[static_cast<std::size_t>(j)] - c[2]};
        const double h = node.axis[0] * d[0] + node.axis[1] * d[1] + node.axis[2] * d[2];
        node.hmin = std::min(node.hmin, h);
        node.hmax = std::max(node.hmax, h);
        double e2 = 0.0;
        for (int i = 0; i < 3; ++i) {
            const double e = d[i] - h * node.axis[i];
            e2 += e * e;
        }
        r2 = std::max(r2, e2);
    }
    node.radiusAroundAxis = std::sqrt(r2) * (1.0 + 1e-12);
}

void PatchHierarchy::remove(int patch, int f) {
    std::vector<Node>& nodes = trees_[static_cast<std::size_t>(patch)].nodes;
    for (int n = leafOf_[static_cast<std::size_t>(f)]; n >= 0;
         n = nodes[static_cast<std::size_t>(n)].parent)
        --nodes[static_cast<std::size_t>(n)].live;
}

bool PatchHierarchy::shareVertex(int f, int g) const {
    const int* a = mesh_.faces[static_cast<std::size_t>(f)].vertex;
    const int* b = mesh_.faces[static_cast<std::size_t>(g)].vertex;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (a[i] == b[j]) return true;
        }
    }
    return false;
}

// The exact test: the plane distance of p from face f, in float, snapped,
// on f's allergic side.
namespace {

inline bool planeBeyond(char side, const Vec3& q, const Vec3& n, const Vec3& p) {
    const float d = snapZero((p.x - q.x) * n.x + (p.y - q.y) * n.y + (p.z - q.z) * n.z);
    return side == 'v' ? d > 0.0f : (side == 'c' && d < 0.0f);
}

} // namespace

bool PatchHierarchy::isBeyond(int f, const Vec3& p) const {
    const MeshFace& face = mesh_.faces[static_cast<std::size_t>(f)];
    return planeBeyond(face.side, world_[static_cast<std::size_t>(face.vertex[0])], face.norm, p);
}

bool PatchHierarchy::allergicTo(int f, int pivot) const {
    if (shareVertex(f, pivot)) return false;
    const int* corners = mesh_.faces[static_cast<std::size_t>(pivot)].vertex;
    for (int k = 0; k < 3; ++k) {
        if (isBeyond(f, world_[static_cast<std::size_t>(corners[k])])) return true;
    }
    return false;
}

void PatchHierarchy::cornersOf(int face, double (&p)[3][3]) const {
    for (int k = 0; k < 3; ++k) {
        const Vec3& w =
            world_[static_cast<std::size_t>(mesh_.faces[static_cast<std::size_t>(face)].vertex[k])];
        p[k][0] = w.x;
        p[k][1] = w.y;
        p[k][2] = w.z;
    }
}

namespace {

// Is a value within [lower, upper] in exact arithmetic, computed with
// rounding up to margin, surely beyond the snap window on the allergic side?
bool surelyBeyond(char side, double lower, double upper, double margin) {
    if (side == 'v') return lower - margin > hbx::kZeroSnap;
    return upper + margin < -hbx::kZeroSnap;
}

} // namespace

bool PatchHierarchy::collectAllergicTo(int patch, int pivot, std::vector<int>& out,
                                       std::size_t limit) const {
    const MeshFace& pf = mesh_.faces[static_cast<std::size_t>(pivot)];
    const char side = pf.side;
    if (side != 'v' && side != 'c') return true;
    const Tree& tree = trees_[static_cast<std::size_t>(patch)];
    double p[3][3];
    cornersOf(pivot, p);
    int stack[kStackDepth];
    int top = 0;
    stack[top++] = 0;
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
            for (int j = node.first; j < node.first + node.count; ++j) {
                const int f = tree.items[static_cast<std::size_t>(j)];
                if (f == pivot || patchOf_[static_cast<std::size_t>(f)] != patch) continue;
                if (allergicTo(f, pivot)) out.push_back(f);
            }
            if (out.size() > limit) return false;
            continue;
        }
        stack[top++] = node.child[0];
        stack[top++] = node.child[1];
    }
    return true;
}

bool PatchHierarchy::collectNotAllergicTo(int patch, int pivot, std::vector<int>& out,
                                          std::size_t limit) const {
    const MeshFace& pf = mesh_.faces[static_cast<std::size_t>(pivot)];
    const char side = pf.side;
    const std::size_t start = out.size();
    // The faces around the pivot's corners (the pivot among them) are never
    // allergic to it, wherever their subtrees stand.
    for (int k = 0; k < 3; ++k) {
        const auto v = static_cast<std::size_t>(pf.vertex[k]);
        for (int j = vertexFacesStart_[v]; j < vertexFacesStart_[v + 1]; ++j) {
            const int f = vertexFaces_[static_cast<std::size_t>(j)];
            if (patchOf_[static_cast<std::size_t>(f)] == patch) out.push_back(f);
        }
    }
    std::sort(out.begin() + static_cast<std::ptrdiff_t>(start), out.end());
    out.erase(std::unique(out.begin() + static_cast<std::ptrdiff_t>(start), out.end()), out.end());
    if (out.size() > limit) return false;
    const Tree& tree = trees_[static_cast<std::size_t>(patch)];
    const bool allergic = side == 'v' || side == 'c';
    double p[3][3];
    cornersOf(pivot, p);
    int stack[kStackDepth];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Node& node = tree.nodes[static_cast<std::size_t>(stack[--top])];
        if (node.live == 0) continue;
        bool all = false;
        for (int k = 0; k < 3 && allergic && !all; ++k) {
            double lower, upper, scale;
            planeRange(node, p[k], lower, upper, scale);
            all = surelyBeyond(side, lower, upper, scale * kRounding);
        }
        if (all) continue;
        if (node.child[0] < 0) {
            for (int j = node.first; j < node.first + node.count; ++j) {
                const int f = tree.items[static_cast<std::size_t>(j)];
                if (patchOf_[static_cast<std::size_t>(f)] != patch || shareVertex(f, pivot))
                    continue;
                if (!allergicTo(f, pivot)) out.push_back(f);
            }
            if (out.size() > limit) return false;
            continue;
        }
        stack[top++] = node.child[0];
        stack[top++] = node.child[1];
    }
    return out.size() <= limit;
}

void PatchHierarchy::collectLive(int patch, std::vector<int>& out) const {
    const Tree& tree = trees_[static_cast<std::size_t>(patch)];
    for (const Node& node : tree.nodes) {
        if (node.child[0] >= 0 || node.live == 0) continue;
        for (int j = node.first; j < node.first + node.count; ++j) {
            const int f = tree.items[static_cast<std::size_t>(j)];
            if (patchOf_[static_cast<std::size_t>(f)] == patch) out.push_back(f);
        }
    }
}

} // namespace hbx3
