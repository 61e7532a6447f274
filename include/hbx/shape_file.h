// Reading Shape Files: the files makeHBX3 and makeHBX2 write.
//
//     hbx::ShapeFile f;
//     hbx::ReadResult r = hbx::readShapeFile("crate.hbx3", f);
//     if (!r) { for (const auto& d : r.errors) std::puts(hbx::formatDiagnostic(d).c_str()); }
//
// One call reads the whole file, checks its framing and every record line,
// and fills one ShapeFile of plain records. Nothing throws: every outcome,
// running out of memory included, comes back in the ReadResult. The
// functions keep no state: different threads may read different files.
//
// What the reader guarantees when the result is Status::Ok:
//   - the file has the complete framing of its tool (banner, origin, type,
//     "*start", records, "*end", footer with stamp and version);
//   - every record line has the exact layout the tools write: the right
//     letters, integers as "%d", reals as "%f" (six decimals; no "nan" or
//     "inf"), single spaces, no trailing space, "\n" line ends;
//   - records come in their order (vertices, edges, faces, centre) and every
//     vertex and edge number is in range, so the 0-based indices stored in
//     the records can be used to index the arrays without further checks.
// Geometric invariants (unit lengths, faces whose edges join their vertices,
// closed outlines, ...) are not checked here; the hbxcheck tool does that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hbx {

// The shape a file describes: its type line together with its tool.
enum class ShapeType : std::uint8_t {
    Unknown, // the type line or the title line could not be read
    Sphere,  // "type SP", 3D tool
    Circle,  // "type CR", 2D tool
    Proxy3D, // "type PX", 3D tool
    Proxy2D, // "type PX", 2D tool
};

// What kind of file it is, as far as it could be read.
enum class FileKind : std::uint8_t {
    Unknown,  // not even the framing could be read
    Finished, // a shape with its values (including the empty proxy of a manual run)
    Template, // "make empty shell": placeholders such as <FLOAT "radius"> instead of values
    Aborted,  // the tool gave up: the file ends with "WRITE ABORTED" and has no records
};

struct Vec2 {
    float x = 0.0f, y = 0.0f;
};
struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// 3D proxy records. Indices are 0-based positions in the arrays of the same
// file (the file itself numbers vertices and edges from 1). Positions are
// relative to ShapeFile::centre.
struct Vertex3 {
    char type = 'n'; // 'o' convex, 'i' concave, 'h' mixed or open corner, 'n' flat
    Vec3 pos;
};
struct Edge3 {
    char type = 'h';                 // 'o' convex, 'i' concave, 'n' flat, 'h' open (one face only)
    std::int32_t vtx1 = 0, vtx2 = 0; // vertex indices
    Vec3 unitVect;                   // unit vector from vtx1 to vtx2
};
struct Face3 {
    char side = 'm';          // 'v' convex, 'c' concave or flat, 'm' mixed or with an open side
    std::int32_t vtx[3] = {}; // corner vertex indices
    std::int32_t edge[3] =
        {};          // edge indices of the sides vtx[0]-vtx[1], vtx[1]-vtx[2], vtx[2]-vtx[0]
    Vec3 efsNorm[3]; // edge-face normal of each side: unit, across the edge, away from the face
    Vec3 norm;       // unit face normal
    std::int64_t patch = 0; // patch number as written (not renumbered, need not start at 0)
};
struct Proxy3D {
    std::vector<Vertex3> vertices;
    std::vector<Edge3> edges;
    std::vector<Face3> faces;
};

// 2D proxy records: the outline of the mesh seen along z. Positions and safe
// points are relative to ShapeFile::centre.
struct Vertex2 {
    char type = 'n'; // 'o' convex corner, 'i' reflex corner, 'n' straight on
    Vec2 pos;
    Vec2 safe; // safe point (a point, not an offset); (0, 0) for 'n'
};
struct Edge2 {
    char type = 'c';                 // 'c', 'v' or 'm': how the outline bends at the edge's ends
    std::int32_t vtx1 = 0, vtx2 = 0; // vertex indices
    Vec2 vect;                       // unit direction vtx1 -> vtx2, (0, 0) for a zero-length side
    Vec2 norm;                       // unit normal pointing away from the mesh
    std::int64_t patch = 0;          // patch number as written
};
struct Proxy2D {
    std::vector<Vertex2> vertices;
    std::vector<Edge2> edges;
};

// The footer's generation stamp, local time of the run.
struct Stamp {
    int hour = 0, minute = 0, second = 0;
    int day = 0, month = 0, year = 0; // month 1..12, full year
};

