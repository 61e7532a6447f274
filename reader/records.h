// Parsers of the record lines between "*start" and "*end". Each takes one
// line without its '\n', fills one record and returns true, or returns false
// with scan.errorAt and scan.error saying what is wrong (the record is then
// partly filled). Vertex and edge numbers are checked against the counts of
// records already read (vertices precede edges, edges precede faces) and
// stored 0-based.
#pragma once

#include "hbx/shape_file.h"
#include "reader/line_scan.h"

namespace hbx::detail {

// "radius %f"
bool parseRadius(LineScan& scan, float& radius);
// "centre %f %f %f" (dimensions 3) or "centre %f %f" (dimensions 2; z = 0).
bool parseCentre(LineScan& scan, int dimensions, Vec3& centre);

// "v%c %f %f %f"
bool parseVertex3(LineScan& scan, Vertex3& v);
// "e%c %d %d %f %f %f"
bool parseEdge3(LineScan& scan, std::size_t vertexCount, Edge3& e);
// "f%c %d %d %d" then three times " %d %f %f %f", then " %f %f %f %d".
bool parseFace3(LineScan& scan, std::size_t vertexCount, std::size_t edgeCount, Face3& f);

// "v%c %f %f %f %f"
bool parseVertex2(LineScan& scan, Vertex2& v);
// "e%c %d %d %f %f %f %f %d"
bool parseEdge2(LineScan& scan, std::size_t vertexCount, Edge2& e);

} // namespace hbx::detail
