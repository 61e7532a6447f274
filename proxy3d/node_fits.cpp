#include "proxy3d/node_fits.h"

#include <algorithm>
#include <cmath>

namespace hbx3 {
namespace {

using Node = FaceTreeNode;

// The relative widening of joined bounds (node_fits.h).
constexpr double kJoinSlack = 1e-12;

void boxCentre(const Node& node, double* c) {
    for (int i = 0; i < 3; ++i)
        c[i] = 0.5 * (double(node.lo[i]) + node.hi[i]);
}

double dot(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double norm(const double* v) {
    return std::sqrt(dot(v, v));
}

// d = to's box centre - from's.
void centreOffset(const Node& from, const Node& to, double* d) {
    double a[3], b[3];
    boxCentre(from, a);
    boxCentre(to, b);
    for (int i = 0; i < 3; ++i)
        d[i] = b[i] - a[i];
}

// |v - (axis . v) axis|: v's distance from the line through the origin
// along the unit axis.
double offAxis(const double* axis, const double* v) {
    const double h = dot(axis, v);
    const double e[3] = {v[0] - h * axis[0], v[1] - h * axis[1], v[2] - h * axis[2]};
    return norm(e);
}

} // namespace

void setAxis(Node& node, const double* m) {
    const double len = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    for (int i = 0; i < 3; ++i)
        node.axis[i] = len > 0.0 ? m[i] / len : (i == 2 ? 1.0 : 0.0);
}

void fitCylinder(const FaceTree& tree, Node& node) {
    double c[3];
    boxCentre(node, c);
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

// Widens node's hmin, hmax and radiusAroundAxis (its box and axis set) to
// hold the vertices held by child: those lie in the child's box and in its
// cylinder, the points c' + h a' + e with c' the child's box centre, a' its
// axis, h in [hmin', hmax'] and e across a' no longer than its radius. On
// the node's axis a about its centre c, such a point lies at
// a . (c' - c) + h (a . a') + a . e, where |a . e| <= |a x a'| |e|; its
// distance from the node's axis line is at most that of c' + h a' (largest
// at an end of the h range, distance being convex) plus |e|. The box gives
// the same two bounds at its corners; the tighter of each is kept.
void holdChildCylinder(const Node& child, Node& node) {
    double c[3], d[3];
    boxCentre(node, c);
    centreOffset(node, child, d);
    const double* a = node.axis;
    const double* ac = child.axis;
    const double cross[3] = {a[1] * ac[2] - a[2] * ac[1], a[2] * ac[0] - a[0] * ac[2],
                             a[0] * ac[1] - a[1] * ac[0]};
    const double sine = norm(cross), cosine = dot(a, ac);
    const double base = dot(a, d);
    double boxReach = 0.0;
    for (int i = 0; i < 3; ++i)
        boxReach += std::fabs(a[i]) * 0.5 * (double(child.hi[i]) - child.lo[i]);
    const double across = child.radiusAroundAxis * sine;
    const double lower = std::max(
        base + std::min(cosine * child.hmin, cosine * child.hmax) - across, base - boxReach);
    const double upper = std::min(
        base + std::max(cosine * child.hmin, cosine * child.hmax) + across, base + boxReach);
    const double slack = kJoinSlack * (std::fabs(base) + std::fabs(child.hmin) +
                                       std::fabs(child.hmax) + child.radiusAroundAxis + boxReach);
    node.hmin = std::min(node.hmin, lower - slack);
    node.hmax = std::max(node.hmax, upper + slack);

    double cylinder = 0.0;
    for (const double h : {child.hmin, child.hmax}) {
        const double v[3] = {d[0] + h * ac[0], d[1] + h * ac[1], d[2] + h * ac[2]};
        cylinder = std::max(cylinder, offAxis(a, v));
    }
    cylinder += child.radiusAroundAxis;
    double corners = 0.0;
    for (int k = 0; k < 8; ++k) {
        const double v[3] = {double((k & 1) ? child.hi[0] : child.lo[0]) - c[0],
                             double((k & 2) ? child.hi[1] : child.lo[1]) - c[1],
                             double((k & 4) ? child.hi[2] : child.lo[2]) - c[2]};
        corners = std::max(corners, offAxis(a, v));
    }
    node.radiusAroundAxis =
        std::max(node.radiusAroundAxis, std::min(cylinder, corners) * (1.0 + kJoinSlack));
}

// Widens node's spread, dlo and dhi (its box and axis set) to hold the
// planes held by child. A face of the child with normal n and plane point q
// has n . (c - q) = n . (c' - q) + n . (c - c'), c and c' the two box
// centres: the first term within the child's [dlo, dhi], the second within
// a' . (c - c') +- spread' |c - c'| (a' the child's axis) and within the
// range over the child's box of normals, whichever is tighter. And
// |n - a| <= |n - a'| + |a' - a|.
void holdChildPlanes(const Node& child, Node& node) {
    double d[3];
    centreOffset(child, node, d);
    const double reach = norm(d);
    const double along = dot(child.axis, d);
    double boxLower = 0.0, boxUpper = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double x = child.normalLo[i] * d[i], y = child.normalHi[i] * d[i];
        boxLower += std::min(x, y);
        boxUpper += std::max(x, y);
    }
    const double lower = std::max(along - child.spread * reach, boxLower);
    const double upper = std::min(along + child.spread * reach, boxUpper);
    const double slack = kJoinSlack * (std::fabs(child.dlo) + std::fabs(child.dhi) + 2.0 * reach);
    node.dlo = std::min(node.dlo, child.dlo + lower - slack);
    node.dhi = std::max(node.dhi, child.dhi + upper + slack);
    const double tilt[3] = {child.axis[0] - node.axis[0], child.axis[1] - node.axis[1],
                            child.axis[2] - node.axis[2]};
    node.spread = std::max(node.spread, (child.spread + norm(tilt)) * (1.0 + kJoinSlack));
}

void fitPlanes(const FacePlane* planes, Node& node) {
    double c[3];
    boxCentre(node, c);
    double spread2 = 0.0;
    node.dlo = INFINITY;
    node.dhi = -INFINITY;
    for (int j = node.first; j < node.first + node.count; ++j) {
        const FacePlane& p = planes[j];
        const double d = p.nx * (c[0] - p.qx) + p.ny * (c[1] - p.qy) + p.nz * (c[2] - p.qz);
        node.dlo = std::min(node.dlo, d);
        node.dhi = std::max(node.dhi, d);
        const double e[3] = {p.nx - node.axis[0], p.ny - node.axis[1], p.nz - node.axis[2]};
        spread2 = std::max(spread2, e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    }
    node.spread = std::sqrt(spread2);
}

} // namespace hbx3
