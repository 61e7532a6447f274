#include "tests/proxy2d/proxy2d_support.h"

#include "proxy2d/normals.h"
#include "proxy2d/obj_read2d.h"
#include "proxy2d/outline.h"
#include "proxy2d/outline_index.h"
#include "proxy2d/outline_types.h"
#include "proxy2d/patches.h"
#include "proxy2d/safe_points.h"
#include "tests/proxy2d/plain_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace hbx2test {

using namespace hbx2;

std::string objText(const std::vector<Point>& points, const std::vector<std::vector<int>>& faces) {
    std::string s;
    char buf[96];
    for (const Point& p : points) {
        std::snprintf(buf, sizeof buf, "v %.9g %.9g 0\n", p.x, p.y);
        s += buf;
    }
    for (const auto& f : faces) {
        s += "f";
        for (int c : f)
            s += " " + std::to_string(c);
        s += "\n";
    }
    return s;
}

namespace {
int countNotes(const std::string& out) {
    int n = 0;
    for (std::size_t p = 0; (p = out.find("NOTE: Allergies found\n", p)) != std::string::npos; ++p)
        ++n;
    return n;
}
} // namespace

Built buildIndexed(const std::string& obj) {
    Built b;
    if (!readObjMesh2D(obj, b.mesh)) return b;
    b.ok = true;
    findOutline(b.mesh);
    const OutlineIndex index(b.mesh);
    orientNormals(b.mesh, index);
    classifyOutline(b.mesh);
    placeSafePoints(b.mesh, index);
    testing::internal::CaptureStdout();
    buildPatches(b.mesh, &b.stats);
    b.notes = countNotes(testing::internal::GetCapturedStdout());
    return b;
}

Built buildPlain(const std::string& obj) {
    Built b;
    if (!readObjMesh2D(obj, b.mesh)) return b;
    b.ok = true;
    b.notes = plainDerive(b.mesh);
    return b;
}

namespace {
bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
} // namespace

std::string compareRecords(const Mesh2D& a, const Mesh2D& b) {
    if (a.vertices.size() != b.vertices.size() || a.edges.size() != b.edges.size())
        return "record counts differ";
    for (std::size_t i = 0; i < a.vertices.size(); ++i) {
        const MeshVertex2D &x = a.vertices[i], &y = b.vertices[i];
        if (x.onOutline != y.onOutline || x.type != y.type || x.edge[0] != y.edge[0] ||
            x.edge[1] != y.edge[1] || !sameBits(x.pos[0], y.pos[0]) ||
            !sameBits(x.pos[1], y.pos[1]) || !sameBits(x.safe[0], y.safe[0]) ||
            !sameBits(x.safe[1], y.safe[1]))
            return "vertex " + std::to_string(i) + ": type " + x.type + "/" + y.type + " safe " +
                   std::to_string(x.safe[0]) + "," + std::to_string(x.safe[1]) + " / " +
                   std::to_string(y.safe[0]) + "," + std::to_string(y.safe[1]);
    }
    for (std::size_t i = 0; i < a.edges.size(); ++i) {
        const MeshEdge2D &x = a.edges[i], &y = b.edges[i];
        if (x.outline != y.outline) return "edge " + std::to_string(i) + ": outline mark";
        if (!x.outline) continue;
        if (x.type != y.type) return "edge " + std::to_string(i) + ": type";
        if (!sameBits(x.norm[0], y.norm[0]) || !sameBits(x.norm[1], y.norm[1]))
            return "edge " + std::to_string(i) + ": normal";
        if (!sameBits(x.vect[0], y.vect[0]) || !sameBits(x.vect[1], y.vect[1]) ||
            !sameBits(x.length, y.length))
            return "edge " + std::to_string(i) + ": direction";
        if (x.patch != y.patch)
            return "edge " + std::to_string(i) + ": patch " + std::to_string(x.patch) + " / " +
                   std::to_string(y.patch);
    }
    return "";
}

namespace {

// Renumbers the points at random and shuffles the faces.
void shuffleMesh(std::mt19937& rng, RandomMesh& m) {
    std::vector<int> perm(m.points.size());
    for (std::size_t i = 0; i < perm.size(); ++i)
        perm[i] = static_cast<int>(i);
    std::shuffle(perm.begin(), perm.end(), rng);
    std::vector<Point> points(m.points.size());
    for (std::size_t i = 0; i < perm.size(); ++i)
        points[perm[i]] = m.points[i];
    m.points = points;
    for (auto& f : m.faces)
        for (int& c : f)
            c = perm[c - 1] + 1;
    std::shuffle(m.faces.begin(), m.faces.end(), rng);
}

} // namespace

