#include "hbxview/load_drawing.h"

#include <hbx/shape_file.h>

#include <cstdio>
#include <new>

namespace hbxview {

namespace {

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Point3 point(hbx::Vec3 v) {
    return {v.x, v.y, v.z};
}

// A vertex number a record refers to, checked again here so that a picture can never index out
// of its arrays whatever the reader lets through.
bool inRange(std::int64_t index, std::size_t count) {
    return index >= 0 && static_cast<std::uint64_t>(index) < count;
}

std::string lineMessage(const hbx::ShapeFile& f, std::uint64_t line, const char* what) {
    return f.path + ":" + std::to_string(line) + ": " + what;
}

bool fill2D(const hbx::ShapeFile& f, Drawing2D& d, std::vector<std::string>& errors) {
    d.title = baseName(f.path);
    d.centre = {f.centre.x, f.centre.y};
    if (f.type == hbx::ShapeType::Circle) {
        d.isCircle = true;
        d.radius = f.radius;
        return true;
    }
    const hbx::Proxy2D& p = f.proxy2d;
    d.vertices.reserve(p.vertices.size());
    for (const hbx::Vertex2& v : p.vertices)
        d.vertices.push_back({v.type, {v.pos.x, v.pos.y}, {v.safe.x, v.safe.y}});
    d.edges.reserve(p.edges.size());
    for (std::size_t e = 0; e < p.edges.size(); ++e) {
        const hbx::Edge2& edge = p.edges[e];
        if (!inRange(edge.vtx1, d.vertices.size()) || !inRange(edge.vtx2, d.vertices.size())) {
            errors.push_back(lineMessage(f, hbx::edgeLine(f, e), "vertex number out of range"));
            return false;
        }
        d.edges.push_back({edge.type,
                           static_cast<std::size_t>(edge.vtx1),
                           static_cast<std::size_t>(edge.vtx2),
                           {edge.norm.x, edge.norm.y},
                           edge.patch});
    }
    return true;
}

bool fill3D(const hbx::ShapeFile& f, Drawing3D& d, std::vector<std::string>& errors) {
    d.title = baseName(f.path);
    d.centre = point(f.centre);
    if (f.type == hbx::ShapeType::Sphere) {
        d.isSphere = true;
        d.radius = f.radius;
        return true;
    }
    const hbx::Proxy3D& p = f.proxy3d;
    const std::size_t vertexCount = p.vertices.size();
    d.vertices.reserve(vertexCount);
    for (const hbx::Vertex3& v : p.vertices)
        d.vertices.push_back({v.type, point(v.pos)});
    d.edges.reserve(p.edges.size());
    for (std::size_t e = 0; e < p.edges.size(); ++e) {
        const hbx::Edge3& edge = p.edges[e];
        if (!inRange(edge.vtx1, vertexCount) || !inRange(edge.vtx2, vertexCount)) {
            errors.push_back(lineMessage(f, hbx::edgeLine(f, e), "vertex number out of range"));
            return false;
        }
        d.edges.push_back(
            {edge.type, static_cast<std::size_t>(edge.vtx1), static_cast<std::size_t>(edge.vtx2)});
    }
    d.faces.reserve(p.faces.size());
    for (std::size_t i = 0; i < p.faces.size(); ++i) {
        const hbx::Face3& face = p.faces[i];
        ProxyFace out{face.side, {}, point(face.norm), face.patch};
        for (int k = 0; k < 3; ++k) {
            if (!inRange(face.vtx[k], vertexCount)) {
                errors.push_back(lineMessage(f, hbx::faceLine(f, i), "vertex number out of range"));
                return false;
            }
            out.vtx[k] = static_cast<std::size_t>(face.vtx[k]);
        }
        d.faces.push_back(out);
    }
    return true;
}

} // namespace

Loaded loadDrawing(const std::string& path) {
    Loaded loaded;
    try {
        hbx::ShapeFile file;
        const hbx::ReadResult result = hbx::readShapeFile(path, file);
        for (const hbx::Diagnostic& d : result.errors)
            loaded.errors.push_back(hbx::formatDiagnostic(d));
        if (result.errorCount > result.errors.size())
            loaded.errors.push_back(path + ": " +
                                    std::to_string(result.errorCount - result.errors.size()) +
                                    " more malformed lines");
        switch (result.status) {
        case hbx::Status::Ok:
            break;
        case hbx::Status::Template:
            loaded.errors.push_back(path + ": a template of placeholders, with no values to draw");
            return loaded;
        case hbx::Status::Aborted:
            loaded.errors.push_back(path +
                                    ": an aborted file (WRITE ABORTED): the tool made no shape");
            return loaded;
        case hbx::Status::OutOfMemory:
            loaded.errors.push_back(path + ": out of memory while reading");
            return loaded;
        default:
            if (loaded.errors.empty()) loaded.errors.push_back(path + ": cannot be read");
            return loaded;
        }
        const bool is2D =
            file.type == hbx::ShapeType::Circle || file.type == hbx::ShapeType::Proxy2D;
        const bool is3D =
            file.type == hbx::ShapeType::Sphere || file.type == hbx::ShapeType::Proxy3D;
        if (is2D && fill2D(file, loaded.drawing2D, loaded.errors))
            loaded.dimensions = 2;
        else if (is3D && fill3D(file, loaded.drawing3D, loaded.errors))
            loaded.dimensions = 3;
        else if (!is2D && !is3D)
            loaded.errors.push_back(path + ": not a shape this tool draws");
    } catch (const std::bad_alloc&) {
        loaded = Loaded{};
        loaded.errors.push_back(path + ": out of memory while reading");
    }
    return loaded;
}

} // namespace hbxview
