// Loop subdivision: the smooth, finely tessellated surfaces that scanners and
// modelling programs export, made from a coarse generated mesh.
//
// One step cuts every triangle into four at its edge midpoints and smooths
// the positions with Loop's weights: a new edge vertex is 3/8 of each end plus
// 1/8 of each far corner of the edge's two triangles; an old vertex of n
// neighbours keeps 1 - n * beta of itself and takes beta of each neighbour,
// beta = (5/8 - (3/8 + cos(2 pi / n) / 4)^2) / n.
#include "bench/gen_mesh.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace hbxbench {

// Reads a closed mesh in which every edge joins two triangles of opposite
// directions (the generator's closed kinds). Fills a new mesh: the old
// vertices first (same order), then one vertex per edge in order of first use
// by the triangles, and four triangles per old triangle, wound like it. The
// result is a fixed function of the input. An open edge would get only half
// its weights: the caller passes closed meshes only.
GenMesh loopSubdivide(const GenMesh& mesh) {
    constexpr double kPi = 3.14159265358979323846;
    const std::size_t vertices = static_cast<std::size_t>(mesh.vertexCount());
    const std::size_t corners = mesh.tri.size();

    // Edge number of every corner's outgoing side (corner k to k + 1).
    std::unordered_map<uint64_t, int32_t> edgeIndex;
    edgeIndex.reserve(corners);
    std::vector<int32_t> edgeOf(corners);
    for (std::size_t t = 0; t < corners; t += 3) {
        for (std::size_t k = 0; k < 3; ++k) {
            const uint32_t a = static_cast<uint32_t>(mesh.tri[t + k]);
            const uint32_t b = static_cast<uint32_t>(mesh.tri[t + (k + 1) % 3]);
            const uint64_t key = a < b ? (uint64_t{a} << 32 | b) : (uint64_t{b} << 32 | a);
            const auto inserted = edgeIndex.emplace(key, static_cast<int32_t>(edgeIndex.size()));
            edgeOf[t + k] = inserted.first->second;
        }
    }
    const std::size_t edges = edgeIndex.size();

    // Every side of a triangle adds half its edge's end weights and its own
    // far corner; every outgoing side adds its end to its start's neighbours.
    std::vector<double> edgePos(3 * edges, 0.0), neighbourSum(3 * vertices, 0.0);
    std::vector<int> valence(vertices, 0);
    for (std::size_t t = 0; t < corners; t += 3) {
        for (std::size_t k = 0; k < 3; ++k) {
            const std::size_t a = static_cast<std::size_t>(mesh.tri[t + k]);
            const std::size_t b = static_cast<std::size_t>(mesh.tri[t + (k + 1) % 3]);
            const std::size_t c = static_cast<std::size_t>(mesh.tri[t + (k + 2) % 3]);
            const std::size_t e = static_cast<std::size_t>(edgeOf[t + k]);
            for (std::size_t d = 0; d < 3; ++d) {
                edgePos[3 * e + d] += 3.0 / 16.0 * (mesh.pos[3 * a + d] + mesh.pos[3 * b + d]) +
                                      1.0 / 8.0 * mesh.pos[3 * c + d];
                neighbourSum[3 * a + d] += mesh.pos[3 * b + d];
            }
            ++valence[a];
        }
    }

    GenMesh out;
    out.is3d = mesh.is3d;
    out.pos.reserve(3 * (vertices + edges));
    for (std::size_t v = 0; v < vertices; ++v) {
        const double n = valence[v];
        const double w = 3.0 / 8.0 + std::cos(2.0 * kPi / n) / 4.0;
        const double beta = n > 0 ? (5.0 / 8.0 - w * w) / n : 0.0;
        out.addVertex((1.0 - n * beta) * mesh.pos[3 * v] + beta * neighbourSum[3 * v],
                      (1.0 - n * beta) * mesh.pos[3 * v + 1] + beta * neighbourSum[3 * v + 1],
                      (1.0 - n * beta) * mesh.pos[3 * v + 2] + beta * neighbourSum[3 * v + 2]);
    }
    for (std::size_t e = 0; e < edges; ++e)
        out.addVertex(edgePos[3 * e], edgePos[3 * e + 1], edgePos[3 * e + 2]);

    out.tri.reserve(4 * corners);
    const int32_t base = static_cast<int32_t>(vertices);
    for (std::size_t t = 0; t < corners; t += 3) {
        const int32_t a = mesh.tri[t], b = mesh.tri[t + 1], c = mesh.tri[t + 2];
        const int32_t ab = base + edgeOf[t], bc = base + edgeOf[t + 1], ca = base + edgeOf[t + 2];
        out.addTriangle(a, ab, ca);
        out.addTriangle(ab, b, bc);
        out.addTriangle(ca, bc, c);
        out.addTriangle(ab, bc, ca);
    }
    out.openEdges = mesh.openEdges;
    return out;
}

} // namespace hbxbench
