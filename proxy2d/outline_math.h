// The two exact primitives every later phase of the 2D builder leans on: the
// ray crossing (normals and safe points) and the line distance (types and
// allergies).
//
// Both are written exactly as the results must come out: every intermediate
// is a float formed in the order below (the build forbids fused multiply-add),
// and the few comparisons against double constants stay double comparisons.
// Spatial indexes may skip calls to rayCrossing but never replace it.
#pragma once

#include "frontend/geometry_limits.h"
#include "proxy2d/mesh2d.h"

namespace hbx2 {

// A ray and its line a1*x + b1*y = c1, formed once per ray from the origin O
// and the direction D (a unit vector or zero) through the second point O + D.
struct RayLine {
    float ox, oy; // O
    float dx, dy; // D
    float a1, b1, c1;
};

inline RayLine makeRayLine(float ox, float oy, float dx, float dy) {
    RayLine r;
    r.ox = ox;
    r.oy = oy;
    r.dx = dx;
    r.dy = dy;
    const float o2x = ox + dx;
    const float o2y = oy + dy;
    r.a1 = o2y - oy;
    r.b1 = ox - o2x;
    r.c1 = ox * r.a1 + oy * r.b1;
    return r;
}

// What the crossing test needs of one outline edge: its end positions,
// direction and length.
struct EdgeSegment {
    float q1x, q1y, q2x, q2y;
    float vx, vy;
    float length;
};

inline EdgeSegment segmentOf(const Mesh2D& mesh, const MeshEdge2D& e) {
    const MeshVertex2D& v1 = mesh.vertices[e.vtx1];
    const MeshVertex2D& v2 = mesh.vertices[e.vtx2];
    return EdgeSegment{v1.pos[0], v1.pos[1], v2.pos[0], v2.pos[1], e.vect[0], e.vect[1], e.length};
}

// Open: a line through either end of the edge does not cross it (the rule of
// every count and every first search). Closed: the ends count too (the second
// search for a safe point that found nothing).
enum class EdgeEnds { Open, Closed };

struct Crossing {
    float x, y; // the crossing point I
    float s;    // ray parameter: < 0 behind the origin, > 0 in front
};

// The arithmetic of the crossing test, for one edge (F = float) or for
// several edges in the lanes of a float vector: each lane performs exactly the
// float operations below, in this order.
template <typename F> struct CrossingParts {
    F det;  // 0: the lines are parallel (or the ray has no direction)
    F x, y; // the crossing point I of the two lines
    F t;    // I's position along the edge, from vtx1
    F s;    // I's position along the ray, from the origin
};

template <typename F>
inline CrossingParts<F> crossingParts(F a1, F b1, F c1, F ox, F oy, F dx, F dy, F q1x, F q1y, F q2x,
                                      F q2y, F vx, F vy) {
    const F a2 = q2y - q1y;
    const F b2 = q1x - q2x;
    const F c2 = q1x * a2 + q1y * b2;
    CrossingParts<F> p;
    p.det = a1 * b2 - a2 * b1;
    p.x = (b2 * c1 - b1 * c2) / p.det;
    p.y = (a1 * c2 - a2 * c1) / p.det;
    p.t = (p.x - q1x) * vx + (p.y - q1y) * vy;
    p.s = (p.x - ox) * dx + (p.y - oy) * dy;
    return p;
}

// Intersects the ray's line with the edge's line. Returns true and fills out
// when the lines are not parallel and meet inside the edge (t strictly
// between 0 and the length for Open, 0 and the length included for Closed)
// at a point other than the origin. (Where det is 0 the other parts are not
// looked at.)
inline bool rayCrossing(const RayLine& r, const EdgeSegment& e, EdgeEnds ends, Crossing* out) {
    const CrossingParts<float> p = crossingParts<float>(r.a1, r.b1, r.c1, r.ox, r.oy, r.dx, r.dy,
                                                        e.q1x, e.q1y, e.q2x, e.q2y, e.vx, e.vy);
    if (p.det == 0.0f) return false;
    if (ends == EdgeEnds::Open) {
        if (!(p.t > 0.0f && p.t < e.length)) return false;
    } else {
        if (!(p.t >= 0.0f && p.t <= e.length)) return false;
    }
    if (p.s == 0.0f) return false;
    out->x = p.x;
    out->y = p.y;
    out->s = p.s;
    return true;
}

// Signed distance of point p from the line of edge e through q (the position
// of e.vtx1) along e.norm, snapped to 0 inside (-kZeroSnap, kZeroSnap).
// Positive: p lies on the side the normal points to, outside the mesh.
inline float lineDistance(const MeshEdge2D& e, const float* q, const float* p) {
    return hbx::snapZero(e.norm[1] * (p[1] - q[1]) + e.norm[0] * (p[0] - q[0]));
}

} // namespace hbx2

namespace hbx2 {

// Whether outline edge i is allergic to outline edge m of its patch: m is
// another edge sharing no vertex with i, and one of m's ends lies outside
// i's line for a 'v' edge, inside it for a 'c' edge. 'm' edges are never
// allergic.
inline bool isAllergic(const Mesh2D& mesh, int i, int m) {
    if (m == i) return false;
    const MeshEdge2D& ei = mesh.edges[i];
    const MeshEdge2D& em = mesh.edges[m];
    if (em.vtx1 == ei.vtx1 || em.vtx1 == ei.vtx2 || em.vtx2 == ei.vtx1 || em.vtx2 == ei.vtx2)
        return false;
    const float* q = mesh.vertices[ei.vtx1].pos;
    const float d1 = lineDistance(ei, q, mesh.vertices[em.vtx1].pos);
    const float d2 = lineDistance(ei, q, mesh.vertices[em.vtx2].pos);
    if (ei.type == 'c') return d1 < 0.0f || d2 < 0.0f;
    if (ei.type == 'v') return d1 > 0.0f || d2 > 0.0f;
    return false;
}

} // namespace hbx2
