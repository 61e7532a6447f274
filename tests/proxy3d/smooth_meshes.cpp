#include "tests/proxy3d/smooth_meshes.h"

#include "tests/proxy3d/mesh_builders.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

namespace hbx3test {
namespace {

constexpr double kPi = 3.141592653589793;

hbx3::Vec3 scaled(double x, double y, double z, double s) {
    return hbx3::Vec3{static_cast<float>(x * s), static_cast<float>(y * s),
                      static_cast<float>(z * s)};
}

// Two triangles per quad of a grid of rings x segments vertices, closed in
// the segment direction and, when `closedRings`, in the ring direction.
void gridFaces(Surface& s, int first, int rings, int segments, bool closedRings) {
    const int last = closedRings ? rings : rings - 1;
    for (int i = 0; i < last; ++i) {
        for (int j = 0; j < segments; ++j) {
            const int a = first + i * segments + j, b = first + ((i + 1) % rings) * segments + j;
            const int c = first + i * segments + (j + 1) % segments;
            const int d = first + ((i + 1) % rings) * segments + (j + 1) % segments;
            s.corners.push_back({a, b, d});
            s.corners.push_back({a, d, c});
        }
    }
}

} // namespace

Surface torusSurface(int rings, int segments, double scale) {
    Surface s;
    for (int i = 0; i < rings; ++i) {
        const double u = 2.0 * kPi * i / rings;
        for (int j = 0; j < segments; ++j) {
            const double v = 2.0 * kPi * j / segments;
            const double r = 1.0 + 0.4 * std::cos(v);
            s.positions.push_back(
                scaled(r * std::cos(u), r * std::sin(u), 0.4 * std::sin(v), scale));
        }
    }
    gridFaces(s, 0, rings, segments, true);
    return s;
}

Surface bumpySphere(int rings, int segments, double scale, double bump, std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    double centres[4][3];
    for (auto& c : centres) {
        const double z = unit(rng), t = kPi * unit(rng), r = std::sqrt(1.0 - z * z);
        c[0] = r * std::cos(t);
        c[1] = r * std::sin(t);
        c[2] = z;
    }
    auto radius = [&](double x, double y, double z) {
        double r = 1.0;
        for (const auto& c : centres) {
            const double d2 =
                (x - c[0]) * (x - c[0]) + (y - c[1]) * (y - c[1]) + (z - c[2]) * (z - c[2]);
            r += bump * std::exp(-4.0 * d2);
        }
        return r;
    };
    Surface s;
    s.positions.push_back(scaled(0, 0, radius(0, 0, 1), scale));
    s.positions.push_back(scaled(0, 0, -radius(0, 0, -1), scale));
    for (int i = 1; i < rings; ++i) {
        const double theta = kPi * i / rings;
        for (int j = 0; j < segments; ++j) {
            const double phi = 2.0 * kPi * j / segments;
            const double x = std::sin(theta) * std::cos(phi), y = std::sin(theta) * std::sin(phi);
            const double z = std::cos(theta), r = radius(x, y, z);
            s.positions.push_back(scaled(r * x, r * y, r * z, scale));
        }
    }
    for (int j = 0; j < segments; ++j) {
        const int next = (j + 1) % segments;
        s.corners.push_back({0, 2 + j, 2 + next});
        s.corners.push_back({1, 2 + (rings - 2) * segments + next, 2 + (rings - 2) * segments + j});
    }
    gridFaces(s, 2, rings - 1, segments, false);
    return s;
}

Surface loopSubdivided(int times, double scale, std::mt19937& rng) {
    std::uniform_real_distribution<double> stretch(0.7, 1.4);
    std::vector<std::array<double, 3>> p = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                            {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
    for (auto& v : p)
        for (double& x : v)
            x *= stretch(rng);
    std::vector<std::array<int, 3>> f = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                         {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    for (int round = 0; round < times; ++round) {
        // Neighbours of each vertex and the far corners of each edge.
        std::vector<std::vector<int>> around(p.size());
        std::map<std::pair<int, int>, std::vector<int>> far;
        for (const auto& t : f) {
            for (int k = 0; k < 3; ++k) {
                const int a = t[k], b = t[(k + 1) % 3], c = t[(k + 2) % 3];
                around[a].push_back(b);
                far[{std::min(a, b), std::max(a, b)}].push_back(c);
            }
        }
        std::vector<std::array<double, 3>> q(p.size());
        for (std::size_t v = 0; v < p.size(); ++v) {
            const double n = static_cast<double>(around[v].size());
            const double beta = n > 3 ? 3.0 / (8.0 * n) : 3.0 / 16.0;
            for (int d = 0; d < 3; ++d) {
                double sum = 0.0;
                for (int w : around[v])
                    sum += p[w][d];
                q[v][d] = (1.0 - n * beta) * p[v][d] + beta * sum;
            }
        }
        std::map<std::pair<int, int>, int> middle;
        for (const auto& [edge, corners] : far) {
            std::array<double, 3> m{};
            for (int d = 0; d < 3; ++d)
                m[d] = 0.375 * (p[edge.first][d] + p[edge.second][d]) +
                       0.125 * (p[corners[0]][d] + p[corners[1]][d]);
            middle[edge] = static_cast<int>(q.size());
            q.push_back(m);
        }
        auto mid = [&](int a, int b) { return middle[{std::min(a, b), std::max(a, b)}]; };
        std::vector<std::array<int, 3>> g;
        for (const auto& t : f) {
            const int ab = mid(t[0], t[1]), bc = mid(t[1], t[2]), ca = mid(t[2], t[0]);
            g.push_back({t[0], ab, ca});
            g.push_back({ab, t[1], bc});
            g.push_back({ca, bc, t[2]});
            g.push_back({ab, bc, ca});
        }
        p = std::move(q);
        f = std::move(g);
    }
    Surface s;
    for (const auto& v : p)
        s.positions.push_back(scaled(v[0], v[1], v[2], scale));
    for (const auto& t : f)
        s.corners.push_back({t[0], t[1], t[2]});
    return s;
}

hbx3::Mesh3D derivedMesh(Surface surface, std::mt19937* shuffle) {
    if (shuffle) std::shuffle(surface.corners.begin(), surface.corners.end(), *shuffle);
    hbx3::Mesh3D mesh = fromLists(surface.positions, surface.corners);
    derive(mesh);
    return mesh;
}

} // namespace hbx3test
