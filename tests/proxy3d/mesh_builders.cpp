#include "tests/proxy3d/mesh_builders.h"

#include "proxy3d/classify_mesh.h"
#include "proxy3d/edge_face_normals.h"
#include "proxy3d/edge_matching.h"
#include "proxy3d/face_normals.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace hbx3test {

using hbx3::Mesh3D;
using hbx3::Vec3;

Mesh3D fromLists(const std::vector<Vec3>& positions, const std::vector<std::vector<int>>& corners) {
    Mesh3D mesh;
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (const Vec3& p : positions) {
        sum[0] += p.x;
        sum[1] += p.y;
        sum[2] += p.z;
    }
    const float count = static_cast<float>(positions.size());
    mesh.meshCentre = Vec3{sum[0] / count, sum[1] / count, sum[2] / count};
    for (const Vec3& p : positions) {
        hbx3::MeshVertex v;
        v.pos = Vec3{p.x - mesh.meshCentre.x, p.y - mesh.meshCentre.y, p.z - mesh.meshCentre.z};
        mesh.vertices.push_back(v);
    }
    for (std::size_t f = 0; f < corners.size(); ++f) {
        hbx3::MeshFace face;
        for (int k = 0; k < 3; ++k)
            face.vertex[k] = corners[f][static_cast<std::size_t>(k)];
        face.patch = static_cast<int>(f);
        mesh.faces.push_back(face);
    }
    return mesh;
}

namespace {

char randomSide(std::mt19937& rng) {
    const int r = std::uniform_int_distribution<int>(0, 9)(rng);
    return r < 5 ? 'v' : (r < 8 ? 'c' : 'm');
}

// Either keep the classified sides, make them all one letter, or scatter
// random letters.
void mixSides(Mesh3D& mesh, std::mt19937& rng) {
    const int mode = std::uniform_int_distribution<int>(0, 3)(rng);
    if (mode == 0) return;
    const char one = randomSide(rng);
    for (hbx3::MeshFace& f : mesh.faces)
        f.side = mode == 1 ? one : randomSide(rng);
}

} // namespace

Mesh3D meshOf(std::initializer_list<Vec3> positions,
              std::initializer_list<std::initializer_list<int>> corners) {
    std::vector<std::vector<int>> lists;
    for (auto c : corners)
        lists.emplace_back(c);
    return fromLists(std::vector<Vec3>(positions), lists);
}

void derive(Mesh3D& mesh) {
    hbx3::computeFaceNormals(mesh);
    hbx3::matchEdges(mesh);
    hbx3::classifyMesh(mesh);
}

Mesh3D randomSoup(std::mt19937& rng) {
    const int vertexCount = std::uniform_int_distribution<int>(4, 14)(rng);
    const int faceCount = std::uniform_int_distribution<int>(2, 40)(rng);
    std::uniform_int_distribution<int> lattice(-4, 4);
    std::uniform_int_distribution<int> nudge(0, 7);
    std::vector<Vec3> positions;
    for (int v = 0; v < vertexCount; ++v) {
        Vec3 p{lattice(rng) * 0.25f, lattice(rng) * 0.25f, lattice(rng) * 0.25f};
        // Some vertices sit just inside or outside the snap window.
        if (nudge(rng) == 0) p.z += 0.00009f;
        if (nudge(rng) == 0) p.z -= 0.00011f;
        positions.push_back(p);
    }
    std::uniform_int_distribution<int> pick(0, vertexCount - 1);
    std::vector<std::vector<int>> corners;
    for (int f = 0; f < faceCount; ++f)
        corners.push_back({pick(rng), pick(rng), pick(rng)});
    Mesh3D mesh = fromLists(positions, corners);
    derive(mesh);
    mixSides(mesh, rng);
    return mesh;
}

