// Invariants of 3D proxy files.
#include "hbxcheck/checks.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace hbxcheck {

namespace {

using hbx::Edge3;
using hbx::Face3;
using hbx::Vec3;

std::string str(std::int64_t n) {
    return std::to_string(n);
}

// Edges longer than this have a direction that the printed positions give
// to well within the tolerance below; shorter ones are not compared.
constexpr double kMinDirectionLength = 1e-3;
// The tool sets unit vector components below 0.0001 to zero, so a unit
// vector may stray from the printed positions' direction by about that.
constexpr double kMinDirectionCosine = 0.999;

bool pointsAlong(const Vec3& u, const Vec3& from, const Vec3& to) {
    const double dx = double(to.x) - from.x, dy = double(to.y) - from.y, dz = double(to.z) - from.z;
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (len < kMinDirectionLength) return true;
    return (u.x * dx + u.y * dy + u.z * dz) / len >= kMinDirectionCosine;
}

void checkEdges(const hbx::ShapeFile& f, Findings& out) {
    const auto& p = f.proxy3d;
    // Sorting the vertex pairs finds edge lines that join the same vertices.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> pairs;
    pairs.reserve(p.edges.size());
    for (std::size_t i = 0; i < p.edges.size(); ++i) {
        const Edge3& e = p.edges[i];
        const std::uint64_t line = hbx::edgeLine(f, i);
        if (!isUnitOrZero(e.unitVect)) {
            out.add(line, "the unit vector does not have length 1");
        } else if (!pointsAlong(e.unitVect, p.vertices[e.vtx1].pos, p.vertices[e.vtx2].pos)) {
            out.add(line, "the unit vector does not point from vertex " + str(e.vtx1 + 1) +
                              " to vertex " + str(e.vtx2 + 1));
        }
        const auto a = static_cast<std::uint64_t>(std::min(e.vtx1, e.vtx2));
        const auto b = static_cast<std::uint64_t>(std::max(e.vtx1, e.vtx2));
        pairs.emplace_back(a << 32 | b, static_cast<std::uint32_t>(i));
    }
    std::sort(pairs.begin(), pairs.end());
    for (std::size_t k = 1; k < pairs.size(); ++k) {
        if (pairs[k].first == pairs[k - 1].first) {
            out.add(hbx::edgeLine(f, pairs[k].second),
                    "joins the same vertices as edge " + str(pairs[k - 1].second + 1) + " (line " +
                        str(hbx::edgeLine(f, pairs[k - 1].second)) + ")");
        }
    }
}

// The side letter the tool gives a face with these edge letters.
char sideOf(const char letters[3]) {
    bool open = false, convex = false, concave = false;
    for (int k = 0; k < 3; ++k) {
        open |= letters[k] == 'h';
        convex |= letters[k] == 'o';
        concave |= letters[k] == 'i';
    }
    if (open || (convex && concave)) return 'm';
    return convex ? 'v' : 'c';
}

void checkFaces(const hbx::ShapeFile& f, std::vector<std::uint32_t>& uses, Findings& out) {
    const auto& p = f.proxy3d;
    struct PatchInfo {
        char side;
        std::size_t face;
    };
    std::unordered_map<std::int64_t, PatchInfo> patches;
    for (std::size_t i = 0; i < p.faces.size(); ++i) {
        const Face3& face = p.faces[i];
        const std::uint64_t line = hbx::faceLine(f, i);
        char letters[3];
        bool joined = true;
        for (int k = 0; k < 3; ++k) {
            const Edge3& e = p.edges[face.edge[k]];
            const std::int32_t a = face.vtx[k], b = face.vtx[(k + 1) % 3];
            letters[k] = e.type;
            ++uses[face.edge[k]];
            if (!((e.vtx1 == a && e.vtx2 == b) || (e.vtx1 == b && e.vtx2 == a))) {
                out.add(line, "edge " + str(face.edge[k] + 1) + " does not join vertices " +
                                  str(a + 1) + " and " + str(b + 1));
                joined = false;
            }
            if (!isUnitOrZero(face.efsNorm[k])) {
                out.add(line, "the edge-face normal of edge " + str(face.edge[k] + 1) +
                                  " does not have length 1");
            }
        }
        if (!isUnitOrZero(face.norm)) out.add(line, "the face normal does not have length 1");
        if (joined && sideOf(letters) != face.side) {
            out.add(line, std::string("side '") + face.side + "' does not match its edges '" +
                              letters[0] + letters[1] + letters[2] + "' (expected '" +
                              sideOf(letters) + "')");
        }
        if (face.patch < 0) {
            out.add(line, "negative patch number " + str(face.patch));
            continue;
        }
        const auto [it, fresh] = patches.try_emplace(face.patch, PatchInfo{face.side, i});
        if (!fresh && it->second.side != face.side) {
            out.add(line, "patch " + str(face.patch) + " holds sides '" + it->second.side +
                              "' (line " + str(hbx::faceLine(f, it->second.face)) + ") and '" +
                              face.side + "'");
        }
    }
}

void checkEdgeUse(const hbx::ShapeFile& f, const std::vector<std::uint32_t>& uses, Findings& out) {
    const auto& p = f.proxy3d;
    for (std::size_t i = 0; i < p.edges.size(); ++i) {
        const std::uint64_t line = hbx::edgeLine(f, i);
        if (uses[i] == 0) {
            out.add(line, "no face uses this edge");
        } else if (p.edges[i].type == 'h' && uses[i] != 1) {
            out.add(line, "open edge ('h') used by " + str(uses[i]) + " faces");
        } else if (p.edges[i].type != 'h' && uses[i] == 1) {
            out.add(line, std::string("edge '") + p.edges[i].type +
                              "' used by one face only: an edge of one face is open ('h')");
        }
    }
}

// Vertex letters follow from the letters of the edges at the vertex; only
// the choice between 'h' and 'n' on a flat open border needs the geometry,
// and is left alone.
void checkVertices(const hbx::ShapeFile& f, Findings& out) {
    const auto& p = f.proxy3d;
    enum : std::uint8_t { Open = 1, Convex = 2, Concave = 4 };
    std::vector<std::uint8_t> seen(p.vertices.size(), 0);
    for (const Edge3& e : p.edges) {
        const std::uint8_t bit = e.type == 'h'   ? Open
                                 : e.type == 'o' ? Convex
                                 : e.type == 'i' ? Concave
                                                 : 0;
        seen[e.vtx1] |= bit;
        seen[e.vtx2] |= bit;
    }
    for (std::size_t i = 0; i < p.vertices.size(); ++i) {
        const std::uint8_t s = seen[i];
        const char type = p.vertices[i].type;
        std::string expected;
        if (s & (Convex | Concave)) {
            if ((s & Open) || (s & Convex && s & Concave))
                expected = "h";
            else
                expected = (s & Convex) ? "o" : "i";
        } else {
            expected = (s & Open) ? "hn" : "n";
        }
        if (expected.find(type) == std::string::npos) {
            out.add(hbx::vertexLine(f, i),
                    std::string("vertex type '") + type + "' does not match its edges (expected '" +
                        expected[0] + "'" + (expected.size() > 1 ? " or 'n'" : "") + ")");
        }
    }
}

} // namespace

void checkProxy3D(const hbx::ShapeFile& f, Findings& out) {
    checkEdges(f, out);
    std::vector<std::uint32_t> uses(f.proxy3d.edges.size(), 0);
    checkFaces(f, uses, out);
    checkEdgeUse(f, uses, out);
    checkVertices(f, out);
}

} // namespace hbxcheck
