#include "proxy3d/obj_read3d.h"

#include "frontend/alloc_hook.h"
#include "frontend/console.h"
#include "frontend/digit_words.h"
#include "frontend/geometry_limits.h"
#include "frontend/line_reader.h"
#include "frontend/number_scan.h"

#include <new>
#include <string>

namespace hbx3 {
namespace {

enum class LineKind { Other, Vertex, Normal, Face };

// Lines are told apart by their first characters only.
LineKind classify(std::string_view piece) {
    if (piece.size() >= 2 && piece[1] == ' ') {
        if (piece[0] == 'v') return LineKind::Vertex;
        if (piece[0] == 'f') return LineKind::Face;
    }
    if (piece.size() >= 3 && piece[0] == 'v' && piece[1] == 'n' && piece[2] == ' ')
        return LineKind::Normal;
    return LineKind::Other;
}

// "%s %f %f %f" past a keyword of keywordLength letters: reading stops at the
// first number that cannot be read; that one and all after it stay 0.
// The piece need not be cut at a NUL first: no number takes in a NUL, and a
// NUL is neither white space nor the start of a number, so no reading gets
// past one.
Vec3 scanTriple(std::string_view piece, std::size_t keywordLength) {
    float v[3] = {0.0f, 0.0f, 0.0f};
    const char* p = piece.data() + keywordLength;
    hbx::scanFloats(p, piece.data() + piece.size(), v, 3);
    return Vec3{v[0], v[1], v[2]};
}

// Larger coordinates could overflow the products of the later phases;
// non-finite ones would reach the file.
bool inRange(float x, float y, float z) {
    return hbx::coordinateInRange(x) && hbx::coordinateInRange(y) && hbx::coordinateInRange(z);
}

// An OBJ index (1-based, or negative and relative to the records read so
// far) turned into a 0-based index; -1 when it names no record of the file.
int resolveIndex(int objIndex, int readSoFar, int total) {
    if (objIndex > 0) return objIndex - 1 < total ? objIndex - 1 : -1;
    if (objIndex < 0) return readSoFar + objIndex >= 0 ? readSoFar + objIndex : -1;
    return -1;
}

// One corner token "v", "v/vt", "v//vn" or "v/vt/vn" (each number read as
// "%d" reads it). Returns false when no vertex index can be read.
// *hasNormal tells whether a third number (the normal index) was read.
bool parseCorner(const char* p, const char* end, int* vertex, int* normal, bool* hasNormal) {
    *hasNormal = false;
    p = hbx::scanInt(p, end, vertex);
    if (!p) return false;
    if (p < end && *p == '/') {
        ++p;
        int texture = 0;
        if (const char* q = hbx::scanInt(p, end, &texture)) p = q;
        if (p < end && *p == '/') {
            ++p;
            if (hbx::scanInt(p, end, normal)) *hasNormal = true;
        }
    }
    return true;
}

struct Counts {
    int vertices = 0;
    int normals = 0;
    int faces = 0;
};

// Stores corner k of a face from its OBJ numbers. Returns false after
// printing the error.
[[gnu::always_inline]] inline bool storeCorner(MeshFace& face, CornerNormals* normals, int k, int v,
                                               int n, bool hasNormal, int faceIndex,
                                               const Counts& soFar, const Counts& total) {
    face.vertex[k] = resolveIndex(v, soFar.vertices, total.vertices);
    if (face.vertex[k] < 0) {
        hbx::sayNumbered("Error: Face ", faceIndex, " refers to a missing vertex\n");
        return false;
    }
    if (hasNormal) {
        const int normal = resolveIndex(n, soFar.normals, total.normals);
        if (normal < 0) {
            hbx::sayNumbered("Error: Face ", faceIndex, " refers to a missing normal\n");
            return false;
        }
        // In range, so the file has normals and the faces their corners'.
        normals->normal[k] = normal;
    }
    return true;
}

// Parses one face line (cut at its NUL) into face and its corners' normal
// numbers into *normals (null when the file has no normals). Returns false
// after printing the error.
bool readFaceTokens(std::string_view piece, int faceIndex, const Counts& soFar, const Counts& total,
                    MeshFace& face, CornerNormals* normals) {
    const char* p = piece.data() + 1; // past the "f"
    const char* end = piece.data() + piece.size();
    int k = 0;
    for (;;) {
        // Only the space separates tokens; tabs and line ends belong to them.
        while (p < end && *p == ' ')
            ++p;
        if (p >= end) break;
        const char* token = p;
        while (p < end && *p != ' ')
            ++p;
        if (k > 2) {
            hbx::sayNumbered("WARNING: Face ", faceIndex, " not a triangle\n");
            break;
        }
        int v = 0, n = 0;
        bool hasNormal = false;
        if (!parseCorner(token, p, &v, &n, &hasNormal)) {
            hbx::sayNumbered("Error: Face ", faceIndex, " has a malformed corner\n");
            return false;
        }
        if (!storeCorner(face, normals, k, v, n, hasNormal, faceIndex, soFar, total)) return false;
        ++k;
    }
    if (k < 3) {
        hbx::sayNumbered("Error: Face ", faceIndex, " has fewer than three corners\n");
        return false;
    }
    return true;
}

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The corners of a face line as nearly every file writes them: three tokens
// of plain digits ("7", "7/3", "7//5", "7/3/5"), spaces between, whatever
// after, and a line feed at the end of the piece. They are read in one go
// over the raw piece, as readFaceTokens would read them from the piece cut at
// its NUL: a NUL ends the tokens, a space at a number's place is the end of
// its token (the number is missing), and the line feed ends the last token
// or, after a space, is a token of its own. A place where "%d" would skip
// white space or read a sign is left to readFaceTokens, as are lines with
// fewer than three tokens and numbers of more than eight digits.
struct PlainFace {
    int vertex[3];
    int normal[3];
    bool hasNormal[3];
    bool moreTokens; // a fourth token follows
};

// The length of the digit run at p (a digit whose eight bytes from p on may
// be read, in a piece that ends in a line feed), 0 when it is longer than
// eight digits; its value in *value.
inline int digitRun(const char* p, std::uint32_t* value) {
    const std::uint64_t w = hbx::loadEight(p);
    const int n = hbx::leadingDigitCount(w);
    if (n == 8 && isDigit(p[8])) return 0; // p[8] is still in the piece
    *value = hbx::leadingDigitsValue(w, n);
    return n;
}

// The same without the value.
inline int digitRunLength(const char* p) {
    const int n = hbx::leadingDigitCount(hbx::loadEight(p));
    return n == 8 && isDigit(p[8]) ? 0 : n;
}

// At a number's place that holds no digit: true when "%d" reads nothing
// there either, without skipping white space or reading a sign.
inline bool plainlyMissing(char c) {
    return c == ' ' || !(hbx::isCSpace(c) || c == '+' || c == '-');
}

// Returns false without printing anything when the line is not of the plain
// form. The piece must end in its line feed, and the eight bytes from any of
// its bytes on must be readable: every scan below stops at the line feed at
// the latest, so no bound is checked.
bool scanPlainFace(std::string_view piece, PlainFace& face) {
    const char* p = piece.data() + 1; // past the "f"
    std::uint32_t value = 0;
    for (int k = 0; k < 3; ++k) {
        while (*p == ' ')
            ++p;
        if (!isDigit(*p)) return false;
        int n = digitRun(p, &value);
        if (n == 0) return false;
        p += n;
        face.vertex[k] = static_cast<int>(value);
        face.hasNormal[k] = false;
        if (*p == '/') {
            ++p;
            // The texture number is read and dropped: only its end matters.
            if (isDigit(*p)) {
                n = digitRunLength(p);
                if (n == 0) return false;
                p += n;
            } else if (!plainlyMissing(*p)) {
                return false;
            }
            if (*p == '/') {
                ++p;
                if (isDigit(*p)) {
                    n = digitRun(p, &value);
                    if (n == 0) return false;
                    p += n;
                    face.normal[k] = static_cast<int>(value);
                    face.hasNormal[k] = true;
                } else if (!plainlyMissing(*p)) {
                    return false;
                }
            }
        }
        // The rest of the token is not looked at.
        while (*p != ' ' && *p != '\n' && *p != '\0')
            ++p;
    }
    face.moreTokens = false;
    if (*p == ' ') {
        while (*p == ' ')
            ++p;
        face.moreTokens = *p != '\0';
    }
    return true;
}

// Parses one face line (the raw piece) as readFaceTokens does.
bool readFace(std::string_view piece, const char* readable, int faceIndex, const Counts& soFar,
              const Counts& total, MeshFace& face, CornerNormals* normals) {
    // Pieces that end in a line feed and leave eight bytes to read past any
    // of theirs (all but those at the very end of the text, and cut ones).
    PlainFace plain;
    const bool plainPiece = piece.back() == '\n' && readable - (piece.data() + piece.size()) >= 8 &&
                            scanPlainFace(piece, plain);
    if (!plainPiece)
        return readFaceTokens(hbx::LineReader::cutAtNul(piece), faceIndex, soFar, total, face,
                              normals);
    for (int k = 0; k < 3; ++k) {
        if (!storeCorner(face, normals, k, plain.vertex[k], plain.normal[k], plain.hasNormal[k],
                         faceIndex, soFar, total))
            return false;
    }
    if (plain.moreTokens) hbx::sayNumbered("WARNING: Face ", faceIndex, " not a triangle\n");
    return true;
}

// Pass 1: counts the lines of each kind into total and the vertex
// coordinates' float sums (file order) into sum, and appends the vertices'
// positions to mesh.vertices (the second pass would read the same numbers
// again). Vertex lines are read from the raw pieces (see scanTriple), and
// the kind of a line does not change with the NUL cut
// (LineReader::nextRaw). Returns false after printing the error when the
// positions cannot be held.
bool countLines(hbx::LineReader& reader, Mesh3D& mesh, Counts& total, float (&sum)[3]) {
    std::string_view piece;
    try {
        while (reader.nextRaw(piece)) {
            switch (classify(piece)) {
            case LineKind::Vertex: {
                const Vec3 v = scanTriple(piece, 1);
                sum[0] += v.x;
                sum[1] += v.y;
                sum[2] += v.z;
                mesh.vertices.push_back(MeshVertex{v, 0});
                ++total.vertices;
                break;
            }
            case LineKind::Normal:
                ++total.normals;
                break;
            case LineKind::Face:
                ++total.faces;
                break;
            case LineKind::Other:
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        hbx::say("Error: Couldn't allocate verticies\n");
        return false;
    }
    return true;
}

// Sizes mesh's normal and face arrays to total (and the corners' normal
// numbers, when the file has normals) and reserves room for its edges (at
// most three per face). Returns false after printing the error when an array
// cannot be had (real failure, or the allocation seam armed at its name).
bool allocateRecords(const Counts& total, Mesh3D& mesh) {
    if (hbx::allocationFails("vertices")) {
        hbx::say("Error: Couldn't allocate verticies\n");
        return false;
    }
    const char* failing = "normals";
    try {
        if (hbx::allocationFails(failing)) throw std::bad_alloc();
        mesh.normals.resize(static_cast<std::size_t>(total.normals));
        failing = "edges";
        // Three sides per face must stay within the index range.
        if (hbx::allocationFails(failing) || total.faces > (1 << 30)) throw std::bad_alloc();
        mesh.edges.reserve(static_cast<std::size_t>(total.faces) * 3);
        failing = "faces";
        if (hbx::allocationFails(failing)) throw std::bad_alloc();
        mesh.faces.resize(static_cast<std::size_t>(total.faces));
        if (total.normals > 0) mesh.cornerNormals.resize(static_cast<std::size_t>(total.faces));
    } catch (const std::bad_alloc&) {
        hbx::say(std::string("Error: Couldn't allocate ") + failing + "\n");
        return false;
    }
    return true;
}

// Pass 2, in file order: checks the vertex positions and moves them by the
// mesh centre, reads the normals and the faces. The first bad line decides
// the message; returns false after printing it.
bool readRecords(hbx::LineReader& reader, const char* textEnd, const Counts& total, Mesh3D& mesh) {
    const Vec3 c = mesh.meshCentre;
    Counts soFar;
    // Nothing arms the allocation seam during the pass: when it is not armed
    // now, no face line needs to ask it.
    const bool tokensArmed = hbx::allocationArmed("face tokens");
    std::string_view piece;
    while (reader.nextRaw(piece)) {
        switch (classify(piece)) {
        case LineKind::Vertex: {
            Vec3& pos = mesh.vertices[static_cast<std::size_t>(soFar.vertices)].pos;
            if (!inRange(pos.x, pos.y, pos.z)) {
                hbx::sayNumbered("Error: Vertex ", soFar.vertices, " is out of range\n");
                return false;
            }
            pos = Vec3{pos.x - c.x, pos.y - c.y, pos.z - c.z};
            ++soFar.vertices;
            break;
        }
        case LineKind::Normal: {
            const Vec3 n = scanTriple(piece, 2);
            if (!inRange(n.x, n.y, n.z)) {
                hbx::sayNumbered("Error: Normal ", soFar.normals, " is out of range\n");
                return false;
            }
            mesh.normals[static_cast<std::size_t>(soFar.normals)] = MeshNormal{n.x, n.y, n.z};
            ++soFar.normals;
            break;
        }
        case LineKind::Face: {
            // A face line is parsed in place and needs no token list; the
            // seam keeps the message of a failed token allocation reachable
            // for the allocation-failure tests.
            if (tokensArmed && hbx::allocationFails("face tokens")) {
                hbx::say("Error: Couldn't allocate face token array\n");
                return false;
            }
            const auto f = static_cast<std::size_t>(soFar.faces);
            CornerNormals* normals = mesh.cornerNormals.empty() ? nullptr : &mesh.cornerNormals[f];
            if (!readFace(piece, textEnd, soFar.faces, soFar, total, mesh.faces[f], normals))
                return false;
            mesh.faces[f].patch = soFar.faces;
            ++soFar.faces;
            break;
        }
        case LineKind::Other:
            break;
        }
    }
    return true;
}

} // namespace

bool readObjMesh(std::string_view text, Mesh3D& mesh) {
    hbx::LineReader reader(text, 256);
    Counts total;
    float sum[3] = {0.0f, 0.0f, 0.0f};
    if (!countLines(reader, mesh, total, sum)) return false;
    if (total.vertices == 0 || total.faces == 0) {
        hbx::say("Error: Couldn't find any vertices or faces\n");
        return false;
    }
    if (!allocateRecords(total, mesh)) return false;
    const float count = static_cast<float>(total.vertices);
    mesh.meshCentre = Vec3{sum[0] / count, sum[1] / count, sum[2] / count};
    reader.rewind();
    return readRecords(reader, text.data() + text.size(), total, mesh);
}

} // namespace hbx3
