// Bounds over the vertices held by a node of a patch hierarchy, shared by
// the hierarchy's queries.
#pragma once

#include "patch_hierarchy.h"

#include <algorithm>
#include <cmath>

namespace hbx3 {

// How far the exact test's float result can stray from the exact value, as
// a share of S = sum |n_i| |p_i - q_i|: each difference and each product is
// rounded once (relative error u = 2^-24 each) and the two sums once each,
// which stays below (4u + O(u^2)) S, about 2.4e-7 S. The bounds are widened
// by this share, rounded up.
constexpr double kRounding = 3e-7;

using Node = PatchHierarchy::Node;

// An upper bound of n . (p - q) over the vertices p held by node, in exact
// arithmetic: the tighter of the box bound and the slab-and-cylinder bound
// (the part along the node's axis from its slab, the rest from its box or
// from its radius around the axis, whichever is smaller). scale receives a
// bound of sum |n_i| |p_i - q_i|, which sizes the float rounding of the
// exact test.
inline double nodeUpper(const Node& node, const double* n, const double* q, double& scale) {
    double offset = 0.0, boxWidth = 0.0, along = 0.0;
    double half[3];
    scale = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double d = 0.5 * (double(node.lo[i]) + node.hi[i]) - q[i];
        half[i] = 0.5 * (double(node.hi[i]) - node.lo[i]);
        const double a = std::fabs(n[i]);
        offset += n[i] * d;
        boxWidth += a * half[i];
        along += n[i] * node.axis[i];
        scale += a * (std::fabs(d) + half[i]);
    }
    double across = 0.0, perp2 = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double e = n[i] - along * node.axis[i];
        across += std::fabs(e) * half[i];
        perp2 += e * e;
    }
    across = std::min(across, std::sqrt(perp2) * node.rperp);
    const double slab = offset + std::max(along * node.hmin, along * node.hmax) + across;
    return std::min(offset + boxWidth, slab);
}

} // namespace hbx3
