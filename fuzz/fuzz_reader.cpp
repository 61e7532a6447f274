// Arbitrary bytes as a Shape File for the reader library.
//
// The first byte picks the size of the pieces (1 to 64 bytes) in which the
// rest is streamed from a FILE, as readShapeFile streams a file; the rest is
// the file. Checked after each read, besides what the sanitizers catch:
//   - streamed in pieces and read from memory, the bytes give the same
//     result: status, every diagnostic, every record;
//   - Ok comes without diagnostics, every other status but Template and
//     Aborted with at least one, and each diagnostic points into the file
//     (a line that exists, a column at most one past its end);
//   - after Ok every index names a record of the file, so that a program can
//     use them without checks of its own.
#include "fuzz/harness_support.h"

#include "hbx/shape_file.h"
#include "reader/line_source.h"
#include "reader/read_lines.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string describe(const hbx::ShapeFile& f) {
    std::string s = std::to_string(f.dimensions) + hbx::typeCode(f.type) + f.origin + f.tool +
                    f.version + std::to_string(int(f.kind)) + std::to_string(f.radius);
    char buf[128];
    for (const auto& v : f.proxy3d.vertices) {
        std::snprintf(buf, sizeof buf, "v%c%a,%a,%a;", v.type, v.pos.x, v.pos.y, v.pos.z);
        s += buf;
    }
    for (const auto& e : f.proxy3d.edges) {
        std::snprintf(buf, sizeof buf, "e%c%d,%d,%a;", e.type, e.vtx1, e.vtx2, e.unitVect.x);
        s += buf;
    }
    for (const auto& x : f.proxy3d.faces) {
        std::snprintf(buf, sizeof buf, "f%c%d,%d,%d,%d,%d,%d,%a,%lld;", x.side, x.vtx[0], x.vtx[1],
                      x.vtx[2], x.edge[0], x.edge[1], x.edge[2], x.norm.z, (long long)x.patch);
        s += buf;
    }
    for (const auto& v : f.proxy2d.vertices) {
        std::snprintf(buf, sizeof buf, "v%c%a,%a;", v.type, v.pos.x, v.safe.y);
        s += buf;
    }
    for (const auto& e : f.proxy2d.edges) {
        std::snprintf(buf, sizeof buf, "e%c%d,%d,%lld;", e.type, e.vtx1, e.vtx2,
                      (long long)e.patch);
        s += buf;
    }
    std::snprintf(buf, sizeof buf, "c%a,%a,%a %d:%d:%d", f.centre.x, f.centre.y, f.centre.z,
                  f.stamp.hour, f.stamp.day, f.stamp.year);
    return s + buf;
}

std::string describe(const hbx::ReadResult& r) {
    std::string s = std::string(hbx::statusName(r.status)) + " " + std::to_string(r.errorCount);
    for (const auto& d : r.errors)
        s += "\n" + hbx::formatDiagnostic(d);
    return s;
}

bool indicesInRange(const hbx::ShapeFile& f) {
    const auto in = [](std::int32_t i, std::size_t n) { return i >= 0 && std::size_t(i) < n; };
    const auto& p = f.proxy3d;
    for (const auto& e : p.edges)
        if (!in(e.vtx1, p.vertices.size()) || !in(e.vtx2, p.vertices.size())) return false;
    for (const auto& x : p.faces)
        for (int k = 0; k < 3; ++k)
            if (!in(x.vtx[k], p.vertices.size()) || !in(x.edge[k], p.edges.size())) return false;
    for (const auto& e : f.proxy2d.edges)
        if (!in(e.vtx1, f.proxy2d.vertices.size()) || !in(e.vtx2, f.proxy2d.vertices.size()))
            return false;
    return true;
}

// Lengths of the lines of text, for checking where diagnostics point.
std::vector<std::size_t> lineLengths(std::string_view text) {
    std::vector<std::size_t> lengths;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lengths.push_back(i - start);
            start = i + 1;
        }
    }
    if (start < text.size()) lengths.push_back(text.size() - start);
    return lengths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    hbx::ShapeFile fromText;
    const hbx::ReadResult a = hbx::readShapeText(text, "f", fromText);

    std::string copy(text); // fmemopen wants a writable buffer of at least one byte
    copy.push_back('\0');
    std::FILE* file = fmemopen(copy.data(), text.size() > 0 ? text.size() : 1, "r");
    if (!file) hbxfuzz::fail("fmemopen failed");
    if (text.empty()) std::fgetc(file); // an empty stream
    hbx::ShapeFile streamed;
    hbx::ReadResult b;
    {
        hbx::detail::LineSource source(file, text.size(), chunk);
        b = hbx::readLines(source, "f", streamed, {});
    }
    std::fclose(file);

    if (describe(a) != describe(b))
        hbxfuzz::fail("streamed and in-memory reads differ", describe(a) + "\n---\n" + describe(b));
    if (describe(fromText) != describe(streamed))
        hbxfuzz::fail("streamed and in-memory records differ");

    const bool quiet = a.status == hbx::Status::Ok || a.status == hbx::Status::Template ||
                       a.status == hbx::Status::Aborted;
    if (quiet != a.errors.empty() || a.errorCount < a.errors.size())
        hbxfuzz::fail("diagnostics do not match the status", describe(a));
    const auto lengths = lineLengths(text);
    for (const auto& d : a.errors) {
        if (d.line > lengths.size() || (d.line > 0 && d.column > lengths[d.line - 1] + 1))
            hbxfuzz::fail("a diagnostic points outside the file", hbx::formatDiagnostic(d));
    }
    if (a.status == hbx::Status::Ok && !indicesInRange(fromText))
        hbxfuzz::fail("Ok with an index out of range");
    return 0;
}
