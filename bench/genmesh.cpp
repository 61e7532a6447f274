// genmesh: writes one benchmark mesh as an OBJ file.
//
//   genmesh KIND TRIANGLES SEED OUTPUT.obj
//   genmesh --list
//
// The file is a fixed function of the arguments. On success it prints one
// line of facts the benchmark runner records, for instance
//   kind=gear triangles=1000008 vertices=555561 outline_edges=111112 bytes=27442212
// (outline_edges: edges of a single triangle, the 2D outline or the open
// border of a 3D patch).
#include "bench/gen_mesh.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fputs("usage: genmesh KIND TRIANGLES SEED OUTPUT.obj   (genmesh --list for the kinds)\n",
               stderr);
    return 2;
}

template <class T> bool parseNumber(const char* text, T& value) {
    const char* end = text + std::strlen(text);
    const auto r = std::from_chars(text, end, value);
    return r.ec == std::errc() && r.ptr == end;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const hbxbench::MeshKind& kind : hbxbench::meshKinds()) {
            std::printf("%-8s %s  %s\n", kind.name, kind.is3d ? "3D" : "2D", kind.description);
        }
        return 0;
    }
    if (argc != 5) return usage();
    const hbxbench::MeshKind* kind = hbxbench::findMeshKind(argv[1]);
    long long triangles = 0;
    unsigned long long seed = 0;
    if (!kind) {
        std::fprintf(stderr, "genmesh: unknown kind \"%s\"\n", argv[1]);
        return usage();
    }
    if (!parseNumber(argv[2], triangles) || triangles < 1 || triangles > 200000000) {
        std::fprintf(stderr, "genmesh: triangle count must be 1 to 200000000, not \"%s\"\n",
                     argv[2]);
        return 2;
    }
    if (!parseNumber(argv[3], seed)) {
        std::fprintf(stderr, "genmesh: seed must be an unsigned integer, not \"%s\"\n", argv[3]);
        return 2;
    }

    const hbxbench::GenMesh mesh = kind->build(triangles, seed);
    std::string header = std::string("genmesh ") + kind->name + " " + argv[2] + " " + argv[3];
    std::string text;
    hbxbench::formatObj(mesh, header, text);

    std::FILE* f = std::fopen(argv[4], "wb");
    if (!f) {
        std::fprintf(stderr, "genmesh: cannot create \"%s\"\n", argv[4]);
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "genmesh: cannot write \"%s\"\n", argv[4]);
        std::remove(argv[4]);
        return 1;
    }
    std::printf("kind=%s triangles=%lld vertices=%d outline_edges=%lld bytes=%zu\n", kind->name,
                mesh.triangleCount(), mesh.vertexCount(), mesh.openEdges, text.size());
    return 0;
}
