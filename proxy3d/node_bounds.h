// Bounds over the vertices and planes held by a node of a face tree, shared
// by the allergy queries.
#pragma once

#include "frontend/geometry_limits.h"
#include "proxy3d/face_tree.h"

#include <algorithm>
#include <cmath>

namespace hbx3 {

// How far the exact test's float result can stray from the exact value, as
// a share of S = sum |n_i| |p_i - q_i|: each difference and each product is
// rounded once (relative error u = 2^-24 each) and the two sums once each,
// which stays below (4u + O(u^2)) S, about 2.4e-7 S. The bounds are widened
// by this share, rounded up.
constexpr double kRounding = 3e-7;

using Node = FaceTreeNode;

// Room for the nodes a depth-first traversal holds: one per level and one
// more. A split leaves at least an eighth of a node's faces on either side,
// so a tree over fewer than 2^31 faces has fewer than 160 levels.
constexpr int kStackDepth = 192;

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
    across = std::min(across, std::sqrt(perp2) * node.radiusAroundAxis);
    const double slab = offset + std::max(along * node.hmin, along * node.hmax) + across;
    return std::min(offset + boxWidth, slab);
}

// What planeRange computes before its square roots: p's offset t from the
// node's box centre, the bounds of n . t from the normals' box, the slab
// axis's share of t, and the sums the scale is made of.
struct PlaneRangeStart {
    double t[3];
    double boxLower = 0.0, boxUpper = 0.0, along = 0.0, t2 = 0.0, half2 = 0.0, boxScale = 0.0;
};

inline PlaneRangeStart planeRangeStart(const Node& node, const double* p) {
    PlaneRangeStart s;
    for (int i = 0; i < 3; ++i) {
        s.t[i] = p[i] - 0.5 * (double(node.lo[i]) + node.hi[i]);
        const double half = 0.5 * (double(node.hi[i]) - node.lo[i]);
        const double a = node.normalLo[i] * s.t[i], b = node.normalHi[i] * s.t[i];
        s.boxLower += std::min(a, b);
        s.boxUpper += std::max(a, b);
        s.boxScale += std::max(std::fabs(node.normalLo[i]), std::fabs(node.normalHi[i])) *
                      (std::fabs(s.t[i]) + half);
        s.along += node.axis[i] * s.t[i];
        s.t2 += s.t[i] * s.t[i];
        s.half2 += half * half;
    }
    return s;
}

// The range [lower, upper] of the plane distance n . (p - q) of point p over
// every face of node (normal n, plane point q), in exact arithmetic, and in
// scale a bound of sum |n_i| |p_i - q_i| over those faces, which sizes the
// float rounding of the exact test. With t = p - c (c the box centre),
// n . (p - q) = n . t + n . (c - q): the second term lies within the node's
// [dlo, dhi]; the first within the tightest of the bounds from the normals'
// box and from their cone (axis . t +- spread |t|). The rounding of these
// double computations (relative 2^-52 on terms no larger than scale) is far
// inside the float rounding margin the callers add. s is planeRangeStart of
// the node and p.
inline void planeRangeFinish(const Node& node, const PlaneRangeStart& s, double& lower,
                             double& upper, double& scale) {
    const double reach = std::sqrt(s.t2);
    const double cone = node.spread * reach;
    lower = std::max(s.boxLower, s.along - cone) + node.dlo;
    upper = std::min(s.boxUpper, s.along + cone) + node.dhi;
    // |n| <= 1 (unit normals in float, a little over 1 at most) and
    // |p - q| <= |t| + the half diagonal.
    scale = std::min(s.boxScale, (1.0 + 1e-6) * (reach + std::sqrt(s.half2)));
}

inline void planeRange(const Node& node, const double* p, double& lower, double& upper,
                       double& scale) {
    planeRangeFinish(node, planeRangeStart(node, p), lower, upper, scale);
}

} // namespace hbx3