// 1-based line numbers of the parts of the file, 0 when absent. In a file
// read as Ok, records of one kind stand on consecutive lines, so record i of
// a group is on line first + i (see the helpers below).
struct LineMap {
    std::uint64_t origin = 0, type = 0, start = 0;
    std::uint64_t firstVertex = 0, firstEdge = 0, firstFace = 0;
    std::uint64_t radius = 0, centre = 0, end = 0;
    std::uint64_t stamp = 0, version = 0;
};

struct ShapeFile {
    std::string path;   // the name given to the reader, for messages
    int dimensions = 0; // 3 or 2 from the title line; 0 unknown
    ShapeType type = ShapeType::Unknown;
    FileKind kind = FileKind::Unknown;
    std::string origin; // text after "origin ": the mesh path, "Manual" or <STRING "fileName">

    // Sphere and circle: radius. Every finished shape but the empty proxy
    // has a centre; for 2D files centre.z is 0. For proxies the centre is the
    // mean of the mesh's vertices, for spheres and circles the middle of the
    // bounding box.
    float radius = 0.0f;
    bool hasCentre = false;
    Vec3 centre;

    Proxy3D proxy3d; // filled for ShapeType::Proxy3D
    Proxy2D proxy2d; // filled for ShapeType::Proxy2D

    // Footer of finished files and templates.
    bool hasFooter = false;
    Stamp stamp;
    std::string tool;    // "makeHBX3" or "makeHBX2"
    std::string version; // "0.0.6.4.i"

    LineMap lines;
};

enum class Status : std::uint8_t {
    Ok,          // a finished shape, read completely
    Template,    // a well-formed template: the file has no values to use
    Aborted,     // a well-formed aborted file: the tool failed, there is no shape
    Malformed,   // at least one line is wrong; see ReadResult::errors
    CannotRead,  // the file could not be opened or read (errors[0] says why)
    OutOfMemory, // memory ran out; the ShapeFile is emptied
};

// One finding: "file:line:column: message". line and column are 1-based;
// column counts bytes. A problem with the whole file (cannot open, file
// ends too early) is given at the line where it shows, or line 0.
struct Diagnostic {
    std::string file;
    std::uint64_t line = 0;
    std::uint64_t column = 0;
    std::string message;
};

struct ReadResult {
    Status status = Status::Ok;
    std::vector<Diagnostic> errors; // one per malformed line, in file order, at most maxErrors
    std::uint64_t errorCount = 0;   // all malformed lines found, kept or not

    // True only for a finished shape: templates and aborted files are false
    // too, because they hold no shape to use.
    explicit operator bool() const noexcept { return status == Status::Ok; }
};

struct ReadOptions {
    std::size_t maxErrors = 100; // diagnostics kept; the count goes on beyond it
};

// Reads the Shape File at path into out (which is cleared first). Reads the
// file once, front to back, through a 1 MB buffer (the whole file is never
// held), and checks each line as it comes. Arrays of large proxies are
// reserved from the file's size up front, which costs address space only for
// what stays unused. A 250 MB 3D proxy (a million faces) takes about 0.7 s
// of CPU time and 130 MB of memory. After Ok every field is
// filled as described above; after Template or Aborted the framing fields
// (dimensions, type, kind, origin, footer) are filled and the record arrays
// are empty; after Malformed the fields hold what could be read (records of
// malformed lines are zero) and should not be used as a shape. Never throws:
// running out of memory gives OutOfMemory.
ReadResult readShapeFile(const std::string& path, ShapeFile& out,
                         const ReadOptions& options = {}) noexcept;

// The same for a file already in memory; name is used in diagnostics and
// stored as out.path.
ReadResult readShapeText(std::string_view text, std::string_view name, ShapeFile& out,
                         const ReadOptions& options = {}) noexcept;

// "file:line:column: message" (without a line end).
std::string formatDiagnostic(const Diagnostic& d);

// "Ok", "Template", "Aborted", "Malformed", "CannotRead", "OutOfMemory".
const char* statusName(Status s) noexcept;

// "SP", "CR", "PX" (3D), "PX" (2D) or "??".
const char* typeCode(ShapeType t) noexcept;

// Line numbers of records, for messages about them; valid after Ok (records
// of one kind then stand on consecutive lines).
inline std::uint64_t vertexLine(const ShapeFile& f, std::size_t i) {
    return f.lines.firstVertex + i;
}
inline std::uint64_t edgeLine(const ShapeFile& f, std::size_t i) {
    return f.lines.firstEdge + i;
}
inline std::uint64_t faceLine(const ShapeFile& f, std::size_t i) {
    return f.lines.firstFace + i;
}

} // namespace hbx
