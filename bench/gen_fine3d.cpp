// 3D benchmark meshes that are hard for a proxy builder rather than typical:
// fine surfaces at unit scale, where every edge (or nearly every) is flat
// within the tools' 0.0001, so that the whole surface starts as one patch that
// splits again and again; and closed walls along flat spirals, whose patches
// wind around themselves with the next turn close by.
#include "bench/gen_mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace hbxbench {
namespace {

constexpr double kPi = 3.14159265358979323846;

long long atLeast(long long v, long long lo) {
    return v < lo ? lo : v;
}

// A closed wall of thickness `width` and height `height` standing on the
// plane z = 0 along the Archimedean spiral r = pitch * theta / (2 pi), from
// the angle `start` on, `perTurn` segments per turn, `segments` in all. Each
// side face has `rows` rows of quads; top and bottom have one quad per
// segment, each end one quad per row. Triangles: segments * (4 + 4 * rows) +
// 4 * rows. Every quad is wound counter-clockwise seen from outside.
GenMesh spiralWall(long long segments, double perTurn, double start, double pitch, double width,
                   double height, long long rows) {
    const double growth = pitch / (2.0 * kPi);
    const long long column = rows + 1;
    GenMesh mesh;
    mesh.is3d = true;
    mesh.pos.reserve(static_cast<std::size_t>((segments + 1) * 2 * column * 3));
    mesh.tri.reserve(static_cast<std::size_t>((segments * (4 + 4 * rows) + 4 * rows) * 3));
    // Per segment end k: the inner column (rows + 1 vertices, bottom to top),
    // then the outer column.
    for (long long k = 0; k <= segments; ++k) {
        const double theta = start + 2.0 * kPi * static_cast<double>(k) / perTurn;
        const double r = growth * theta;
        const double c = std::cos(theta), s = std::sin(theta);
        for (const double radius : {r, r + width}) {
            for (long long j = 0; j <= rows; ++j) {
                const double z = height * static_cast<double>(j) / static_cast<double>(rows);
                mesh.addVertex(radius * c, radius * s, z);
            }
        }
    }
    auto inner = [&](long long k, long long j) { return static_cast<int32_t>(2 * column * k + j); };
    auto outer = [&](long long k, long long j) {
        return static_cast<int32_t>(2 * column * k + column + j);
    };
    auto quad = [&](int32_t a, int32_t b, int32_t c, int32_t d) {
        mesh.addTriangle(a, b, c);
        mesh.addTriangle(a, c, d);
    };
    for (long long k = 0; k < segments; ++k) {
        quad(inner(k, rows), outer(k, rows), outer(k + 1, rows), inner(k + 1, rows)); // top
        quad(inner(k, 0), inner(k + 1, 0), outer(k + 1, 0), outer(k, 0));             // bottom
        for (long long j = 0; j < rows; ++j) {
            quad(outer(k, j), outer(k + 1, j), outer(k + 1, j + 1), outer(k, j + 1));
            quad(inner(k, j), inner(k, j + 1), inner(k + 1, j + 1), inner(k + 1, j));
        }
    }
    for (long long j = 0; j < rows; ++j) {
        quad(inner(0, j), outer(0, j), outer(0, j + 1), inner(0, j + 1));
        quad(inner(segments, j), inner(segments, j + 1), outer(segments, j + 1),
             outer(segments, j));
    }
    return mesh;
}

long long wallSegments(long long triangles, long long rows) {
    return atLeast(
        std::llround(static_cast<double>(triangles - 4 * rows) / static_cast<double>(4 + 4 * rows)),
        3);
}

// A geodesic sphere: each of the icosahedron's 20 faces cut into
// frequency^2 triangles, numbered face by face and row by row within a
// face, so that consecutive triangles lie close together but the rows and
// faces jump; each vertex at the radius `radius` gives its direction.
template <class Radius> GenMesh icoSphere(long long frequency, Radius radius) {
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    const double corners[12][3] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                                   {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                                   {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                              {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                              {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                              {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    const long long n = frequency;
    GenMesh mesh;
    mesh.is3d = true;
    mesh.tri.reserve(static_cast<std::size_t>(20 * n * n * 3));
    auto place = [&](const std::array<double, 3>& p) {
        const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        const double x = p[0] / len, y = p[1] / len, z = p[2] / len;
        const double r = radius(x, y, z);
        return mesh.addVertex(r * x, r * y, r * z);
    };
    auto lerp = [&](int a, int b, long long i) {
        std::array<double, 3> p{};
        for (int k = 0; k < 3; ++k)
            p[static_cast<std::size_t>(k)] = corners[a][k] + (corners[b][k] - corners[a][k]) *
                                                                 static_cast<double>(i) /
                                                                 static_cast<double>(n);
        return p;
    };
    // Shared vertices: the corners, then each edge's inner points from its
    // lower corner up; a face's inner points are its own.
    std::vector<int32_t> corner(12);
    for (int c = 0; c < 12; ++c)
        corner[static_cast<std::size_t>(c)] = place(lerp(c, c, 0));
    std::map<std::pair<int, int>, int32_t> edgeStart;
    auto edgePoint = [&](int a, int b, long long i) { // i steps from a toward b, 0 < i < n
        const auto key = std::minmax(a, b);
        auto it = edgeStart.find(key);
        if (it == edgeStart.end()) {
            const int32_t first = static_cast<int32_t>(mesh.pos.size() / 3);
            for (long long k = 1; k < n; ++k)
                place(lerp(key.first, key.second, k));
            it = edgeStart.emplace(key, first).first;
        }
        const long long k = a < b ? i : n - i;
        return static_cast<int32_t>(it->second + (k - 1));
    };
    std::vector<int32_t> grid(static_cast<std::size_t>((n + 1) * (n + 1)));
    for (const auto& f : faces) {
        const int a = f[0], b = f[1], c = f[2];
        // Point (i, j): a + (b - a) i / n + (c - a) j / n.
        auto at = [&](long long i, long long j) -> int32_t& {
            return grid[static_cast<std::size_t>(i * (n + 1) + j)];
        };
        for (long long i = 0; i <= n; ++i) {
            for (long long j = 0; i + j <= n; ++j) {
                if (i == 0 && j == 0) {
                    at(i, j) = corner[static_cast<std::size_t>(a)];
                } else if (i == n) {
                    at(i, j) = corner[static_cast<std::size_t>(b)];
                } else if (j == n) {
                    at(i, j) = corner[static_cast<std::size_t>(c)];
                } else if (j == 0) {
                    at(i, j) = edgePoint(a, b, i);
                } else if (i == 0) {
                    at(i, j) = edgePoint(a, c, j);
                } else if (i + j == n) {
                    at(i, j) = edgePoint(b, c, j);
                } else {
                    std::array<double, 3> p{};
                    for (int k = 0; k < 3; ++k)
                        p[static_cast<std::size_t>(k)] =
                            corners[a][k] +
                            (corners[b][k] - corners[a][k]) * static_cast<double>(i) /
                                static_cast<double>(n) +
                            (corners[c][k] - corners[a][k]) * static_cast<double>(j) /
                                static_cast<double>(n);
                    at(i, j) = place(p);
                }
            }
        }
        for (long long i = 0; i < n; ++i) {
            for (long long j = 0; i + j < n; ++j) {
                mesh.addTriangle(at(i, j), at(i + 1, j), at(i, j + 1));
                if (i + j + 1 < n) mesh.addTriangle(at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
            }
        }
    }
    return mesh;
}

} // namespace

// A geodesic sphere of radius 1 with 40 seeded bumps and dents up to 0.3
// high (Gaussian profiles 0.15 to 0.4 radians wide): at 1,000,000
// triangles nearly every edge is flat within 0.0001, and the row-by-row
// numbering of the 20 faces sends the merge sweep's descending chain
// through tens of thousands of steps.
GenMesh makeBlob(long long triangles, uint64_t seed) {
    SeededRandom random(seed);
    std::vector<SphereBump> bumps(40);
    for (SphereBump& b : bumps) {
        randomBumpCentre(random, b);
        b.height = random.uniform(-0.3, 0.3);
        const double width = random.uniform(0.15, 0.4);
        b.inverseWidth = 1.0 / (width * width);
    }
    const long long frequency =
        atLeast(std::llround(std::sqrt(static_cast<double>(triangles) / 20.0)), 1);
    return icoSphere(
        frequency, [&](double x, double y, double z) { return bumpedRadius(bumps, 1.0, x, y, z); });
}

// A torus of radii 1 and 0.4 on a grid twice as long around the axis as
// around the tube (1,000 x 500 at 1,000,000 triangles): from about 600,000
// triangles on every edge is flat within 0.0001.
GenMesh makeFineTorus(long long triangles, uint64_t) {
    const long long tube =
        atLeast(std::llround(std::sqrt(static_cast<double>(triangles) / 4.0)), 3);
    return torusGrid(2 * tube, tube, 1.0, 0.4);
}

// The bumpy sphere at radius 1 instead of 100: at 1,000,000 triangles nearly
// every edge is flat within 0.0001, except across the narrowest dents.
GenMesh makeFineBumpy(long long triangles, uint64_t seed) {
    return bumpySphere(triangles, seed, 0.01);
}

// A scan-like surface: the unit-radius bumpy sphere of a 64th of the
// triangles, Loop-subdivided three times (about 2,000,000 triangles from a
// request of 2,000,000), smooth and finely tessellated everywhere.
GenMesh makeScan(long long triangles, uint64_t seed) {
    GenMesh mesh = bumpySphere(atLeast(triangles / 64, 8), seed, 0.01);
    for (int step = 0; step < 3; ++step)
        mesh = loopSubdivide(mesh);
    return mesh;
}

// A low wall (one row of quads per side) 0.06 thick and 0.05 high, in 3 turns
// 0.1 apart from radius 0.2 on: a gap of 0.04 between turns, and very long
// turns (about 4,200 segments each at 100,000 triangles).
GenMesh makeWall(long long triangles, uint64_t) {
    const long long rows = 1;
    const long long segments = wallSegments(triangles, rows);
    return spiralWall(segments, static_cast<double>(segments) / 3.0, 4.0 * kPi, 0.1, 0.06, 0.05,
                      rows);
}

// The low wall in 10 turns (about 1,250 segments each at 100,000 triangles):
// every side patch has more turns close by.
GenMesh makeWall10(long long triangles, uint64_t) {
    const long long rows = 1;
    const long long segments = wallSegments(triangles, rows);
    return spiralWall(segments, static_cast<double>(segments) / 10.0, 4.0 * kPi, 0.1, 0.06, 0.05,
                      rows);
}

// The 3-turn spiral as a tall wall (1.0 high, 40 rows of quads per side from
// 100,000 triangles on, fewer below, so that a turn keeps at least 40
// segments), so that each turn has few segments (about 200 at 100,000
// triangles) and its side patches are tall strips facing the next turn.
GenMesh makeTallWall(long long triangles, uint64_t) {
    const long long rows =
        std::min(40LL, atLeast(std::llround(static_cast<double>(triangles) / 2500.0), 1));
    const long long segments = wallSegments(triangles, rows);
    return spiralWall(segments, static_cast<double>(segments) / 3.0, 4.0 * kPi, 0.1, 0.06, 1.0,
                      rows);
}

} // namespace hbxbench
