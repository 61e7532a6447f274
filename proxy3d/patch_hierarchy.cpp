#include "patch_hierarchy.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace hbx3 {
namespace {

constexpr int kLeafSize = 4;
// The exact test's float rounding stays below 4 units in the last place of
// the sum of |n_i| |p_i - q_i|; the bounds are widened by far more.
constexpr double kRounding = 1e-6;

float component(const Vec3& v, int i) { return i == 0 ? v.x : (i == 1 ? v.y : v.z); }

// Could a value of at most `upper` and at least `lower` (in exact
// arithmetic), computed with rounding up to `margin`, come out beyond the
// snap window on the allergic side?
bool mayBeBeyond(char side, double lower, double upper, double margin) {
    if (side == 'v') return upper + margin >= 0.0001;
    return lower - margin <= -0.0001;
}

} // namespace

PatchHierarchy::PatchHierarchy(const Mesh3D& mesh, const std::vector<int>& patchOf)
    : mesh_(mesh), patchOf_(patchOf) {
    world_.resize(mesh.vertices.size());
    for (std::size_t v = 0; v < world_.size(); ++v) world_[v] = filePosition(mesh, static_cast<int>(v));
    centroid_.resize(mesh.faces.size());
    for (std::size_t f = 0; f < centroid_.size(); ++f) {
        const MeshFace& face = mesh.faces[f];
        const Vec3& a = world_[static_cast<std::size_t>(face.vertex[0])];
        const Vec3& b = world_[static_cast<std::size_t>(face.vertex[1])];
        const Vec3& c = world_[static_cast<std::size_t>(face.vertex[2])];
        centroid_[f] = Vec3{a.x + b.x + c.x, a.y + b.y + c.y, a.z + b.z + c.z};
    }
    leafOf_.assign(mesh.faces.size(), -1);
}

int PatchHierarchy::build(const int* faces, int count) {
    const int first = static_cast<int>(items_.size());
    items_.insert(items_.end(), faces, faces + count);
    return buildRange(first, count, -1);
}

int PatchHierarchy::buildRange(int first, int count, int parent) {
    const int index = static_cast<int>(nodes_.size());
    nodes_.emplace_back();
    Node node{};
    for (int i = 0; i < 3; ++i) {
        node.lo[i] = node.nlo[i] = INFINITY;
        node.hi[i] = node.nhi[i] = -INFINITY;
    }
    node.parent = parent;
    node.live = count;
    node.minFace = INT_MAX;
    float clo[3] = {INFINITY, INFINITY, INFINITY}, chi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (int j = first; j < first + count; ++j) {
        const int f = items_[static_cast<std::size_t>(j)];
        const MeshFace& face = mesh_.faces[static_cast<std::size_t>(f)];
        node.minFace = std::min(node.minFace, f);
        for (int i = 0; i < 3; ++i) {
            for (int k = 0; k < 3; ++k) {
                const float p = component(world_[static_cast<std::size_t>(face.vertex[k])], i);
                node.lo[i] = std::min(node.lo[i], p);
                node.hi[i] = std::max(node.hi[i], p);
            }
            const float n = component(face.norm, i);
            node.nlo[i] = std::min(node.nlo[i], n);
            node.nhi[i] = std::max(node.nhi[i], n);
            const float c = component(centroid_[static_cast<std::size_t>(f)], i);
            clo[i] = std::min(clo[i], c);
            chi[i] = std::max(chi[i], c);
        }
    }
    if (count <= kLeafSize) {
        node.child[0] = node.child[1] = -1;
        node.first = first;
        node.count = count;
        for (int j = first; j < first + count; ++j) leafOf_[static_cast<std::size_t>(items_[static_cast<std::size_t>(j)])] = index;
        nodes_[static_cast<std::size_t>(index)] = node;
        return index;
    }
    int axis = 0;
    for (int i = 1; i < 3; ++i) {
        if (chi[i] - clo[i] > chi[axis] - clo[axis]) axis = i;
    }
    const int half = count / 2;
    auto begin = items_.begin() + first;
    std::nth_element(begin, begin + half, begin + count, [&](int a, int b) {
        const float ca = component(centroid_[static_cast<std::size_t>(a)], axis);
        const float cb = component(centroid_[static_cast<std::size_t>(b)], axis);
        return ca < cb || (ca == cb && a < b);
    });
    node.first = first;
    node.count = count;
    nodes_[static_cast<std::size_t>(index)] = node;
    const int left = buildRange(first, half, index);
    const int right = buildRange(first + half, count - half, index);
    nodes_[static_cast<std::size_t>(index)].child[0] = left;
    nodes_[static_cast<std::size_t>(index)].child[1] = right;
    return index;
}

