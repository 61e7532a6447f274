#include "proxy_writer.h"

#include "number_format.h"
#include "shape_file.h"

namespace hbx3 {
namespace {

void appendVector(std::string& out, const Vec3& v) {
    out.push_back(' ');
    hbx::appendFloat(out, v.x);
    out.push_back(' ');
    hbx::appendFloat(out, v.y);
    out.push_back(' ');
    hbx::appendFloat(out, v.z);
}

void appendNumber(std::string& out, int n) {
    out.push_back(' ');
    hbx::appendInt(out, n);
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
    auto lineDone = [&] {
        if (drain && out.size() >= limit) drain->flush();
    };

    for (const MeshVertex& v : mesh.vertices) {
        out.push_back('v');
        out.push_back(v.type);
        appendVector(out, v.pos);
        out.push_back('\n');
        lineDone();
    }
    for (const MeshEdge& e : mesh.edges) {
        if (!e.primary) continue;
        out.push_back('e');
        out.push_back(e.type);
        appendNumber(out, e.vtx1 + 1);
        appendNumber(out, e.vtx2 + 1);
        appendVector(out, e.unitVect);
        out.push_back('\n');
        lineDone();
    }
    for (const MeshFace& f : mesh.faces) {
        out.push_back('f');
        out.push_back(f.side);
        for (int k = 0; k < 3; ++k) appendNumber(out, f.vertex[k] + 1);
        for (int k = 0; k < 3; ++k) {
            appendNumber(out, lineOf[static_cast<std::size_t>(f.edge[k])]);
            appendVector(out, f.efsNorm[k]);
        }
        appendVector(out, f.norm);
        appendNumber(out, f.patch);
        out.push_back('\n');
        lineDone();
    }
    out.append("centre");
    appendVector(out, mesh.meshCentre);
    out.push_back('\n');
    out.append(hbx::kRecordsEnd);
}

} // namespace hbx3