Mesh3D randomTerrain(std::mt19937& rng, int maxSide) {
    const int w = std::uniform_int_distribution<int>(2, maxSide)(rng);
    const int h = std::uniform_int_distribution<int>(2, maxSide)(rng);
    std::uniform_int_distribution<int> height(-3, 3);
    std::vector<Vec3> positions;
    for (int y = 0; y <= h; ++y) {
        for (int x = 0; x <= w; ++x)
            positions.push_back(
                Vec3{static_cast<float>(x), static_cast<float>(y), height(rng) * 0.5f});
    }
    std::vector<std::vector<int>> corners;
    std::bernoulli_distribution flip(0.3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int a = y * (w + 1) + x, b = a + 1, c = a + w + 1, d = c + 1;
            if (flip(rng)) {
                corners.push_back({a, b, d});
                corners.push_back({a, d, c});
            } else {
                corners.push_back({a, b, c});
                corners.push_back({b, d, c});
            }
        }
    }
    // Shuffle the face order so that face numbers and positions disagree.
    std::shuffle(corners.begin(), corners.end(), rng);
    Mesh3D mesh = fromLists(positions, corners);
    derive(mesh);
    mixSides(mesh, rng);
    return mesh;
}

Mesh3D wholeSideTorus(std::mt19937& rng, int rings, int segments, char side) {
    std::vector<Vec3> positions;
    for (int i = 0; i < rings; ++i) {
        const double u = 2.0 * 3.141592653589793 * i / rings;
        for (int j = 0; j < segments; ++j) {
            const double v = 2.0 * 3.141592653589793 * j / segments;
            const double r = 1.0 + 0.4 * std::cos(v);
            positions.push_back(Vec3{static_cast<float>(r * std::cos(u)),
                                     static_cast<float>(r * std::sin(u)),
                                     static_cast<float>(0.4 * std::sin(v))});
        }
    }
    std::vector<std::vector<int>> corners;
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            const int a = i * segments + j, b = ((i + 1) % rings) * segments + j;
            const int c = i * segments + (j + 1) % segments,
                      d = ((i + 1) % rings) * segments + (j + 1) % segments;
            corners.push_back({a, b, d});
            corners.push_back({a, d, c});
        }
    }
    std::shuffle(corners.begin(), corners.end(), rng);
    Mesh3D mesh = fromLists(positions, corners);
    derive(mesh);
    for (hbx3::MeshFace& f : mesh.faces)
        f.side = side;
    return mesh;
}

// A closed wall of rectangular section (thickness x height) along a flat
// spiral of `turns` turns, r = 1 + gap * angle / 2 pi, rising by `pitch` per
// turn, `rings` sections, the two ends closed by fans.
Mesh3D spiralWall(int turns, int rings, double gap, double thickness, double height, double pitch) {
    std::vector<Vec3> positions;
    const double pi = 3.141592653589793, end = 2.0 * pi * turns;
    const double corner[4][2] = {{0.5, 0.0}, {0.5, 1.0}, {-0.5, 1.0}, {-0.5, 0.0}};
    auto centre = [&](int i, double* c, double* n) {
        const double t = end * i / rings, r = 1.0 + gap * t / (2.0 * pi), dr = gap / (2.0 * pi);
        const double dx = dr * std::cos(t) - r * std::sin(t),
                     dy = dr * std::sin(t) + r * std::cos(t);
        const double len = std::sqrt(dx * dx + dy * dy);
        c[0] = r * std::cos(t);
        c[1] = r * std::sin(t);
        c[2] = pitch * t / (2.0 * pi);
        n[0] = dy / len;
        n[1] = -dx / len;
    };
    for (int i = 0; i <= rings; ++i) {
        double c[3], n[2];
        centre(i, c, n);
        for (const auto& k : corner)
            positions.push_back(Vec3{static_cast<float>(c[0] + k[0] * thickness * n[0]),
                                     static_cast<float>(c[1] + k[0] * thickness * n[1]),
                                     static_cast<float>(c[2] + k[1] * height)});
    }
    for (const int i : {0, rings}) {
        double c[3], n[2];
        centre(i, c, n);
        positions.push_back(Vec3{static_cast<float>(c[0]), static_cast<float>(c[1]),
                                 static_cast<float>(c[2] + 0.5 * height)});
    }
    auto at = [](int i, int j) { return i * 4 + j % 4; };
    std::vector<std::vector<int>> corners;
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < 4; ++j) {
            corners.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            corners.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
    const int first = 4 * (rings + 1);
    for (int j = 0; j < 4; ++j) {
        corners.push_back({first, at(0, j), at(0, j + 1)});
        corners.push_back({first + 1, at(rings, j + 1), at(rings, j)});
    }
    Mesh3D mesh = fromLists(positions, corners);
    derive(mesh);
    return mesh;
}

} // namespace hbx3test
