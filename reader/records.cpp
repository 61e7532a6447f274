#include "reader/records.h"

namespace hbx::detail {

namespace {

bool vec3(LineScan& s, Vec3& v) {
    return s.space() && s.real(v.x) && s.space() && s.real(v.y) && s.space() && s.real(v.z);
}

bool vec2(LineScan& s, Vec2& v) {
    return s.space() && s.real(v.x) && s.space() && s.real(v.y);
}

} // namespace

bool parseRadius(LineScan& s, float& radius) {
    return s.literal("radius") && s.space() && s.real(radius) && s.lineEnd();
}

bool parseCentre(LineScan& s, int dimensions, Vec3& c) {
    if (!s.literal("centre") || !s.space() || !s.real(c.x) || !s.space() || !s.real(c.y))
        return false;
    c.z = 0.0f;
    if (dimensions == 3 && (!s.space() || !s.real(c.z))) return false;
    return s.lineEnd();
}

bool parseVertex3(LineScan& s, Vertex3& v) {
    return s.literal("v") && s.letter(v.type, "oihn", "vertex type") && vec3(s, v.pos) &&
           s.lineEnd();
}

bool parseEdge3(LineScan& s, std::size_t vertexCount, Edge3& e) {
    return s.literal("e") && s.letter(e.type, "oinh", "edge type") && s.space() &&
           s.index(e.vtx1, vertexCount, "vertex") && s.space() &&
           s.index(e.vtx2, vertexCount, "vertex") && vec3(s, e.unitVect) && s.lineEnd();
}

bool parseFace3(LineScan& s, std::size_t vertexCount, std::size_t edgeCount, Face3& f) {
    if (!s.literal("f") || !s.letter(f.side, "vcm", "face side")) return false;
    for (std::int32_t& v : f.vtx) {
        if (!s.space() || !s.index(v, vertexCount, "vertex")) return false;
    }
    for (int k = 0; k < 3; ++k) {
        if (!s.space() || !s.index(f.edge[k], edgeCount, "edge") || !vec3(s, f.efsNorm[k]))
            return false;
    }
    return vec3(s, f.norm) && s.space() && s.integer(f.patch) && s.lineEnd();
}

bool parseVertex2(LineScan& s, Vertex2& v) {
    return s.literal("v") && s.letter(v.type, "oin", "vertex type") && vec2(s, v.pos) &&
           vec2(s, v.safe) && s.lineEnd();
}

bool parseEdge2(LineScan& s, std::size_t vertexCount, Edge2& e) {
    return s.literal("e") && s.letter(e.type, "cvm", "edge type") && s.space() &&
           s.index(e.vtx1, vertexCount, "vertex") && s.space() &&
           s.index(e.vtx2, vertexCount, "vertex") && vec2(s, e.vect) && vec2(s, e.norm) &&
           s.space() && s.integer(e.patch) && s.lineEnd();
}

} // namespace hbx::detail
