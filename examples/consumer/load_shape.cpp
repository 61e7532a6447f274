// load_shape FILE: loads a Shape File with the hbx reader and prints what it
// holds. Exits 1 when the file is not a finished shape.
#include <hbx/shape_file.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: load_shape FILE\n", stderr);
        return 2;
    }
    hbx::ShapeFile shape;
    const hbx::ReadResult result = hbx::readShapeFile(argv[1], shape);
    if (!result) {
        for (const hbx::Diagnostic& d : result.errors)
            std::printf("%s\n", hbx::formatDiagnostic(d).c_str());
        std::printf("%s: %s\n", argv[1], hbx::statusName(result.status));
        return 1;
    }
    std::printf("%s: %s, made by %s %s from %s\n", argv[1], hbx::typeCode(shape.type),
                shape.tool.c_str(), shape.version.c_str(), shape.origin.c_str());
    std::printf("centre %f %f %f\n", shape.centre.x, shape.centre.y, shape.centre.z);
    if (shape.type == hbx::ShapeType::Proxy3D) {
        const hbx::Proxy3D& p = shape.proxy3d;
        std::printf("%zu vertices, %zu edges, %zu faces\n", p.vertices.size(), p.edges.size(),
                    p.faces.size());
        for (const hbx::Face3& f : p.faces) {
            std::printf("face %c patch %lld normal %f %f %f\n", f.side,
                        static_cast<long long>(f.patch), f.norm.x, f.norm.y, f.norm.z);
        }
    } else if (shape.type == hbx::ShapeType::Proxy2D) {
        std::printf("%zu outline vertices, %zu outline edges\n", shape.proxy2d.vertices.size(),
                    shape.proxy2d.edges.size());
    } else {
        std::printf("radius %f\n", shape.radius);
    }
    return 0;
}
