// Invariants of 2D proxy files, and the few of spheres and circles.
#include "hbxcheck/checks.h"

#include <cmath>
#include <unordered_map>

namespace hbxcheck {

namespace {

using hbx::Edge2;
using hbx::Vec2;
using hbx::Vertex2;

std::string str(std::int64_t n) {
    return std::to_string(n);
}

constexpr double kMinDirectionLength = 1e-3;
constexpr double kMinDirectionCosine = 0.999;

bool pointsAlong(const Vec2& u, const Vec2& from, const Vec2& to) {
    const double dx = double(to.x) - from.x, dy = double(to.y) - from.y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len < kMinDirectionLength) return true;
    return (u.x * dx + u.y * dy) / len >= kMinDirectionCosine;
}

// The tool turns the direction a quarter turn and keeps or reverses it, so
// the printed normal is the printed direction turned, exactly.
bool isPerpendicular(const Vec2& norm, const Vec2& vect) {
    return (norm.x == -vect.y && norm.y == vect.x) || (norm.x == vect.y && norm.y == -vect.x);
}

} // namespace

void checkAnalytic(const hbx::ShapeFile& f, Findings& out) {
    if (f.radius < 0.0f) out.add(f.lines.radius, "the radius is negative");
}

void checkProxy2D(const hbx::ShapeFile& f, Findings& out) {
    const auto& p = f.proxy2d;
    std::vector<std::uint32_t> degree(p.vertices.size(), 0);
    struct PatchInfo {
        char type;
        std::size_t edge;
    };
    std::unordered_map<std::int64_t, PatchInfo> patches;
    for (std::size_t i = 0; i < p.edges.size(); ++i) {
        const Edge2& e = p.edges[i];
        const std::uint64_t line = hbx::edgeLine(f, i);
        ++degree[e.vtx1];
        ++degree[e.vtx2];
        if (!isUnitOrZero(e.vect)) {
            out.add(line, "the direction does not have length 1");
        } else if (!pointsAlong(e.vect, p.vertices[e.vtx1].pos, p.vertices[e.vtx2].pos)) {
            out.add(line, "the direction does not point from vertex " + str(e.vtx1 + 1) +
                              " to vertex " + str(e.vtx2 + 1));
        }
        if (!isPerpendicular(e.norm, e.vect)) {
            out.add(line, "the normal is not the direction turned a quarter turn");
        }
        if (e.patch < 0) {
            out.add(line, "negative patch number " + str(e.patch));
            continue;
        }
        const auto [it, fresh] = patches.try_emplace(e.patch, PatchInfo{e.type, i});
        if (!fresh && it->second.type != e.type) {
            out.add(line, "patch " + str(e.patch) + " holds edges '" + it->second.type +
                              "' (line " + str(hbx::edgeLine(f, it->second.edge)) + ") and '" +
                              e.type + "'");
        }
    }
    for (std::size_t i = 0; i < p.vertices.size(); ++i) {
        const Vertex2& v = p.vertices[i];
        const std::uint64_t line = hbx::vertexLine(f, i);
        if (degree[i] == 0) {
            out.add(line, "no outline edge touches this vertex");
        } else if (degree[i] % 2 != 0) {
            out.add(line, "the outline is not closed here: " + str(degree[i]) +
                              (degree[i] == 1 ? " edge touches" : " edges touch") + " this vertex");
        }
        if (v.type == 'n' && (v.safe.x != 0.0f || v.safe.y != 0.0f)) {
            out.add(line, "a straight vertex ('n') has the safe point (0, 0)");
        } else if (v.type != 'n' && v.safe.x == v.pos.x && v.safe.y == v.pos.y) {
            out.add(line, std::string("corner '") + v.type +
                              "' without a safe point (it is the vertex itself)");
        }
    }
}

} // namespace hbxcheck
