#include "proxy2d/proxy_writer.h"

#include "frontend/number_format.h"
#include "proxyfiles/proxy_files.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace hbx2 {
namespace {

// Each line is formed in a scratch array and appended in one piece; the
// longest, an edge line of 3 integers and 4 reals, takes under 250 bytes.
constexpr std::size_t kLineMax = 256;
static_assert(kLineMax <= hbx::RecordStream::kLineRoom);

char* putFloat(char* at, float value) {
    *at++ = ' ';
    return hbx::writeFloat(at, value);
}

char* putNumber(char* at, int n) {
    *at++ = ' ';
    return hbx::writeInt(at, n);
}

} // namespace

void writeProxyRecords(const Mesh2D& mesh, hbx::OutputFile& out) {
    // Vertex numbers: 1-based positions among the outline vertices.
    std::vector<int> number(mesh.vertices.size(), 0);
    int written = 0;
    std::size_t outlineEdges = 0;
    for (std::size_t w = 0; w < mesh.vertices.size(); ++w)
        if (mesh.vertices[w].onOutline) number[w] = ++written;
    for (const MeshEdge2D& e : mesh.edges)
        outlineEdges += e.outline;
    // About what the lines take.
    const std::size_t estimate = std::size_t(written) * 48 + outlineEdges * 80 + 64;
    hbx::RecordStream records(out, estimate);

    char line[kLineMax];
    auto lineDone = [&](char* end) { records.endLine(line, end); };

    for (const MeshVertex2D& v : mesh.vertices) {
        if (!v.onOutline) continue;
        line[0] = 'v';
        line[1] = v.type;
        char* at = line + 2;
        for (float value : {v.pos[0], v.pos[1], v.safe[0], v.safe[1]})
            at = putFloat(at, value);
        lineDone(at);
    }
    for (const MeshEdge2D& e : mesh.edges) {
        if (!e.outline) continue;
        line[0] = 'e';
        line[1] = e.type;
        char* at = putNumber(line + 2, number[e.vtx1]);
        at = putNumber(at, number[e.vtx2]);
        for (float value : {e.vect[0], e.vect[1], e.norm[0], e.norm[1]})
            at = putFloat(at, value);
        lineDone(putNumber(at, e.patch));
    }
    std::memcpy(line, "centre", 6);
    lineDone(putFloat(putFloat(line + 6, mesh.centre[0]), mesh.centre[1]));
    records.endRecords();
}

} // namespace hbx2
