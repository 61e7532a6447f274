// The record section of a 3D proxy Shape File.
#pragma once

#include "file_io.h"
#include "mesh3d.h"

#include <string>

namespace hbx3 {

// Appends one "v" line per vertex, one "e" line per primary edge record,
// one "f" line per face, the "centre" line and "*end" with its empty line.
// A face's edge numbers are the 1-based line numbers of its primary
// records among the edge lines. Reads the finished mesh; may throw
// std::bad_alloc (the caller owns the buffer), but only before anything has
// been flushed. With `drain` (whose buffer() is out) the text is written out
// in chunks of a few megabytes as it is formatted, so the file's text is
// never all in memory at once; its write failures stay latched for close().
void appendProxyRecords(const Mesh3D& mesh, std::string& out, hbx::OutputFile* drain = nullptr);

} // namespace hbx3