void PatchHierarchy::remove(int f) {
    for (int n = leafOf_[static_cast<std::size_t>(f)]; n >= 0; n = nodes_[static_cast<std::size_t>(n)].parent)
        --nodes_[static_cast<std::size_t>(n)].live;
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
bool PatchHierarchy::isBeyond(int f, const Vec3& p) const {
    const MeshFace& face = mesh_.faces[static_cast<std::size_t>(f)];
    const Vec3& q = world_[static_cast<std::size_t>(face.vertex[0])];
    const Vec3& n = face.norm;
    const float d = snapZero((p.x - q.x) * n.x + (p.y - q.y) * n.y + (p.z - q.z) * n.z);
    return face.side == 'v' ? d > 0.0f : (face.side == 'c' && d < 0.0f);
}

int PatchHierarchy::lowestAllergen(int root, int patch, int f) const {
    const MeshFace& face = mesh_.faces[static_cast<std::size_t>(f)];
    const char side = face.side;
    if (side != 'v' && side != 'c') return -1;
    const Vec3& q = world_[static_cast<std::size_t>(face.vertex[0])];
    const double n[3] = {face.norm.x, face.norm.y, face.norm.z};
    const double qd[3] = {q.x, q.y, q.z};
    int best = INT_MAX;
    int stack[128];
    int top = 0;
    stack[top++] = root;
    while (top > 0) {
        const Node& node = nodes_[static_cast<std::size_t>(stack[--top])];
        if (node.live == 0 || node.minFace >= best) continue;
        double lower = 0.0, upper = 0.0, scale = 0.0;
        for (int i = 0; i < 3; ++i) {
            const double a = n[i] * (node.lo[i] - qd[i]);
            const double b = n[i] * (node.hi[i] - qd[i]);
            lower += std::min(a, b);
            upper += std::max(a, b);
            scale += std::max(std::fabs(a), std::fabs(b));
        }
        if (!mayBeBeyond(side, lower, upper, scale * kRounding)) continue;
        if (node.child[0] < 0) {
            for (int j = node.first; j < node.first + node.count; ++j) {
                const int g = items_[static_cast<std::size_t>(j)];
                if (g >= best || g == f || patchOf_[static_cast<std::size_t>(g)] != patch) continue;
                if (shareVertex(f, g)) continue;
                const int* gv = mesh_.faces[static_cast<std::size_t>(g)].vertex;
                for (int k = 0; k < 3; ++k) {
                    if (isBeyond(f, world_[static_cast<std::size_t>(gv[k])])) {
                        best = g;
                        break;
                    }
                }
            }
            continue;
        }
        // Visit the child with the lower face numbers first, so the lowest
        // allergen is found early and prunes the rest.
        int c0 = node.child[0], c1 = node.child[1];
        if (nodes_[static_cast<std::size_t>(c0)].minFace > nodes_[static_cast<std::size_t>(c1)].minFace) std::swap(c0, c1);
        stack[top++] = c1;
        stack[top++] = c0;
    }
    return best == INT_MAX ? -1 : best;
}

void PatchHierarchy::collectAllergicTo(int root, int patch, int pivot, std::vector<int>& out) const {
    const MeshFace& pf = mesh_.faces[static_cast<std::size_t>(pivot)];
    const char side = pf.side;
    if (side != 'v' && side != 'c') return;
    double p[3][3];
    for (int k = 0; k < 3; ++k) {
        const Vec3& w = world_[static_cast<std::size_t>(pf.vertex[k])];
        p[k][0] = w.x;
        p[k][1] = w.y;
        p[k][2] = w.z;
    }
    int stack[128];
    int top = 0;
    stack[top++] = root;
    while (top > 0) {
        const Node& node = nodes_[static_cast<std::size_t>(stack[--top])];
        if (node.live == 0) continue;
        // Bound the plane distance of each pivot corner over every face of
        // the node: normals within [nlo, nhi], planes through a vertex
        // within [lo, hi].
        bool may = false;
        for (int k = 0; k < 3 && !may; ++k) {
            double lower = 0.0, upper = 0.0, scale = 0.0;
            for (int i = 0; i < 3; ++i) {
                const double t0 = p[k][i] - node.hi[i];
                const double t1 = p[k][i] - node.lo[i];
                const double c[4] = {node.nlo[i] * t0, node.nlo[i] * t1, node.nhi[i] * t0, node.nhi[i] * t1};
                lower += std::min(std::min(c[0], c[1]), std::min(c[2], c[3]));
                upper += std::max(std::max(c[0], c[1]), std::max(c[2], c[3]));
                scale += std::max(std::max(std::fabs(c[0]), std::fabs(c[1])),
                                  std::max(std::fabs(c[2]), std::fabs(c[3])));
            }
            may = mayBeBeyond(side, lower, upper, scale * kRounding);
        }
        if (!may) continue;
        if (node.child[0] < 0) {
            for (int j = node.first; j < node.first + node.count; ++j) {
                const int f = items_[static_cast<std::size_t>(j)];
                if (f == pivot || patchOf_[static_cast<std::size_t>(f)] != patch) continue;
                if (shareVertex(f, pivot)) continue;
                for (int k = 0; k < 3; ++k) {
                    if (isBeyond(f, world_[static_cast<std::size_t>(pf.vertex[k])])) {
                        out.push_back(f);
                        break;
                    }
                }
            }
            continue;
        }
        stack[top++] = node.child[0];
        stack[top++] = node.child[1];
    }
}

void PatchHierarchy::collectLive(int root, int patch, std::vector<int>& out) const {
    std::vector<int> stack{root};
    while (!stack.empty()) {
        const Node& node = nodes_[static_cast<std::size_t>(stack.back())];
        stack.pop_back();
        if (node.live == 0) continue;
        if (node.child[0] < 0) {
            for (int j = node.first; j < node.first + node.count; ++j) {
                const int f = items_[static_cast<std::size_t>(j)];
                if (patchOf_[static_cast<std::size_t>(f)] == patch) out.push_back(f);
            }
            continue;
        }
        stack.push_back(node.child[0]);
        stack.push_back(node.child[1]);
    }
}

} // namespace hbx3
