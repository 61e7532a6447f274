#include "proxy_writer.h"

#include "number_format.h"
#include "shape_file.h"

#include <cstdint>
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

    for (const MeshVertex2D& v : mesh.vertices) {
        if (!v.onOutline) continue;
        out.push_back('v');
        out.push_back(v.type);
        for (float value : {v.pos[0], v.pos[1], v.safe[0], v.safe[1]}) {
            out.push_back(' ');
            hbx::appendFloat(out, value);
        }
        out.push_back('\n');
    }
    for (const MeshEdge2D& e : mesh.edges) {
        if (!e.outline) continue;
        out.push_back('e');
        out.push_back(e.type);
        out.push_back(' ');
        hbx::appendInt(out, number[e.vtx1]);
        out.push_back(' ');
        hbx::appendInt(out, number[e.vtx2]);
        for (float value : {e.vect[0], e.vect[1], e.norm[0], e.norm[1]}) {
            out.push_back(' ');
            hbx::appendFloat(out, value);
        }
        out.push_back(' ');
        hbx::appendInt(out, e.patch);
        out.push_back('\n');
    }
    out.append("centre ");
    hbx::appendFloat(out, mesh.centre[0]);
    out.push_back(' ');
    hbx::appendFloat(out, mesh.centre[1]);
    out.push_back('\n');
    out.append(hbx::kRecordsEnd);
}

} // namespace hbx2
