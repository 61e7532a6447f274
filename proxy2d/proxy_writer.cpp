#include "proxy_writer.h"

#include "number_format.h"
#include "shape_file.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace hbx2 {

void appendProxyRecords(const Mesh2D& mesh, std::string& out) {
    // Vertex numbers: 1-based positions among the outline vertices.
    std::vector<std::int32_t> number(mesh.vertices.size(), 0);
    std::int32_t written = 0;
    std::size_t outlineEdges = 0;
    for (std::size_t w = 0; w < mesh.vertices.size(); ++w)
        if (mesh.vertices[w].onOutline) number[w] = ++written;
    for (const MeshEdge2D& e : mesh.edges) outlineEdges += e.outline;
    out.reserve(out.size() + std::size_t(written) * 48 + outlineEdges * 80 + 64);

    // Each line is formed in a scratch array and appended in one piece: an
    // edge line of 3 integers and 4 reals takes under 250 bytes.
    char line[256];
    auto put = [](char* at, float value) {
        *at++ = ' ';
        return hbx::writeFloat(at, value);
    };
    auto lineDone = [&](char* end) {
        *end++ = '\n';
        out.append(line, static_cast<std::size_t>(end - line));
    };
    for (const MeshVertex2D& v : mesh.vertices) {
        if (!v.onOutline) continue;
        line[0] = 'v';
        line[1] = v.type;
        char* at = line + 2;
        for (float value : {v.pos[0], v.pos[1], v.safe[0], v.safe[1]}) at = put(at, value);
        lineDone(at);
    }
    for (const MeshEdge2D& e : mesh.edges) {
        if (!e.outline) continue;
        line[0] = 'e';
        line[1] = e.type;
        line[2] = ' ';
        char* at = hbx::writeInt(line + 3, number[e.vtx1]);
        *at++ = ' ';
        at = hbx::writeInt(at, number[e.vtx2]);
        for (float value : {e.vect[0], e.vect[1], e.norm[0], e.norm[1]}) at = put(at, value);
        *at++ = ' ';
        lineDone(hbx::writeInt(at, e.patch));
    }
    std::memcpy(line, "centre", 6);
    lineDone(put(put(line + 6, mesh.centre[0]), mesh.centre[1]));
    out.append(hbx::kRecordsEnd);
}

} // namespace hbx2
