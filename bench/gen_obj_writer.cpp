// OBJ text of a generated mesh, and the table of mesh kinds.
//
// Formatting is the generator's main cost at a million triangles, so numbers
// go through std::to_chars straight into one growing buffer.
#include "bench/gen_mesh.h"

#include <charconv>
#include <cmath>

namespace hbxbench {
namespace {

void appendFloat(std::string& out, float v) {
    char text[64];
    // Shortest text that reads back as the same float, without an exponent.
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
    out.append(text, r.ptr);
}

// Per vertex: the sum of the (area-weighted) normals of its triangles, made
// unit length. A vertex of no triangle gets (0, 0, 1).
std::vector<float> vertexNormals(const GenMesh& mesh) {
    const std::size_t n = static_cast<std::size_t>(mesh.vertexCount());
    std::vector<double> sum(3 * n, 0.0);
    for (std::size_t t = 0; t + 2 < mesh.tri.size(); t += 3) {
        const std::size_t a = 3 * static_cast<std::size_t>(mesh.tri[t]);
        const std::size_t b = 3 * static_cast<std::size_t>(mesh.tri[t + 1]);
        const std::size_t c = 3 * static_cast<std::size_t>(mesh.tri[t + 2]);
        const double ux = mesh.pos[b] - mesh.pos[a], uy = mesh.pos[b + 1] - mesh.pos[a + 1],
                     uz = mesh.pos[b + 2] - mesh.pos[a + 2];
        const double wx = mesh.pos[c] - mesh.pos[a], wy = mesh.pos[c + 1] - mesh.pos[a + 1],
                     wz = mesh.pos[c + 2] - mesh.pos[a + 2];
        const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
        for (std::size_t v : {a, b, c}) {
            sum[v] += nx;
            sum[v + 1] += ny;
            sum[v + 2] += nz;
        }
    }
    std::vector<float> normals(3 * n);
    for (std::size_t v = 0; v < 3 * n; v += 3) {
        const double len =
            std::sqrt(sum[v] * sum[v] + sum[v + 1] * sum[v + 1] + sum[v + 2] * sum[v + 2]);
        if (len > 0.0) {
            for (std::size_t k = 0; k < 3; ++k)
                normals[v + k] = static_cast<float>(sum[v + k] / len);
        } else {
            normals[v] = 0.0f;
            normals[v + 1] = 0.0f;
            normals[v + 2] = 1.0f;
        }
    }
    return normals;
}

} // namespace

void formatObj(const GenMesh& mesh, std::string_view header, std::string& out) {
    out.clear();
    const std::size_t vertices = static_cast<std::size_t>(mesh.vertexCount());
    const std::size_t triangles = mesh.tri.size() / 3;
    // Rough line lengths, so the buffer grows once or not at all.
    out.reserve(header.size() + 4 + vertices * (mesh.is3d ? 80 : 30) +
                triangles * (mesh.is3d ? 70 : 30));
    out += "# ";
    out += header;
    out += '\n';
    for (std::size_t v = 0; v < 3 * vertices; v += 3) {
        out += "v ";
        appendFloat(out, static_cast<float>(mesh.pos[v]));
        out += ' ';
        appendFloat(out, static_cast<float>(mesh.pos[v + 1]));
        out += ' ';
        if (mesh.is3d) {
            appendFloat(out, static_cast<float>(mesh.pos[v + 2]));
        } else {
            out += '0';
        }
        out += '\n';
    }
    if (mesh.is3d) {
        const std::vector<float> normals = vertexNormals(mesh);
        for (std::size_t v = 0; v < 3 * vertices; v += 3) {
            out += "vn ";
            appendFloat(out, normals[v]);
            out += ' ';
            appendFloat(out, normals[v + 1]);
            out += ' ';
            appendFloat(out, normals[v + 2]);
            out += '\n';
        }
    }
    for (std::size_t t = 0; t < 3 * triangles; t += 3) {
        out += 'f';
        for (std::size_t k = 0; k < 3; ++k) {
            // The corner names its vertex, texture and normal by one index.
            char text[16];
            const auto r = std::to_chars(text, text + sizeof text, mesh.tri[t + k] + 1);
            const std::string_view index(text, static_cast<std::size_t>(r.ptr - text));
            out += ' ';
            out += index;
            if (mesh.is3d) {
                out += '/';
                out += index;
                out += '/';
                out += index;
            }
        }
        out += '\n';
    }
}

const std::vector<MeshKind>& meshKinds() {
    static const std::vector<MeshKind> kinds = {
        {"sphere", true, "sphere of radius 100, convex everywhere", makeSphere},
        {"torus", true, "ring torus, convex outside and saddle inside", makeTorus},
        {"bumpy", true, "sphere with seeded smooth dents and bumps", makeBumpySphere},
        {"terrain", true, "seeded height field with an open border", makeTerrain},
        {"coil", true, "closed tube along a helix of many turns", makeCoil},
        {"disc", false, "disc with a dense rim", makeDisc},
        {"gear", false, "gear with many trapezoid teeth", makeGear},
        {"plate", false, "plate with a round hole in every unit cell", makePlate},
        {"jagged", false, "star-shaped polygon with seeded jags", makeJagged},
        {"spiral", false, "band along an Archimedean spiral of many turns", makeSpiral},
        {"finetorus", true, "unit torus, 2:1 grid, every edge flat within 0.0001", makeFineTorus},
        {"finebumpy", true, "bumpy sphere of radius 1, nearly every edge flat", makeFineBumpy},
        {"scan", true, "unit bumpy sphere Loop-subdivided 3 times", makeScan},
        {"blob", true, "geodesic unit sphere with 40 high bumps, nearly every edge flat", makeBlob},
        {"wall", true, "low closed wall along a flat spiral of 3 close turns", makeWall},
        {"wall10", true, "low closed wall along a flat spiral of 10 close turns", makeWall10},
        {"tallwall", true, "tall closed wall along a flat spiral of 3 close turns", makeTallWall},
        {"spiral20", false, "band along an Archimedean spiral of 20 turns", makeSpiral20},
        {"band3", false, "wide band along a flat spiral of 3 close turns", makeBand3},
    };
    return kinds;
}

const MeshKind* findMeshKind(std::string_view name) {
    for (const MeshKind& kind : meshKinds()) {
        if (name == kind.name) return &kind;
    }
    return nullptr;
}

} // namespace hbxbench