RandomMesh gridMesh(std::mt19937& rng, int w, int h, double fill, double scale, double shift,
                    double jitter) {
    RandomMesh m;
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::map<std::pair<int, int>, int> ids;
    auto vid = [&](int x, int y) {
        auto it = ids.find({x, y});
        if (it != ids.end()) return it->second;
        const double jx = jitter * (u(rng) - 0.5), jy = jitter * (u(rng) - 0.5);
        m.points.push_back({x * scale + shift + jx, y * scale + shift + jy});
        const int id = static_cast<int>(m.points.size());
        ids[{x, y}] = id;
        return id;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (u(rng) >= fill) continue;
            const int a = vid(x, y), b = vid(x + 1, y), c = vid(x + 1, y + 1), d = vid(x, y + 1);
            const double kind = u(rng);
            std::vector<std::vector<int>> faces;
            if (kind < 0.2)
                faces = {{a, b, c, d}};
            else if (kind < 0.6)
                faces = {{a, b, c}, {a, c, d}};
            else
                faces = {{a, b, d}, {b, c, d}};
            for (auto& f : faces) {
                if (u(rng) < 0.5) std::reverse(f.begin(), f.end());
                std::rotate(f.begin(), f.begin() + (rng() % f.size()), f.end());
                m.faces.push_back(f);
            }
        }
    shuffleMesh(rng, m);
    return m;
}

RandomMesh starMesh(std::mt19937& rng, int k) {
    RandomMesh m;
    std::uniform_real_distribution<double> r(0.3, 1.0);
    m.points.push_back({0.0, 0.0});
    for (int i = 0; i < k; ++i) {
        const double a = 2.0 * 3.14159265358979 * i / k;
        // Some corners on whole numbers so rays meet them exactly.
        const double rad = (rng() % 3 == 0) ? 1.0 : r(rng);
        m.points.push_back({rad * std::cos(a), rad * std::sin(a)});
    }
    for (int i = 0; i < k; ++i)
        m.faces.push_back({1, 2 + i, 2 + (i + 1) % k});
    shuffleMesh(rng, m);
    return m;
}

RandomMesh spiralMesh(std::mt19937& rng, int segments, double turns) {
    RandomMesh m;
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double width = 0.4 + 0.4 * u(rng);
    const double growth = (width + 0.3) / (2.0 * 3.14159265358979);
    for (int k = 0; k <= segments; ++k) {
        const double a = 2.0 * 3.14159265358979 * turns * k / segments;
        const double r = 1.0 + growth * a;
        m.points.push_back({(r - width / 2) * std::cos(a), (r - width / 2) * std::sin(a)});
        m.points.push_back({(r + width / 2) * std::cos(a), (r + width / 2) * std::sin(a)});
    }
    for (int k = 0; k < segments; ++k) {
        const int in0 = 2 * k + 1, out0 = 2 * k + 2, in1 = 2 * k + 3, out1 = 2 * k + 4;
        if (u(rng) < 0.5) {
            m.faces.push_back({in0, out0, out1});
            m.faces.push_back({in0, out1, in1});
        } else {
            m.faces.push_back({in0, out0, in1});
            m.faces.push_back({out0, out1, in1});
        }
    }
    shuffleMesh(rng, m);
    return m;
}

RandomMesh soupMesh(std::mt19937& rng, int triangles) {
    RandomMesh m;
    std::uniform_int_distribution<int> coord(-6, 6);
    for (int t = 0; t < triangles; ++t) {
        std::vector<int> f;
        for (int c = 0; c < 3; ++c) {
            if (!m.points.empty() && rng() % 3 == 0) {
                f.push_back(1 + static_cast<int>(rng() % m.points.size()));
            } else {
                m.points.push_back({double(coord(rng)), double(coord(rng))});
                f.push_back(static_cast<int>(m.points.size()));
            }
        }
        m.faces.push_back(f);
    }
    shuffleMesh(rng, m);
    return m;
}

} // namespace hbx2test
