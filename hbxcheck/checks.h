// The checks of hbxcheck: what a Shape File must satisfy beyond reading
// cleanly. Each check takes a file the reader read as hbx::Status::Ok and
// appends one Finding per broken record (at most limit in all).
#pragma once

#include "hbx/shape_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hbxcheck {

struct Finding {
    std::uint64_t line = 0;   // 1-based line of the record, 0 for the whole file
    std::uint64_t column = 0; // 1-based column, 0 when the whole line is meant
    std::string message;
};

struct Findings {
    std::vector<Finding> list;
    std::size_t limit = 100; // findings kept; count goes on
    std::uint64_t count = 0;

    void add(std::uint64_t line, std::string message) {
        ++count;
        if (list.size() < limit) list.push_back(Finding{line, 0, std::move(message)});
    }
};

// Printed precision: every real carries six decimals, so a component can be
// off by half of 0.000001 from the value the tool held, and the tool's own
// float arithmetic adds a little. A unit vector's printed length lies
// within this of 1.
inline constexpr double kUnitTolerance = 2e-6;

// Unit vectors: length 1 within kUnitTolerance, or exactly zero where the
// tool had no direction (a zero-length side, a degenerate face).
bool isUnitOrZero(const hbx::Vec3& v);
bool isUnitOrZero(const hbx::Vec2& v);

// Sphere and circle: a radius that is not negative.
void checkAnalytic(const hbx::ShapeFile& f, Findings& out);

// 3D proxy: unit vectors, edges that point from their first vertex to their
// second, no two edge lines joining the same vertices, every face side
// named by an edge that joins exactly its two corners, every edge used by
// one face when open ('h') and by two or more otherwise, face and vertex
// letters that agree with the letters of their edges, one side letter and a
// non-negative number per patch.
void checkProxy3D(const hbx::ShapeFile& f, Findings& out);

// 2D proxy: unit vectors, normals at right angles to their edges, edges
// pointing from their first vertex to their second, outline edges that
// chain into closed loops (every vertex line on an even number of edges, at
// least two), safe points of corners away from the corner and (0, 0) for
// straight vertices, one edge letter and a non-negative number per patch.
void checkProxy2D(const hbx::ShapeFile& f, Findings& out);

// Reads the file at path and runs every check that applies. Appends to
// messages one "file:line: message" (or "file:line:column: message") per
// problem and returns true when there is none. A template is a good file; an
// aborted file is not, because it holds no shape.
bool checkFile(const std::string& path, std::vector<std::string>& messages,
               std::size_t limit = 100);

} // namespace hbxcheck
