#include "obj_read2d.h"

#include "alloc_hook.h"
#include "console.h"
#include "geometry_limits.h"
#include "line_reader.h"
#include "number_scan.h"

#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace hbx2 {
namespace {

constexpr std::size_t kLineBuffer = 4096;

bool isVertexLine(std::string_view piece) {
    return piece.size() >= 2 && piece[0] == 'v' && piece[1] == ' ';
}
bool isFaceLine(std::string_view piece) {
    return piece.size() >= 2 && piece[0] == 'f' && piece[1] == ' ';
}

// "%s %f %f" on a vertex line: the word is the "v", then x and y. Scanning
// stops at the first number that cannot be read; what was not read stays 0.
void scanVertex(std::string_view piece, float& x, float& y) {
    x = 0.0f;
    y = 0.0f;
    const char* end = piece.data() + piece.size();
    const char* p = piece.data() + 1; // past the word "v"
    p = hbx::scanFloat(p, end, &x);
    if (p) hbx::scanFloat(p, end, &y);
}

// hbx::scanInt for the corner tokens, with the plain forms ("12", "-3",
// "7/2/7": an optional sign and at most nine digits, which never reach the
// int range's limits) read inline; every other token goes to hbx::scanInt.
// Results and returned positions are those of hbx::scanInt.
const char* scanCornerInt(const char* p, const char* end, int* out) {
    const char* const start = p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Ten digits are gathered to see that there are more than nine; 64 bits
    // hold them without overflow.
    std::int64_t value = 0;
    int digits = 0;
    while (p < end && *p >= '0' && *p <= '9' && digits < 10) {
        value = value * 10 + (*p - '0');
        ++digits;
        ++p;
    }
    if (digits == 0 || digits > 9) return hbx::scanInt(start, end, out);
    *out = static_cast<int>(negative ? -value : value);
    return p;
}

// Calls visit(begin, end) for every token of a face line after the "f":
// runs of bytes between space characters (tabs and the line feed are not
// separators). Returns the number of tokens visited.
template <typename Visit> std::int64_t forEachCorner(std::string_view piece, Visit&& visit) {
    std::int64_t count = 0;
    std::size_t i = 1; // past the "f"
    const std::size_t n = piece.size();
    while (true) {
        while (i < n && piece[i] == ' ')
            ++i;
        if (i >= n) break;
        const std::size_t start = i;
        while (i < n && piece[i] != ' ')
            ++i;
        visit(piece.data() + start, piece.data() + i);
        ++count;
    }
    return count;
}

// Asks for large pages on the untouched storage of a big array: filling a
// hundred megabytes of records then takes a few dozen page faults instead of
// tens of thousands. Only a hint; nothing depends on it.
void adviseLargePages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLarge = std::uintptr_t(2) << 20;
    if (bytes < 4 * kLarge) return;
    const std::uintptr_t first =
        (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kLarge - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Allocates an array of count records, or reports failure for the named site.
template <typename T> bool obtain(std::vector<T>& array, std::int64_t count, const char* site) {
    if (hbx::allocationFails(site)) return false;
    try {
        array.clear();
        array.reserve(static_cast<std::size_t>(count));
        adviseLargePages(array.data(), array.capacity() * sizeof(T));
        array.assign(static_cast<std::size_t>(count), T{});
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

} // namespace

bool readObjMesh2D(std::string_view text, Mesh2D& mesh) {
    hbx::LineReader reader(text, kLineBuffer);
    std::string_view piece;

    // Pass 1: counts and coordinate sums.
    std::int64_t vertexCount = 0, edgeCount = 0, faceCount = 0;
    float sum[2] = {0.0f, 0.0f};
    while (reader.next(piece)) {
        if (isVertexLine(piece)) {
            float x, y;
            scanVertex(piece, x, y);
            sum[0] += x;
            sum[1] += y;
            ++vertexCount;
        } else if (isFaceLine(piece)) {
            edgeCount += forEachCorner(piece, [](const char*, const char*) {});
            ++faceCount;
        }
    }
    constexpr std::int64_t kMaxRecords = std::numeric_limits<std::int32_t>::max();
    if (vertexCount > kMaxRecords || !obtain(mesh.vertices, vertexCount, "vertices")) {
        hbx::say("Error: Couldn't allocate verticies\n");
        return false;
    }
    if (edgeCount > kMaxRecords || !obtain(mesh.edges, edgeCount, "edges")) {
        hbx::say("Error: Couldn't allocate edges\n");
        return false;
    }
    // The corner list table: every face's corners followed by -1, flat.
    std::vector<std::int32_t> corners;
    if (edgeCount + faceCount > kMaxRecords || !obtain(corners, edgeCount + faceCount, "faces")) {
        hbx::say("Error: Couldn't allocate faces\n");
        return false;
    }
    // A float sum divided by the count: the count is converted to float first.
    if (vertexCount != 0) {
        mesh.centre[0] = sum[0] / static_cast<float>(vertexCount);
        mesh.centre[1] = sum[1] / static_cast<float>(vertexCount);
    }

    // Pass 2: vertex records, corner lists and edge records.
    const std::int64_t totalVertices = vertexCount;
    std::int32_t vertices = 0, edges = 0, faces = 0;
    std::size_t cornerPos = 0;
    std::int32_t lastCorner = -1; // the corner made last in the file
    reader.rewind();
    while (reader.next(piece)) {
        if (isVertexLine(piece)) {
            float x, y;
            scanVertex(piece, x, y);
            if (!hbx::coordinateInRange(x) || !hbx::coordinateInRange(y)) {
                hbx::sayNumbered("Error: Vertex ", vertices, " is out of range\n");
                return false;
            }
            MeshVertex2D& v = mesh.vertices[vertices];
            v.pos[0] = x - mesh.centre[0];
            v.pos[1] = y - mesh.centre[1];
            v.safe[0] = 0.0f;
            v.safe[1] = 0.0f;
            v.onOutline = 0;
            v.type = ' ';
            v.edge[0] = -1;
            v.edge[1] = -1;
            ++vertices;
        } else if (isFaceLine(piece)) {
            // A face line is parsed in place and needs no token list; the
            // seam keeps the message of a failed token allocation reachable
            // for the allocation-failure tests.
            if (hbx::allocationFails("face tokens")) {
                hbx::say("Error: Couldn't allocate face token array\n");
                return false;
            }
            const std::size_t first = cornerPos;
            const char* failure = nullptr; // the rest of the error line
            forEachCorner(piece, [&](const char* begin, const char* end) {
                if (failure) return;
                int written = 0;
                if (!scanCornerInt(begin, end, &written)) {
                    // No number: the corner made last, if there is one.
                    if (lastCorner < 0) {
                        failure = " has a malformed corner\n";
                        return;
                    }
                } else {
                    // Positive: 1-based; negative: counted back from the
                    // vertex lines read so far.
                    const std::int64_t index =
                        written > 0 ? std::int64_t(written) - 1 : std::int64_t(vertices) + written;
                    if (written == 0 || index < 0 || index >= totalVertices) {
                        failure = " refers to a missing vertex\n";
                        return;
                    }
                    lastCorner = static_cast<std::int32_t>(index);
                }
                corners[cornerPos++] = lastCorner;
            });
            if (failure) {
                hbx::sayNumbered("Error: Face ", faces, failure);
                return false;
            }
            const std::size_t count = cornerPos - first;
            corners[cornerPos++] = -1;
            // One side per corner: corner k to corner k+1, the last back to
            // the first.
            for (std::size_t k = 0; k < count; ++k) {
                MeshEdge2D& e = mesh.edges[edges];
                e.vtx1 = corners[first + k];
                e.vtx2 = corners[k + 1 < count ? first + k + 1 : first];
                e.length = 0.0f;
                e.vect[0] = e.vect[1] = 0.0f;
                e.norm[0] = e.norm[1] = 0.0f;
                e.outline = 1;
                e.visited = 0;
                e.unabsorbed = 1;
                e.mergeable = 1;
                e.patch = edges;
                e.type = ' ';
                ++edges;
            }
            ++faces;
        }
    }
    return true;
}

} // namespace hbx2
