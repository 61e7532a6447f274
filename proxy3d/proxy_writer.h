// The record section of a 3D proxy Shape File.
#pragma once

#include "frontend/file_io.h"
#include "proxy3d/mesh3d.h"

namespace hbx3 {

// Writes into out (whose framing is written out already) one "v" line per
// vertex, one "e" line per edge, one "f" line per face, the
// "centre" line and "*end" with its empty line. A face's edge numbers are
// the 1-based line numbers of its edges among the edge lines;
// its across-edge normals come from acrossEdgeNormals and efsNorm.
// Reads the finished mesh. Throws std::bad_alloc before any record is
// buffered; the text goes out in chunks as it is formatted (see
// hbx::RecordStream), and write failures stay latched for out's close().
void writeProxyRecords(const Mesh3D& mesh, hbx::OutputFile& out);

} // namespace hbx3
