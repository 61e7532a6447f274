// The record section of a 2D proxy Shape File.
#pragma once

#include "frontend/file_io.h"
#include "proxy2d/mesh2d.h"

namespace hbx2 {

// Writes into out (whose framing is written out already) one "v" line per
// outline vertex (ascending), one "e" line per outline edge (ascending,
// vertex numbers counted among the written vertex lines), the "centre" line
// and "*end" with its empty line. Reads the finished mesh. Throws
// std::bad_alloc before any record is buffered; the text goes out in chunks
// as it is formatted (see hbx::RecordStream), and write failures stay
// latched for out's close().
void writeProxyRecords(const Mesh2D& mesh, hbx::OutputFile& out);

} // namespace hbx2
