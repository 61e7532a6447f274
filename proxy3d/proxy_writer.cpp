#include "proxy3d/proxy_writer.h"

#include "frontend/number_format.h"
#include "proxy3d/edge_face_normals.h"
#include "proxyfiles/proxy_files.h"

#include <cstring>

namespace hbx3 {
namespace {

// Each line is formed in a scratch array and appended in one piece; the
// longest, a face line of 7 integers and 12 reals, takes under 700 bytes.
constexpr std::size_t kLineMax = 1024;
static_assert(kLineMax <= hbx::RecordStream::kLineRoom);

char* putVector(char* at, const Vec3& v) {
    *at++ = ' ';
    at = hbx::writeFloat(at, v.x);
    *at++ = ' ';
    at = hbx::writeFloat(at, v.y);
    *at++ = ' ';
    return hbx::writeFloat(at, v.z);
}

char* putNumber(char* at, std::int64_t n) {
    *at++ = ' ';
    return hbx::writeInt64(at, n);
}

} // namespace

void writeProxyRecords(const Mesh3D& mesh, hbx::OutputFile& out) {
    // About what the lines take.
    const std::size_t estimate =
        mesh.vertices.size() * 40 + mesh.edges.size() * 50 + mesh.faces.size() * 160 + 64;
    const std::vector<Vec3> across = acrossEdgeNormals(mesh);
    hbx::RecordStream records(out, estimate);

    char line[kLineMax];
    auto lineDone = [&](char* end) { records.endLine(line, end); };

    for (const MeshVertex& v : mesh.vertices) {
        line[0] = 'v';
        line[1] = v.type;
        lineDone(putVector(line + 2, v.pos));
    }
    for (const MeshEdge& e : mesh.edges) {
        line[0] = 'e';
        line[1] = e.type;
        char* at = putNumber(line + 2, e.vtx1 + 1);
        at = putNumber(at, e.vtx2 + 1);
        lineDone(putVector(at, e.unitVect));
    }
    for (const MeshFace& f : mesh.faces) {
        line[0] = 'f';
        line[1] = f.side;
        char* at = line + 2;
        for (int k = 0; k < 3; ++k)
            at = putNumber(at, f.vertex[k] + 1);
        for (int k = 0; k < 3; ++k) {
            at = putNumber(at, std::int64_t(f.edge[k]) + 1); // edge i is line i + 1
            at = putVector(at, efsNorm(mesh, across, f, k));
        }
        at = putVector(at, f.norm);
        lineDone(putNumber(at, f.patch));
    }
    std::memcpy(line, "centre", 6);
    lineDone(putVector(line + 6, mesh.meshCentre));
    records.endRecords();
}

} // namespace hbx3
