#include "proxy2d/obj_read2d.h"

#include "frontend/alloc_hook.h"
#include "frontend/console.h"
#include "frontend/geometry_limits.h"
#include "frontend/line_reader.h"
#include "frontend/number_scan.h"

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

// What the first pass finds: the numbers of vertex lines, of corner tokens
// (one edge each) and of face lines, and the float sums of the vertices' x
// and y in file order.
struct LineCounts {
    std::int64_t vertices = 0, edges = 0, faces = 0;
    float sum[2] = {0.0f, 0.0f};
};

// Pass 1: reads every line of reader (from where it stands) and counts.
LineCounts countLines(hbx::LineReader& reader) {
    LineCounts counts;
    std::string_view piece;
    while (reader.next(piece)) {
        if (isVertexLine(piece)) {
            float x, y;
            scanVertex(piece, x, y);
            counts.sum[0] += x;
            counts.sum[1] += y;
            ++counts.vertices;
        } else if (isFaceLine(piece)) {
            counts.edges += forEachCorner(piece, [](const char*, const char*) {});
            ++counts.faces;
        }
    }
    return counts;
}

// Sizes mesh's vertex and edge arrays and the corner list table (every
// face's corners followed by -1, flat) to counts, and sets mesh's centre
// (a float sum divided by the count, the count converted to float first).
// Returns false after printing the error when an array cannot be had or
// would hold more records than an int can number.
bool allocateRecords(const LineCounts& counts, Mesh2D& mesh, std::vector<int>& corners) {
    constexpr std::int64_t kMaxRecords = std::numeric_limits<int>::max();
    if (counts.vertices > kMaxRecords || !obtain(mesh.vertices, counts.vertices, "vertices")) {
        hbx::say("Error: Couldn't allocate verticies\n");
        return false;
    }
    if (counts.edges > kMaxRecords || !obtain(mesh.edges, counts.edges, "edges")) {
        hbx::say("Error: Couldn't allocate edges\n");
        return false;
    }
    if (counts.edges + counts.faces > kMaxRecords ||
        !obtain(corners, counts.edges + counts.faces, "faces")) {
        hbx::say("Error: Couldn't allocate faces\n");
        return false;
    }
    if (counts.vertices != 0) {
        mesh.centre[0] = counts.sum[0] / static_cast<float>(counts.vertices);
        mesh.centre[1] = counts.sum[1] / static_cast<float>(counts.vertices);
    }
    return true;
}

// Where the second pass stands: records filled so far, the next free place
// of the corner table, and the corner made last in the file (-1: none).
struct Cursor {
    std::int64_t totalVertices = 0;
    int vertices = 0, edges = 0, faces = 0;
    std::size_t cornerPos = 0;
    int lastCorner = -1;
};

// Fills the next vertex record from a vertex line, relative to the centre.
// Returns false after printing the error when a coordinate is out of range.
bool readVertexLine(std::string_view piece, Mesh2D& mesh, Cursor& at) {
    float x, y;
    scanVertex(piece, x, y);
    if (!hbx::coordinateInRange(x) || !hbx::coordinateInRange(y)) {
        hbx::sayNumbered("Error: Vertex ", at.vertices, " is out of range\n");
        return false;
    }
    MeshVertex2D& v = mesh.vertices[at.vertices];
    v.pos[0] = x - mesh.centre[0];
    v.pos[1] = y - mesh.centre[1];
    v.safe[0] = 0.0f;
    v.safe[1] = 0.0f;
    v.onOutline = 0;
    v.type = ' ';
    v.edge[0] = -1;
    v.edge[1] = -1;
    ++at.vertices;
    return true;
}

// Appends a face line's corners and the terminating -1 to the corner table,
// and one edge record per side: corner k to corner k+1, the last back to
// the first. Returns false after printing the error when a corner names no
// vertex (or is malformed with no corner made before it).
bool readFaceLine(std::string_view piece, Mesh2D& mesh, std::vector<int>& corners, Cursor& at) {
    // A face line is parsed in place and needs no token list; the seam keeps
    // the message of a failed token allocation reachable for the
    // allocation-failure tests.
    if (hbx::allocationFails("face tokens")) {
        hbx::say("Error: Couldn't allocate face token array\n");
        return false;
    }
    const std::size_t first = at.cornerPos;
    const char* failure = nullptr; // the rest of the error line
    forEachCorner(piece, [&](const char* begin, const char* end) {
        if (failure) return;
        int written = 0;
        if (!scanCornerInt(begin, end, &written)) {
            // No number: the corner made last, if there is one.
            if (at.lastCorner < 0) {
                failure = " has a malformed corner\n";
                return;
            }
        } else {
            // Positive: 1-based; negative: counted back from the vertex
            // lines read so far.
            const std::int64_t index =
                written > 0 ? std::int64_t(written) - 1 : std::int64_t(at.vertices) + written;
            if (written == 0 || index < 0 || index >= at.totalVertices) {
                failure = " refers to a missing vertex\n";
                return;
            }
            at.lastCorner = static_cast<int>(index);
        }
        corners[at.cornerPos++] = at.lastCorner;
    });
    if (failure) {
        hbx::sayNumbered("Error: Face ", at.faces, failure);
        return false;
    }
    const std::size_t count = at.cornerPos - first;
    corners[at.cornerPos++] = -1;
    for (std::size_t k = 0; k < count; ++k) {
        MeshEdge2D& e = mesh.edges[at.edges];
        e.vtx1 = corners[first + k];
        e.vtx2 = corners[k + 1 < count ? first + k + 1 : first];
        e.length = 0.0f;
        e.vect[0] = e.vect[1] = 0.0f;
        e.norm[0] = e.norm[1] = 0.0f;
        e.outline = 1;
        e.visited = 0;
        e.unabsorbed = 1;
        e.mergeable = 1;
        e.patch = at.edges;
        e.type = ' ';
        ++at.edges;
    }
    ++at.faces;
    return true;
}

} // namespace

bool readObjMesh2D(std::string_view text, Mesh2D& mesh) {
    hbx::LineReader reader(text, kLineBuffer);
    const LineCounts counts = countLines(reader);
    std::vector<int> corners;
    if (!allocateRecords(counts, mesh, corners)) return false;

    // Pass 2, in file order: vertex records, corner lists and edge records;
    // the first bad line decides the message.
    Cursor at;
    at.totalVertices = counts.vertices;
    std::string_view piece;
    reader.rewind();
    while (reader.next(piece)) {
        if (isVertexLine(piece)) {
            if (!readVertexLine(piece, mesh, at)) return false;
        } else if (isFaceLine(piece)) {
            if (!readFaceLine(piece, mesh, corners, at)) return false;
        }
    }
    return true;
}

} // namespace hbx2
