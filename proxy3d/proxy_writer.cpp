#include "proxy_writer.h"

#include "number_format.h"
#include "shape_file.h"

#include <cstring>

namespace hbx3 {
namespace {

// Each line is formed in a scratch array and appended in one piece; the
// longest, a face line of 7 integers and 12 reals, takes under 700 bytes.
constexpr std::size_t kLineMax = 1024;

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

// Chunked output: the buffer is reserved once to this size and drained
// whenever fewer than kLineRoom bytes are left, which no record line
// reaches (13 numbers of at most a few dozen characters), so it never grows
// after the first drain.
constexpr std::size_t kChunk = std::size_t(4) << 20;
constexpr std::size_t kLineRoom = 4096;

void appendProxyRecords(const Mesh3D& mesh, std::string& out, hbx::OutputFile* drain) {
    // Line numbers of the primary records among the edge lines, by a running
    // count instead of counting the duplicates before each record.
    std::vector<int> lineOf(mesh.edges.size(), 0);
    int lines = 0;
    for (std::size_t i = 0; i < mesh.edges.size(); ++i) {
        if (mesh.edges[i].primary) lineOf[i] = ++lines;
    }
    // About what the lines take, so the buffer grows once.
    const std::size_t estimate = mesh.vertices.size() * 40 + static_cast<std::size_t>(lines) * 50 +
                                 mesh.faces.size() * 160 + 64;
    if (drain && estimate > kChunk) {
        out.reserve(out.size() + kChunk + kLineRoom);
    } else {
        drain = nullptr;
        out.reserve(out.size() + estimate);
    }
    const std::size_t limit = out.capacity() - kLineRoom;

    char line[kLineMax];
    auto lineDone = [&](char* end) {
        *end++ = '\n';
        out.append(line, static_cast<std::size_t>(end - line));
        if (drain && out.size() >= limit) drain->flush();
    };

    for (const MeshVertex& v : mesh.vertices) {
        line[0] = 'v';
        line[1] = v.type;
        lineDone(putVector(line + 2, v.pos));
    }
    for (const MeshEdge& e : mesh.edges) {
        if (!e.primary) continue;
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
        for (int k = 0; k < 3; ++k) at = putNumber(at, f.vertex[k] + 1);
        for (int k = 0; k < 3; ++k) {
            at = putNumber(at, lineOf[static_cast<std::size_t>(f.edge[k])]);
            at = putVector(at, f.efsNorm[k]);
        }
        at = putVector(at, f.norm);
        lineDone(putNumber(at, f.patch));
    }
    std::memcpy(line, "centre", 6);
    lineDone(putVector(line + 6, mesh.meshCentre));
    out.append(hbx::kRecordsEnd);
}

} // namespace hbx3
